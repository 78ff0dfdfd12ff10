// editor.h -- dnaedit's body
#pragma once

int run_dnaedit();  // Start-up, event loop, shutdown; always 0
