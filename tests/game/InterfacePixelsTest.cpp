// Interface drawing through the real renderer, headless, into an offscreen target.
#include <gtest/gtest.h>

#include <functional>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "Game.h"
#include "Graphics.h"
#include "Image.h"
#include "Images.h"
#include "StringTools.h"
#include "base/AssetDict.h"
#include "graphics/surface/Surface.h"
#include "support/GameFont.h"
#include "support/HeadlessGL.h"
#include "support/ImageEncode.h"
#include "support/MemoryMount.h"
#include "vfs/Vfs.h"

using Vorn::SmartPtr;
using Vorn::u32;

namespace {

constexpr u32 WHITE = 0xFFFFFFFFu;
constexpr u32 RED = 0xFF0000FFu;
constexpr u32 GREEN = 0x00FF00FFu;
constexpr u32 BLUE = 0x0000FFFFu;

class InterfacePixels : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!VornTest::HeadlessScreen())
            GTEST_SKIP() << "no GL";
        Content::s_images.clear();
        target = new Vorn::Surface(64, 64, Vorn::PF_RGBA8888);
        target->FillRect(0, 0, 64, 64, Vorn::Color{255, 255, 255, 255});
        graphics = new Graphics(target.Get());
    }
    void TearDown() override
    {
        Content::s_images.clear();
        Game::instance = nullptr;
        Vorn::g_assetDict = nullptr;
        Vorn::Vfs::Shutdown();
    }

    // A picture cached under id: left half red, right half green.
    void CacheHalves(int id, int width, int height)
    {
        SmartPtr<Image> image(new Image(width, height));
        image->surface = VornTest::MakeRgbaSurface(
            width, height, [width](int x, int) { return x < width / 2 ? RED : GREEN; });
        Content::s_images[id] = image;
    }

    VornTest::Image Read() { return VornTest::ReadPixels(target.Get()); }

    SmartPtr<Vorn::Surface> target;
    SmartPtr<Graphics> graphics;
};

}  // namespace

TEST_F(InterfacePixels, HelpersPlaceAndMirrorPictures)
{
    CacheHalves(7, 8, 4);
    graphics->DrawImage(7, 2, 3);
    graphics->DrawImageExFlipped(7, 20, 3, 0, 0, 8, 4, 2.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    graphics->DrawImagePart(7, 40, 3, 4, 4);
    graphics->DrawImageCentered(7, 54, 30, Graphics::ALIGN_CENTER_X | Graphics::ALIGN_BOTTOM);
    graphics->DrawImage(8, 40, 40);    // not cached
    graphics->DrawImage(420, 40, 40);  // outside the table
    const VornTest::Image out = Read();

    EXPECT_TRUE(VornTest::Near(out, 2, 3, RED));
    EXPECT_TRUE(VornTest::Near(out, 9, 6, GREEN));
    EXPECT_TRUE(VornTest::Near(out, 10, 3, WHITE));
    EXPECT_TRUE(VornTest::Near(out, 2, 7, WHITE));
    // Scaled twice and mirrored: green on the left, 16 x 8 pixels.
    EXPECT_TRUE(VornTest::Near(out, 20, 3, GREEN));
    EXPECT_TRUE(VornTest::Near(out, 35, 10, RED));
    EXPECT_TRUE(VornTest::Near(out, 36, 10, WHITE));
    EXPECT_TRUE(VornTest::Near(out, 20, 11, WHITE));
    // Only the left, red part.
    EXPECT_TRUE(VornTest::Near(out, 43, 6, RED));
    EXPECT_TRUE(VornTest::Near(out, 44, 6, WHITE));
    // Centred on x = 54, bottom on y = 30.
    EXPECT_TRUE(VornTest::Near(out, 50, 26, RED));
    EXPECT_TRUE(VornTest::Near(out, 57, 29, GREEN));
    EXPECT_TRUE(VornTest::Near(out, 58, 29, WHITE));
    EXPECT_TRUE(VornTest::Near(out, 54, 30, WHITE));
    for (int y = 36; y < 64; ++y)
        for (int x = 36; x < 64; ++x)
            ASSERT_TRUE(VornTest::Near(out, x, y, WHITE)) << x << "," << y;
}

TEST_F(InterfacePixels, TintAndAlphaColourThePicture)
{
    SmartPtr<Image> white(new Image(10, 10));
    white->surface = VornTest::MakeRgbaSurface(10, 10, [](int, int) { return WHITE; });
    Content::s_images[9] = white;
    graphics->DrawImageColored(9, 0, 0, 0.0f, 0.0f, 1.0f, 1.0f);
    graphics->DrawImageEx(9, 20, 0, 0, 0, 10, 10, 1.0f, 1.0f, 0.0f, 0.0f, 0.5f);
    const VornTest::Image out = Read();
    EXPECT_TRUE(VornTest::Near(out, 5, 5, BLUE));
    // Half-transparent red over white.
    EXPECT_TRUE(VornTest::Near(out, 25, 5, 0xFF8080FFu, 2));
    // The alpha stays on the surface for later untinted draws.
    EXPECT_EQ(127, white->surface->GetAlpha());
}

TEST_F(InterfacePixels, FontDrawsGlyphsInTheInkColour)
{
    StringTools::Init();
    Images::Init();
    VornTest::TestFontSpec spec;
    spec.advance = 4;
    spec.height = 6;
    VornTest::MemoryMount* mount = VornTest::MemoryMount::Install("device/");
    VornTest::AddTestFont(*mount, 46, spec);
    VornTest::CacheTestFontImage(46, spec, true);
    SmartPtr<GLFont> font(new GLFont(46));
    Game::COLOR_R = 0.0f;
    Game::COLOR_G = 1.0f;
    Game::COLOR_B = 0.0f;
    font->DrawTextCentered(graphics, Vorn::WideString(L"abc"), 32, 20);
    const VornTest::Image out = Read();
    // Twelve pixels wide centred on 32, six high centred on 20.
    EXPECT_TRUE(VornTest::Near(out, 26, 17, GREEN));
    EXPECT_TRUE(VornTest::Near(out, 37, 22, GREEN));
    EXPECT_TRUE(VornTest::Near(out, 25, 20, WHITE));
    EXPECT_TRUE(VornTest::Near(out, 38, 20, WHITE));
    EXPECT_TRUE(VornTest::Near(out, 30, 16, WHITE));
    EXPECT_TRUE(VornTest::Near(out, 30, 23, WHITE));
}

TEST_F(InterfacePixels, ImagesLoadOnceThroughTheAssetDictionary)
{
    std::vector<Vorn::u8> rgb(6 * 5 * 3, 0);
    for (size_t i = 0; i < rgb.size(); i += 3)
        rgb[i] = 255;
    VornTest::MemoryMount* mount = VornTest::MemoryMount::Install("device/");
    mount->Add("ui/logo.png", VornTest::EncodePngRgb(6, 5, rgb, false));
    Vorn::g_assetDict = new Vorn::AssetDict();

    SmartPtr<Image> first = Image::Create("/ui/logo.png");
    ASSERT_TRUE(first->GetSurface());
    EXPECT_EQ(6, first->width);
    EXPECT_EQ(5, first->height);
    SmartPtr<Image> second = Image::Create("/ui/logo.png");
    EXPECT_EQ(first->GetSurface(), second->GetSurface());

    SmartPtr<Image> missing = Image::Create("/ui/none.png");
    EXPECT_FALSE(missing->GetSurface());
    EXPECT_EQ(0, missing->width);

    Content::s_images[2] = first;
    graphics->DrawImage(2, 10, 10);
    const VornTest::Image out = Read();
    EXPECT_TRUE(VornTest::Near(out, 15, 14, RED));
    EXPECT_TRUE(VornTest::Near(out, 16, 14, WHITE));
}

namespace {

constexpr u32 GREY = 0xC0C0C0FFu;

// A picture cached under id whose pixel (x, y) is pixel(x, y).
void CachePicture(int id, int width, int height, const std::function<u32(int, int)>& pixel)
{
    SmartPtr<Image> image(new Image(width, height));
    image->surface = VornTest::MakeRgbaSurface(width, height, pixel);
    Content::s_images[id] = image;
}

}  // namespace

TEST_F(InterfacePixels, ButtonsShowCleanBackgroundFrameAndLabel)
{
    Consts::Init(240, 320, true);  // cells of 20
    StringTools::Init();
    Images::Init();
    Game::theme = 0;
    SmartPtr<Game> game(new Game());
    game->twitch = false;
    Game::COLOR_R = 1.0f;
    Game::COLOR_G = 0.0f;
    Game::COLOR_B = 0.0f;

    target = new Vorn::Surface(240, 320, Vorn::PF_RGBA8888);
    target->FillRect(0, 0, 240, 320, Vorn::Color{255, 255, 255, 255});
    graphics = new Graphics(target.Get());
    CachePicture(Consts::THEME_BACKGROUND[0], 240, 320, [](int, int) { return GREY; });
    // Line strips: a two-pixel line along the middle of a cell-wide strip.
    CachePicture(Consts::THEME_LINES_VERTICAL[0], 20, 600,
                 [](int x, int) { return x == 9 || x == 10 ? WHITE : 0u; });
    CachePicture(Consts::THEME_LINES_HORIZONTAL[0], 600, 20,
                 [](int, int y) { return y == 9 || y == 10 ? WHITE : 0u; });
    VornTest::TestFontSpec spec;
    spec.advance = 6;
    spec.height = 8;
    VornTest::MemoryMount* mount = VornTest::MemoryMount::Install("device/");
    VornTest::AddTestFont(*mount, 46, spec);
    VornTest::CacheTestFontImage(46, spec, true);
    SmartPtr<GLFont> font(new GLFont(46));

    SmartPtr<ButtonDisplayer> list(new ButtonDisplayer());
    list->AddButton(1, Vorn::WideString(L"ab"), font, 2.0f, 2.0f, 6.0f, 3.0f, 0.2f, -1);
    list->AddButton(2, Vorn::WideString(L"ab"), font, 2.0f, 8.0f, 6.0f, 3.0f, 0.2f, -1);
    list->TouchDown(60, 170);
    list->Update(1000);  // button 2 pressed: inset by 4 pixels on every side
    list->Draw(graphics);
    const VornTest::Image out = Read();

    // Button 1: box 40..159 x 40..99, its frame lines on pixels 39 and 40 of each side.
    EXPECT_TRUE(VornTest::Near(out, 60, 55, GREY));
    EXPECT_TRUE(VornTest::Near(out, 20, 20, WHITE));
    EXPECT_TRUE(VornTest::Near(out, 39, 70, RED));
    EXPECT_TRUE(VornTest::Near(out, 40, 70, RED));
    EXPECT_TRUE(VornTest::Near(out, 41, 70, GREY));
    EXPECT_TRUE(VornTest::Near(out, 38, 70, WHITE));
    EXPECT_TRUE(VornTest::Near(out, 100, 39, RED));
    EXPECT_TRUE(VornTest::Near(out, 160, 70, RED));
    EXPECT_TRUE(VornTest::Near(out, 100, 100, RED));
    // Its label, 12 x 8 pixels centred on (100, 70).
    EXPECT_TRUE(VornTest::Near(out, 94, 66, RED));
    EXPECT_TRUE(VornTest::Near(out, 105, 73, RED));
    EXPECT_TRUE(VornTest::Near(out, 93, 70, GREY));
    EXPECT_TRUE(VornTest::Near(out, 106, 70, GREY));
    EXPECT_TRUE(VornTest::Near(out, 100, 74, GREY));

    // Button 2, pressed: box 44..155 x 164..215, the label still centred on (100, 190).
    EXPECT_TRUE(VornTest::Near(out, 40, 190, WHITE));
    EXPECT_TRUE(VornTest::Near(out, 43, 190, RED));
    EXPECT_TRUE(VornTest::Near(out, 45, 190, GREY));
    EXPECT_TRUE(VornTest::Near(out, 100, 162, WHITE));
    EXPECT_TRUE(VornTest::Near(out, 100, 163, RED));
    EXPECT_TRUE(VornTest::Near(out, 94, 186, RED));
    EXPECT_TRUE(VornTest::Near(out, 106, 190, GREY));
}
