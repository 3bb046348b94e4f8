#include "art/Canvas.h"
#include "art/Drawing.h"
#include "art/Noise.h"

#include <gtest/gtest.h>

using namespace DataBuild;

namespace {

// The colour type byte of a PNG's header chunk.
int PngColourType(const std::vector<uint8_t>& bytes)
{
    return bytes.size() > 25 ? bytes[25] : -1;
}

} // namespace

TEST(ArtCanvas, MasksRoundTripAsGreyPng)
{
    Canvas mask(5, 3, Canvas::MASK);
    for (int x = 0; x < 5; ++x)
        mask.Set(x, 1, Colour{1, 1, 1, x / 4.0});
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(EncodePng(mask, bytes, error)) << error;
    EXPECT_EQ(PngColourType(bytes), 0); // grey: the engine loads it as an alpha texture
    Canvas back;
    ASSERT_TRUE(DecodePng(bytes, back, error)) << error;
    ASSERT_EQ(back.GetFormat(), Canvas::MASK);
    ASSERT_EQ(back.Width(), 5);
    ASSERT_EQ(back.Height(), 3);
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(back.Get(x, 0).a, 0);
        EXPECT_EQ(back.Get(x, 1).a, mask.Get(x, 1).a);
    }
}

TEST(ArtCanvas, ColourKeepsAlphaOnlyWhenNeeded)
{
    Canvas opaque(4, 4, Canvas::COLOUR);
    ShadePixels(opaque, [](double x, double y) { return Colour{x / 4, y / 4, 0.5, 1}; });
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(EncodePng(opaque, bytes, error));
    EXPECT_EQ(PngColourType(bytes), 2); // RGB
    Canvas back;
    ASSERT_TRUE(DecodePng(bytes, back, error));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const Pixel a = opaque.Get(x, y), b = back.Get(x, y);
            EXPECT_EQ(a.r, b.r);
            EXPECT_EQ(a.g, b.g);
            EXPECT_EQ(a.b, b.b);
            EXPECT_EQ(b.a, 255);
        }

    Canvas translucent(4, 4, Canvas::COLOUR);
    translucent.Set(1, 1, Colour{1, 0, 0, 0.5});
    ASSERT_TRUE(EncodePng(translucent, bytes, error));
    EXPECT_EQ(PngColourType(bytes), 6); // RGBA
    ASSERT_TRUE(DecodePng(bytes, back, error));
    EXPECT_EQ(back.Get(0, 0).a, 0);
    EXPECT_EQ(back.Get(1, 1).r, 255);
    EXPECT_NEAR(back.Get(1, 1).a, 128, 1);
}

TEST(ArtCanvas, EqualPicturesGiveEqualBytes)
{
    auto draw = []() {
        Canvas canvas(16, 16, Canvas::COLOUR);
        Painter p(canvas);
        cairo_arc(p, 8, 8, 6, 0, 6.283);
        cairo_set_source_rgba(p, 0.2, 0.5, 0.9, 0.8);
        cairo_fill(p);
        return canvas;
    };
    std::vector<uint8_t> first, second;
    std::string error;
    ASSERT_TRUE(EncodePng(draw(), first, error));
    ASSERT_TRUE(EncodePng(draw(), second, error));
    EXPECT_EQ(first, second);
}

TEST(ArtCanvas, DecodingRefusesDamagedFiles)
{
    Canvas canvas(8, 8, Canvas::COLOUR);
    canvas.Set(3, 3, Colour{1, 1, 1, 1});
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(EncodePng(canvas, bytes, error));
    Canvas back;
    for (size_t cut : {size_t(0), size_t(7), size_t(30), bytes.size() / 2, bytes.size() - 1}) {
        std::vector<uint8_t> truncated(bytes.begin(), bytes.begin() + cut);
        EXPECT_FALSE(DecodePng(truncated, back, error)) << "cut at " << cut;
    }
    std::vector<uint8_t> garbage(100, 0x55);
    EXPECT_FALSE(DecodePng(garbage, back, error));
    // A header claiming a huge image is refused before anything is allocated for it.
    std::vector<uint8_t> huge = bytes;
    huge[16] = 0x7F;
    EXPECT_FALSE(DecodePng(huge, back, error));
}

TEST(ArtCanvas, PutAndCropClipAtTheEdges)
{
    Canvas source(3, 3, Canvas::MASK);
    ShadePixels(source, [](double, double) { return Colour{1, 1, 1, 1}; });
    Canvas target(4, 4, Canvas::MASK);
    target.Put(source, 2, -1);
    EXPECT_EQ(target.Get(2, 0).a, 255);
    EXPECT_EQ(target.Get(3, 1).a, 255);
    EXPECT_EQ(target.Get(1, 0).a, 0);
    EXPECT_EQ(target.Get(2, 2).a, 0);
    const Canvas crop = target.Crop(1, 0, 3, 2);
    EXPECT_EQ(crop.Get(0, 0).a, 0);
    EXPECT_EQ(crop.Get(1, 0).a, 255);
    EXPECT_EQ(crop.Get(2, 1).a, 255);
}

TEST(ArtCanvas, CompositeTintsLikeTheGame)
{
    Canvas target(2, 1, Canvas::COLOUR);
    ShadePixels(target, [](double, double) { return Colour{1, 1, 1, 1}; });
    Canvas mask(2, 1, Canvas::MASK);
    mask.Set(0, 0, Colour{1, 1, 1, 1});
    mask.Set(1, 0, Colour{1, 1, 1, 0.5});
    Composite(target, mask, 0, 0, Colour{1, 0, 0, 1});
    EXPECT_EQ(target.Get(0, 0).r, 255);
    EXPECT_EQ(target.Get(0, 0).g, 0);
    EXPECT_NEAR(target.Get(1, 0).g, 128, 1);
}

TEST(ArtNoise, IsDeterministicAndTilesWithItsPeriod)
{
    const Noise a(42), b(42), other(43);
    EXPECT_EQ(a.Fbm(3.7, 1.2, 4), b.Fbm(3.7, 1.2, 4));
    EXPECT_NE(a.At(3.7, 1.2), other.At(3.7, 1.2));
    const Noise tiled(7, 3, 3);
    for (double x = 0.1; x < 3; x += 0.37) {
        EXPECT_NEAR(tiled.At(x, 0.8), tiled.At(x + 3, 0.8), 1e-12);
        EXPECT_NEAR(tiled.Fbm(x, 0.8, 3), tiled.Fbm(x, 3.8, 3), 1e-12);
    }
    Rng first(5), second(5);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(first.Next(), second.Next());
    Rng range(9);
    for (int i = 0; i < 1000; ++i) {
        const int v = range.Below(7);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 7);
    }
}

TEST(ArtShapes, DistancesFollowTheCells)
{
    // An L of three cells in a 2 x 2 box: top-left, bottom-left, bottom-right.
    const CellShape shape(1 | 16 | 32, 2, 2, 20, 20);
    EXPECT_TRUE(shape.Has(0, 0));
    EXPECT_FALSE(shape.Has(1, 0));
    EXPECT_FALSE(shape.Has(-1, 0));
    const CellShape::Sample centre = shape.At(5, 5);
    EXPECT_NEAR(centre.edge, 5, 1e-9);
    EXPECT_NEAR(centre.seam, 5, 1e-9); // the border with the cell below
    EXPECT_FALSE(centre.seamVertical);
    EXPECT_LT(shape.At(15, 5).edge, 0); // the missing cell
    EXPECT_NEAR(shape.At(15, 5).edge, -5, 1e-9);
    // The inner corner is rounded by the inset; the outer corners by the radius.
    EXPECT_LT(shape.Rounded(9.5, 10.5, 2, 3).edge, 0);
    EXPECT_GT(shape.Rounded(5, 15, 2, 3).edge, 0);
    EXPECT_LT(shape.Rounded(2.3, 2.3, 2, 3).edge, 0);
    EXPECT_GT(shape.Rounded(5, 2.5, 2, 3).edge, 0);
}
