// Decoding 512 x 512 pictures from memory and from a file, side by side with
// SDL_LoadBMP + SDL_ConvertSurfaceFormat(RGB24) and stb_image; prints how many
// times faster this loader is than each on the same picture.
#include "image/bmp.h"
#include "tests/image/bmp_bytes.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int SIDE = 512;

struct Picture {
    std::string kind;
    std::vector<uint8_t> bytes;
    std::string path;
    bool stbReads;   // stb_image has no run-length decoding
};

std::vector<Picture> Pictures;

// A picture with some structure, so that the run-length form has runs and the
// others are not all one colour.
uint8_t Shade(int x, int y) { return static_cast<uint8_t>(((x / 8) * 37 + (y / 4) * 11) & 0xFF); }

std::vector<uint8_t> Rgb24Picture() {
    return Assemble24(SIDE, SIDE, [](int x, int y) {
        return static_cast<uint32_t>(Shade(x, y)) << 16 | static_cast<uint32_t>(x & 0xFF) << 8 |
               static_cast<uint32_t>(y & 0xFF);
    });
}

std::vector<uint8_t> Palette8Picture(bool runLengths) {
    BmpPieces p;
    p.width = SIDE, p.height = SIDE, p.bitsPerPixel = 8;
    for (uint32_t i = 0; i < 256; ++i) p.palette.push_back(i << 16 | (255 - i) << 8 | (i * 7 & 0xFF));
    for (int y = 0; y < SIDE; ++y) {
        if (!runLengths) {
            for (int x = 0; x < SIDE; ++x) p.pixels.push_back(Shade(x, y));
            continue;
        }
        for (int x = 0; x < SIDE; x += 8) {   // runs of 8 pixels
            p.pixels.push_back(8);
            p.pixels.push_back(Shade(x, y));
        }
        p.pixels.push_back(0);
        p.pixels.push_back(0);
    }
    if (runLengths) {
        p.compression = 1;
        p.pixels.push_back(0);
        p.pixels.push_back(1);
    }
    return AssembleBmp(p);
}

// items_per_second is pixels per second.
void SetPixels(benchmark::State& state) { state.SetItemsProcessed(state.iterations() * SIDE * SIDE); }

void OursMemory(benchmark::State& state, const Picture* picture) {
    for (auto _ : state) {
        RgbImage* image = nullptr;
        if (DecodeBmp(picture->bytes, &image) != BmpStatus::OK) return state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(image->pixels);
        FreeRgbImage(image);
    }
    SetPixels(state);
}

void OursFile(benchmark::State& state, const Picture* picture) {
    for (auto _ : state) {
        RgbImage* image = nullptr;
        if (ReadBmpFile(picture->path.c_str(), &image) != BmpStatus::OK) return state.SkipWithError("load failed");
        benchmark::DoNotOptimize(image->pixels);
        FreeRgbImage(image);
    }
    SetPixels(state);
}

bool SdlConvert(SDL_Surface* loaded) {
    if (!loaded) return false;
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    if (!rgb) return false;
    benchmark::DoNotOptimize(rgb->pixels);
    SDL_FreeSurface(rgb);
    return true;
}

void SdlMemory(benchmark::State& state, const Picture* picture) {
    for (auto _ : state)
        if (!SdlConvert(SDL_LoadBMP_RW(SDL_RWFromConstMem(picture->bytes.data(), static_cast<int>(picture->bytes.size())), 1)))
            return state.SkipWithError(SDL_GetError());
    SetPixels(state);
}

void SdlFile(benchmark::State& state, const Picture* picture) {
    for (auto _ : state)
        if (!SdlConvert(SDL_LoadBMP(picture->path.c_str()))) return state.SkipWithError(SDL_GetError());
    SetPixels(state);
}

void StbMemory(benchmark::State& state, const Picture* picture) {
    for (auto _ : state) {
        int w, h, n;
        stbi_uc* pixels = stbi_load_from_memory(picture->bytes.data(), static_cast<int>(picture->bytes.size()), &w, &h, &n, 3);
        if (!pixels) return state.SkipWithError(stbi_failure_reason());
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    SetPixels(state);
}

void StbFile(benchmark::State& state, const Picture* picture) {
    for (auto _ : state) {
        int w, h, n;
        stbi_uc* pixels = stbi_load(picture->path.c_str(), &w, &h, &n, 3);
        if (!pixels) return state.SkipWithError(stbi_failure_reason());
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    SetPixels(state);
}

// Keeps each benchmark's CPU time per picture for the ratios after the run: on a
// shared machine it varies far less than the wall-clock time.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Iteration && !medians.count(name))
                seconds[name] = run.GetAdjustedCPUTime();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                seconds[name] = run.GetAdjustedCPUTime();
                medians.insert(name);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

private:
    std::set<std::string> medians;
};

struct Target {
    const char* kind;
    const char* source;
    const char* other;
    double atLeast;   // 0: shown for information
};

constexpr Target TARGETS[] = {
    {"rgb24", "memory", "sdl", 1.5}, {"rgb24", "memory", "stb", 3.0}, {"rgb24", "file", "sdl", 1.5},
    {"rgb24", "file", "stb", 3.0},   {"pal8", "memory", "sdl", 0},    {"pal8", "memory", "stb", 0},
    {"pal8", "file", "sdl", 0},      {"pal8", "file", "stb", 0},      {"rle8", "memory", "sdl", 0},
    {"rle8", "file", "sdl", 0},
};

}  // namespace

int main(int argc, char** argv) {
    char pattern[] = "/tmp/invitation-bench-XXXXXX";
    const std::filesystem::path dir = mkdtemp(pattern);
    Pictures = {{"rgb24", Rgb24Picture(), "", true},
                {"pal8", Palette8Picture(false), "", true},
                {"rle8", Palette8Picture(true), "", false}};
    for (Picture& picture : Pictures) {
        picture.path = (dir / (picture.kind + ".bmp")).string();
        std::ofstream(picture.path, std::ios::binary)
            .write(reinterpret_cast<const char*>(picture.bytes.data()), static_cast<std::streamsize>(picture.bytes.size()));
    }
    for (const Picture& picture : Pictures) {
        const std::string k = picture.kind;
        benchmark::RegisterBenchmark((k + "/memory/ours").c_str(), OursMemory, &picture);
        benchmark::RegisterBenchmark((k + "/memory/sdl").c_str(), SdlMemory, &picture);
        if (picture.stbReads) benchmark::RegisterBenchmark((k + "/memory/stb").c_str(), StbMemory, &picture);
        benchmark::RegisterBenchmark((k + "/file/ours").c_str(), OursFile, &picture);
        benchmark::RegisterBenchmark((k + "/file/sdl").c_str(), SdlFile, &picture);
        if (picture.stbReads) benchmark::RegisterBenchmark((k + "/file/stb").c_str(), StbFile, &picture);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nSpeed-up of this loader on %d x %d pictures (CPU time of the other / CPU time of ours):\n", SIDE, SIDE);
    for (const Target& t : TARGETS) {
        const std::string base = std::string(t.kind) + "/" + t.source + "/";
        const auto ours = reporter.seconds.find(base + "ours");
        const auto other = reporter.seconds.find(base + t.other);
        if (ours == reporter.seconds.end() || other == reporter.seconds.end()) continue;
        const double ratio = other->second / ours->second;
        const char* label = std::string(t.other) == "sdl" ? "SDL_LoadBMP+convert" : "stb_image";
        if (t.atLeast > 0)
            std::printf("  %-6s %-7s vs %-20s %5.2f x  (target %.1f x: %s)\n", t.kind, t.source, label, ratio,
                        t.atLeast, ratio >= t.atLeast ? "met" : "NOT met");
        else
            std::printf("  %-6s %-7s vs %-20s %5.2f x\n", t.kind, t.source, label, ratio);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
