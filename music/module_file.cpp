// The module file: read through the file hooks, loaded by libopenmpt, and judged
// without playing it. No platform and no device here: the data checker takes it alone.
#include "music/module_file.h"

#include "music/module_layout.h"
#include "platform/files.h"

#include <libopenmpt/libopenmpt.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>

namespace {

// libopenmpt pans MOD channels to half its scale: 30 percent of that is a
// separation of 0.15 with 0 for mono and 1 for full.
constexpr int32_t STEREO_SEPARATION_PERCENT = 30;
// Larger files are no modules of ours; refused before they are read.
constexpr int64_t MAX_MODULE_BYTES = 64 << 20;

}  // namespace

// The module's bytes through the file hooks; empty, with `failure` saying why,
// when there are none to load.
std::vector<char> ReadModuleFile(const std::string& path, std::string* failure) {
    std::vector<char> bytes;
    void* file = ModuleFileOpen(path.c_str());
    if (!file) {
        *failure = FileErrorText(errno);
        return bytes;
    }
    int32_t size = -1;
    if (ModuleFileSeek(file, 0, 2) == 0) size = ModuleFileTell(file);
    if (size == 0) {
        *failure = "it is empty";
    } else if (size < 0 || size > MAX_MODULE_BYTES) {
        *failure = "it is larger than 64 MiB";
    } else {
        bytes.resize(static_cast<size_t>(size));
        if (ModuleFileSeek(file, 0, 0) != 0 || ModuleFileRead(bytes.data(), size, file) != size) {
            *failure = "it cannot be read";
            bytes.clear();
        }
    }
    ModuleFileClose(file);
    return bytes;
}

// The player's warnings about what it loaded, one per line of its "warnings" text.
static std::vector<std::string> LoadWarnings(openmpt_module* module) {
    std::vector<std::string> warnings;
    const char* text = openmpt_module_get_metadata(module, "warnings");
    if (!text) return warnings;
    std::string line;
    for (const char* c = text;; ++c) {
        if (*c == '\n' || *c == '\0') {
            if (!line.empty()) warnings.push_back(line);
            line.clear();
            if (*c == '\0') break;
        } else if (*c != '\r') {
            line += *c;
        }
    }
    openmpt_free_string(text);
    return warnings;
}

openmpt_module* CreateModule(const std::vector<char>& bytes) {
    int error = 0;
    openmpt_module* module =
        openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                          openmpt_error_func_ignore, nullptr, &error, nullptr, nullptr);
    if (!module) return nullptr;
    if (openmpt_module_get_num_orders(module) < 1) {
        openmpt_module_destroy(module);
        return nullptr;
    }
    openmpt_module_set_repeat_count(module, -1);
    openmpt_module_set_render_param(module, OPENMPT_MODULE_RENDER_STEREOSEPARATION_PERCENT,
                                    STEREO_SEPARATION_PERCENT);
    // No dither: its noise is seeded anew for every module, and the offline
    // rendering must give the same samples on every run.
    openmpt_module_ctl_set_integer(module, "dither", 0);
    return module;
}

// --- File hooks -------------------------------------------------------------------

void* ModuleFileOpen(const char* name) { return OpenRegularFileStream(name); }

int32_t ModuleFileClose(void* handle) {
    if (!handle) return -1;
    return std::fclose(static_cast<FILE*>(handle)) == 0 ? 0 : -1;
}

int32_t ModuleFileRead(void* buffer, int32_t length, void* handle) {
    if (!handle || !buffer || length <= 0) return 0;
    return static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(length), static_cast<FILE*>(handle)));
}

int32_t ModuleFileSeek(void* handle, int32_t position, int8_t mode) {
    if (!handle) return -1;
    int origin;
    switch (mode) {
    case 0: origin = SEEK_SET; break;
    case 1: origin = SEEK_CUR; break;
    case 2: origin = SEEK_END; break;
    default: return -1;
    }
    return std::fseek(static_cast<FILE*>(handle), position, origin) == 0 ? 0 : -1;
}

int32_t ModuleFileTell(void* handle) {
    if (!handle) return -1;
    long position = std::ftell(static_cast<FILE*>(handle));
    return position >= 0 && position <= INT32_MAX ? static_cast<int32_t>(position) : -1;
}

ModuleReport InspectModuleFile(const char* nativePath) {
    ModuleReport report;
    std::vector<char> bytes = ReadModuleFile(nativePath ? nativePath : "", &report.failure);
    if (bytes.empty()) return report;
    openmpt_module* module = CreateModule(bytes);
    if (!module) {
        report.failure = "the player cannot load it as a module";
        return report;
    }
    report.loads = true;
    report.warnings = LoadWarnings(module);
    // The player loads a module file cut short without a word; its header tells.
    const char* type = openmpt_module_get_metadata(module, "type");
    if (type && std::strcmp(type, "mod") == 0) {
        std::span<const uint8_t> file(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        for (std::string& warning : ModuleLayoutWarnings(file)) report.warnings.push_back(std::move(warning));
    }
    openmpt_free_string(type);
    openmpt_module_destroy(module);
    return report;
}

