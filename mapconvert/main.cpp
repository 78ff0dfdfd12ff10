// main.cpp -- mapconvert's entry point: the converter body runs on the FLTK platform
#include "converter.h"

int main() { return run_mapconvert(); }
