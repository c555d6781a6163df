// A fresh folder under the system's temporary directory, removed afterwards.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct ScratchFolder {
    std::filesystem::path path;

    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "invitation-test-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

    // Writes `bytes` to the relative path `name`, making folders on the way.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::filesystem::path file = path / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }
};

// Runs the test's work inside a folder and goes back afterwards.
struct WorkingFolder {
    std::filesystem::path previous = std::filesystem::current_path();
    explicit WorkingFolder(const std::filesystem::path& folder) { std::filesystem::current_path(folder); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;
    ~WorkingFolder() { std::filesystem::current_path(previous); }
};

// The names in a folder, sorted.
inline std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// A whole file as bytes in a string; empty when it cannot be read.
inline std::string FileContents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}
