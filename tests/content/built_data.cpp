// The data folder built once per test process from assets/, for the content tests.
#include "tests/content/built_data.h"

#include "tools/generate/generate.h"

#include <filesystem>
#include <unistd.h>

namespace {

// The build's own data folder, which the build regenerates before the tests are
// built; a private one when it is not there.
struct BuiltData {
    std::string dir, error;
    bool owned = false;
    BuiltData() {
        if (std::filesystem::exists(std::string(INVITATION_BUILT_DATA_DIR) + "/phatfunk.mod")) {
            dir = INVITATION_BUILT_DATA_DIR;
            return;
        }
        std::string target = TemporaryDir("data");
        if (BuildDataFolder(DefaultAssetsDir(), target, error)) {
            dir = target;
            owned = true;
        }
    }
    ~BuiltData() {
        if (owned) std::filesystem::remove_all(dir);
    }
};

BuiltData& Data() {
    static BuiltData data;
    return data;
}

}  // namespace

std::string TemporaryDir(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("content-test-" + std::to_string(::getpid()) + "-" + name)).string();
}

const std::string& BuiltDataDir() {
    return Data().dir;
}

const std::string& BuiltDataError() {
    return Data().error;
}
