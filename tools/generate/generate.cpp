// Placeholder until the generator lands.
#include "tools/data/commands.h"

#include <cstdio>

int RunDataBuild(int, char**) {
    std::fprintf(stderr, "invitation-data build: not available yet\n");
    return 1;
}
