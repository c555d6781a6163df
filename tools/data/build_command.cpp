// invitation-data build OUT_DIR [--assets DIR] [--scale N]
#include "panel/scene_table.h"
#include "platform/files.h"
#include "tools/data/commands.h"
#include "tools/generate/generate.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

int RunDataBuild(int argc, char** argv) {
    std::string outDir, assetsDir = DefaultAssetsDir();
    int32_t scale = 1;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--assets") == 0 && i + 1 < argc) {
            assetsDir = argv[++i];
        } else if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc) {
            const char* text = argv[++i];
            if (std::strlen(text) != 1 || text[0] < '1' || text[0] > '0' + MAX_PICTURE_SCALE) {
                std::fprintf(stderr, "invitation-data build: --scale takes 1 to %d, not \"%s\"\n", MAX_PICTURE_SCALE,
                             text);
                return 2;
            }
            scale = text[0] - '0';
        } else if (argv[i][0] != '-' && outDir.empty()) {
            outDir = argv[i];
        } else {
            outDir.clear();
            break;
        }
    }
    if (outDir.empty()) {
        std::fprintf(stderr, "usage: invitation-data build OUT_DIR [--assets DIR] [--scale N]\n");
        return 2;
    }
    RemoveOutputsOnSignal();
    std::string error;
    // A larger scale takes seconds: a terminal sees how far the build is.
    BuildProgress progress = nullptr;
    if (isatty(STDERR_FILENO) == 1)
        progress = [scale](int32_t done, int32_t steps) {
            std::fprintf(stderr, "\rinvitation-data build: scale %d, %3d%%", scale, 100 * done / steps);
        };
    const bool built = BuildDataFolder(assetsDir, outDir, scale, error, progress);
    if (progress) std::fprintf(stderr, "\r%40s\r", "");
    if (!built) {
        std::fprintf(stderr, "invitation-data build: %s\n", error.c_str());
        return 1;
    }
    std::printf("invitation-data build: %d pictures and %s written to %s\n", SCENE_PICTURE_COUNT,
                SceneFileName(MUSIC_MODULE_PATH), outDir.c_str());
    return 0;
}
