#include <gtest/gtest.h>

#include <vector>

#include "application/AbstractApp.h"
#include "base/SmartPtr.h"
#include "graphics/batcher/Batcher.h"
#include "graphics/playbook/PlaybookDisplay.h"
#include "graphics/playbook/PlaybookSurface.h"
#include "screen/screen.h"
#include "standin/standin.h"
#include "standin/window.h"
#include "support/HeadlessGL.h"

using namespace Vorn;

namespace {

// One screen for the process, on a 600 x 1024 headless display (the tablet's size).
class DisplayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        standin_set_backend(STANDIN_BACKEND_HEADLESS);
        standin_set_display_size(600, 1024);
        standin_set_orientation(-1);
        ASSERT_EQ(screen_create_context(&s_context, SCREEN_APPLICATION_CONTEXT), 0);
        ASSERT_EQ(screen_create_window(&s_window, s_context), 0);
        s_display = PlaybookDisplay::Create(s_context, s_window);
        VornTest::KeepGLDriverLoaded();
    }
    static void TearDownTestSuite()
    {
        s_display = nullptr;
        PlaybookSurface::ReleaseScreen();
        EXPECT_EQ(g_batcher.Get(), nullptr);
        screen_destroy_context(s_context);
    }
    void SetUp() override
    {
        if (!g_batcher)
            GTEST_SKIP() << "no GL";
        standin_set_orientation(-1);
    }

    static PlaybookSurface* Screen() { return static_cast<PlaybookSurface*>(s_display->GetScreen()); }

    static void ExpectSize(int w, int h, int angle)
    {
        EXPECT_EQ(Screen()->GetWidth(), w);
        EXPECT_EQ(Screen()->GetHeight(), h);
        EXPECT_EQ(Screen()->GetAngle(), angle);
        EXPECT_EQ(Screen()->GetPixelData()->GetWidth(), w);
        EXPECT_EQ(Screen()->GetClipRect().h, h);
        int size[2] = {}, rotation = -1;
        screen_get_window_property_iv(s_window, SCREEN_PROPERTY_BUFFER_SIZE, size);
        screen_get_window_property_iv(s_window, SCREEN_PROPERTY_ROTATION, &rotation);
        EXPECT_EQ(size[0], w);
        EXPECT_EQ(size[1], h);
        EXPECT_EQ(rotation, angle);
    }

    static screen_context_t s_context;
    static screen_window_t s_window;
    static SmartPtr<PlaybookDisplay> s_display;
};

screen_context_t DisplayTest::s_context = nullptr;
screen_window_t DisplayTest::s_window = nullptr;
SmartPtr<PlaybookDisplay> DisplayTest::s_display;

TEST_F(DisplayTest, FirstDisplayFollowsTheDevice)
{
    EXPECT_EQ(s_display->GetOrientation(), Display::ORIENTATION_ALL);
    EXPECT_EQ(s_display->GetSupportedOrientations(), Display::ORIENTATION_ALL);
    EXPECT_NE(Screen()->GetEGLContext(), EGL_NO_CONTEXT);
    EXPECT_TRUE(Screen()->BeginFrame());
    Screen()->CreateWindowBuffers();
    ExpectSize(600, 1024, 90);
}

TEST_F(DisplayTest, MaskPicksTheFirstAllowedAngle)
{
    EXPECT_TRUE(s_display->SetOrientation(Display::ORIENTATION_0));
    EXPECT_EQ(s_display->GetOrientation(), Display::ORIENTATION_0);
    ExpectSize(1024, 600, 0);

    standin_set_orientation(0);
    s_display->SetOrientation(Display::ORIENTATION_90 | Display::ORIENTATION_270);
    ExpectSize(600, 1024, 90);

    standin_set_orientation(270);
    s_display->SetOrientation(Display::ORIENTATION_90 | Display::ORIENTATION_270);
    ExpectSize(600, 1024, 270);

    standin_set_orientation(180);
    s_display->SetOrientation(0);
    ExpectSize(1024, 600, 180);

    standin_set_orientation(-1);
    s_display->SetOrientation(Display::ORIENTATION_ALL);
    ExpectSize(600, 1024, 90);
}

TEST_F(DisplayTest, LaterDisplaysKeepTheSurfaceAndTheApplicationsMask)
{
    EGLContext context = Screen()->GetEGLContext();
    Batcher* batcher = g_batcher.Get();
    AbstractApp app(0);
    app.SetDisplay(s_display.Get());
    s_display->SetOrientation(Display::ORIENTATION_90);
    SmartPtr<PlaybookDisplay> second(PlaybookDisplay::Create(nullptr, nullptr));
    EXPECT_EQ(second->GetScreen(), s_display->GetScreen());
    EXPECT_EQ(Screen()->GetEGLContext(), context);
    EXPECT_EQ(g_batcher.Get(), batcher);
    EXPECT_EQ(second->GetOrientation(), Display::ORIENTATION_90);
    ExpectSize(600, 1024, 90);
    app.SetDisplay(nullptr);
}

TEST_F(DisplayTest, FlipPresentsWhatWasDrawn)
{
    PlaybookSurface* screen = Screen();
    screen->FillRect(0, 0, 600, 1024, Color{0, 0, 255, 255});
    screen->FillRect(0, 0, 10, 20, Color{255, 0, 0, 255});
    screen->Flip();
    std::vector<unsigned char> pixels(600 * 1024 * 4);
    ASSERT_EQ(standin_window_read_pixels(s_window, 600, 1024, pixels.data(), 600 * 4), 0);
    auto at = [&](int x, int y) { return &pixels[(y * 600 + x) * 4]; };
    EXPECT_EQ(at(5, 5)[0], 255) << "y = 0 is the window's top";
    EXPECT_EQ(at(5, 5)[2], 0);
    EXPECT_EQ(at(5, 25)[2], 255);
    EXPECT_EQ(at(599, 1023)[2], 255);
}

TEST(BaseDisplay, AcceptsOnlyTheFirstMask)
{
    SmartPtr<Display> display(new Display);
    EXPECT_TRUE(display->SetOrientation(1));
    EXPECT_FALSE(display->SetOrientation(2));
    EXPECT_EQ(display->GetOrientation(), 1);
    EXPECT_EQ(display->GetSupportedOrientations(), 1);
    EXPECT_EQ(display->GetScreen(), nullptr);
}

}  // namespace
