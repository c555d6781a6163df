// The show's three phases in order, one frame per step.
#include "show/show.h"

#include "platform/key_codes.h"
#include "show/intro.h"
#include "show/outro.h"

const Colour BackgroundColour = {0.0f, 0.0f, 0.0f, 0.0f};

namespace {

// A step after the end draws a cleared frame.
constexpr ShowStatus DONE_STATUS = {ShowPhase::DONE, -1, -1, -1, -1, -1};

void EnterPhase(ShowState& show, ShowPhase phase) {
    show.phase = phase;
    show.phaseBegun = false;
}

void StepIntro(ShowState& show, const FrameInput& input, Frame& frame) {
    IntroFrame intro = UpdateIntro(input.music);
    AddIntroCalls(intro, frame.calls);
    frame.status = {ShowPhase::INTRO, input.music.order, input.music.row, -1, -1, -1};
    // The frame in which the order first reads the end is still shown. Escape
    // still held as the logo completes skips the menu.
    if (intro.last) EnterPhase(show, input.keys[VK_ESCAPE] ? ShowPhase::OUTRO : ShowPhase::MENU);
}

// The panels show the state before the button timer and the pointer glide of
// this frame, the pointer the state after them.
void StepMenu(ShowState& show, const FrameInput& input, Frame& frame) {
    MenuState& menu = show.menu;
    // The first frame's time is the menu's start: its frame time is 0.
    if (!show.phaseBegun) menu = StartMenu(input.now);
    int32_t dt = UpdateMenuBeforePanels(menu, ReadMenuKeys(input.keys), input.now);
    AddMenuPanelCalls(menu, frame.calls);
    UpdateMenuAfterPanels(menu, dt);
    AddMenuPointerCall(menu, frame.calls);
    frame.status = {ShowPhase::MENU, -1, -1, menu.entry, menu.page, menu.position};
    // The frame that first sees Escape is shown, then the menu ends.
    if (input.keys[VK_ESCAPE]) EnterPhase(show, ShowPhase::OUTRO);
}

// Reads no keys: the outro runs to its end whatever is pressed.
void StepOutro(ShowState& show, const FrameInput& input, Frame& frame) {
    if (!show.phaseBegun) show.outroStart = input.now;
    int32_t t = static_cast<int32_t>(input.now - show.outroStart);
    AddOutroCreditCalls(OutroCreditsAt(t), frame.calls);
    AddOutroBlinkCall(OutroBlinkPanel(t), frame.calls);
    OutroFade fade = OutroFadeAt(t);
    AddOutroFadeCalls(fade, frame.calls);
    // The music follows the overlay's level and meets silence where the overlay meets black.
    frame.musicLevel = OutroMusicLevel(fade);
    frame.status = {ShowPhase::OUTRO, -1, -1, -1, -1, -1};
    if (OutroEnds(fade)) EnterPhase(show, ShowPhase::DONE);
}

}  // namespace

ShowState StartShow() {
    ShowState show{};
    EnterPhase(show, ShowPhase::INTRO);
    return show;
}

bool ShowOver(const ShowState& show) { return show.phase == ShowPhase::DONE; }

bool ShowTakesInput(const ShowState& show) { return show.phase == ShowPhase::INTRO || show.phase == ShowPhase::MENU; }

Frame StepShow(ShowState& show, const FrameInput& input) {
    Frame frame{};
    frame.status = DONE_STATUS;
    frame.musicLevel = 1.0f;
    frame.calls.Add(ClearCall(BackgroundColour.red, BackgroundColour.green, BackgroundColour.blue,
                              BackgroundColour.alpha));
    ShowPhase phase = show.phase;
    switch (phase) {
    case ShowPhase::INTRO: StepIntro(show, input, frame); break;
    case ShowPhase::MENU: StepMenu(show, input, frame); break;
    case ShowPhase::OUTRO: StepOutro(show, input, frame); break;
    case ShowPhase::NONE:
    case ShowPhase::DONE: break;
    }
    if (show.phase == phase) show.phaseBegun = true;
    return frame;
}
