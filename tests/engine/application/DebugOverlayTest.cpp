// The debug console: its interpreter against the real registry, dictionaries and time skew, its
// keys and touches, and what it draws, read back from an offscreen target.
#include <cmath>

#include <gtest/gtest.h>

#include "Version.h"
#include "application/AbstractApp.h"
#include "application/DebugOverlay.h"
#include "application/DebugOverlayImages.h"
#include "application/KeyCodes.h"
#include "application/FpsCounter.h"
#include "base/AssetDict.h"
#include "base/Registry.h"
#include "base/TextDict.h"
#include "graphics/pixeldata/PixelData.h"
#include "graphics/surface/Surface.h"
#include "support/HeadlessGL.h"
#include "vfs/File.h"

using namespace Vorn;

namespace {

// The console without pictures: everything but drawing works.
class Console : public DebugOverlay {
public:
    using DebugOverlay::DebugOverlay;

    // The lines a command printed.
    std::vector<NarrowString> Run(const NarrowString& line)
    {
        size_t before = GetConsoleLines().size();
        ExecuteCommand(line, nullptr);
        return std::vector<NarrowString>(GetConsoleLines().begin() + before, GetConsoleLines().end());
    }
    void Type(const char* keys)
    {
        for (const char* c = keys; *c; ++c) {
            if (*c >= 'a' && *c <= 'z')
                OnKeyDown(40 + (*c - 'a'));
            else if (*c >= '0' && *c <= '9')
                OnKeyDown(13 + (*c - '0'));
            else if (*c == ' ')
                OnKeyDown(27);
            else if (*c == '.')
                OnKeyDown(33);
        }
    }
};

class QuitApp : public AbstractApp {
public:
    QuitApp() : AbstractApp(0) {}
    void Quit() override { ++quits; }
    int quits = 0;
};

class DebugConsole : public ::testing::Test {
protected:
    void TearDown() override
    {
        g_registry = nullptr;
        g_assetDict = nullptr;
        g_textDict = nullptr;
        g_timeSkew.store(1.0f);
        DebugOverlay::s_consoleEnabled = false;
    }
    SmartPtr<Console> console{new Console};
};

void Callback(void*, const std::string&, RegistryKey*) {}

TEST_F(DebugConsole, StartsWithTheBannerAndPrintsLinesInPlace)
{
    ASSERT_EQ(console->GetConsoleLines().size(), 1u);
    EXPECT_EQ(console->GetConsoleLines()[0], Version::String);
    console->Print("a\nb\n", nullptr);
    EXPECT_EQ(console->GetConsoleLines().size(), 4u);   // "a", "b" and the empty last piece

    for (int i = 0; i < 60; ++i)
        console->Print("line", nullptr);
    console->OnKeyDown(Key::PAGE_UP);
    EXPECT_EQ(console->GetVerticalScroll(), 20);
    console->Print("more\nand more", nullptr);
    EXPECT_EQ(console->GetVerticalScroll(), 22) << "the view stays on the same lines";
}

TEST_F(DebugConsole, ScrollStaysWithinTheLines)
{
    for (int i = 0; i < 30; ++i)
        console->OnKeyDown(Key::PAGE_UP);
    EXPECT_EQ(console->GetVerticalScroll(), 0) << "one line cannot be scrolled back";
    for (int i = 0; i < 10; ++i)
        console->Print("x", nullptr);
    for (int i = 0; i < 30; ++i)
        console->OnTouchDown(0, 0, DebugOverlay::TOUCH_PAGE_BACK);
    EXPECT_EQ(console->GetVerticalScroll(), 10);   // never before the first line
    console->OnKeyDown(Key::PAGE_DOWN);
    EXPECT_EQ(console->GetVerticalScroll(), 0);
    console->OnKeyDown(Key::LEFT);
    EXPECT_EQ(console->GetHorizontalScroll(), 0);
    console->OnKeyDown(Key::RIGHT);
    EXPECT_EQ(console->GetHorizontalScroll(), 10);
}

TEST_F(DebugConsole, DragAndFlickScroll)
{
    for (int i = 0; i < 100; ++i)
        console->Print("x", nullptr);
    DebugOverlay::s_consoleEnabled = true;
    console->OnTouchDown(10, 100, DebugOverlay::TOUCH_DRAG);
    console->OnTouchMove(10, 115, DebugOverlay::TOUCH_DRAG);
    console->Update(0.016f);
    EXPECT_EQ(console->GetVerticalScroll(), 2);   // 15 pixels down: two lines back
    console->OnTouchMove(10, 135, DebugOverlay::TOUCH_DRAG);
    console->OnTouchUp(10, 135, DebugOverlay::TOUCH_DRAG);
    console->Update(0.016f);   // the drag's last 20 pixels become a flick
    int afterDrag = console->GetVerticalScroll();
    for (int i = 0; i < 100; ++i)
        console->Update(0.05f);
    EXPECT_GT(console->GetVerticalScroll(), afterDrag) << "the flick coasts further back";
    // A flick toward the newest line stops there.
    console->OnTouchDown(10, 500, DebugOverlay::TOUCH_DRAG);
    console->OnTouchMove(10, 300, DebugOverlay::TOUCH_DRAG);
    console->OnTouchMove(10, 100, DebugOverlay::TOUCH_DRAG);
    console->OnTouchUp(10, 100, DebugOverlay::TOUCH_DRAG);
    for (int i = 0; i < 200; ++i)
        console->Update(0.05f);
    EXPECT_EQ(console->GetVerticalScroll(), 0);
}

TEST_F(DebugConsole, KeysEditRunAndRecall)
{
    console->OnKeyDown(Key::UP);   // empty history: nothing
    EXPECT_EQ(console->GetInputLine(), "");
    console->OnKeyDown(Key::SHIFT);
    console->OnKeyDown(13 + 1);   // shifted 1
    console->OnKeyDown(40);       // A
    console->OnKeyUp(Key::SHIFT);
    console->OnKeyDown(40 + 1);   // b
    console->OnKeyDown(31);       // apostrophe
    EXPECT_EQ(console->GetInputLine(), "!Ab'");
    console->OnKeyDown(Key::BACKSPACE);
    EXPECT_EQ(console->GetInputLine(), "!Ab");

    console->Type("9 0.5");
    EXPECT_EQ(console->GetInputLine(), "!Ab9 0.5");
    console->OnKeyDown(Key::BACKSPACE);
    for (int i = 0; i < 10; ++i)
        console->OnKeyDown(Key::BACKSPACE);
    console->Type("9 0.5");
    console->OnKeyDown(Key::ENTER);
    EXPECT_EQ(console->GetInputLine(), "");
    EXPECT_FLOAT_EQ(g_timeSkew.load(), 0.5f);
    const auto& lines = console->GetConsoleLines();
    EXPECT_EQ(lines[lines.size() - 2], "> 9 0.5");

    console->Type("help");
    console->OnKeyDown(Key::ENTER);
    console->OnKeyDown(Key::UP);
    EXPECT_EQ(console->GetInputLine(), "help");
    console->OnKeyDown(Key::UP);
    console->OnKeyDown(Key::UP);   // stops at the oldest
    EXPECT_EQ(console->GetInputLine(), "9 0.5");
    console->OnKeyDown(Key::DOWN);
    console->OnKeyDown(Key::DOWN);   // stops at the newest
    EXPECT_EQ(console->GetInputLine(), "help");
}

TEST_F(DebugConsole, TimeSkewIsReadAndKeptSane)
{
    EXPECT_EQ(console->Run("timeskew 0.5"), std::vector<NarrowString>{"Time skew: 0.500000"});
    EXPECT_FLOAT_EQ(g_timeSkew.load(), 0.5f);
    EXPECT_EQ(console->Run("9"), std::vector<NarrowString>{"Unknown command"});
    // Numbers are kept within bounds; anything else is refused and changes nothing.
    const struct {
        const char* line;
        float skew;
    } cases[] = {{"9 2", 2.0f},          {"9 0", DebugOverlay::MIN_TIME_SKEW},
                 {"9 -3", DebugOverlay::MIN_TIME_SKEW}, {"9 1e30", DebugOverlay::MAX_TIME_SKEW},
                 {"9 3 ", 3.0f}, {"9 nan", 3.0f}, {"9 junk", 3.0f}, {"9 ", 3.0f}, {"9 0.5x", 3.0f}};
    for (const auto& c : cases) {
        const std::vector<NarrowString> reply = console->Run(c.line);
        EXPECT_FLOAT_EQ(g_timeSkew.load(), c.skew) << c.line;
        ASSERT_EQ(reply.size(), 1u) << c.line;
        EXPECT_EQ(reply[0].compare(0, 9, "Time skew"), 0) << reply[0];
    }
    EXPECT_EQ(console->Run("timeskew abc"),
              std::vector<NarrowString>{"Time skew must be a number, not \"abc\""});
}

TEST_F(DebugConsole, ServicesMissingAnswerPlainly)
{
    EXPECT_EQ(console->Run("1"), std::vector<NarrowString>{"AssetDict not available"});
    EXPECT_EQ(console->Run("reglist"), std::vector<NarrowString>{"Registry not available"});
    EXPECT_EQ(console->Run("3"), std::vector<NarrowString>{"Registry not available"});
    EXPECT_EQ(console->Run("regset /a/b 1"), std::vector<NarrowString>{"Registry not available"});
    EXPECT_EQ(console->Run("texts"), std::vector<NarrowString>{"TextDict not available"});
    EXPECT_EQ(console->Run("frobnicate now"), std::vector<NarrowString>{"Unknown command"});
    EXPECT_EQ(console->Run("logging"), std::vector<NarrowString>{"Logging enabled"});
    EXPECT_EQ(console->Run("4"), std::vector<NarrowString>{"Logging disabled"});
}

TEST_F(DebugConsole, HelpListsEveryCommandAndRegisteredOnesRun)
{
    EXPECT_EQ(console->Run("").size(), 15u);
    struct Seen {
        NarrowString argument;
        int calls = 0;
    } seen;
    console->RegisterCommand("echo", [](void* context, const NarrowString& argument,
                                        DebugOverlay::RemoteConnection*) {
        auto* s = static_cast<Seen*>(context);
        s->argument = argument;
        ++s->calls;
    }, &seen, "repeat");
    auto help = console->Run("help");
    ASSERT_EQ(help.size(), 16u);
    EXPECT_EQ(help[0], "1. assets: show managed assets");
    EXPECT_EQ(help.back(), "echo: repeat");
    console->Run("echo one two");
    EXPECT_EQ(seen.argument, "one two");
    console->Run("echo");
    EXPECT_EQ(seen.argument, "");
    EXPECT_EQ(seen.calls, 2);
}

TEST_F(DebugConsole, PlotsToggleOneByOneOrAllTogether)
{
    console->Run("61");
    console->Run("plot m");
    console->Run("63");
    EXPECT_TRUE(console->HasPlot(DebugOverlay::PLOT_FPS));
    EXPECT_FALSE(console->HasPlot(DebugOverlay::PLOT_COUNTER));
    console->Run("plot");   // three of four shown: all on
    for (int i = 0; i < DebugOverlay::PLOT_COUNT; ++i)
        EXPECT_TRUE(console->HasPlot(i));
    console->Run("6");      // all shown: all off
    for (int i = 0; i < DebugOverlay::PLOT_COUNT; ++i)
        EXPECT_FALSE(console->HasPlot(i));
    console->Run("64");
    EXPECT_TRUE(console->HasPlot(DebugOverlay::PLOT_COUNTER));
}

TEST_F(DebugConsole, ExitQuitsTheApplicationAndSwitchesToggle)
{
    QuitApp app;
    console->Run("7");
    console->Run("exit");
    EXPECT_EQ(app.quits, 2);
    g_vfsAccess.store(true);
    console->Run("floppy");
    EXPECT_TRUE(console->showActivity);
    EXPECT_FALSE(g_vfsAccess.load());
    console->Run("13");
    EXPECT_TRUE(console->showPools);
}

TEST_F(DebugConsole, RegistryCommands)
{
    g_registry = new Registry;
    const struct {
        const char* line;
        const char* reply;   // null: none
    } cases[] = {
        {"regset /a/b", "Bad params"},
        {"regset /a/b ", "Empty value"},
        {"regset /x 1", "Bad registry path"},
        {"regset /a/flag true", nullptr},
        {"regset /a/int -12", nullptr},
        {"regset /a/float 2.5", nullptr},
        {"regset /a/big 5000000000", nullptr},
        {"regset /a/text 'hello there'", nullptr},
        {"regset /a/quoted \"q\"", nullptr},
        {"regset /machine/resolution/x 1", "Setting registry value failed"},
    };
    for (const auto& c : cases) {
        auto reply = console->Run(c.line);
        if (c.reply)
            EXPECT_EQ(reply, std::vector<NarrowString>{c.reply}) << c.line;
        else
            EXPECT_TRUE(reply.empty()) << c.line << ": " << (reply.empty() ? "" : reply[0]);
    }
    bool flag = false;
    s32 number = 0;
    float real = 0;
    NarrowString text;
    EXPECT_TRUE(g_registry->TryGet("/a/flag", flag) && flag);
    EXPECT_TRUE(g_registry->TryGet("/a/int", number));
    EXPECT_EQ(number, -12);
    EXPECT_TRUE(g_registry->TryGet("/a/float", real));
    EXPECT_FLOAT_EQ(real, 2.5f);
    EXPECT_EQ(g_registry->FindKey("/a/big", false)->GetType(), RegistryKey::TYPE_FLOAT)
        << "a whole number beyond an int is kept, not wrapped";
    EXPECT_FLOAT_EQ(g_registry->FindKey("/a/big", false)->GetFloat(), 5e9f);
    EXPECT_TRUE(g_registry->TryGet("/a/text", text));
    EXPECT_EQ(text, "hello there");

    auto tree = console->Run("reglist");
    const NarrowString white = NarrowString("\x01\xFF\xFF\xFF", 4);
    const NarrowString green = NarrowString("\x01\x80\xFF\x80", 4);
    const NarrowString blue = NarrowString("\x01\xC0\xC0\xFF", 4);
    ASSERT_GE(tree.size(), 3u);
    EXPECT_EQ(tree[0], blue + "[root]");
    EXPECT_EQ(tree[1], "  " + blue + "[a]");
    EXPECT_EQ(tree[3], "    " + green + "flag" + white + ": true");
    EXPECT_NE(std::find(tree.begin(), tree.end(), "    " + green + "int" + white + ": -12"), tree.end());
    EXPECT_NE(std::find(tree.begin(), tree.end(), "    " + green + "text" + white + ": \"hello there\""),
              tree.end());

    g_registry->AddCallback("/a", &Callback, nullptr, "file.cpp", "Watch", 12);
    EXPECT_EQ(console->Run("regcallbacks"),
              (std::vector<NarrowString>{"/a", "  file.cpp (Watch: 12)"}));
}

TEST_F(DebugConsole, AssetsAndTexts)
{
    g_assetDict = new AssetDict;
    g_textDict = new TextDict;
    EXPECT_TRUE(console->Run("5").empty());
    if (!VornTest::HeadlessScreen())
        GTEST_SKIP() << "no GL for surfaces";
    SmartPtr<Surface> alive(new Surface(1, 1, PF_RGBA8888));
    {
        SmartPtr<Surface> gone(new Surface(1, 1, PF_RGBA8888));
        g_assetDict->SetAsset<Surface>("gone", gone.Get());
    }
    g_assetDict->SetAsset<Surface>("alive", alive.Get());
    g_assetDict->SetAsset<Surface>("kept", static_cast<Surface*>(nullptr));
    g_assetDict->GetCachedAssets()["kept"] = Any();
    EXPECT_EQ(console->Run("assets"),
              (std::vector<NarrowString>{"Assets maintained by AssetDict:", "* alive", "  gone", "C kept",
                                         "Held/total: 2/3"}));
}

// ---- drawn ----

class DebugOverlayDrawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!VornTest::HeadlessScreen())
            GTEST_SKIP() << "no GL";
        overlay = DebugOverlay::Create();
        target = new Surface(240, 200, PF_RGBA8888);
        target->FillRect(0, 0, 240, 200, Color{0x20, 0x40, 0x60, 255});
    }
    void TearDown() override
    {
        overlay = nullptr;
        g_debugOverlay = nullptr;
        g_debugOverlayException = false;
        g_debugOverlayExceptionText.clear();
        DebugOverlay::s_consoleEnabled = false;
    }
    // Pixels of one glyph cell that are white (or of the given colour).
    static int CountColour(const VornTest::Image& image, int x, int y, Vorn::u32 colour)
    {
        int count = 0;
        for (int dy = 0; dy < 8; ++dy)
            for (int dx = 0; dx < 6; ++dx)
                count += VornTest::Near(image, x + dx, y + dy, colour, 8) ? 1 : 0;
        return count;
    }
    // Lines land on the pixel at or next to their coordinate: look one pixel either way.
    static bool NearLine(const VornTest::Image& image, int x, int y, Vorn::u32 colour)
    {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (VornTest::Near(image, x + dx, y + dy, colour, 8))
                    return true;
        return false;
    }
    SmartPtr<DebugOverlay> overlay;
    SmartPtr<Surface> target;
};

TEST_F(DebugOverlayDrawing, TextIsDrawnWithTheFontAndTinted)
{
    overlay->DrawText(target.Get(), 0, 0, "I");
    overlay->DrawText(target.Get(), 0, 8, NarrowString("\x01\xFF\x00\x00I", 5));
    overlay->DrawText(target.Get(), 0, 16, "\tI");
    overlay->DrawText(target.Get(), 0, 24, NarrowString("\x05", 1));
    VornTest::Image image = VornTest::ReadPixels(target.Get());
    // The "I": a bar of 7 in the middle column, with serifs.
    EXPECT_EQ(CountColour(image, 0, 0, 0xFFFFFFFFu), 11);
    EXPECT_EQ(CountColour(image, 0, 8, 0xFF0000FFu), 11) << "the escape tints it red";
    EXPECT_EQ(CountColour(image, 16, 16, 0xFFFFFFFFu), 11) << "a tab moves 16 pixels";
    // Read-outs show glyphs on black cells.
    EXPECT_TRUE(VornTest::Near(image, 0, 0, 0x000000FFu));
    EXPECT_TRUE(VornTest::Near(image, 7, 0, 0x204060FFu)) << "nothing beyond the cell";
    // An unknown code draws the box glyph, in the font's blue.
    EXPECT_EQ(CountColour(image, 0, 24, 0x4750C8FFu), 20);
}

TEST_F(DebugOverlayDrawing, ConsoleShowsItsLinesInputAndScrollBar)
{
    for (int i = 0; i < 40; ++i)
        overlay->Print("I", nullptr);
    DebugOverlay::s_consoleEnabled = true;
    overlay->Update(0.6f);   // blink goes on
    overlay->Render(target.Get());
    VornTest::Image image = VornTest::ReadPixels(target.Get());
    const int rows = 200 / 8 - 3;
    // The newest line sits in the last row; the background is darkened.
    EXPECT_EQ(CountColour(image, 0, rows * 8, 0xFFFFFFFFu), 11);
    EXPECT_TRUE(VornTest::Near(image, 100, 100, 0x08101AFFu, 3)) << std::hex << image.Pixel(100, 100);
    // Older lines are hidden above: the arrows at the top.
    EXPECT_GT(CountColour(image, 6, 0, 0xC9B234FFu), 3);
    // The scroll bar's outline at the right edge.
    EXPECT_TRUE(NearLine(image, 234, 100, 0x808080FFu));
    // The input line's prompt "> " at the bottom row.
    EXPECT_GT(CountColour(image, 0, 192, 0xFFFFFFFFu), 3);
}

TEST_F(DebugOverlayDrawing, ReadoutsAndPlotBand)
{
    overlay->showFps = true;
    overlay->ExecuteCommand("plot b", nullptr);
    for (int i = 0; i < 30; ++i)
        overlay->Update(0.1f);
    EXPECT_NEAR(overlay->GetFpsCounter()->rate, 10.0f, 0.5f);
    overlay->Render(target.Get());
    VornTest::Image image = VornTest::ReadPixels(target.Get());
    // "FPS: 10" at the top left: the 'F' has a full column.
    EXPECT_GT(CountColour(image, 0, 0, 0xFFFFFFFFu), 8);
    // The band over the bottom 100 pixels halves the background.
    EXPECT_TRUE(VornTest::Near(image, 5, 150, 0x102030FFu, 3)) << std::hex << image.Pixel(5, 150);
    EXPECT_TRUE(VornTest::Near(image, 5, 50, 0x204060FFu, 1));
    // The counter plot of a constant 0 lies on the bottom line of its area.
    const int x = 10, y = 200 - 90, w = 240 - 20, h = 80;
    EXPECT_TRUE(NearLine(image, x + w - 20, y + h - 10, 0xFFFFFFFFu));
    EXPECT_TRUE(NearLine(image, x + 50, y + h - 10, 0x40FF40FFu)) << "the average, 0 too";
    // The white horizontal axis.
    EXPECT_TRUE(NearLine(image, x + 40, y + h - 5, 0xFFFFFFFFu));
}

TEST_F(DebugOverlayDrawing, ExceptionScreenBlinksItsTitle)
{
    g_debugOverlayException = true;
    g_debugOverlayExceptionText = "short";
    const int n = 15;
    const int left = (240 - (n + 4) * 6) / 2;
    overlay->Update(0.6f);   // the blink timer turns positive: title shown
    overlay->Render(target.Get());
    VornTest::Image on = VornTest::ReadPixels(target.Get());
    overlay->Update(0.6f);   // and wraps negative: hidden
    target->FillRect(0, 0, 240, 200, Color{0x20, 0x40, 0x60, 255});
    overlay->Render(target.Get());
    VornTest::Image off = VornTest::ReadPixels(target.Get());
    // The top-left corner, in the exception's red.
    EXPECT_GT(CountColour(on, left, 100, 0xF72001FFu), 3);
    const int titleX = left + ((n - 11) / 2) * 6;
    EXPECT_EQ(CountColour(off, titleX, 116, 0xF72001FFu), 0);
    EXPECT_GT(CountColour(on, titleX, 116, 0xF72001FFu), 5) << "the G of the title";
    // The text from position 2 of its row.
    EXPECT_GT(CountColour(on, left + 12, 132, 0xF72001FFu), 5);
}

TEST(DebugOverlayImagesText, EveryRowIsWholeAndTheConsoleGlyphsAreDrawn)
{
    std::vector<NarrowString> text = DebugOverlayImages::FontImageText();
    ASSERT_EQ(text.size(), 1u + 5u + 16u);
    for (size_t i = 6; i < text.size(); ++i)
        EXPECT_EQ(text[i].size(), 512u);
    auto cellIsEmpty = [&](int code) {
        int cell = code - 0x20;
        int x = (cell % 85) * 6, y = (cell / 85) * 8;
        for (int row = 0; row < 8; ++row)
            for (int column = 0; column < 6; ++column)
                if (text[6 + y + row][x + column] != ' ')
                    return false;
        return true;
    };
    for (int code : {0x21, int('A'), int('z'), int('~'), 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xB3, 0xB4})
        EXPECT_FALSE(cellIsEmpty(code)) << code;
    EXPECT_TRUE(cellIsEmpty(' '));
}

} // namespace
