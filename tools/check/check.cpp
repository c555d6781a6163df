// Placeholder until the checker lands.
#include "tools/data/commands.h"

#include <cstdio>

int RunDataCheck(int, char**) {
    std::fprintf(stderr, "invitation-data check: not available yet\n");
    return 1;
}

int RunDataDecode(int, char**) {
    std::fprintf(stderr, "invitation-data decode: not available yet\n");
    return 1;
}
