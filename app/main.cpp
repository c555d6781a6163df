// The program's entry: runs the invitation and returns its exit status.
#include "app/run_program.h"

// The command line is not read: every run is the same.
int main(int, char**) { return RunProgram(nullptr); }
