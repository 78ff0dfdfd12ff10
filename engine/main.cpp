// main.cpp -- simengine's entry point: the engine body runs on the SDL platform
#include "core/engine.h"

int main() { return run_simengine(); }
