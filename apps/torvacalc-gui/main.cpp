#include "gui/startup.h"

int main(int argc, char** argv) { return torvacalc::RunDesktop(argc, argv); }
