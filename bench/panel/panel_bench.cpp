// The menu's busiest frame (clear, six panels, the pointer sprite, swap) on the
// offscreen GL context, against the same number of frames that only clear and
// swap. Prints the ratio of the two; the menu frame should cost at most twice
// the bare frame.
#include "image/texture.h"
#include "panel/draw.h"
#include "panel/panel.h"
#include "panel/scene_table.h"
#include "platform/platform.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int FRAMES = 300;
constexpr int WARM_UP_FRAMES = 30;
constexpr int PICTURE_SIZE = 512;

double ClearSwapFrameMs;
double MenuFrameMs;
double MenuCallsFrameMs;
Scene* TheScene;

// Real-sized pictures with content that does not compress or repeat trivially.
void MakeSceneTextures() {
    std::vector<uint8_t> pixels(PICTURE_SIZE * PICTURE_SIZE * 3);
    uint32_t seed = 12345;
    for (const ScenePicture& picture : SCENE_PICTURES) {
        for (uint8_t& byte : pixels) {
            seed = seed * 1664525u + 1013904223u;
            byte = static_cast<uint8_t>(seed >> 24);
        }
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, PICTURE_SIZE, PICTURE_SIZE, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        TheScene->textures[picture.number].glName = name;
    }
}

void ClearFrameBuffers() {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// The offscreen surface has nothing to show, so its swap returns at once and a
// frame that is only cleared would never be rendered at all. A live swap ends
// with the frame on screen: glFinish stands in for that wait, in both kinds.
void Present() {
    PresentFrame();
    glFinish();
}

void ClearSwapFrame() {
    ClearFrameBuffers();
    Present();
}

// A cross-fade running with a button lit: every one of the six draws reaches
// the screen, the most the menu ever draws.
void DrawMenuLayers() {
    DrawList calls;
    calls.Add(PanelCall(SceneNumber(SceneRole::BACKDROP_LEFT), 1.0f, false));
    calls.Add(PanelCall(SceneNumber(SceneRole::BACKDROP_RIGHT), 1.0f, false));
    calls.Add(PanelCall(SceneNumber(SceneRole::TEXT_PAGE, 11), 0.6f, true));
    calls.Add(PanelCall(SceneNumber(SceneRole::TEXT_PAGE, 12), 0.4f, true));
    calls.Add(PanelCall(SceneNumber(SceneRole::BUTTON, 2), 1.0f, true));
    calls.Add(PanelCall(SceneNumber(SceneRole::ENTRY_PICTURE), 1.0f, true));
    calls.Add(SpriteCall(SceneNumber(SceneRole::POINTER), 0.35f, -0.95f));
    DrawFrameCalls(*TheScene, calls);
}

void MenuWorstFrame() {
    ClearFrameBuffers();
    DrawMenuLayers();
    Present();
}

// The same GL calls with every fragment scissored away but one pixel: what the
// drawing modes cost apart from filling pixels.
void MenuCallsOnlyFrame() {
    ClearFrameBuffers();
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    DrawMenuLayers();
    glDisable(GL_SCISSOR_TEST);
    Present();
}

// FRAMES frames per iteration, after a few that let the rasteriser settle.
void RunFrames(benchmark::State& state, void (*frame)(), double* frameMs) {
    for (int i = 0; i < WARM_UP_FRAMES; ++i) frame();
    double total = 0.0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < FRAMES; ++i) frame();
        total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    *frameMs = total / (static_cast<double>(state.iterations()) * FRAMES);
    state.counters["frame_ms"] = *frameMs;
    state.counters["frames"] = static_cast<double>(state.iterations()) * FRAMES;
}

void BM_ClearSwapFrames(benchmark::State& state) { RunFrames(state, ClearSwapFrame, &ClearSwapFrameMs); }
void BM_MenuWorstFrames(benchmark::State& state) { RunFrames(state, MenuWorstFrame, &MenuFrameMs); }
void BM_MenuCallsOnlyFrames(benchmark::State& state) { RunFrames(state, MenuCallsOnlyFrame, &MenuCallsFrameMs); }

BENCHMARK(BM_ClearSwapFrames)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MenuWorstFrames)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MenuCallsOnlyFrames)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // panel_bench_live, the same program on the desktop platform, draws into the
    // real window (fullscreen 640 x 480), so that the swap costs what it costs there.
    if (!CreateDisplayWindow(640, 480, 1, nullptr)) {
        std::fprintf(stderr, "panel_bench: no GL context\n");
        return 1;
    }
    TheScene = new Scene{};
    MakeSceneTextures();
    BuildScenePanels(TheScene->panels.data());

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (ClearSwapFrameMs > 0.0 && MenuFrameMs > 0.0)
        std::printf("menu frame %.3f ms, clear + swap frame %.3f ms: ratio %.2f (target at most 2)\n", MenuFrameMs,
                    ClearSwapFrameMs, MenuFrameMs / ClearSwapFrameMs);
    if (ClearSwapFrameMs > 0.0 && MenuCallsFrameMs > 0.0)
        std::printf("menu calls without filling %.3f ms: ratio %.2f\n", MenuCallsFrameMs,
                    MenuCallsFrameMs / ClearSwapFrameMs);
    return 0;
}
