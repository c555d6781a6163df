// invitation-data check [DIR]
#include "tools/check/check.h"
#include "tools/data/commands.h"

#include "platform/data_folder.h"

#include <cstdio>
#include <string>

int RunDataCheck(int argc, char** argv) {
    if (argc > 1) {
        std::fprintf(stderr, "usage: invitation-data check [DIR]\n");
        return 2;
    }
    // Without a folder named, the one the program would read.
    std::string error;
    const std::string dir = FindDataFolder(argc == 1 ? argv[0] : "", &error);
    if (dir.empty()) {
        std::fprintf(stderr, "invitation-data: %s\n", error.c_str());
        return 1;
    }
    return ReportDataFolder(dir) ? 0 : 1;
}
