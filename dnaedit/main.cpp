// main.cpp -- dnaedit's entry point: the editor body runs on the FLTK platform
#include "editor.h"

int main() { return run_dnaedit(); }
