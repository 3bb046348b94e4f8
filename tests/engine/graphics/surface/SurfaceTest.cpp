#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "base/IOStream.h"
#include "base/SmartPtr.h"
#include "graphics/batcher/OpenGLBatcher.h"
#include "graphics/pixeldata/MemPixelData.h"
#include "graphics/surface/Surface.h"
#include "support/HeadlessGL.h"

using namespace Vorn;
using VornTest::Image;
using VornTest::MakeRgbaSurface;
using VornTest::ReadPixels;

namespace {

const u32 BLACK = 0x000000FFu;

// A distinct opaque colour per texel.
u32 Texel(int x, int y)
{
    return (u32(x * 8 + 1) << 24) | (u32(y * 8 + 1) << 16) | 0x4000u | 0xFFu;
}

class SurfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!VornTest::HeadlessScreen())
            GTEST_SKIP() << "no GL";
        batcher = static_cast<OpenGLBatcher*>(g_batcher.Get());
        target = new Surface(64, 64, PF_RGBA8888);
        target->FillRect(0, 0, 64, 64, Color{0, 0, 0, 255});
        image = MakeRgbaSurface(30, 30, Texel);
    }

    // Pixels of the target that are not opaque black.
    int CountDrawn(const Image& out)
    {
        int n = 0;
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x)
                n += out.Pixel(x, y) != BLACK;
        return n;
    }

    OpenGLBatcher* batcher = nullptr;
    SmartPtr<Surface> target;
    SmartPtr<Surface> image;
};

TEST_F(SurfaceTest, BlitCopiesTexelsExactly)
{
    target->Blit(5, 7, image.Get(), Rect{2, 3, 10, 4});
    Image out = ReadPixels(target.Get());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(out.Pixel(5 + x, 7 + y), Texel(2 + x, 3 + y)) << x << "," << y;
    EXPECT_EQ(out.Pixel(4, 7), BLACK);
    EXPECT_EQ(out.Pixel(15, 7), BLACK);
    EXPECT_EQ(out.Pixel(5, 11), BLACK);
    EXPECT_EQ(CountDrawn(out), 40);
}

TEST_F(SurfaceTest, BlitClampsTheRectangleWithoutShiftingIt)
{
    target->Blit(0, 0, image.Get(), Rect{-10, -10, 50, 50});
    Image out = ReadPixels(target.Get());
    EXPECT_EQ(out.Pixel(0, 0), Texel(0, 0));
    EXPECT_EQ(out.Pixel(29, 29), Texel(29, 29));
    EXPECT_EQ(out.Pixel(30, 29), BLACK);
    EXPECT_EQ(out.Pixel(29, 30), BLACK);
    EXPECT_EQ(CountDrawn(out), 900);
}

TEST_F(SurfaceTest, BlitAddsTheSourceDrawOffsetAndHonoursTheClip)
{
    image->SetDrawOffset(3, 4);
    target->SetClipRect(Rect{0, 0, 6, 64});
    target->Blit(0, 0, image.Get(), Rect{0, 0, 5, 5});
    Image out = ReadPixels(target.Get());
    EXPECT_EQ(out.Pixel(3, 4), Texel(0, 0));
    EXPECT_EQ(out.Pixel(5, 8), Texel(2, 4));
    EXPECT_EQ(out.Pixel(6, 8), BLACK) << "outside the clip";
    EXPECT_EQ(CountDrawn(out), 15);
}

TEST_F(SurfaceTest, EmptyOrMissingSourcesDrawNothing)
{
    SmartPtr<Surface> empty(new Surface(static_cast<PixelData*>(nullptr)));
    EXPECT_EQ(empty->GetWidth(), 0);
    target->Blit(0, 0, empty.Get(), Rect{0, 0, 10, 10});
    target->Blit(0, 0, nullptr, Rect{0, 0, 10, 10});
    target->Blit(0, 0, image.Get(), Rect{40, 40, 10, 10});
    target->StretchBlit(image.Get(), Rect{5, 5, 0, 3});
    empty->FillRect(0, 0, 4, 4, Color{255, 255, 255, 255});
    EXPECT_EQ(CountDrawn(ReadPixels(target.Get())), 0);
}

TEST_F(SurfaceTest, AtlasFrameIsClampedToItsOwnPicture)
{
    // A frame sharing the image's texture at origin (10, 10); only its 5 x 5 may show.
    class Frame : public Surface {
    public:
        Frame(PixelData* data) : Surface(data)
        {
            SetTextureOrigin(10, 10);
            SetSize(5, 5);
        }
    };
    SmartPtr<Surface> frame(new Frame(image->GetPixelData()));
    target->Blit(0, 0, frame.Get(), Rect{0, 0, 20, 20});
    Image out = ReadPixels(target.Get());
    EXPECT_EQ(out.Pixel(0, 0), Texel(10, 10));
    EXPECT_EQ(out.Pixel(4, 4), Texel(14, 14));
    EXPECT_EQ(CountDrawn(out), 25);
}

TEST_F(SurfaceTest, PiecesAssembleThePictureIncludingRotatedOnes)
{
    SmartPtr<Surface> frame(new Surface(image->GetPixelData()));
    frame->AllocPieces(2);
    // Left half of a 4 x 2 picture as stored; right half stored turned at (20, 20).
    frame->SetPiece(0, SurfacePiece{0, 0, 2, 2, 6, 8, 6, 8, 0});
    frame->SetPiece(1, SurfacePiece{2, 0, 2, 2, 20, 20, 18, 20, 1});
    auto picture = [](int fx, int fy) {
        return fx < 2 ? Texel(6 + fx, 8 + fy) : Texel(20 + fy, 20 + (fx - 2));
    };
    target->Blit(1, 1, frame.Get(), Rect{0, 0, 4, 2});
    target->Blit(10, 1, frame.Get(), Rect{1, 1, 2, 1});  // one texel of each piece
    target->Blit(20, 1, frame.Get(), Rect{0, 5, 4, 4});  // meets no piece
    Image out = ReadPixels(target.Get());
    for (int fy = 0; fy < 2; ++fy)
        for (int fx = 0; fx < 4; ++fx)
            EXPECT_EQ(out.Pixel(1 + fx, 1 + fy), picture(fx, fy)) << fx << "," << fy;
    EXPECT_EQ(out.Pixel(10, 1), picture(1, 1));
    EXPECT_EQ(out.Pixel(11, 1), picture(2, 1));
    EXPECT_EQ(CountDrawn(out), 10);
}

TEST_F(SurfaceTest, StretchBlitScalesTheRectangleOverTheWholeTarget)
{
    SmartPtr<Surface> small(new Surface(4, 6, PF_RGBA8888));
    small->StretchBlit(image.Get(), Rect{3, 3, 2, 3});
    Image out = ReadPixels(small.Get());
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(out.Pixel(x, y), Texel(3 + x / 2, 3 + y / 2)) << x << "," << y;
}

TEST_F(SurfaceTest, FillAndTranslucentFill)
{
    target->FillRect(2, 2, 6, 5, Color{10, 20, 30, 255});
    target->FillRect(10, 10, 12, 12, Color{255, 255, 255, 128});
    Image out = ReadPixels(target.Get());
    EXPECT_EQ(out.Pixel(2, 2), 0x0A141EFFu);
    EXPECT_EQ(out.Pixel(5, 4), 0x0A141EFFu);
    EXPECT_EQ(out.Pixel(6, 4), BLACK);
    EXPECT_TRUE(VornTest::Near(out, 11, 11, 0x808080FFu));
    EXPECT_EQ(CountDrawn(out), 16);
}

// The pixels an outline covers: a closed frame of 10 x 10 (36 pixels) with an empty inside.
void ExpectFrame(const Image& out)
{
    int minX = 99, minY = 99, maxX = -1, maxY = -1, n = 0;
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            if (out.Pixel(x, y) == BLACK)
                continue;
            ++n;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    EXPECT_EQ(n, 36);
    EXPECT_EQ(maxX - minX, 9);
    EXPECT_EQ(maxY - minY, 9);
    EXPECT_TRUE(minX == 9 || minX == 10) << minX;
    for (int x = minX; x <= maxX; ++x) {
        EXPECT_NE(out.Pixel(x, minY), BLACK);
        EXPECT_NE(out.Pixel(x, maxY), BLACK);
    }
    for (int y = minY; y <= maxY; ++y) {
        EXPECT_NE(out.Pixel(minX, y), BLACK);
        EXPECT_NE(out.Pixel(maxX, y), BLACK);
    }
}

TEST_F(SurfaceTest, OutlineIsAOneUnitFrameWhicheverWayXIsGiven)
{
    target->DrawRect(10, 10, 20, 20, Color{255, 255, 255, 255});
    Image first = ReadPixels(target.Get());
    ExpectFrame(first);
    target->FillRect(0, 0, 64, 64, Color{0, 0, 0, 255});
    target->DrawRect(20, 10, 10, 20, Color{255, 255, 255, 255});
    Image second = ReadPixels(target.Get());
    ExpectFrame(second);
    EXPECT_EQ(first.rgba, second.rgba);
}

TEST_F(SurfaceTest, LinesCoverTheirLength)
{
    target->DrawHLine(2.5f, 12.5f, 3.5f, Color{255, 0, 0, 255});
    target->DrawVLine(30.5f, 20.5f, 40.5f, Color{0, 255, 0, 255});
    target->DrawLine(40.5f, 40.5f, 50.5f, 50.5f, Color{0, 0, 255, 255});
    Image out = ReadPixels(target.Get());
    int red = 0, green = 0, blue = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const u32 p = out.Pixel(x, y);
            if (p == 0xFF0000FFu) {
                ++red;
                EXPECT_EQ(y, 3);
            } else if (p == 0x00FF00FFu) {
                ++green;
                EXPECT_EQ(x, 30);
            } else if (p == 0x0000FFFFu) {
                ++blue;
                EXPECT_EQ(x, y);
            }
        }
    }
    EXPECT_EQ(red, 10);
    EXPECT_EQ(green, 20);
    EXPECT_EQ(blue, 10);
}

TEST_F(SurfaceTest, FilledCircleIsAFanOfSqrtRTimesFourSegments)
{
    batcher->Flush();
    batcher->ResetStats();
    target->FillCircle(32, 32, 4, Color{255, 255, 255, 255});
    batcher->Flush();
    EXPECT_EQ(batcher->GetStats().indices, 6u * 3);  // 8 segments: 6 triangles

    target->FillCircle(32, 32, 16, Color{255, 255, 255, 255});
    Image out = ReadPixels(target.Get());
    EXPECT_EQ(out.Pixel(32, 32), 0xFFFFFFFFu);
    EXPECT_EQ(out.Pixel(32, 20), 0xFFFFFFFFu);
    EXPECT_EQ(out.Pixel(32, 10), BLACK);
    EXPECT_EQ(out.Pixel(44, 44), BLACK);
}

TEST_F(SurfaceTest, CircleRadiiThatCannotBeDrawnAreRefused)
{
    batcher->Flush();
    batcher->ResetStats();
    target->FillCircle(10, 10, 0.5f, Color{255, 255, 255, 255});  // 2 segments
    target->FillCircle(10, 10, -4, Color{255, 255, 255, 255});
    target->FillCircle(10, 10, std::numeric_limits<float>::quiet_NaN(), Color{255, 255, 255, 255});
    target->DrawCircle(10, 10, -1, Color{255, 255, 255, 255});
    batcher->Flush();
    EXPECT_EQ(batcher->GetStats().drawCalls, 0u);
    target->FillCircle(10, 10, 1e30f, Color{255, 255, 255, 255});
    batcher->Flush();
    EXPECT_LE(batcher->GetStats().indices, 3u * Surface::MAX_CIRCLE_SEGMENTS);
}

TEST_F(SurfaceTest, CircleOutlineIsClosedAndHollow)
{
    batcher->Flush();
    batcher->ResetStats();
    target->DrawCircle(32, 32, 16, Color{255, 255, 255, 255});  // 16 segments
    batcher->Flush();
    EXPECT_EQ(batcher->GetStats().indices, 2u + 16 * 2);
    Image out = ReadPixels(target.Get());
    EXPECT_EQ(out.Pixel(32, 32), BLACK);
    // Every row the circle spans is crossed on both sides of the centre.
    for (int y = 18; y <= 46; ++y) {
        bool left = false, right = false;
        for (int x = 0; x < 64; ++x) {
            if (out.Pixel(x, y) != BLACK)
                (x < 32 ? left : right) = true;
        }
        EXPECT_TRUE(left && right) << y;
    }
}

TEST_F(SurfaceTest, ClearUsesTheClipAndTheFormatsAlpha)
{
    target->SetClipRect(Rect{0, 0, 8, 8});
    target->Clear(Color{255, 0, 0, 255});
    SmartPtr<Surface> rgb(new Surface(4, 4, PF_RGB888));
    rgb->Clear(100);
    Image out = ReadPixels(target.Get());
    EXPECT_EQ(out.Pixel(7, 7), 0xFF000000u);
    EXPECT_EQ(out.Pixel(8, 8), BLACK);
    EXPECT_EQ(ReadPixels(rgb.Get()).Pixel(1, 1), 0x646464FFu);
}

TEST_F(SurfaceTest, CloneCopiesTranslucentImagesUnchanged)
{
    SmartPtr<Surface> glass(MakeRgbaSurface(6, 5, [](int x, int y) {
        return (u32(x * 40) << 24) | (u32(y * 50) << 16) | (0x30u << 8) | u32(20 + x * 30 + y * 7);
    }));
    SmartPtr<Surface> copy(glass->Clone());
    EXPECT_EQ(copy->GetWidth(), 6);
    EXPECT_EQ(copy->GetHeight(), 5);
    EXPECT_EQ(copy->GetPixelData()->GetFormat(), PF_RGBA8888);
    Image original = ReadPixels(glass.Get());
    Image cloned = ReadPixels(copy.Get());
    EXPECT_EQ(original.rgba, cloned.rgba);

    glass->SetClipRect(Rect{0, 0, 2, 2});
    SmartPtr<Surface> part(glass->Clone());
    EXPECT_EQ(ReadPixels(part.Get()).Pixel(4, 4), 0u) << "outside the clip stays transparent";
}

TEST_F(SurfaceTest, ColourKeyedTexelsAreNotDrawn)
{
    SmartPtr<Surface> keyed(MakeRgbaSurface(2, 1, [](int x, int) { return x ? 0xFF00FFFFu : 0x00FF00FFu; }));
    keyed->SetFlags(Surface::FLAG_COLORKEY);
    target->Blit(0, 0, keyed.Get(), Rect{0, 0, 2, 1});
    keyed->SetFlags(0);
    target->Blit(0, 1, keyed.Get(), Rect{0, 0, 2, 1});
    Image out = ReadPixels(target.Get());
    EXPECT_EQ(out.Pixel(0, 0), 0x00FF00FFu);
    EXPECT_EQ(out.Pixel(1, 0), BLACK);
    EXPECT_EQ(out.Pixel(1, 1), 0xFF00FFFFu);
}

TEST_F(SurfaceTest, TintAndSurfaceAlpha)
{
    SmartPtr<Surface> white(MakeRgbaSurface(2, 2, [](int, int) { return 0xFFFFFFFFu; }));
    target->BlitColored(0, 0, Color{255, 0, 0, 17}, white.Get(), Rect{0, 0, 2, 2});
    white->SetAlpha(128);
    target->Blit(4, 0, white.Get(), Rect{0, 0, 2, 2});
    Image out = ReadPixels(target.Get());
    EXPECT_EQ(out.Pixel(1, 1), 0xFF0000FFu) << "the tint's alpha is not used";
    EXPECT_TRUE(VornTest::Near(out, 5, 1, 0x808080FFu));
}

// A stream over bytes in memory.
class BytesStream : public IOStream {
public:
    explicit BytesStream(std::vector<u8> bytes) : data(std::move(bytes)) {}
    s32 Read(void* buffer, u32 count) override
    {
        const size_t n = std::min<size_t>(count, data.size() - pos);
        if (n)
            std::memcpy(buffer, data.data() + pos, n);
        pos += n;
        return static_cast<s32>(n);
    }
    u32 Write(const void*, u32) override { return 0; }

private:
    std::vector<u8> data;
    size_t pos = 0;
};

TEST(SurfacePieces, ReadFromAStreamAndRefusedWhenShort)
{
    Surface s(static_cast<PixelData*>(nullptr));
    BytesStream good({2, 0, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 0x10, 0x27, 0, 0, 1, 0, 1, 0});
    ASSERT_TRUE(s.ReadPieces(good));
    ASSERT_EQ(s.GetPieceCount(), 2u);
    EXPECT_EQ(s.GetPieces()[0].x, 1);
    EXPECT_EQ(s.GetPieces()[0].h, 4);
    EXPECT_EQ(s.GetPieces()[0].ax, 1);
    EXPECT_EQ(s.GetPieces()[1].x, 10000);
    EXPECT_EQ(s.GetPieces()[1].rotated, 0);

    // A count the stream does not back is refused without allocating for it.
    BytesStream lying({0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 2, 0, 3, 0, 4, 0});
    EXPECT_FALSE(s.ReadPieces(lying));
    EXPECT_EQ(s.GetPieceCount(), 0u);
    BytesStream negative({0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_TRUE(s.ReadPieces(negative));
    EXPECT_EQ(s.GetPieceCount(), 0u);
    BytesStream empty({});
    EXPECT_FALSE(s.ReadPieces(empty));
}

TEST(SurfacePieces, SetPieceIgnoresIndicesOutsideTheArray)
{
    Surface s(static_cast<PixelData*>(nullptr));
    s.AllocPieces(1);
    s.SetPiece(5, SurfacePiece{1, 1, 1, 1, 0, 0, 0, 0, 0});
    s.SetPiece(0, SurfacePiece{7, 0, 1, 1, 0, 0, 0, 0, 0});
    EXPECT_EQ(s.GetPieces()[0].x, 7);
}

}  // namespace
