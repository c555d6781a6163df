// A frame as data: the drawing calls of one frame, in order, without GL.
#pragma once

#include <array>
#include <cassert>
#include <cstdint>

// One call of a frame with its arguments. Every pixel of a frame comes from its
// calls and the scene, which does not change once the show runs, so two frames
// with equal calls have equal pixels.
struct DrawCall {
    enum Kind : int32_t { CLEAR, GRID, SPRITE, FADE } kind;
    int32_t panel;
    float values[4];   // clear: the colour; grid: dx, dy, brightness; sprite: dx, dy; fade: the level
    bool additive;

    bool operator==(const DrawCall&) const = default;
};

// The frame's clear to one colour, depth to the far plane.
constexpr DrawCall ClearCall(float red, float green, float blue, float alpha) {
    return {DrawCall::CLEAR, 0, {red, green, blue, alpha}, false};
}
// A panel of the scene; additive ones are added to the frame, the others replace it.
constexpr DrawCall PanelCall(int32_t panel, float brightness, bool additive) {
    return {DrawCall::GRID, panel, {0.0f, 0.0f, brightness, 0.0f}, additive};
}
constexpr DrawCall ShiftedPanelCall(int32_t panel, float dx, float dy, float brightness, bool additive) {
    return {DrawCall::GRID, panel, {dx, dy, brightness, 0.0f}, additive};
}
// The pointer: its mask clears the frame beneath, then the sprite is added.
constexpr DrawCall SpriteCall(int32_t panel, float dx, float dy) {
    return {DrawCall::SPRITE, panel, {dx, dy, 0.0f, 0.0f}, false};
}
// The whole frame times the level.
constexpr DrawCall FadeCall(float level) { return {DrawCall::FADE, 0, {level, 0.0f, 0.0f, 0.0f}, false}; }

// The busiest frame (the menu's) makes eight calls.
constexpr int32_t MAX_FRAME_CALLS = 12;

struct DrawList {
    std::array<DrawCall, MAX_FRAME_CALLS> calls{};
    int32_t count = 0;

    void Add(const DrawCall& call) {
        assert(count < MAX_FRAME_CALLS && "a frame with more calls than MAX_FRAME_CALLS");
        if (count < MAX_FRAME_CALLS) calls[count++] = call;
    }
    const DrawCall* begin() const { return calls.data(); }
    const DrawCall* end() const { return calls.data() + count; }
    bool operator==(const DrawList& other) const {
        if (count != other.count) return false;
        for (int32_t i = 0; i < count; ++i)
            if (!(calls[i] == other.calls[i])) return false;
        return true;
    }
};
