// engine.h -- simengine's body
#pragma once

int run_simengine();  // Start-up, main loop, shutdown; always 0
