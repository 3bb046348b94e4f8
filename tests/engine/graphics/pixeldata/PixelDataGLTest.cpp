#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include <GLES2/gl2.h>

#include "application/AbstractApp.h"
#include "base/SmartPtr.h"
#include "graphics/OpenGL.h"
#include "graphics/batcher/Batcher.h"
#include "graphics/pixeldata/MemPixelData.h"
#include "graphics/pixeldata/PixelDataGL.h"
#include "graphics/pixeldata/PixelDataRLE.h"
#include "graphics/surface/Surface.h"
#include "support/HeadlessGL.h"

using namespace Vorn;
using VornTest::Image;
using VornTest::ReadPixels;

namespace {

// B, G, R bytes of pixel (x, y) of a test pattern.
void Pattern(int x, int y, u8* bgr)
{
    bgr[0] = static_cast<u8>(x);
    bgr[1] = static_cast<u8>(y);
    bgr[2] = static_cast<u8>(x + y);
}

MemPixelData* MakeRgb888(int w, int h)
{
    auto data = new MemPixelData(w, h, PF_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            Pattern(x, y, data->Lock() + y * data->GetPitch() + x * 3);
    return data;
}

TEST(PixelDataGLBuffer, PadsToPowersOfTwoByRepeatingTheLastColumnAndRow)
{
    SmartPtr<MemPixelData> source(MakeRgb888(100, 60));
    SmartPtr<PixelDataGL> texture(new PixelDataGL(source.Get()));
    EXPECT_EQ(texture->GetTextureWidth(), 128);
    EXPECT_EQ(texture->GetTextureHeight(), 64);
    EXPECT_FLOAT_EQ(texture->GetTexelScaleU(), 1.0f / 128);
    EXPECT_FLOAT_EQ(texture->GetTexelScaleV(), 1.0f / 64);
    EXPECT_EQ(texture->GetFormat(), PF_RGB888);
    EXPECT_EQ(source->Lock(), nullptr) << "the source's pixels are freed once copied";

    const u8* buffer = texture->LockConst();
    ASSERT_NE(buffer, nullptr);
    auto rgbAt = [&](int x, int y) { return buffer + (y * 128 + x) * 3; };
    u8 expect[3];
    Pattern(7, 9, expect);
    EXPECT_EQ(rgbAt(7, 9)[0], expect[2]) << "GL order R, G, B";
    EXPECT_EQ(rgbAt(7, 9)[1], expect[1]);
    EXPECT_EQ(rgbAt(7, 9)[2], expect[0]);
    for (int x = 100; x < 128; ++x)
        EXPECT_EQ(0, std::memcmp(rgbAt(x, 30), rgbAt(99, 30), 3)) << x;
    for (int y = 60; y < 64; ++y)
        EXPECT_EQ(0, std::memcmp(rgbAt(0, y), rgbAt(0, 59), 128 * 3)) << y;
}

// Against a texel-by-texel reference: each texel is the source pixel at the nearest position
// inside the image, its bytes 0 and 2 exchanged for 24- and 32-bit pixels; every byte is defined.
TEST(PixelDataGLBuffer, EveryTexelIsTheNearestImagePixelInGLOrder)
{
    u32 seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    for (int round = 0; round < 40; ++round) {
        const PixelFormat format = static_cast<PixelFormat>(round % 4);
        const int b = format == PF_A8 ? 1 : format == PF_RGB565 ? 2 : format == PF_RGB888 ? 3 : 4;
        const int w = round < 4 ? 0 : 1 + static_cast<int>(next() % 70);
        const int h = 1 + static_cast<int>(next() % 40);
        auto data = new MemPixelData(w, h, format);
        std::vector<u8> image(static_cast<size_t>(w) * h * b);
        for (u8& byte : image)
            byte = static_cast<u8>(next());
        if (!image.empty())
            std::memcpy(data->Lock(), image.data(), image.size());
        SmartPtr<PixelDataGL> texture(new PixelDataGL(data));
        const int W = texture->GetTextureWidth(), H = texture->GetTextureHeight();
        const u8* buffer = texture->LockConst();
        ASSERT_NE(buffer, nullptr);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                for (int i = 0; i < b; ++i) {
                    const int from = b >= 3 && (i == 0 || i == 2) ? 2 - i : i;
                    const size_t nearest =
                        static_cast<size_t>(std::min(y, h - 1)) * w + std::min(x, w - 1);
                    const u8 expected = w == 0 ? 0 : image[nearest * b + from];
                    ASSERT_EQ(buffer[(static_cast<size_t>(y) * W + x) * b + i], expected)
                        << "format " << format << ", " << w << " x " << h << ", texel " << x
                        << ", " << y;
                }
    }
}

TEST(PixelDataGLBuffer, SizesAndFormatsOfEmptyTextures)
{
    SmartPtr<PixelDataGL> exact(new PixelDataGL(64, 32, PF_RGBA8888));
    EXPECT_EQ(exact->GetTextureWidth(), 64);
    EXPECT_EQ(exact->GetTextureHeight(), 32);
    EXPECT_EQ(exact->Lock(), nullptr) << "render targets have no pixels to upload";

    SmartPtr<PixelDataGL> empty(new PixelDataGL(0, 3, PF_RLE));
    EXPECT_EQ(empty->GetTextureWidth(), 1);
    EXPECT_EQ(empty->GetTextureHeight(), 4);
    EXPECT_EQ(empty->GetFormat(), PF_RGB888);

    SmartPtr<PixelDataGL> bogus(new PixelDataGL(2, 2, static_cast<PixelFormat>(99)));
    EXPECT_EQ(bogus->GetFormat(), PF_RGB888);
}

TEST(PixelDataGLBuffer, CompressedBuffersHoldWholeBlocks)
{
    const struct {
        PixelFormat format;
        int size;
        size_t bytes;
    } rows[] = {{PF_DXT1, 8, 32},  {PF_DXT1, 1, 8},   {PF_DXT5, 8, 64},  {PF_ETC1, 16, 128},
                {PF_PVRTC4_RGB, 1, 32}, {PF_PVRTC4_RGBA, 16, 128}, {PF_PVRTC2_RGB, 1, 32},
                {PF_PVRTC2_RGBA, 32, 256}};
    for (const auto& row : rows) {
        SmartPtr<PixelDataGL> t(new PixelDataGL(row.size, row.size, row.format));
        ASSERT_NE(t->GetUploadRecord(), nullptr);
        EXPECT_EQ(t->GetUploadRecord()->bufferSize, row.bytes) << row.format << " " << row.size;
        EXPECT_EQ(t->GetUploadRecord()->glFormat, 0u);
        EXPECT_NE(t->Lock(), nullptr);
    }
}

TEST(PixelDataGLBuffer, RunLengthImagesBecomeRgbaWithClearTransparentRuns)
{
    auto rgba = new MemPixelData(3, 1, PF_RGBA8888);
    const u8 pixels[12] = {0, 0, 255, 255,  9, 9, 9, 0,  255, 255, 255, 255};  // B, G, R, A
    std::memcpy(rgba->Lock(), pixels, 12);
    SmartPtr<PixelData> source(rgba);
    SmartPtr<PixelDataGL> texture(new PixelDataGL(new PixelDataRLE(source.Get())));
    EXPECT_EQ(texture->GetFormat(), PF_RGBA8888);
    const u8* b = texture->LockConst();
    ASSERT_NE(b, nullptr);
    const u8 expected[16] = {255, 0, 0, 255,  0, 0, 0, 0,  255, 255, 255, 255,  255, 255, 255, 255};
    EXPECT_EQ(0, std::memcmp(b, expected, 16));
}

TEST(PixelDataGLBuffer, TextureLargerThanTheLimitAllocatesNothing)
{
    SmartPtr<MemPixelData> source(new MemPixelData(OpenGL::GetMaxTextureSize() + 1, 1, PF_A8));
    SmartPtr<PixelDataGL> texture(new PixelDataGL(source.Get()));
    EXPECT_EQ(texture->GetTextureWidth(), 0);
    EXPECT_EQ(texture->Lock(), nullptr);
    SmartPtr<PixelDataGL> huge(new PixelDataGL(0x7FFFFFFF, 0x7FFFFFFF, PF_DXT5));
    EXPECT_EQ(huge->Lock(), nullptr);
}

TEST(PixelDataGLBuffer, ConvertTo565OnlyTouchesAPendingRgb888Buffer)
{
    auto data = new MemPixelData(1, 1, PF_RGB888);
    data->Lock()[0] = 0x1F;  // B
    data->Lock()[1] = 0xFF;  // G
    data->Lock()[2] = 0x80;  // R
    SmartPtr<PixelDataGL> texture(new PixelDataGL(data));
    ASSERT_TRUE(texture->ConvertTo565());
    EXPECT_EQ(texture->GetFormat(), PF_RGB565);
    u16 pixel = 0;
    std::memcpy(&pixel, texture->LockConst(), 2);
    EXPECT_EQ(pixel, (0x80 >> 3) << 11 | (0xFF >> 2) << 5 | (0x1F >> 3));
    EXPECT_FALSE(texture->ConvertTo565()) << "already 16-bit";

    SmartPtr<PixelDataGL> rgba(new PixelDataGL(new MemPixelData(2, 2, PF_RGBA8888)));
    EXPECT_FALSE(rgba->ConvertTo565());
    EXPECT_EQ(rgba->GetFormat(), PF_RGBA8888);
    SmartPtr<PixelDataGL> target(new PixelDataGL(2, 2, PF_RGB888));
    EXPECT_FALSE(target->ConvertTo565()) << "nothing pending";
}

class PixelDataGLTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!VornTest::HeadlessScreen())
            GTEST_SKIP() << "no GL";
        target = new Surface(32, 32, PF_RGBA8888);
        target->FillRect(0, 0, 32, 32, Color{0, 0, 0, 255});
    }
    SmartPtr<Surface> target;
};

TEST_F(PixelDataGLTest, OddRowsUploadUnskewed)
{
    // Rows of 3, 5 and 9 bytes: GL's default unpack alignment of 4 would shear them.
    SmartPtr<Surface> rgb(new Surface(MakeRgb888(3, 3)));
    auto a8 = new MemPixelData(5, 2, PF_A8);
    for (int i = 0; i < 10; ++i)
        a8->Lock()[i] = static_cast<u8>(i * 25);
    SmartPtr<Surface> alpha(new Surface(a8));
    target->Blit(0, 0, rgb.Get(), Rect{0, 0, 3, 3});
    target->Blit(0, 10, alpha.Get(), Rect{0, 0, 5, 2});
    Image image = ReadPixels(target.Get());
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            u8 bgr[3];
            Pattern(x, y, bgr);
            EXPECT_EQ(image.Pixel(x, y), (u32(bgr[2]) << 24) | (u32(bgr[1]) << 16) | (u32(bgr[0]) << 8) | 0xFF)
                << x << "," << y;
        }
    }
    // A8 drawn white with the texel's alpha over opaque black.
    EXPECT_TRUE(VornTest::Near(image, 3, 11, 0xC8C8C8FFu)) << std::hex << image.Pixel(3, 11);
}

TEST_F(PixelDataGLTest, Converted565ImageDrawsItsQuantisedColours)
{
    auto data = new MemPixelData(3, 1, PF_RGB888);
    const u8 bgr[9] = {0, 0, 255,  0, 255, 0,  255, 0, 0};
    std::memcpy(data->Lock(), bgr, 9);
    SmartPtr<Surface> image(new Surface(data));
    image->ConvertTo565();
    target->Blit(0, 0, image.Get(), Rect{0, 0, 3, 1});
    Image out = ReadPixels(target.Get());
    EXPECT_EQ(out.Pixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(out.Pixel(1, 0), 0x00FF00FFu);
    EXPECT_EQ(out.Pixel(2, 0), 0x0000FFFFu);
}

TEST_F(PixelDataGLTest, UploadFreesThePixelsUnlessTexturesAge)
{
    SmartPtr<Surface> image(new Surface(MakeRgb888(4, 4)));
    auto texture = static_cast<PixelDataGL*>(image->GetPixelData());
    target->Blit(0, 0, image.Get(), Rect{0, 0, 4, 4});
    EXPECT_TRUE(texture->IsUploaded());
    EXPECT_EQ(texture->Lock(), nullptr);
    for (int i = 0; i < 60; ++i)
        PixelDataGL::AgeAll();
    EXPECT_NE(texture->GetTexture(), 0u) << "no ageing without the application flag";
}

TEST_F(PixelDataGLTest, IdleTexturesAgeOutAndComeBackWithTheirPixels)
{
    AbstractApp app(AbstractApp::FLAG_TEXTURE_AGEING);
    SmartPtr<Surface> image(VornTest::MakeRgbaSurface(2, 2, [](int x, int) { return x ? 0x11223344u : 0xAABBCCFFu; }));
    auto texture = static_cast<PixelDataGL*>(image->GetPixelData());
    target->Blit(0, 0, image.Get(), Rect{0, 0, 2, 2});
    g_batcher->Flush();
    ASSERT_NE(texture->GetTexture(), 0u);
    ASSERT_NE(texture->Lock(), nullptr) << "the record stays for a later upload";
    for (int i = 0; i < PixelDataGL::MAX_IDLE_FRAMES; ++i)
        PixelDataGL::AgeAll();
    EXPECT_NE(texture->GetTexture(), 0u);
    PixelDataGL::AgeAll();
    EXPECT_EQ(texture->GetTexture(), 0u);
    EXPECT_FALSE(texture->IsUploaded());

    target->Blit(10, 0, image.Get(), Rect{0, 0, 2, 2});
    Image out = ReadPixels(target.Get());
    EXPECT_EQ(out.Pixel(10, 0), 0xAABBCCFFu);
    EXPECT_EQ(texture->GetIdleAge(), 0);
}

TEST_F(PixelDataGLTest, TargetsSurviveReleaseAll)
{
    SmartPtr<Surface> offscreen(new Surface(8, 8, PF_RGBA8888));
    offscreen->FillRect(0, 0, 8, 8, Color{0, 0, 255, 255});
    EXPECT_EQ(ReadPixels(offscreen.Get()).Pixel(4, 4), 0x0000FFFFu);
    OpenGL::Shutdown();
    OpenGL::Init();
    offscreen->FillRect(0, 0, 8, 8, Color{255, 0, 0, 255});
    EXPECT_EQ(ReadPixels(offscreen.Get()).Pixel(4, 4), 0xFF0000FFu);
}

}  // namespace
