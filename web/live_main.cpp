// The show in the page: start-up while the start screen shows, then one loop body per
// animation frame, called by the page's loop (web/page.js), and the show again on request.
#include "app/run_program.h"
#include "image/texture.h"
#include "music/music.h"
#include "panel/draw.h"
#include "panel/scene_table.h"
#include "platform/web.h"
#include "web/page_input.h"
#include "web/warm_up.h"

#include <emscripten/emscripten.h>

namespace {

// What the page reads after each frame (web_frame's answer), in this order.
enum StatusField { OVER, PHASE, ORDER, ROW, ENTRY, PAGE, POSITION, MUSIC_MS, STATUS_FIELDS };

struct Page {
    Program program;
    ShowState show{};
    bool running = false;
    bool musicFresh = false;   // started by web_start and not played yet
    TapPlan tap;
    ShowStatus last{};
    int32_t lastMusicMs = 0;   // the music heard when the last frame read its input
    // The calls the canvas shows. A canvas left alone keeps showing them, so a frame with the
    // same calls (most of the menu: a page being read) is not drawn again; a resize clears it.
    DrawList shown;
    bool canvasHoldsShown = false;
    int32_t status[STATUS_FIELDS] = {};
};

Page ThePage;

void Publish(Page& page, bool over) {
    const ShowStatus& s = page.last;
    page.status[OVER] = over ? 1 : 0;
    page.status[PHASE] = static_cast<int32_t>(s.phase);
    page.status[ORDER] = s.order;
    page.status[ROW] = s.row;
    page.status[ENTRY] = s.entry;
    page.status[PAGE] = s.page;
    page.status[POSITION] = s.position;
    page.status[MUSIC_MS] = page.lastMusicMs;
}

}  // namespace

extern "C" {

// The data package is unpacked into /data; the canvas is width x height. Everything the
// desktop reads ahead on threads is read here, and every picture and drawing state is
// used once, so that the first frames cost what the others do. The pictures first: the
// GPU works through them while the page opens its sound and web_start_music goes on.
// 1 when ready.
EMSCRIPTEN_KEEPALIVE int web_start(int width, int height) {
    ProgramOptions options;
    options.width = width;
    options.height = height;
    options.dataFolder = "/data";
    ThePage.program = StartProgramPictures(options, nullptr);
    if (!ThePage.program.window) return 0;
    MarkPageTime("sceneLoaded");
    WarmUp(*ThePage.program.scene);
    return 1;
}

// The music, after web_start and once the page has its sound's context; then the wait for
// the GPU. 1 when ready.
EMSCRIPTEN_KEEPALIVE int web_start_music() {
    if (!ThePage.program.window) return 0;
    StartProgramMusic(ThePage.program);
    if (!ThePage.program.window) return 0;
    ThePage.musicFresh = true;
    WaitForWarmUp();
    return 1;
}

// The show from its first frame, the music from its start: after the start gesture,
// and again for "play again".
EMSCRIPTEN_KEEPALIVE void web_begin() {
    Page& page = ThePage;
    if (!page.program.window) return;
    if (!page.musicFresh) {
        StopMusic();
        if (!StartMusic(MUSIC_MODULE_PATH)) {
            ShowErrorMessage("cannot play audio");
            return;
        }
    }
    page.musicFresh = false;
    ForgetKeys();
    page.tap = {};
    page.show = StartShow();
    page.last = {};
    page.canvasHoldsShown = false;
    page.running = true;
}

// One loop body: the pump (while the show takes input), the step, the drawing, the level.
// Answers the status fields (STATUS_FIELDS of them).
EMSCRIPTEN_KEEPALIVE const int32_t* web_frame() {
    Page& page = ThePage;
    if (!page.running) return page.status;
    if (ShowTakesInput(page.show)) {
        KeyChange change = NextTapKey(page.tap, page.last);
        if (change.virtualKey) QueueKeyEvent(change.virtualKey, change.down);
        PumpMessages();
    }
    FrameInput input = ReadFrameInput();
    page.lastMusicMs = input.music.milliseconds;
    Frame frame = StepShow(page.show, input);
    if (!page.canvasHoldsShown || !(frame.calls == page.shown)) {
        DrawFrameCalls(*page.program.scene, frame.calls);
        page.shown = frame.calls;
        page.canvasHoldsShown = true;
    }
    SetMusicLevel(frame.musicLevel);
    PresentFrame();
    page.last = frame.status;
    bool over = ShowOver(page.show);
    if (over) {
        page.running = false;
        StopMusic();
    }
    Publish(page, over);
    return page.status;
}

// The music heard now, in milliseconds from its start (for the page's tests).
EMSCRIPTEN_KEEPALIVE int web_music_ms() {
    MusicPosition position{};
    GetMusicPosition(position);
    return position.milliseconds;
}

EMSCRIPTEN_KEEPALIVE void web_resize(int width, int height) {
    SetProjection(width, height);
    ThePage.canvasHoldsShown = false;
}

// A key from the page's own controls (the Escape button).
EMSCRIPTEN_KEEPALIVE void web_key(int virtualKey, int down) { QueueKeyEvent(virtualKey, down != 0); }

// A tap at the picture point (x, y), -1 to 1 with y upwards: the label's position, or -1.
EMSCRIPTEN_KEEPALIVE int web_tap(float x, float y) {
    int32_t position = LabelAt(x, y);
    if (position >= 0) AimTap(ThePage.tap, position);
    return position;
}

}  // extern "C"
