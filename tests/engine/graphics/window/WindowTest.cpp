#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

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

// The desktop backend: a real X11 window (run under xvfb-run by the ctest "window_xvfb"); skipped
// where no X server is reachable.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY"))
            GTEST_SKIP() << "no X server (DISPLAY unset)";
        standin_set_backend(STANDIN_BACKEND_SDL);
        ASSERT_EQ(screen_create_context(&context, SCREEN_APPLICATION_CONTEXT), 0);
        ASSERT_EQ(screen_create_window(&window, context), 0);
        ASSERT_EQ(screen_create_window_group(window, "VornApplication"), 0);
    }
    void TearDown() override
    {
        display = nullptr;
        PlaybookSurface::ReleaseScreen();
        if (context)
            screen_destroy_context(context);
    }

    screen_context_t context = nullptr;
    screen_window_t window = nullptr;
    SmartPtr<PlaybookDisplay> display;
};

TEST_F(WindowTest, FrameDrawnAndFlippedShowsOnTheScreen)
{
    int w = 0, h = 0;
    standin_get_display_size(&w, &h);
    EXPECT_LT(w, h) << "a portrait window";
    display = PlaybookDisplay::Create(context, window);
    VornTest::KeepGLDriverLoaded();
    ASSERT_TRUE(g_batcher) << "no GL on the window";
    Surface* screen = display->GetScreen();
    ASSERT_EQ(screen->GetWidth(), w);
    ASSERT_EQ(screen->GetHeight(), h);

    SmartPtr<Surface> sprite(VornTest::MakeRgbaSurface(8, 8, [](int x, int y) {
        return (x + y) % 2 ? 0xFFFF00FFu : 0x00FFFFFFu;
    }));
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(display->GetScreen() == screen);
        static_cast<PlaybookSurface*>(screen)->BeginFrame();
        screen->FillRect(0, 0, static_cast<float>(w), static_cast<float>(h), Color{0, 0, 128, 255});
        screen->FillRect(10, 20, 50, 40, Color{255, 0, 0, 255});
        screen->Blit(100, 200, sprite.Get(), Rect{0, 0, 8, 8});
        static_cast<PlaybookSurface*>(screen)->Flip();
    }

    std::vector<unsigned char> shot(static_cast<size_t>(w) * h * 4);
    ASSERT_EQ(standin_window_read_pixels(window, w, h, shot.data(), w * 4), 0);
    auto pixel = [&](int x, int y) {
        const unsigned char* p = &shot[(static_cast<size_t>(y) * w + x) * 4];
        return (unsigned(p[0]) << 16) | (unsigned(p[1]) << 8) | p[2];
    };
    EXPECT_EQ(pixel(10, 20), 0xFF0000u);
    EXPECT_EQ(pixel(49, 39), 0xFF0000u);
    EXPECT_EQ(pixel(50, 40), 0x000080u);
    EXPECT_EQ(pixel(w - 1, h - 1), 0x000080u);
    EXPECT_EQ(pixel(100, 200), 0x00FFFFu);
    EXPECT_EQ(pixel(101, 200), 0xFFFF00u);
    EXPECT_EQ(pixel(107, 207), 0x00FFFFu);
}

TEST_F(WindowTest, WindowFollowsANewOrientation)
{
    display = PlaybookDisplay::Create(context, window);
    VornTest::KeepGLDriverLoaded();
    ASSERT_TRUE(g_batcher);
    int w = 0, h = 0;
    standin_get_display_size(&w, &h);
    display->SetOrientation(Display::ORIENTATION_0);
    Surface* screen = display->GetScreen();
    EXPECT_EQ(screen->GetWidth(), h);
    EXPECT_EQ(screen->GetHeight(), w);
    screen->FillRect(0, 0, static_cast<float>(h), static_cast<float>(w), Color{0, 255, 0, 255});
    static_cast<PlaybookSurface*>(screen)->Flip();
    std::vector<unsigned char> shot(static_cast<size_t>(w) * h * 4);
    ASSERT_EQ(standin_window_read_pixels(window, h, w, shot.data(), h * 4), 0);
    EXPECT_EQ(shot[(static_cast<size_t>(w - 1) * h + h - 1) * 4 + 1], 255);
}

}  // namespace
