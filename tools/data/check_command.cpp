// invitation-data check [DIR]
#include "tools/check/check.h"
#include "tools/data/commands.h"

#include <cstdio>
#include <string>

int RunDataCheck(int argc, char** argv) {
    if (argc > 1) {
        std::fprintf(stderr, "usage: invitation-data check [DIR]\n");
        return 2;
    }
    const std::string dir = argc == 1 ? argv[0] : "data";
    return ReportDataFolder(dir) ? 0 : 1;
}
