#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include <EGL/egl.h>
#include <GLES2/gl2.h>

#include "bps/bps.h"
#include "bps/orientation.h"
#include "screen/screen.h"
#include "standin/events.h"
#include "standin/standin.h"
#include "standin/window.h"

namespace {

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        standin_set_backend(STANDIN_BACKEND_HEADLESS);
        standin_set_display_size(480, 800);
        standin_set_orientation(-1);
        ASSERT_EQ(screen_create_context(&context, SCREEN_APPLICATION_CONTEXT), 0);
        ASSERT_EQ(screen_create_window(&window, context), 0);
    }
    void TearDown() override
    {
        if (context)
            screen_destroy_context(context);
        unsetenv("VORN_SCREEN");
        standin_set_display_size(0, 0);
    }

    screen_context_t context = nullptr;
    screen_window_t window = nullptr;
};

TEST_F(ScreenTest, NewWindowHasTheNaturalPanelSizeAndNoBuffers)
{
    int size[2] = {};
    ASSERT_EQ(screen_get_window_property_iv(window, SCREEN_PROPERTY_BUFFER_SIZE, size), 0);
    EXPECT_EQ(size[0], 800);
    EXPECT_EQ(size[1], 480);
    int value = -1;
    screen_get_window_property_iv(window, SCREEN_PROPERTY_ROTATION, &value);
    EXPECT_EQ(value, 0);
    screen_get_window_property_iv(window, SCREEN_PROPERTY_BUFFER_COUNT, &value);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(screen_destroy_window_buffers(window), -1);
}

TEST_F(ScreenTest, PropertiesAreKeptCheckedAndRefused)
{
    const int rotation = 270, size[2] = {300, 500}, usage = SCREEN_USAGE_OPENGL_ES2 | SCREEN_USAGE_ROTATION;
    EXPECT_EQ(screen_set_window_property_iv(window, SCREEN_PROPERTY_ROTATION, &rotation), 0);
    EXPECT_EQ(screen_set_window_property_iv(window, SCREEN_PROPERTY_SOURCE_SIZE, size), 0);
    EXPECT_EQ(screen_set_window_property_iv(window, SCREEN_PROPERTY_USAGE, &usage), 0);
    int got[2] = {};
    screen_get_window_property_iv(window, SCREEN_PROPERTY_ROTATION, got);
    EXPECT_EQ(got[0], 270);
    screen_get_window_property_iv(window, SCREEN_PROPERTY_SOURCE_SIZE, got);
    EXPECT_EQ(got[0], 300);
    EXPECT_EQ(got[1], 500);
    screen_get_window_property_iv(window, SCREEN_PROPERTY_USAGE, got);
    EXPECT_EQ(got[0], 544);

    const int badRotation = 45, badSize[2] = {0, 10}, count = 3;
    errno = 0;
    EXPECT_EQ(screen_set_window_property_iv(window, SCREEN_PROPERTY_ROTATION, &badRotation), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(screen_set_window_property_iv(window, SCREEN_PROPERTY_BUFFER_SIZE, badSize), -1);
    EXPECT_EQ(screen_set_window_property_iv(window, SCREEN_PROPERTY_BUFFER_COUNT, &count), -1);
    EXPECT_EQ(screen_set_window_property_iv(window, 9999, &count), -1);
    EXPECT_EQ(screen_get_window_property_iv(window, 9999, got), -1);
    EXPECT_EQ(screen_get_window_property_iv(window, SCREEN_PROPERTY_ROTATION, nullptr), -1);
    screen_get_window_property_iv(window, SCREEN_PROPERTY_ROTATION, got);
    EXPECT_EQ(got[0], 270) << "a refused value changes nothing";
}

TEST_F(ScreenTest, HandlesAreCheckedAndContextsTakeTheirWindowsAlong)
{
    screen_window_t second = nullptr;
    ASSERT_EQ(screen_create_window(&second, context), 0);
    EXPECT_EQ(screen_create_window_group(second, "VornApplication"), 0);
    EXPECT_EQ(screen_create_window_group(second, nullptr), -1);
    EXPECT_EQ(screen_destroy_window(second), 0);
    EXPECT_EQ(screen_destroy_window(second), -1);
    int value = 0;
    EXPECT_EQ(screen_get_window_property_iv(second, SCREEN_PROPERTY_ROTATION, &value), -1);

    EXPECT_EQ(screen_create_context(nullptr, SCREEN_APPLICATION_CONTEXT), -1);
    screen_context_t other = nullptr;
    EXPECT_EQ(screen_create_context(&other, 5), -1);
    EXPECT_EQ(screen_create_window(&second, nullptr), -1);

    ASSERT_EQ(screen_destroy_context(context), 0);
    EXPECT_EQ(screen_get_window_property_iv(window, SCREEN_PROPERTY_ROTATION, &value), -1);
    EXPECT_EQ(screen_destroy_context(context), -1);
    context = nullptr;
}

TEST_F(ScreenTest, BuffersRecordTheirCount)
{
    EXPECT_EQ(screen_create_window_buffers(window, 0), -1);
    ASSERT_EQ(screen_create_window_buffers(window, 2), 0);
    int count = 0;
    screen_get_window_property_iv(window, SCREEN_PROPERTY_BUFFER_COUNT, &count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(screen_destroy_window_buffers(window), 0);
    screen_get_window_property_iv(window, SCREEN_PROPERTY_BUFFER_COUNT, &count);
    EXPECT_EQ(count, 0);
}

TEST_F(ScreenTest, DisplaySizeFromTheEnvironmentWhenItIsWellFormed)
{
    // A size that is not used is said on stderr, with the size used instead; a well-formed one
    // and an empty one are taken silently.
    const struct {
        const char* text;
        int w, h;
        const char* said;
    } rows[] = {{"800x480", 800, 480, ""},
                {"240x320", 240, 320, ""},
                {"", 480, 800, ""},
                {"abc", 480, 800, "VORN_SCREEN=abc is not a size such as 480x800; using 480x800"},
                {"0x500", 480, 800, "not a size"},
                {"480x800x", 480, 800, "not a size"},
                {"-3x4", 480, 800, "not a size"},
                {" 480x800", 480, 800, "not a size"},
                {"99999x5", 480, 800, "VORN_SCREEN=99999x5 is larger than 16384 pixels a side"},
                {"99999999999999x800", 480, 800, "larger than"},
                {"100x100", 240, 320,
                 "VORN_SCREEN=100x100 is smaller than the smallest screen the game is drawn for; "
                 "using 240x320"},
                {"239x800", 240, 320, "smaller"},
                {"300x200", 320, 240, "using 320x240"}};
    for (const auto& row : rows) {
        setenv("VORN_SCREEN", row.text, 1);
        standin_set_display_size(0, 0);
        int w = 0, h = 0;
        testing::internal::CaptureStderr();
        standin_get_display_size(&w, &h);
        standin_get_display_size(&w, &h);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(w, row.w) << row.text;
        EXPECT_EQ(h, row.h) << row.text;
        if (*row.said) {
            EXPECT_NE(said.find(row.said), std::string::npos) << row.text << ": " << said;
            EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << "said once: " << said;
        } else {
            EXPECT_EQ(said, "") << row.text;
        }
    }
}

TEST_F(ScreenTest, FramesArePacedToTheDisplayOnlyInRealTime)
{
    const int step = standin_clock_get_step();
    standin_clock_set_step(16);
    EXPECT_EQ(standin_display_refresh_rate(), 0) << "a stepped clock is not paced";
    standin_clock_set_step(0);
    EXPECT_EQ(standin_display_refresh_rate(), 60) << "no display to ask: the usual rate";
    standin_clock_set_step(step);
}

TEST_F(ScreenTest, OrientationIsTheNaturalOneUnlessChosen)
{
    orientation_direction_t direction = ORIENTATION_FACE_UP;
    int angle = -1;
    EXPECT_EQ(orientation_get(&direction, &angle), BPS_SUCCESS);
    EXPECT_EQ(angle, 90) << "a portrait display is the panel turned a quarter";
    EXPECT_EQ(direction, ORIENTATION_LEFT_UP);
    standin_set_display_size(800, 480);
    orientation_get(&direction, &angle);
    EXPECT_EQ(angle, 0);
    EXPECT_EQ(direction, ORIENTATION_TOP_UP);
    standin_set_orientation(180);
    orientation_get(nullptr, &angle);
    EXPECT_EQ(angle, 180);
    standin_set_orientation(33);
    orientation_get(&direction, nullptr);
    EXPECT_EQ(direction, ORIENTATION_TOP_UP);
}

TEST_F(ScreenTest, HeadlessEglGivesEightBitConfigsAndAPbufferOfTheBufferSize)
{
    EGLDisplay display = standin_egl_get_display();
    ASSERT_NE(display, EGL_NO_DISPLAY);
    ASSERT_TRUE(eglInitialize(display, nullptr, nullptr));
    eglBindAPI(EGL_OPENGL_ES_API);
    const EGLint attribs[] = {EGL_BUFFER_SIZE, 32, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT, EGL_NONE};
    EGLint count = 0;
    ASSERT_TRUE(standin_egl_choose_config(display, attribs, nullptr, 0, &count));
    ASSERT_GT(count, 0);
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    ASSERT_TRUE(standin_egl_choose_config(display, attribs, configs.data(), count, &count));
    for (EGLConfig config : configs) {
        EGLint r = 0, a = 0, type = 0;
        eglGetConfigAttrib(display, config, EGL_RED_SIZE, &r);
        eglGetConfigAttrib(display, config, EGL_ALPHA_SIZE, &a);
        eglGetConfigAttrib(display, config, EGL_SURFACE_TYPE, &type);
        EXPECT_EQ(r, 8);
        EXPECT_EQ(a, 8);
        EXPECT_TRUE(type & EGL_PBUFFER_BIT);
    }

    EXPECT_EQ(standin_egl_create_window_surface(display, configs[0], window, nullptr), EGL_NO_SURFACE)
        << "no buffers yet";
    const int size[2] = {64, 32};
    screen_set_window_property_iv(window, SCREEN_PROPERTY_BUFFER_SIZE, size);
    ASSERT_EQ(screen_create_window_buffers(window, 2), 0);
    EGLSurface surface = standin_egl_create_window_surface(display, configs[0], window, nullptr);
    ASSERT_NE(surface, EGL_NO_SURFACE);
    EGLint w = 0, h = 0;
    eglQuerySurface(display, surface, EGL_WIDTH, &w);
    eglQuerySurface(display, surface, EGL_HEIGHT, &h);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 32);

    std::vector<unsigned char> pixels(64 * 32 * 4);
    EXPECT_EQ(standin_window_read_pixels(window, 64, 32, pixels.data(), 64 * 4), -1)
        << "nothing current to read";
    const EGLint contextAttribs[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    EGLContext gl = eglCreateContext(display, configs[0], EGL_NO_CONTEXT, contextAttribs);
    ASSERT_TRUE(eglMakeCurrent(display, surface, surface, gl));
    glDisable(GL_SCISSOR_TEST);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 64, 1);  // GL's bottom row: the window's last row
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    EXPECT_EQ(standin_window_read_pixels(window, 32, 32, pixels.data(), 64 * 4), -1);
    EXPECT_EQ(standin_window_read_pixels(window, 64, 32, pixels.data(), 4), -1);
    ASSERT_EQ(standin_window_read_pixels(window, 64, 32, pixels.data(), 64 * 4), 0);
    EXPECT_EQ(pixels[0], 255);
    EXPECT_EQ(pixels[2], 0);
    const size_t last = 31 * 64 * 4;
    EXPECT_EQ(pixels[last], 0);
    EXPECT_EQ(pixels[last + 2], 255);

    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroySurface(display, surface);
    eglDestroyContext(display, gl);
}

}  // namespace
