#include <gtest/gtest.h>

#include <cmath>

#include "base/SmartPtr.h"
#include "graphics/batcher/OpenGLBatcher.h"
#include "graphics/surface/Surface.h"
#include "graphics/surface/TriangleEngine.h"
#include "support/HeadlessGL.h"

using namespace Vorn;
using VornTest::Image;
using VornTest::MakeRgbaSurface;
using VornTest::ReadPixels;

namespace {

const u32 BLACK = 0x000000FFu;
const float PI = 3.14159265358979f;
const float ONE[2] = {1.0f, 1.0f};
const float ORIGIN[2] = {0.0f, 0.0f};

u32 Texel(int x, int y)
{
    return (u32(x * 20 + 5) << 24) | (u32(y * 20 + 5) << 16) | 0x8000u | 0xFFu;
}

class TriangleEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!VornTest::HeadlessScreen())
            GTEST_SKIP() << "no GL";
        target = new Surface(48, 48, PF_RGBA8888);
        Reset();
        image = MakeRgbaSurface(8, 8, Texel);
    }

    void Reset() { target->FillRect(0, 0, 48, 48, Color{0, 0, 0, 255}); }

    int CountDrawn(const Image& out)
    {
        int n = 0;
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x)
                n += out.Pixel(x, y) != BLACK;
        return n;
    }

    SmartPtr<Surface> target;
    SmartPtr<Surface> image;
};

TEST_F(TriangleEngineTest, IdentityDrawsWhatBlitDraws)
{
    image->SetDrawOffset(1, 2);
    target->Blit(5, 6, image.Get(), Rect{1, 2, 5, 4});
    Image blitted = ReadPixels(target.Get());
    Reset();
    TriangleEngine::Draw(target.Get(), image.Get(), 5, 6, 0.0f, ONE, ORIGIN, TriangleEngine::FLIP_NONE,
                         Rect{1, 2, 5, 4});
    Image drawn = ReadPixels(target.Get());
    EXPECT_EQ(blitted.rgba, drawn.rgba);
    EXPECT_EQ(CountDrawn(drawn), 20);
}

TEST_F(TriangleEngineTest, HalfTurnAboutTheCentre)
{
    const float pivot[2] = {4.0f, 4.0f};
    TriangleEngine::Draw(target.Get(), image.Get(), 20, 20, PI, ONE, pivot, 0, Rect{0, 0, 8, 8});
    Image out = ReadPixels(target.Get());
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(out.Pixel(16 + x, 16 + y), Texel(7 - x, 7 - y)) << x << "," << y;
    EXPECT_EQ(CountDrawn(out), 64);
}

TEST_F(TriangleEngineTest, PositiveQuarterTurnIsClockwise)
{
    TriangleEngine::Draw(target.Get(), image.Get(), 20, 10, PI / 2, ONE, ORIGIN, 0, Rect{0, 0, 8, 4});
    Image out = ReadPixels(target.Get());
    // The picture's top row now runs down the column left of x = 20.
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(out.Pixel(19, 10 + i), Texel(i, 0)) << i;
    EXPECT_EQ(out.Pixel(16, 10), Texel(0, 3));
    EXPECT_EQ(CountDrawn(out), 32);
}

TEST_F(TriangleEngineTest, FlipsMirrorWithinTheRectangle)
{
    const Rect rect{2, 1, 4, 3};
    for (u8 flip = 0; flip < 4; ++flip)
        TriangleEngine::Draw(target.Get(), image.Get(), 1.0f + flip * 10, 1, 0, ONE, ORIGIN, flip, rect);
    Image out = ReadPixels(target.Get());
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(out.Pixel(1 + x, 1 + y), Texel(2 + x, 1 + y));
            EXPECT_EQ(out.Pixel(11 + x, 1 + y), Texel(2 + x, 3 - y)) << "vertical";
            EXPECT_EQ(out.Pixel(21 + x, 1 + y), Texel(5 - x, 1 + y)) << "horizontal";
            EXPECT_EQ(out.Pixel(31 + x, 1 + y), Texel(5 - x, 3 - y)) << "both";
        }
    }
    EXPECT_EQ(CountDrawn(out), 48);
}

TEST_F(TriangleEngineTest, ScaleStretchesBeforeTurning)
{
    const float wide[2] = {2.0f, 1.0f};
    TriangleEngine::Draw(target.Get(), image.Get(), 2, 2, 0, wide, ORIGIN, 0, Rect{0, 0, 4, 2});
    const float pivot[2] = {0.0f, 0.0f};
    TriangleEngine::Draw(target.Get(), image.Get(), 30, 2, PI / 2, wide, pivot, 0, Rect{0, 0, 4, 2});
    Image out = ReadPixels(target.Get());
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(out.Pixel(2 + x, 2), Texel(x / 2, 0)) << x;
    EXPECT_EQ(out.Pixel(10, 2), BLACK);
    // Turned a quarter: the doubled width runs downwards.
    EXPECT_EQ(out.Pixel(29, 2 + 7), Texel(3, 0));
    EXPECT_EQ(CountDrawn(out), 32);
}

TEST_F(TriangleEngineTest, UnknownFlipDrawsNothing)
{
    TriangleEngine::Draw(target.Get(), image.Get(), 5, 5, 0, ONE, ORIGIN, 4, Rect{0, 0, 8, 8});
    TriangleEngine::Draw(nullptr, image.Get(), 5, 5, 0, ONE, ORIGIN, 0, Rect{0, 0, 8, 8});
    TriangleEngine::Draw(target.Get(), nullptr, 5, 5, 0, ONE, ORIGIN, 0, Rect{0, 0, 8, 8});
    EXPECT_EQ(CountDrawn(ReadPixels(target.Get())), 0);
}

TEST_F(TriangleEngineTest, ColouredAndAdditive)
{
    SmartPtr<Surface> white(MakeRgbaSurface(2, 2, [](int, int) { return 0xFFFFFFFFu; }));
    TriangleEngine::DrawColored(target.Get(), white.Get(), 0, 0, 0, ONE, ORIGIN, 0, Rect{0, 0, 2, 2},
                                Color{0, 255, 0, 10});
    SmartPtr<Surface> dim(MakeRgbaSurface(2, 2, [](int, int) { return 0x404040FFu; }));
    target->FillRect(10, 0, 12, 2, Color{0x40, 0, 0, 255});
    TriangleEngine::DrawAdditive(target.Get(), dim.Get(), 10, 0, 0, ONE, ORIGIN, 0, Rect{0, 0, 2, 2});
    Image out = ReadPixels(target.Get());
    EXPECT_EQ(out.Pixel(1, 1), 0x00FF00FFu);
    EXPECT_TRUE(VornTest::Near(out, 11, 1, 0x804040FFu));
}

TEST_F(TriangleEngineTest, WholeRotatedPieceShowsWhatBlitShows)
{
    SmartPtr<Surface> frame(new Surface(image->GetPixelData()));
    frame->AllocPieces(2);
    frame->SetPiece(0, SurfacePiece{0, 0, 3, 2, 0, 0, 0, 0, 0});
    frame->SetPiece(1, SurfacePiece{3, 0, 3, 2, 4, 4, 1, 4, 1});
    target->Blit(2, 2, frame.Get(), Rect{0, 0, 6, 2});
    Image blitted = ReadPixels(target.Get());
    Reset();
    TriangleEngine::Draw(target.Get(), frame.Get(), 2, 2, 0, ONE, ORIGIN, 0, Rect{0, 0, 6, 2});
    Image drawn = ReadPixels(target.Get());
    EXPECT_EQ(blitted.rgba, drawn.rgba);
    EXPECT_EQ(CountDrawn(drawn), 12);
    EXPECT_EQ(drawn.Pixel(2 + 4, 2 + 1), Texel(4 + 1, 4 + 1));

    // Part of the pieces, mirrored: the mirror spans the frame's whole width.
    Reset();
    TriangleEngine::Draw(target.Get(), frame.Get(), 20, 2, 0, ONE, ORIGIN, TriangleEngine::FLIP_HORIZONTAL,
                         Rect{2, 0, 2, 1});
    Image mirrored = ReadPixels(target.Get());
    EXPECT_EQ(CountDrawn(mirrored), 2);
}

TEST(TriangleEngineQuad, CornersFollowTheFlipTable)
{
    TriangleEngine::QuadPart part{3, 4, 2, 1, 1, 1, 10, 6, 30.0f, 40.0f, false};
    const float pivot[2] = {1.0f, 2.0f};
    float pos[8], tex[8];
    ASSERT_TRUE(TriangleEngine::ComputeQuad(part, 5.0f, 7.0f, pivot, 2, pos, tex));
    // Left corners at ox - px - dx + W = 5 - 1 - 2 + 10, right ones 2 further left.
    EXPECT_FLOAT_EQ(pos[0], 12.0f);
    EXPECT_FLOAT_EQ(pos[2], 10.0f);
    // Top at oy - py + dy = 7 - 2 + 3.
    EXPECT_FLOAT_EQ(pos[1], 8.0f);
    EXPECT_FLOAT_EQ(pos[5], 9.0f);
    EXPECT_FLOAT_EQ(tex[0], 30.0f);
    EXPECT_FLOAT_EQ(tex[2], 32.0f);
    EXPECT_FLOAT_EQ(tex[5], 41.0f);
    EXPECT_FALSE(TriangleEngine::ComputeQuad(part, 0, 0, pivot, 7, pos, tex));

    float m[4];
    const float scale[2] = {2.0f, 3.0f};
    TriangleEngine::MakeMatrix(0.0f, scale, m);
    EXPECT_FLOAT_EQ(m[0], 2.0f);
    EXPECT_FLOAT_EQ(m[1], 0.0f);
    EXPECT_FLOAT_EQ(m[3], 3.0f);
}

}  // namespace
