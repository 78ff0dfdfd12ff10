// converter.h -- mapconvert's body
#pragma once

int run_mapconvert();  // Start-up, event loop until QUIT or the window's close, end; returns 0
