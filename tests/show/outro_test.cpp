// The outro's values, each a function of the milliseconds since it began.
#include "show/outro.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Outro, ValuesAtTheMarks) {
    struct Case {
        int32_t t;
        int32_t stage;
        float brightness;   // of the credits
        float offset;
        float fadeLevel;
    } cases[] = {
        {0, 0, 0.0f, -0.5f, 1.0f},
        {1000, 0, 1.0f, 0.0f, 0.5f},
        {1999, 0, static_cast<float>(std::fabs(std::sin(OUTRO_PI * 0.9995))), 0.4995f, 0.0005f},
        {2000, 1, static_cast<float>(std::fabs(std::sin(OUTRO_PI * 1.0))), -0.5f, 1.0f},
        {5000, 2, 1.0f, 0.0f, 0.5f},
        {6000, 3, static_cast<float>(std::fabs(std::sin(OUTRO_PI * 3.0))), -0.5f, 1.0f},
        {7000, 3, 1.0f, 0.0f, 0.5f},
        {8000, 4, static_cast<float>(std::fabs(std::sin(OUTRO_PI * 4.0))), -0.5f, 1.0f},
        {9000, 4, 1.0f, 0.0f, 0.5f},
    };
    for (const Case& c : cases) {
        OutroCredits credits = OutroCreditsAt(c.t);
        OutroFade fade = OutroFadeAt(c.t);
        EXPECT_EQ(credits.stage, c.stage) << "t " << c.t;
        EXPECT_EQ(fade.stage, c.stage) << "t " << c.t;
        EXPECT_EQ(credits.brightness, c.brightness) << "t " << c.t;
        EXPECT_FLOAT_EQ(credits.offset, c.offset) << "t " << c.t;
        EXPECT_NEAR(fade.fadeLevel, c.fadeLevel, 1e-6) << "t " << c.t;
    }
    // The start of a stage is at (or within rounding of) brightness 0: not visible.
    EXPECT_LT(OutroCreditsAt(2000).brightness, 1e-6f);
}

TEST(Outro, BothStageReadingsAgreeForEveryMillisecond) {
    for (int32_t t = 0; t <= 20000; ++t) {
        ASSERT_EQ(OutroCreditsAt(t).stage, OutroFadeAt(t).stage) << "t " << t;
        ASSERT_GE(OutroCreditsAt(t).offset, -0.5f);
        ASSERT_LT(OutroCreditsAt(t).offset, 0.5f);
        ASSERT_GT(OutroFadeAt(t).fadeLevel, 0.0f);
        ASSERT_LE(OutroFadeAt(t).fadeLevel, 1.0f);
    }
}

TEST(Outro, EndsWithTheFirstFrameAtOrAfter8000Ms) {
    struct Case {
        int32_t t;
        bool ends;
    } cases[] = {{0, false}, {5000, false}, {7999, false}, {8000, true}, {9000, true}, {123456, true}};
    for (const Case& c : cases) EXPECT_EQ(OutroEnds(OutroFadeAt(c.t)), c.ends) << "t " << c.t;
}

TEST(Outro, MusicLevelFollowsTheOverlayAndIsSilentFromTheBlackFrame) {
    struct Case {
        int32_t t;
        float level;
    } cases[] = {{0, 1.0f}, {5999, 1.0f}, {6000, 1.0f}, {6500, 0.75f}, {7000, 0.5f},
                 {7999, 0.0005f}, {8000, 0.0f}, {9000, 0.0f}};
    for (const Case& c : cases) EXPECT_NEAR(OutroMusicLevel(OutroFadeAt(c.t)), c.level, 1e-6) << "t " << c.t;
}

TEST(Outro, BlinkAlternatesEvery250Ms) {
    struct Case {
        int32_t t;
        int32_t panel;
    } cases[] = {{0, 60}, {249, 60}, {250, 61}, {499, 61}, {500, 60}, {749, 60}, {750, 61}, {7999, 61}, {8000, 60}};
    for (const Case& c : cases) EXPECT_EQ(OutroBlinkPanel(c.t), c.panel) << "t " << c.t;
}

TEST(Outro, CreditsFadeInOverTheFirst590MsOfAStage) {
    // Drawn at up to 0.8: the sine passes 0.8 at 2000 x asin(0.8) / pi = 590.3 ms.
    for (int32_t stage = 0; stage < 3; ++stage) {
        EXPECT_LT(OutroCreditsAt(stage * 2000 + 590).brightness, 0.8f);
        EXPECT_GT(OutroCreditsAt(stage * 2000 + 591).brightness, 0.8f);
        EXPECT_GT(OutroCreditsAt(stage * 2000 + 1409).brightness, 0.8f);
        EXPECT_LT(OutroCreditsAt(stage * 2000 + 1410).brightness, 0.8f);
    }
}

}  // namespace
