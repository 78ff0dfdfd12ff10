// notices.h -- the converter's failure check: "Error:" with the step's message and "Retry?"
#pragma once
#include <string>

// When result is 0, asks "Error:" / message + "\rRetry?" (Yes/No): No ends the program at once,
// Yes goes on as if the step had worked. Returns result unchanged.
int failure_check(int result, const std::string& message);
