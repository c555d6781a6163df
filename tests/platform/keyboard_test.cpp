// Keys from SDL events and scripts into KeyTable.
#include "platform/headless.h"
#include "platform/keys.h"
#include "platform/platform.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

class Keyboard : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError(); }
    void SetUp() override { std::memset(KeyTable, 0, sizeof KeyTable); }

    static void Push(Uint32 type, SDL_Scancode scancode, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
        SDL_Event event{};
        event.type = type;
        event.key.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat;
        event.key.keysym.scancode = scancode;
        event.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
        event.key.keysym.mod = mod;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
};

TEST_F(Keyboard, TranslatesScancodesToVirtualKeys) {
    const struct {
        SDL_Scancode scancode;
        int32_t virtualKey;
    } cases[] = {
        {SDL_SCANCODE_ESCAPE, 27}, {SDL_SCANCODE_SPACE, 32}, {SDL_SCANCODE_RETURN, 13},
        {SDL_SCANCODE_KP_ENTER, 13}, {SDL_SCANCODE_UP, 38},  {SDL_SCANCODE_DOWN, 40},
        {SDL_SCANCODE_LEFT, 37},   {SDL_SCANCODE_RIGHT, 39}, {SDL_SCANCODE_A, 'A'},
        {SDL_SCANCODE_Z, 'Z'},     {SDL_SCANCODE_0, '0'},    {SDL_SCANCODE_9, '9'},
        {SDL_SCANCODE_F1, 0x70},   {SDL_SCANCODE_F12, 0x7B}, {SDL_SCANCODE_TAB, 9},
        {SDL_SCANCODE_BACKSPACE, 8}, {SDL_SCANCODE_LSHIFT, 16}, {SDL_SCANCODE_RCTRL, 17},
        {SDL_SCANCODE_DELETE, 46}, {SDL_SCANCODE_PAGEDOWN, 34}, {SDL_SCANCODE_HOME, 36},
        {SDL_SCANCODE_MUTE, 0},    {SDL_SCANCODE_UNKNOWN, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScancodeToVirtualKey(c.scancode), c.virtualKey) << SDL_GetScancodeName(c.scancode);
}

TEST_F(Keyboard, KeyEventsReachTheTableOnlyWhenPumped) {
    Push(SDL_KEYDOWN, SDL_SCANCODE_DOWN);
    EXPECT_EQ(KeyTable[VK_DOWN], 0);
    PumpMessages();
    EXPECT_EQ(KeyTable[VK_DOWN], 1);

    Push(SDL_KEYDOWN, SDL_SCANCODE_DOWN, KMOD_NONE, 1);  // auto-repeat
    PumpMessages();
    EXPECT_EQ(KeyTable[VK_DOWN], 1);

    Push(SDL_KEYUP, SDL_SCANCODE_DOWN);
    PumpMessages();
    EXPECT_EQ(KeyTable[VK_DOWN], 0);
}

TEST_F(Keyboard, SystemKeysAreNotRecorded) {
    Push(SDL_KEYDOWN, SDL_SCANCODE_SPACE, KMOD_LALT);
    Push(SDL_KEYDOWN, SDL_SCANCODE_F10);
    Push(SDL_KEYDOWN, SDL_SCANCODE_LALT, KMOD_LALT);
    PumpMessages();
    int32_t recorded = 0;
    for (int32_t entry : KeyTable) recorded += entry;
    EXPECT_EQ(recorded, 0);

    // A key that went down before Alt is still released.
    Push(SDL_KEYDOWN, SDL_SCANCODE_UP);
    Push(SDL_KEYUP, SDL_SCANCODE_UP, KMOD_LALT);
    PumpMessages();
    EXPECT_EQ(KeyTable[VK_UP], 0);
}

TEST_F(Keyboard, KeysWithoutCodeChangeNothing) {
    Push(SDL_KEYDOWN, SDL_SCANCODE_MUTE);
    Push(SDL_KEYDOWN, static_cast<SDL_Scancode>(SDL_NUM_SCANCODES - 1));
    PumpMessages();
    for (int i = 0; i < KEY_TABLE_SIZE; ++i) EXPECT_EQ(KeyTable[i], 0) << i;
}

TEST_F(Keyboard, ScriptedKeysTakeEffectAtTheNextPump) {
    ScriptKey(VK_ESCAPE, true);
    ScriptKey(VK_SPACE, true);
    ScriptKey(VK_SPACE, false);
    EXPECT_EQ(KeyTable[VK_ESCAPE], 0);
    PumpMessages();
    EXPECT_EQ(KeyTable[VK_ESCAPE], 1);
    EXPECT_EQ(KeyTable[VK_SPACE], 0);
}

// The platform reports a close request to the loop's owner, which decides what
// follows; the events behind it wait for the next pump.
TEST_F(Keyboard, CloseRequestsAreReturnedAndLaterEventsWait) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_Event closeWindow{};
    closeWindow.type = SDL_WINDOWEVENT;
    closeWindow.window.event = SDL_WINDOWEVENT_CLOSE;
    for (const SDL_Event& request : {quit, closeWindow}) {
        SDL_Event event = request;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
        Push(SDL_KEYDOWN, SDL_SCANCODE_SPACE);
        EXPECT_EQ(PumpMessages(), PumpResult::CLOSE_REQUESTED);
        EXPECT_EQ(KeyTable[VK_SPACE], 0) << "the key came after the request";
        EXPECT_EQ(PumpMessages(), PumpResult::CONTINUE);
        EXPECT_EQ(KeyTable[VK_SPACE], 1);
        Push(SDL_KEYUP, SDL_SCANCODE_SPACE);
        PumpMessages();
    }

    ScriptKey(VK_UP, true);
    ScriptCloseRequest();
    ScriptKey(VK_UP, false);
    EXPECT_EQ(PumpMessages(), PumpResult::CLOSE_REQUESTED);
    EXPECT_EQ(KeyTable[VK_UP], 1);
    EXPECT_EQ(PumpMessages(), PumpResult::CONTINUE);
    EXPECT_EQ(KeyTable[VK_UP], 0);
}

}  // namespace
