// Loaded images drawn through a surface into an offscreen target and read back: the loaders'
// byte order, formats and alpha must survive the GL copy.
#include <gtest/gtest.h>

#include <png.h>

#include "Decode.h"
#include "ImageFiles.h"
#include "graphics/pixeldata/PixelDataRLE.h"
#include "graphics/surface/AnimatedSurface.h"
#include "base/AssetDict.h"
#include "graphics/surface/Surface.h"
#include "support/HeadlessGL.h"
#include "support/ImageEncode.h"
#include "support/MemoryMount.h"
#include "vfs/Vfs.h"

using namespace Vorn;
using namespace VornTest;

namespace {

typedef std::vector<u8> Bytes8;

class DrawLoaded : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HeadlessScreen())
            GTEST_SKIP() << "no GL";
        target = new Surface(16, 16, PF_RGBA8888);
        target->FillRect(0, 0, 16, 16, Color{0, 0, 0, 255});
    }

    // The image drawn at (0, 0) on opaque black.
    Image Draw(const Bytes8& file)
    {
        target->FillRect(0, 0, 16, 16, Color{0, 0, 0, 255});
        SmartPtr<CachedFile> stream = MemoryFile(file);
        SmartPtr<Surface> image(ImageLoader::Load(stream.Get()));
        EXPECT_TRUE(image);
        if (image)
            target->Blit(0, 0, image.Get(), Rect{0, 0, image->GetWidth(), image->GetHeight()});
        return ReadPixels(target.Get());
    }

    SmartPtr<Surface> target;
};

PngParams Params(int w, int h, int colorType, int depth, Bytes8 rows)
{
    PngParams params;
    params.width = w;
    params.height = h;
    params.colorType = colorType;
    params.bitDepth = depth;
    params.rows = std::move(rows);
    return params;
}

}  // namespace

TEST_F(DrawLoaded, RgbAndRgbaPng)
{
    Image out = Draw(EncodePngRgb(3, 1, {255, 0, 0, 0, 255, 0, 10, 20, 30}, false));
    EXPECT_EQ(0xFF0000FFu, out.Pixel(0, 0));
    EXPECT_EQ(0x00FF00FFu, out.Pixel(1, 0));
    EXPECT_EQ(0x0A141EFFu, out.Pixel(2, 0));
    EXPECT_EQ(0x000000FFu, out.Pixel(3, 0));

    out = Draw(EncodePngRgb(2, 1, {200, 100, 50, 255, 200, 100, 50, 128}, true));
    EXPECT_EQ(0xC86432FFu, out.Pixel(0, 0));
    EXPECT_TRUE(Near(out, 1, 0, 0x643219FFu)) << std::hex << out.Pixel(1, 0);  // half over black
}

TEST_F(DrawLoaded, GreyPngDrawsAsAlphaOfTheDrawingColour)
{
    Image out = Draw(EncodePng(Params(3, 1, PNG_COLOR_TYPE_GRAY, 8, {0, 128, 255})));
    EXPECT_EQ(0x000000FFu, out.Pixel(0, 0));
    EXPECT_TRUE(Near(out, 1, 0, 0x808080FFu)) << std::hex << out.Pixel(1, 0);
    EXPECT_EQ(0xFFFFFFFFu, out.Pixel(2, 0));
}

TEST_F(DrawLoaded, PalettePngWithAndWithoutTransparency)
{
    PngParams params = Params(3, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2});
    params.palette = {255, 0, 0, 0, 0, 255, 9, 9, 9};
    Image out = Draw(EncodePng(params));
    EXPECT_EQ(0xFF0000FFu, out.Pixel(0, 0));
    EXPECT_EQ(0x0000FFFFu, out.Pixel(1, 0));
    EXPECT_EQ(0x090909FFu, out.Pixel(2, 0));

    params.withTransparency = true;
    params.transparency = {0, 255, 0};
    out = Draw(EncodePng(params));
    EXPECT_EQ(0x000000FFu, out.Pixel(0, 0));
    EXPECT_EQ(0x0000FFFFu, out.Pixel(1, 0));
    EXPECT_EQ(0x000000FFu, out.Pixel(2, 0));
}

TEST_F(DrawLoaded, SixteenBitPng)
{
    Image out = Draw(EncodePng(Params(1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, {0x12, 0xFF, 0x34, 0x00, 0x56, 0x77, 0xFF, 0xFF})));
    EXPECT_EQ(0x123456FFu, out.Pixel(0, 0));
}

TEST_F(DrawLoaded, JpegAndJpga)
{
    JpegParams params;
    params.width = 8;
    params.height = 8;
    for (int i = 0; i < 64; ++i)
        params.pixels.insert(params.pixels.end(), {40, 160, 220});
    Image out = Draw(EncodeJpeg(params));
    EXPECT_TRUE(Near(out, 3, 3, 0x28A0DCFFu, 4)) << std::hex << out.Pixel(3, 3);

    MemoryMount* mount = MemoryMount::Install("j/");
    mount->Add("c.jpg", EncodeJpeg(params));
    JpegParams alpha;
    alpha.width = 8;
    alpha.height = 8;
    alpha.color = JpegColor::GREY;
    alpha.pixels.assign(64, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 4; x < 8; ++x)
            alpha.pixels[y * 8 + x] = 255;
    mount->Add("a.jpg", EncodeJpeg(alpha));
    const std::string text = "JPGA 1\nj/c.jpg\nj/a.jpg\n";
    out = Draw(Bytes8(text.begin(), text.end()));
    EXPECT_TRUE(Near(out, 1, 4, 0x000000FFu, 4)) << std::hex << out.Pixel(1, 4);
    EXPECT_TRUE(Near(out, 6, 4, 0x28A0DCFFu, 4)) << std::hex << out.Pixel(6, 4);
    Vfs::Shutdown();
}

TEST_F(DrawLoaded, SixteenBitOptionDrawsQuantisedColour)
{
    MemoryMount* mount = MemoryMount::Install("o/");
    mount->Add("rgb.png", EncodePngRgb(1, 1, {0xFF, 0x85, 0x0F}, false));
    SmartPtr<Surface> image(AssetDict::LoadSurface("o/rgb.png@565"));
    ASSERT_TRUE(image);
    target->Blit(0, 0, image.Get(), Rect{0, 0, 1, 1});
    Image out = ReadPixels(target.Get());
    // 5-6-5 keeps the top 5, 6 and 5 bits; GL widens them back.
    EXPECT_TRUE(Near(out, 0, 0, 0xFF8408FFu, 4)) << std::hex << out.Pixel(0, 0);
    Vfs::Shutdown();
}

TEST_F(DrawLoaded, C565AndCrle)
{
    // Red, green, blue, white in 5:6:5.
    Image out = Draw(C565File(4, 1, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF}));
    EXPECT_EQ(0xFF0000FFu, out.Pixel(0, 0));
    EXPECT_EQ(0x00FF00FFu, out.Pixel(1, 0));
    EXPECT_EQ(0x0000FFFFu, out.Pixel(2, 0));
    EXPECT_EQ(0xFFFFFFFFu, out.Pixel(3, 0));

    // Transparent, then opaque red twice, then half-transparent white.
    const Bytes8 runs = {PixelDataRLE::ROW_MARKER, 14, 0,    PixelDataRLE::OP_TRANSPARENT, 1, 0,
                         PixelDataRLE::OP_OPAQUE_REPEAT, 2, 0, 0x00, 0xF8, PixelDataRLE::OP_TRANSLUCENT_LITERAL, 1, 0,
                         16, 0xFF, 0xFF};
    out = Draw(CrleFile(4, 1, runs));
    EXPECT_EQ(0x000000FFu, out.Pixel(0, 0));
    EXPECT_EQ(0xFF0000FFu, out.Pixel(1, 0));
    EXPECT_EQ(0xFF0000FFu, out.Pixel(2, 0));
    EXPECT_TRUE(Near(out, 3, 0, 0x848484FFu, 6)) << std::hex << out.Pixel(3, 0);
}

TEST_F(DrawLoaded, AnimationDrawsItsCurrentFrameAtItsOffset)
{
    MemoryMount* mount = MemoryMount::Install("d/");
    mount->Add("red.png", EncodePngRgb(1, 1, {255, 0, 0}, false));
    mount->Add("green.png", EncodePngRgb(1, 1, {0, 255, 0}, false));
    mount->Add("anim.xml", std::string("<?xml version=\"1.0\"?><anim><frame image=\"d/red.png\" time=\"10\"/>"
                                       "<frame image=\"d/green.png\" time=\"10\" x=\"2\" y=\"1\"/></anim>"));
    SmartPtr<Surface> anim(ImageLoader::Load(NarrowString("d/anim.xml")));
    ASSERT_TRUE(anim);
    target->Blit(0, 0, anim.Get(), Rect{0, 0, 1, 1});
    EXPECT_EQ(0xFF0000FFu, ReadPixels(target.Get()).Pixel(0, 0));
    anim->Update(0.02f);
    target->FillRect(0, 0, 16, 16, Color{0, 0, 0, 255});
    target->Blit(0, 0, anim.Get(), Rect{0, 0, 1, 1});
    Image out = ReadPixels(target.Get());
    EXPECT_EQ(0x000000FFu, out.Pixel(0, 0));
    EXPECT_EQ(0x00FF00FFu, out.Pixel(2, 1));
    Vfs::Shutdown();
}
