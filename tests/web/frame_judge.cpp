// frame-judge: the web page's frames against the native capture's at the same show times, with pictures of each failure.
#include "platform/files.h"
#include "tools/capture/png_file.h"
#include "tools/generate/bmp_write.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A frame passes when every channel's mean absolute difference is at most MEAN_LIMIT and
// at least CLOSE_SHARE of its pixels are close: all three channels within CLOSE_LIMIT.
constexpr double MEAN_LIMIT = 1.0;
constexpr int32_t CLOSE_LIMIT = 2;
constexpr double CLOSE_SHARE = 0.995;
// The difference picture: small differences made visible.
constexpr int32_t DIFFERENCE_GAIN = 16;

constexpr const char* USAGE =
    "usage: frame-judge --save DIR LIST_FILE\n"
    "  LIST_FILE: one frame a line, \"<still|moving> <native.png> <web.ppm> <label>\"; # starts a comment;\n"
    "             relative paths are taken from the list's folder. Either picture may be PNG or binary PPM.\n"
    "  still:  each channel's mean absolute difference at most 1, and 99.5% of pixels within 2 on every channel\n"
    "  moving: the same, each web pixel against the closest of its 3x3 neighbours in the native frame\n"
    "  DIR:    receives <label>-native.png, -web.png and -difference.png for each failed frame\n"
    "Exit status: 0 all passed, 1 some failed, 2 bad input.\n";

enum class FrameKind { STILL, MOVING };

struct ListedFrame {
    FrameKind kind;
    fs::path native, web;
    std::string label;
};

struct Judgement {
    double mean[3] = {0, 0, 0};
    double closeShare = 0;
    int64_t farPixels = 0;   // not within CLOSE_LIMIT; their bounding box follows, inclusive
    int32_t left = 0, top = 0, right = -1, bottom = -1;
    bool passed = false;
    RgbPicture difference;   // per channel, against the native pixel the web one was matched with
};

// Binary PPM with 255 as its largest value, comments allowed in the header.
bool ReadPpmStream(std::FILE* file, RgbPicture* picture, std::string* why) {
    auto skipSpace = [file] {
        int c = std::fgetc(file);
        while (c == '#' || std::isspace(c)) {
            if (c == '#')
                while (c != '\n' && c != EOF) c = std::fgetc(file);
            c = std::fgetc(file);
        }
        std::ungetc(c, file);
    };
    auto number = [file, &skipSpace](int32_t* value) {
        skipSpace();
        int c = std::fgetc(file);
        if (!std::isdigit(c)) return false;
        int64_t n = 0;
        for (; std::isdigit(c) && n < 100000; c = std::fgetc(file)) n = n * 10 + (c - '0');
        *value = static_cast<int32_t>(n);
        // Exactly one whitespace byte ends a header number; the last one starts the pixels.
        return std::isspace(c) && n < 100000;
    };
    char magic[2];
    int32_t maximum = 0;
    if (std::fread(magic, 1, 2, file) != 2 || magic[0] != 'P' || magic[1] != '6' || !number(&picture->width) ||
        !number(&picture->height) || !number(&maximum) || picture->width <= 0 || picture->height <= 0) {
        *why = "its PPM header is damaged";
        return false;
    }
    if (maximum != 255) {
        *why = "its PPM has " + std::to_string(maximum) + " as its largest value, not 255";
        return false;
    }
    picture->rgb.resize(static_cast<size_t>(picture->width) * picture->height * 3);
    if (std::fread(picture->rgb.data(), 1, picture->rgb.size(), file) != picture->rgb.size()) {
        *why = "its PPM pixels are cut short";
        return false;
    }
    return true;
}

// PNG or PPM, told apart by their first bytes.
bool ReadPicture(const fs::path& path, RgbPicture* picture, std::string* error) {
    std::FILE* file = OpenRegularFileStream(path.c_str());
    if (!file) {
        *error = "cannot read " + path.string() + ": " + FileErrorText(errno);
        return false;
    }
    unsigned char magic[8] = {};
    size_t got = std::fread(magic, 1, sizeof magic, file);
    std::rewind(file);
    static const unsigned char PNG_MAGIC[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::string why;
    bool ok = false;
    if (got == sizeof magic && std::memcmp(magic, PNG_MAGIC, sizeof magic) == 0) {
        ok = ReadPngRgbStream(file, &picture->rgb, &picture->width, &picture->height);
        if (!ok) why = "it is not a readable 8-bit PNG";
    } else if (got >= 2 && magic[0] == 'P' && magic[1] == '6') {
        ok = ReadPpmStream(file, picture, &why);
    } else {
        why = "it is neither a PNG nor a binary PPM (P6)";
    }
    std::fclose(file);
    if (!ok) *error = "cannot decode " + path.string() + ": " + why;
    return ok;
}

bool ReadList(const fs::path& listPath, std::vector<ListedFrame>* frames, std::string* error) {
    std::string text;
    if (!ReadRegularFile(listPath.string(), &text, error)) return false;
    const fs::path base = listPath.parent_path();
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string kind, native, web, label;
        if (!(words >> kind)) continue;
        words >> native >> web;
        std::getline(words >> std::ws, label);
        while (!label.empty() && std::isspace(static_cast<unsigned char>(label.back()))) label.pop_back();
        const std::string where = listPath.string() + ":" + std::to_string(number) + ": ";
        if (kind != "still" && kind != "moving") {
            *error = where + "the kind is \"" + kind + "\", not still or moving";
            return false;
        }
        if (label.empty()) {
            *error = where + "expected \"<still|moving> <native.png> <web.ppm> <label>\"";
            return false;
        }
        frames->push_back({kind == "still" ? FrameKind::STILL : FrameKind::MOVING, base / native, base / web, label});
    }
    if (frames->empty()) {
        *error = listPath.string() + " lists no frames";
        return false;
    }
    return true;
}

const uint8_t* PixelAt(const RgbPicture& picture, int32_t x, int32_t y) {
    return &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
}

int32_t SumOfDifferences(const uint8_t* a, const uint8_t* b) {
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

// The native pixel a web pixel is judged against: the same one for a still frame; for a
// moving one the closest in its 3x3 neighbourhood, since a moving panel's edge may land on
// the neighbouring texel where the rasterisers snap vertices differently.
const uint8_t* MatchingNativePixel(const RgbPicture& native, const uint8_t* web, int32_t x, int32_t y,
                                   FrameKind kind) {
    const uint8_t* best = PixelAt(native, x, y);
    if (kind == FrameKind::STILL) return best;
    int32_t bestSum = SumOfDifferences(best, web);
    for (int32_t ny = std::max(y - 1, 0); ny <= std::min(y + 1, native.height - 1); ++ny)
        for (int32_t nx = std::max(x - 1, 0); nx <= std::min(x + 1, native.width - 1); ++nx) {
            const uint8_t* candidate = PixelAt(native, nx, ny);
            int32_t sum = SumOfDifferences(candidate, web);
            if (sum < bestSum) {
                best = candidate;
                bestSum = sum;
            }
        }
    return best;
}

Judgement JudgeFrame(const RgbPicture& native, const RgbPicture& web, FrameKind kind) {
    Judgement judgement;
    judgement.difference = {web.width, web.height, std::vector<uint8_t>(web.rgb.size())};
    int64_t sums[3] = {0, 0, 0};
    for (int32_t y = 0; y < web.height; ++y)
        for (int32_t x = 0; x < web.width; ++x) {
            const uint8_t* w = PixelAt(web, x, y);
            const uint8_t* n = MatchingNativePixel(native, w, x, y, kind);
            uint8_t* shown = &judgement.difference.rgb[(static_cast<size_t>(y) * web.width + x) * 3];
            bool close = true;
            for (int c = 0; c < 3; ++c) {
                int32_t d = std::abs(w[c] - n[c]);
                sums[c] += d;
                close = close && d <= CLOSE_LIMIT;
                shown[c] = static_cast<uint8_t>(std::min(d * DIFFERENCE_GAIN, 255));
            }
            if (close) continue;
            if (judgement.farPixels++ == 0) {
                judgement.left = judgement.right = x;
                judgement.top = judgement.bottom = y;
            }
            judgement.left = std::min(judgement.left, x);
            judgement.right = std::max(judgement.right, x);
            judgement.bottom = y;
        }
    const double pixels = static_cast<double>(web.width) * web.height;
    bool meansPass = true;
    for (int c = 0; c < 3; ++c) {
        judgement.mean[c] = static_cast<double>(sums[c]) / pixels;
        meansPass = meansPass && judgement.mean[c] <= MEAN_LIMIT;
    }
    judgement.closeShare = (pixels - static_cast<double>(judgement.farPixels)) / pixels;
    judgement.passed = meansPass && judgement.closeShare >= CLOSE_SHARE;
    return judgement;
}

// Only letters, digits, '.', '-' and '_' from a label go into file names.
std::string FileStem(const std::string& label) {
    std::string stem = label;
    for (char& c : stem)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') c = '_';
    return stem;
}

// The three pictures of a failed frame; their paths, or "" with `error` set.
std::string SaveFailure(const fs::path& dir, const std::string& label, const RgbPicture& native,
                        const RgbPicture& web, const RgbPicture& difference, std::string* error) {
    const std::string stem = (dir / FileStem(label)).string();
    const struct {
        const char* suffix;
        const RgbPicture* picture;
    } pictures[] = {{"-native.png", &native}, {"-web.png", &web}, {"-difference.png", &difference}};
    std::string names;
    for (const auto& p : pictures) {
        if (!WritePngRgb(stem + p.suffix, p.picture->rgb.data(), p.picture->width, p.picture->height, error))
            return "";
        names += (names.empty() ? "" : ", ") + stem + p.suffix;
    }
    return names;
}

std::string Describe(const ListedFrame& frame, const Judgement& j) {
    char text[256];
    std::snprintf(text, sizeof text, "%-4s  %-32s %-6s  mean %.3f %.3f %.3f  within %d: %.3f%%",
                  j.passed ? "pass" : "FAIL", frame.label.c_str(), frame.kind == FrameKind::STILL ? "still" : "moving",
                  j.mean[0], j.mean[1], j.mean[2], CLOSE_LIMIT, j.closeShare * 100.0);
    std::string line = text;
    if (j.farPixels > 0) {
        std::snprintf(text, sizeof text, "  %lld pixels off in x %d..%d, y %d..%d", static_cast<long long>(j.farPixels),
                      j.left, j.right, j.top, j.bottom);
        line += text;
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (argc != 4 || std::strcmp(argv[1], "--save") != 0) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    const fs::path saveDir = argv[2];
    std::vector<ListedFrame> frames;
    std::string error;
    if (!ReadList(argv[3], &frames, &error)) {
        std::fprintf(stderr, "frame-judge: %s\n", error.c_str());
        return 2;
    }
    std::error_code made;
    fs::create_directories(saveDir, made);
    if (made) {
        std::fprintf(stderr, "frame-judge: cannot make %s: %s\n", saveDir.c_str(), made.message().c_str());
        return 2;
    }

    // Bad entries are told and the rest still judged, so one run shows everything.
    int passed = 0, failed = 0, bad = 0;
    std::string failedLabels;
    for (const ListedFrame& frame : frames) {
        RgbPicture native, web;
        if (!ReadPicture(frame.native, &native, &error) || !ReadPicture(frame.web, &web, &error)) {
            std::fprintf(stderr, "frame-judge: %s: %s\n", frame.label.c_str(), error.c_str());
            ++bad;
            continue;
        }
        if (native.width != web.width || native.height != web.height) {
            std::fprintf(stderr, "frame-judge: %s: %s is %dx%d but %s is %dx%d\n", frame.label.c_str(),
                         frame.web.c_str(), web.width, web.height, frame.native.c_str(), native.width, native.height);
            ++bad;
            continue;
        }
        Judgement judgement = JudgeFrame(native, web, frame.kind);
        std::string line = Describe(frame, judgement);
        if (judgement.passed) {
            ++passed;
        } else {
            ++failed;
            failedLabels += (failedLabels.empty() ? "" : " ") + frame.label;
            std::string saved = SaveFailure(saveDir, frame.label, native, web, judgement.difference, &error);
            if (saved.empty()) {
                std::fprintf(stderr, "frame-judge: %s\n", error.c_str());
                ++bad;
            } else {
                line += "\n      saved " + saved;
            }
        }
        std::printf("%s\n", line.c_str());
    }
    std::printf("frame-judge: %zu frames: %d passed, %d failed%s%s\n", frames.size(), passed, failed,
                failed > 0 ? (" (" + failedLabels + ")").c_str() : "",
                bad > 0 ? (", " + std::to_string(bad) + " not read or not saved").c_str() : "");
    if (bad > 0) return 2;
    return failed > 0 ? 1 : 0;
}
