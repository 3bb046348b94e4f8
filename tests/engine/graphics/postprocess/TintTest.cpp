#include <gtest/gtest.h>

#include "graphics/batcher/Batcher.h"
#include "graphics/batcher/OpenGLBatcher.h"
#include "graphics/pixeldata/PixelData.h"
#include "graphics/postprocess/Tint.h"
#include "graphics/surface/Surface.h"
#include "support/HeadlessGL.h"

using namespace Vorn;
using VornTest::Image;

namespace {

class TintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!VornTest::HeadlessScreen())
            GTEST_SKIP() << "no GL";
        target = new Surface(8, 8, PF_RGBA8888);
        target->FillRect(0, 0, 8, 8, Color{0, 0, 0, 255});
        // Grey 100 on the left half, opaque; the right half a second colour.
        source = VornTest::MakeRgbaSurface(4, 4, [](int x, int) { return x < 2 ? 0x646464FFu : 0x204080FFu; });
    }

    Image Draw(float r, float g, float b, const Rect& rect = Rect{0, 0, 4, 4})
    {
        Tint tint;
        tint.SetColor(r, g, b);
        tint.Render(source.Get(), target.Get(), 2, 2, rect);
        return VornTest::ReadPixels(target.Get());
    }

    SmartPtr<Surface> target;
    SmartPtr<Surface> source;
};

} // namespace

TEST_F(TintTest, ANeutralTintDrawsTheSourceUnchanged)
{
    Image out = Draw(1, 1, 1);
    EXPECT_TRUE(VornTest::Near(out, 2, 2, 0x646464FFu));
    EXPECT_TRUE(VornTest::Near(out, 5, 5, 0x204080FFu));
    EXPECT_TRUE(VornTest::Near(out, 1, 1, 0x000000FFu)) << "nothing outside the rectangle";
}

TEST_F(TintTest, AnOverBrightTintGoesThroughTheTintProgram)
{
    Image out = Draw(2, 1, 0.5f);
    EXPECT_TRUE(VornTest::Near(out, 2, 2, 0xC86432FFu, 2)) << std::hex << out.Pixel(2, 2);
    EXPECT_TRUE(VornTest::Near(out, 5, 5, 0x404040FFu, 2)) << std::hex << out.Pixel(5, 5);
    auto batcher = static_cast<OpenGLBatcher*>(g_batcher.Get());
    // The next ordinary drawing goes back to the built-in programs.
    target->Blit(0, 0, source.Get(), Rect{0, 0, 1, 1});
    batcher->Flush();
    Image after = VornTest::ReadPixels(target.Get());
    EXPECT_TRUE(VornTest::Near(after, 0, 0, 0x646464FFu));
}

TEST_F(TintTest, ADarkeningTintIsTheVertexColour)
{
    Tint tint;
    tint.SetColor(0.5f, 0.5f, 0.5f);
    EXPECT_EQ(tint.GetRed(), 127);
    Image out = Draw(0.5f, 0.5f, 0.5f);
    EXPECT_TRUE(VornTest::Near(out, 2, 2, 0x323232FFu, 2)) << std::hex << out.Pixel(2, 2);
}

TEST_F(TintTest, TheRectangleIsNotClampedToTheSource)
{
    // Twice the source's size: the quad covers 8 x 8 pixels from (2, 2), clipped by the target.
    Image out = Draw(1, 1, 1, Rect{0, 0, 8, 8});
    EXPECT_FALSE(VornTest::Near(out, 7, 7, 0x000000FFu)) << "drawn beyond the source's 4 pixels";
}
