// The data folder search and the folder in use.
#include "platform/data_folder.h"

#include <cstring>
#include <filesystem>

namespace {

std::string CurrentDataFolder = "data";

bool IsFolder(const std::filesystem::path& path) {
    std::error_code failure;
    return std::filesystem::is_directory(path, failure);
}

}  // namespace

std::string ExecutableFolder() {
    std::error_code failure;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failure);
    return failure ? std::string() : self.parent_path().string();
}

std::string FindDataFolder(const std::string& given, std::string* error) {
    if (!given.empty()) {
        if (IsFolder(given)) return given;
        *error = "data folder " + given + " not found";
        return {};
    }
    // Relative, as the program has always opened it, when it is here.
    if (IsFolder("data")) return "data";
    std::error_code failure;
    std::filesystem::path here = std::filesystem::current_path(failure) / "data";
    std::string home = ExecutableFolder();
    std::filesystem::path beside = std::filesystem::path(home) / "data";
    if (!home.empty() && IsFolder(beside)) return beside.string();
    if (home.empty() || std::filesystem::path(home) == here.parent_path())
        *error = "no data folder: " + here.string() + " does not exist";
    else
        *error = "no data folder: neither " + here.string() + " nor " + beside.string() + " exists";
    return {};
}

void UseDataFolder(const std::string& folder) { CurrentDataFolder = folder; }

const std::string& DataFolder() { return CurrentDataFolder; }

std::string NativePath(const char* path) {
    std::string native(path);
    for (char& c : native)
        if (c == '\\') c = '/';
    // "data\\..." names the data folder in use, wherever it is.
    if (std::strncmp(path, "data\\", 5) == 0 && DataFolder() != "data") native = DataFolder() + native.substr(4);
    return native;
}
