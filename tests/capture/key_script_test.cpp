// Key scripts and the frame arithmetic of headless runs: no GL needed.
#include "tools/capture/headless_run.h"

#include "platform/platform.h"

#include <gtest/gtest.h>

namespace {

TEST(KeyScript, ReadsEventsCommentsAndBlankLines) {
    std::vector<KeyEvent> events;
    std::string error;
    ASSERT_TRUE(ParseKeyScript("# tour\n"
                               "\n"
                               "0 escape down\n"
                               "  1500.5\tSPACE   up   # released\r\n"
                               "20 enter down\n"
                               "30 up down\n"
                               "40 down up",   // no line end at the end
                               &events, &error))
        << error;
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].milliseconds, 0.0);
    EXPECT_EQ(events[0].virtualKey, VK_ESCAPE);
    EXPECT_TRUE(events[0].down);
    EXPECT_EQ(events[1].virtualKey, VK_RETURN);
    EXPECT_EQ(events[2].virtualKey, VK_UP);
    EXPECT_TRUE(events[2].down);
    EXPECT_EQ(events[3].virtualKey, VK_DOWN);
    EXPECT_FALSE(events[3].down);
    EXPECT_EQ(events[4].milliseconds, 1500.5);
    EXPECT_EQ(events[4].virtualKey, VK_SPACE);
    EXPECT_FALSE(events[4].down);
}

TEST(KeyScript, OrdersByTimeKeepingTheOrderOfEqualTimes) {
    std::vector<KeyEvent> events;
    std::string error;
    ASSERT_TRUE(ParseKeyScript("300 space up\n100 space down\n100 space up\n100 down down\n", &events, &error));
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].virtualKey, VK_SPACE);
    EXPECT_TRUE(events[0].down);
    EXPECT_EQ(events[1].virtualKey, VK_SPACE);
    EXPECT_FALSE(events[1].down);
    EXPECT_EQ(events[2].virtualKey, VK_DOWN);
    EXPECT_EQ(events[3].milliseconds, 300.0);
}

TEST(KeyScript, EmptyScriptHasNoEvents) {
    std::vector<KeyEvent> events = {{1, VK_SPACE, true}};
    std::string error;
    ASSERT_TRUE(ParseKeyScript("", &events, &error));
    EXPECT_TRUE(events.empty());
}

TEST(KeyScript, BadLinesAreNamedAndLeaveTheEventsAlone) {
    struct Case {
        const char* script;
        const char* error;
    };
    const Case cases[] = {
        {"0 left down\n", "line 1: unknown key \"left\""},
        {"0 space down\n\n10 space pressed\n", "line 3: expected down or up, not \"pressed\""},
        {"-5 space down\n", "line 1: bad time \"-5\""},
        {"1e999 space down\n", "line 1: bad time \"1e999\""},
        {"nan space down\n", "line 1: bad time \"nan\""},
        {"inf space down\n", "line 1: bad time \"inf\""},
        {"12ms space down\n", "line 1: bad time \"12ms\""},
        {"+5 space down\n", "line 1: bad time \"+5\""},
        {"0x10 space down\n", "line 1: bad time \"0x10\""},
        {"1e space down\n", "line 1: bad time \"1e\""},
        {"1e-999 space down\n", "line 1: bad time \"1e-999\""},
        {". space down\n", "line 1: bad time \".\""},
        {"# ok\n10 space\n", "line 2: expected \"<milliseconds> <key> down|up\""},
        {"10 space down now\n", "line 1: expected \"<milliseconds> <key> down|up\""},
        {"10\n", "line 1: expected"},
    };
    for (const Case& c : cases) {
        std::vector<KeyEvent> events = {{7, VK_UP, true}};
        std::string error;
        EXPECT_FALSE(ParseKeyScript(c.script, &events, &error)) << c.script;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << "script " << c.script << " gave: " << error;
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].milliseconds, 7.0);
    }
}

TEST(KeyScript, NamesRoundTrip) {
    for (int32_t key : {VK_ESCAPE, VK_SPACE, VK_RETURN, VK_UP, VK_DOWN}) {
        const char* name = KeyScriptName(key);
        ASSERT_NE(name, nullptr);
        std::vector<KeyEvent> events;
        std::string error;
        ASSERT_TRUE(ParseKeyScript("5 " + std::string(name) + " down", &events, &error)) << error;
        EXPECT_EQ(events[0].virtualKey, key);
    }
    EXPECT_EQ(KeyScriptName('A'), nullptr);
}

TEST(FrameClock, InstantsAndSamplesHaveNoDrift) {
    struct Case {
        int64_t index;
        int32_t fps;
        double instant;
        int64_t sample;
    };
    const Case cases[] = {
        {0, 60, 0.0, 0},
        {1, 60, 1000.0 / 60, 735},
        {3, 60, 50.0, 2205},
        {36000, 60, 600000.0, 26460000},
        {1, 7, 1000.0 / 7, 6300},
        {1, 30, 1000.0 / 30, 1470},
        {1, 1000, 1.0, 44},       // 44.1 samples: the floor
        {10, 1000, 10.0, 441},
        {3, 23, 3000.0 / 23, 5752},   // 5752.17...
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(FrameInstant(c.index, c.fps), c.instant) << c.index << " at " << c.fps;
        EXPECT_EQ(FrameFirstSample(c.index, c.fps), c.sample) << c.index << " at " << c.fps;
    }
    // Whole milliseconds land exactly, so TimeGetTime's floor never falls one short.
    for (int64_t index = 0; index < 100000; index += 3) EXPECT_EQ(FrameInstant(index, 60), index / 3 * 50.0);
}

}  // namespace
