// invitation-data: the makers' tool for the data folder.
#include "tools/data/commands.h"

#include <cstdio>
#include <cstring>

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: invitation-data build OUT_DIR [--scale N]  write the pictures (N times larger, N 1 to 4)\n"
                 "                                                  and the module\n"
                 "       invitation-data check [DIR]                check a data folder (default: data here, else\n"
                 "                                                  beside the tool)\n"
                 "       invitation-data decode IN.bmp OUT.ppm\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const char* command = argv[1];
    if (std::strcmp(command, "build") == 0) return RunDataBuild(argc - 2, argv + 2);
    if (std::strcmp(command, "check") == 0) return RunDataCheck(argc - 2, argv + 2);
    if (std::strcmp(command, "decode") == 0) return RunDataDecode(argc - 2, argv + 2);
    return Usage();
}
