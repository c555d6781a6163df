// The invitation's entry: with no arguments, fullscreen 640 x 480 as it has always been.
#include "app/run_program.h"

#include <cstdio>

int main(int argc, char** argv) {
    ProgramOptions options;
    std::string error;
    if (!ParseProgramArguments(argc, argv, &options, &error)) {
        std::fprintf(stderr, "invitation: %s\n%s", error.c_str(), ProgramUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(ProgramUsage(), stdout);
        return 0;
    }
    return RunProgram(nullptr, options);
}
