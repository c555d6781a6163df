// The browser platform's live side: DOM keys, the page's clock, the browser's present.
#include "platform/platform.h"

#include "platform/dom_keys.h"
#include "platform/web.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cmath>

namespace {

// The keys the show reads are kept from the page, so Space and the arrows do not
// scroll it; every other key (Tab among the page's buttons) goes on to the browser too.
bool ShowReads(int32_t virtualKey) {
    return virtualKey == VK_SPACE || virtualKey == VK_RETURN || virtualKey == VK_UP || virtualKey == VK_DOWN ||
           virtualKey == VK_ESCAPE;
}

EM_BOOL OnKey(int eventType, const EmscriptenKeyboardEvent* event, void* /*user*/) {
    int32_t virtualKey = DomCodeToVirtualKey(event->code);
    if (virtualKey == 0 || event->ctrlKey || event->altKey || event->metaKey) return EM_FALSE;
    if (eventType == EMSCRIPTEN_EVENT_KEYDOWN && event->repeat) return ShowReads(virtualKey);
    QueueKeyEvent(virtualKey, eventType == EMSCRIPTEN_EVENT_KEYDOWN);
    return ShowReads(virtualKey);
}

bool Listening = false;

}  // namespace

PumpResult PumpMessages() {
    if (!Listening) {
        Listening = true;
        emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, OnKey);
        emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, OnKey);
    }
    ApplyQueuedKeys();
    return PumpResult::CONTINUE;
}

// The browser shows the canvas when the animation frame's callback returns.
void PresentFrame() {}

uint32_t TimeGetTime() {
    return static_cast<uint32_t>(static_cast<int64_t>(std::floor(emscripten_get_now())));
}
