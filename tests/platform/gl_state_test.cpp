// The GL state after window creation, the projection and the frame read back, on the headless platform.
#include "platform/headless.h"
#include "platform/platform.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

class GlState : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(CreateDisplayWindow(640, 480, 1, nullptr), nullptr);
    }
    void TearDown() override { SetProjection(640, 480); }
};

TEST_F(GlState, InitialStateAfterCreation) {
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint depthFunc = 0, shadeModel = 0, viewport[4] = {};
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    glGetIntegerv(GL_SHADE_MODEL, &shadeModel);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(depthFunc, GL_LESS);
    EXPECT_EQ(shadeModel, GL_SMOOTH);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 0.2f);
    EXPECT_FLOAT_EQ(clear[3], 0.0f);
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);
}

// The viewport is the centred 4:3 picture and the projection keeps that aspect,
// so the show's coordinates mean the same at every output size.
TEST_F(GlState, ProjectionCoversTheCentredPicture) {
    const struct {
        int32_t width, height;
        GLint viewport[4];
    } cases[] = {{640, 480, {0, 0, 640, 480}},
                 {1920, 1080, {240, 0, 1440, 1080}},
                 {100, 200, {0, 62, 100, 75}},
                 {300, 0, {149, 0, 1, 1}}};   // a window with no height still gets a picture
    for (const auto& c : cases) {
        SetProjection(c.width, c.height);
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(viewport[i], c.viewport[i]) << c.width << "x" << c.height << " " << i;
        GLdouble projection[16] = {}, modelview[16] = {};
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        // gluPerspective puts f / aspect and f on the diagonal.
        double aspect = static_cast<double>(c.viewport[2]) / c.viewport[3];
        EXPECT_NEAR(projection[5] / projection[0], aspect, 1e-4 * aspect) << c.width << "x" << c.height;
        EXPECT_DOUBLE_EQ(modelview[0], 1.0);
        EXPECT_DOUBLE_EQ(modelview[12], 0.0);
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
    }
}

// Geometry exactly on the near plane must survive clipping: every panel of the show lies there.
TEST_F(GlState, QuadOnTheNearPlaneIsDrawn) {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 1.0, 1.0, 1000.0);
    glDisable(GL_TEXTURE_2D);
    glDepthFunc(GL_LEQUAL);
    glColor3f(1.0f, 0.5f, 0.25f);
    glBegin(GL_QUADS);
    glVertex3f(-1, -1, -1);
    glVertex3f(1, -1, -1);
    glVertex3f(1, 1, -1);
    glVertex3f(-1, 1, -1);
    glEnd();
    glEnable(GL_TEXTURE_2D);
    std::vector<uint8_t> frame(640 * 480 * 3);
    ReadFrameRgb(frame.data(), 640, 480);
    for (size_t pixel : {size_t{0}, size_t{640 * 240 + 320}, size_t{640 * 480 - 1}}) {
        EXPECT_EQ(frame[pixel * 3 + 0], 255) << pixel;
        EXPECT_NEAR(frame[pixel * 3 + 1], 128, 1) << pixel;
        EXPECT_NEAR(frame[pixel * 3 + 2], 64, 1) << pixel;
    }
}

TEST_F(GlState, VirtualClockIsFloored) {
    SetVirtualClock(1234.99);
    EXPECT_EQ(TimeGetTime(), 1234u);
    SetVirtualClock(0.0);
    EXPECT_EQ(TimeGetTime(), 0u);
}

TEST_F(GlState, FrameReadsBackTopRowFirstAndPresentsCount) {
    glClearColor(0.0f, 1.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // The bottom row red: it must come last.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 640, 1);
    glClearColor(1.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    std::vector<uint8_t> seen(640 * 480 * 3);
    ReadFrameRgb(seen.data(), 640, 480);
    EXPECT_EQ(seen[0], 0);
    EXPECT_EQ(seen[1], 255);
    EXPECT_EQ(seen[(640 * 479) * 3], 255);
    EXPECT_EQ(seen[(640 * 479) * 3 + 1], 0);
    int64_t before = PresentedFrames();
    PresentFrame();
    EXPECT_EQ(PresentedFrames(), before + 1);
}

}  // namespace
