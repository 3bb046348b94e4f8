#include "art/ArtSize.h"
#include "ImageTable.h"
#include "art/Recipes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace DataBuild;

namespace {

ArtSize SizeOf(int width)
{
    ArtSize size;
    EXPECT_TRUE(ArtSize::ForWidth(width, size));
    return size;
}

} // namespace

TEST(ArtInterface, LineStripsCarryOneUnbrokenStrokeAlongTheirMiddle)
{
    for (int width : ArtSize::Widths()) {
        const ArtSize size = SizeOf(width);
        const int s = size.cell;
        for (bool vertical : {true, false}) {
            const Canvas strip = DrawLineStrip(size, vertical);
            ASSERT_EQ(vertical ? strip.Width() : strip.Height(), s);
            ASSERT_EQ(vertical ? strip.Height() : strip.Width(), size.LineStripLength());
            for (int t = 0; t < size.LineStripLength(); ++t) {
                int strongest = 0, where = 0;
                for (int across = 0; across < s; ++across) {
                    const int a = vertical ? strip.Get(across, t).a : strip.Get(t, across).a;
                    if (a > strongest) {
                        strongest = a;
                        where = across;
                    }
                }
                // Every window of the strip shows the line: no gap, and no ink at the strip's
                // sides, where the window ends.
                ASSERT_GT(strongest, 100) << width << (vertical ? " vertical " : " horizontal ") << t;
                ASSERT_LT(std::abs(where - s / 2), s / 4) << t;
                const int side = vertical ? std::max(strip.Get(0, t).a, strip.Get(s - 1, t).a)
                                          : std::max(strip.Get(t, 0).a, strip.Get(t, s - 1).a);
                ASSERT_EQ(side, 0) << t;
            }
        }
    }
}

TEST(ArtInterface, GuidesLookAlikeWhereverTheGameCropsThem)
{
    const ArtSize size = SizeOf(480);
    const int s = size.cell;
    for (bool vertical : {true, false}) {
        const Canvas guide = DrawGuide(size, vertical);
        EXPECT_GE(vertical ? guide.Width() : guide.Height(), size.spans[3]);
        EXPECT_GE(vertical ? guide.Height() : guide.Width(), 18 * s);
        // The mean cover of one cell's square at the top left and anywhere else agree.
        auto mean = [&](int x0, int y0) {
            double sum = 0;
            for (int y = y0; y < y0 + s; ++y)
                for (int x = x0; x < x0 + s; ++x)
                    sum += guide.Get(x, y).a;
            return sum / (s * s);
        };
        const double corner = mean(0, 0);
        EXPECT_GT(corner, 60);
        for (int k = 1; k < 4; ++k)
            EXPECT_NEAR(mean(vertical ? 0 : 4 * k * s, vertical ? 4 * k * s : 0), corner, 0.15 * corner);
    }
}

// Only the largest size loads the small grid, and the game lays it over the background all
// around the board: it must add nothing there, or that size alone would look like graph paper.
TEST(ArtInterface, GridCoversTheScreenAndShowsNothing)
{
    for (int width : ArtSize::Widths()) {
        const ArtSize size = SizeOf(width);
        const Canvas grid = DrawGrid(size);
        EXPECT_GE(grid.Width(), size.width + size.cell / 2);
        EXPECT_GE(grid.Height(), size.height);
        int strongest = 0;
        for (int y = 0; y < grid.Height(); ++y)
            for (int x = 0; x < grid.Width(); ++x)
                strongest = std::max<int>(strongest, grid.Get(x, y).a);
        EXPECT_EQ(strongest, 0) << width;
    }
}

TEST(ArtInterface, BarsShowFromTheirLeftEdgeToTheFullVolume)
{
    const ArtSize size = SizeOf(320);
    const int s = size.cell;
    const int full = static_cast<int>(s * 0.58823526 * 10);
    for (int id : {29, 30, 33, 34}) {
        const Canvas bar = DrawProgressBar(size, id);
        EXPECT_EQ(bar.GetFormat(), id == 33 ? Canvas::COLOUR : Canvas::MASK) << id;
        EXPECT_GE(bar.Width(), full);
        // A low volume already shows some bar, and so does the end of a full one.
        for (int x : {s / 2, full / 2, full - 2}) {
            int strongest = 0;
            for (int y = 0; y < s; ++y)
                strongest = std::max<int>(strongest, bar.Get(x, y).a);
            EXPECT_GT(strongest, 150) << id << " at " << x;
        }
        // The top rows stay clear, so the bar sits inside the box drawn around it.
        for (int x = 0; x < bar.Width(); ++x)
            EXPECT_EQ(bar.Get(x, 0).a, 0) << id;
    }
}

TEST(ArtInterface, IconsAreOpaqueInTheMiddleAndClearAtTheCorners)
{
    for (int width : ArtSize::Widths()) {
        const ArtSize size = SizeOf(width);
        for (int id : {ImageTable::LOCKED, ImageTable::LOCKED_SMALL, ImageTable::BULB_SMALL,
                       ImageTable::DONE_SMALL}) {
            const Canvas icon = DrawIcon(size, id);
            EXPECT_EQ(icon.Width(), icon.Height());
            EXPECT_GT(icon.Get(icon.Width() / 2, icon.Height() * 2 / 3).a, 200) << id;
            EXPECT_EQ(icon.Get(0, 0).a, 0) << id;
            EXPECT_EQ(icon.Get(icon.Width() - 1, 0).a, 0) << id;
        }
    }
}

TEST(ArtInterface, EveryRecipeIsReproducible)
{
    const ArtSize size = SizeOf(240);
    auto same = [](const Canvas& a, const Canvas& b) {
        if (a.Width() != b.Width() || a.Height() != b.Height() || a.GetFormat() != b.GetFormat())
            return false;
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x) {
                const Pixel p = a.Get(x, y), q = b.Get(x, y);
                if (p.r != q.r || p.g != q.g || p.b != q.b || p.a != q.a)
                    return false;
            }
        return true;
    };
    EXPECT_TRUE(same(DrawBackground(size, 24), DrawBackground(size, 24)));
    EXPECT_TRUE(same(DrawLogo(size, 14), DrawLogo(size, 14)));
    EXPECT_TRUE(same(DrawBlock(size, 11, 5), DrawBlock(size, 11, 5)));
    EXPECT_TRUE(same(DrawFrameTiles(size, 70), DrawFrameTiles(size, 70)));
    // Different pieces of one set are not copies of each other.
    EXPECT_FALSE(same(DrawBlock(size, 7, 0), DrawBlock(size, 7, 1)));
}
