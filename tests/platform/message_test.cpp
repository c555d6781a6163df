// Error messages on stderr and the data path separator.
#include "platform/data_folder.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Messages, GoToStderrAsOneLine) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"cannot play audio", "Error: cannot play audio\n"},
        {"Failed to open DIB file data\\x.bmp.\n", "Error: Failed to open DIB file data\\x.bmp.\n"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        ShowErrorMessage(c.text);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.expected);
        testing::internal::CaptureStderr();
        ShowMessage(c.text, MessageIcon::NONE);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.expected);
    }
}

TEST(Messages, DataPathsUseThePlatformSeparator) {
    EXPECT_EQ(NativePath("data\\phatfunk.mod"), "data/phatfunk.mod");
    EXPECT_EQ(NativePath("data/scr1.bmp"), "data/scr1.bmp");
    EXPECT_EQ(NativePath(""), "");
}

}  // namespace
