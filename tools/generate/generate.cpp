// Building the data folder from the sources in assets/.
#include "tools/generate/generate.h"

#include "panel/scene_table.h"
#include "show/menu.h"
#include "tools/generate/module.h"

#include "platform/files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

// Under a temporary name until complete: a write that fails or is interrupted
// leaves the earlier file of that name whole.
bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, std::string& error) {
    OutputFile file;
    if (!OpenOutputFile(file, path.string(), &error)) return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.stream) != bytes.size()) {
        error = "cannot write " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    return CommitOutputFile(file, &error);
}

}  // namespace

std::string DefaultAssetsDir() {
    return INVITATION_ASSETS_DIR;
}

bool ReadTextFile(const std::string& path, std::string& text, std::string& error) {
    return ReadRegularFile(path, &text, &error);
}

bool LoadPictureSources(const std::string& assetsDir, PictureSources& sources, std::string& error) {
    std::string show;
    if (!ReadTextFile(assetsDir + "/show.txt", show, error)) return false;
    sources.texts = ParseShowTexts(show, error);
    if (!error.empty()) {
        error = assetsDir + "/show.txt: " + error;
        return false;
    }
    sources.pages.clear();
    sources.pageNames.clear();
    for (int32_t k = 0; k < TEXT_PAGE_COUNT; ++k) {
        std::string path = assetsDir + "/pages/" + PageSourceName(k);
        std::string page;
        if (!ReadTextFile(path, page, error)) return false;
        sources.pages.push_back(page);
        sources.pageNames.push_back(path);
    }
    return true;
}

bool BuildDataFolder(const std::string& assetsDir, const std::string& outDir, int32_t scale, std::string& error,
                     const BuildProgress& progress) {
    PictureSources sources;
    if (!LoadPictureSources(assetsDir, sources, error)) return false;
    FontLibraryHandle fonts = OpenFonts(DEJAVU_FONT_DIR, error);
    if (!fonts) return false;
    // Drawing each picture, writing each file.
    const int32_t steps = 2 * SCENE_PICTURE_COUNT + 1;
    int32_t done = 0;
    auto step = [&] {
        if (progress) progress(++done, steps);
    };
    std::vector<GeneratedPicture> pictures;
    if (!DrawPictures(sources, *fonts, scale, pictures, error, [&](const GeneratedPicture&) { step(); })) return false;

    std::string score, samples;
    if (!ReadTextFile(assetsDir + "/music/phatfunk.txt", score, error)) return false;
    if (!ReadTextFile(assetsDir + "/music/samples.txt", samples, error)) return false;
    std::vector<uint8_t> module;
    if (!BuildModule(score, samples, module, error)) {
        error = assetsDir + "/music: " + error;
        return false;
    }

    std::error_code code;
    std::filesystem::create_directories(outDir, code);
    if (code) {
        error = "cannot create " + outDir + ": " + code.message();
        return false;
    }
    for (const GeneratedPicture& picture : pictures) {
        std::vector<uint8_t> bytes = EncodeBmp(picture.picture, picture.kind, error);
        if (bytes.empty()) {
            error = picture.fileName + ": " + error;
            return false;
        }
        if (!WriteFile(std::filesystem::path(outDir) / picture.fileName, bytes, error)) return false;
        step();
    }
    if (!WriteFile(std::filesystem::path(outDir) / SceneFileName(MUSIC_MODULE_PATH), module, error)) return false;
    step();
    return true;
}
