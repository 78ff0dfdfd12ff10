// converter.h -- mapconvert's body
#pragma once

int run_mapconvert();  // Start-up, event loop, end
