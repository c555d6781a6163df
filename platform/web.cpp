// The browser platform's window: a WebGL canvas, the key queue, and messages said on
// the page. The clock is web_live.cpp's (the page's) or web_check.cpp's (virtual).
#include "platform/platform.h"

#include "platform/display_modes.h"
#include "platform/web.h"

#include <GLES2/gl2.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

int32_t KeyTable[KEY_TABLE_SIZE];

struct DisplayWindow {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
};

namespace {

constexpr const char* CANVAS = "#screen";

struct QueuedKey {
    int32_t virtualKey;
    bool down;
};

DisplayWindow TheWindow;
std::deque<QueuedKey> QueuedKeys;

}  // namespace

void QueueKeyEvent(int32_t virtualKey, bool down) { QueuedKeys.push_back({virtualKey, down}); }

void ApplyQueuedKeys() {
    for (const QueuedKey& key : QueuedKeys)
        if (key.virtualKey > 0 && key.virtualKey < KEY_TABLE_SIZE) KeyTable[key.virtualKey] = key.down ? 1 : 0;
    QueuedKeys.clear();
}

void ForgetKeys() {
    QueuedKeys.clear();
    std::fill(std::begin(KeyTable), std::end(KeyTable), 0);
}

// The canvas is sized by the page; the show's picture follows it.
WindowHandle CreateDisplayWindow(int32_t width, int32_t height, int32_t /*fullscreen*/, void* /*instance*/) {
    if (!TheWindow.context) {
        EmscriptenWebGLContextAttributes attributes;
        emscripten_webgl_init_context_attributes(&attributes);
        // What the native frame shows: no alpha over the page, no smoothed edges. The page
        // has made the canvas's context already with these (web/page.js CONTEXT_ATTRIBUTES),
        // and the browser hands that one over.
        attributes.alpha = EM_FALSE;
        attributes.antialias = EM_FALSE;
        attributes.depth = EM_TRUE;
        attributes.stencil = EM_FALSE;
        attributes.premultipliedAlpha = EM_FALSE;
        attributes.majorVersion = 2;
        attributes.minorVersion = 0;
        TheWindow.context = emscripten_webgl_create_context(CANVAS, &attributes);
        if (TheWindow.context <= 0) {
            TheWindow.context = 0;
            return nullptr;
        }
    }
    if (emscripten_webgl_make_context_current(TheWindow.context) != EMSCRIPTEN_RESULT_SUCCESS) return nullptr;
    InitGlState(width, height);
    MarkPageTime("windowMade");
    return &TheWindow;
}

bool DisplayModeMissing() { return false; }

void SetProjection(int32_t width, int32_t height) {
    PictureRect picture = FitPicture(width, height);
    if (picture.height == 0) picture.height = 1;
    glViewport(picture.x, picture.y, picture.width, picture.height);
}

// The drawing modes set everything else they need (panel/draw_webgl.cpp).
void InitGlState(int32_t width, int32_t height) {
    glClearColor(0.2f, 0.2f, 0.2f, 0.0f);
    glDisable(GL_DEPTH_TEST);
    SetProjection(width, height);
}

// The context stays with the canvas: the page may play the show again.
void CloseDisplayWindow(WindowHandle /*window*/) {}

void SendCloseRequest(WindowHandle window) {
    CloseDisplayWindow(window);
    std::fflush(stdout);
    emscripten_force_exit(0);
    std::abort();
}

void ShowMessage(const char* text, MessageIcon /*icon*/) {
    size_t length = std::strlen(text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) --length;
    std::fprintf(stderr, "Error: %.*s\n", static_cast<int>(length), text);
    // The page says it in words beside the canvas.
    EM_ASM({
        if (typeof window !== "undefined" && window.invitation && window.invitation.showMessage)
            window.invitation.showMessage(UTF8ToString($0, $1));
    }, text, length);
}

void ShowErrorMessage(const char* text) { ShowMessage(text, MessageIcon::ERROR); }

void MarkPageTime(const char* name) {
    EM_ASM({
        if (typeof window !== "undefined" && window.invitation && window.invitation.timings)
            window.invitation.timings[UTF8ToString($0)] = performance.now();
    }, name);
}
