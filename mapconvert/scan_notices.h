// scan_notices.h -- the boxes a map scan shows: its refusal, and what it wrote
#pragma once
#include <string>
#include "scan.h"

// "Error RGB()" with "No Image To Convert Into RGB()MAP", or AI()MAP for an AI scan.
void show_scan_refused(bool ai);

// A map or colour-code files that could not be written, each said so, then "Image Converted!".
void show_scan_done(const ScanReport& report, const std::string& destination_folder);
