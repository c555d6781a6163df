// A window whose GL context cannot be made is no window: the caller must not go on
// into GL calls without a context. (Its own process: one window per process.)
#include "platform/platform.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>

TEST(GlFailure, ContextThatCannotBeCreatedFailsWindowCreation) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 99);
    testing::internal::CaptureStderr();
    WindowHandle window = CreateDisplayWindow(640, 480, 1, nullptr);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(window, nullptr);
    EXPECT_NE(err.find("Error: Can't Create A GL Rendering Context.\n"), std::string::npos) << err;
}
