// invitation-data build OUT_DIR [--assets DIR]
#include "image/scene_files.h"
#include "platform/files.h"
#include "tools/data/commands.h"
#include "tools/generate/generate.h"

#include <cstdio>
#include <cstring>
#include <string>

int RunDataBuild(int argc, char** argv) {
    std::string outDir, assetsDir = DefaultAssetsDir();
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--assets") == 0 && i + 1 < argc) {
            assetsDir = argv[++i];
        } else if (argv[i][0] != '-' && outDir.empty()) {
            outDir = argv[i];
        } else {
            outDir.clear();
            break;
        }
    }
    if (outDir.empty()) {
        std::fprintf(stderr, "usage: invitation-data build OUT_DIR [--assets DIR]\n");
        return 2;
    }
    RemoveOutputsOnSignal();
    std::string error;
    if (!BuildDataFolder(assetsDir, outDir, error)) {
        std::fprintf(stderr, "invitation-data build: %s\n", error.c_str());
        return 1;
    }
    std::printf("invitation-data build: %d pictures and %s written to %s\n", SCENE_PICTURE_COUNT,
                SceneFileName(MUSIC_MODULE_PATH), outDir.c_str());
    return 0;
}
