#include "LevelSource.h"
#include "TrayLayout.h"

#include <gtest/gtest.h>

using namespace DataBuild;

namespace {

LevelSource Outline(const std::string& text)
{
    LevelSource source;
    std::string error;
    EXPECT_TRUE(ParseLevelSource(text, source, error)) << error;
    return source;
}

std::string Rectangle(int width, int height)
{
    std::string text;
    for (int row = 0; row < height; ++row)
        text += std::string(width, '#') + "\n";
    return text;
}

// Every rule a layout must keep, checked cell by cell.
void ExpectValid(const LevelSource& source, const TrayLayout& layout, size_t boxCount)
{
    ASSERT_EQ(layout.boxes.size(), boxCount);
    EXPECT_GE(layout.originY, PlayArea::BOARD_FIRST_ROW);
    EXPECT_LE(layout.originY + source.height - 1, PlayArea::BOARD_LAST_ROW);
    // The outline, in screen columns, keeps half a cell clear of both screen edges.
    const double shift = layout.shift == LevelSource::SHIFT_LEFT    ? -0.5
                         : layout.shift == LevelSource::SHIFT_RIGHT ? 0.5
                                                                    : 0.0;
    EXPECT_GE(layout.originX + shift, 0.5);
    EXPECT_LE(layout.originX + shift + source.width, PlayArea::COLUMNS - 0.5);
    std::vector<bool> taken = PlayArea::BoardCells(source.width, source.height, source.cells,
                                                   layout.originX, layout.originY, layout.shift);
    for (const TrayBox& box : layout.boxes) {
        for (int dy = 0; dy < 2; ++dy) {
            for (int dx = 0; dx < 2; ++dx) {
                const int x = box.x + dx, y = box.y + dy;
                ASSERT_TRUE(PlayArea::TrayCellAllowed(x, y)) << x << "," << y;
                ASSERT_FALSE(taken[y * PlayArea::COLUMNS + x]) << x << "," << y;
                taken[y * PlayArea::COLUMNS + x] = true;
            }
        }
    }
}

} // namespace

TEST(PlayArea, KeepsTitleLabelsAndButtonsFree)
{
    for (int x = 0; x < PlayArea::COLUMNS; ++x) {
        EXPECT_FALSE(PlayArea::TrayCellAllowed(x, 0));
        EXPECT_FALSE(PlayArea::TrayCellAllowed(x, 15));
        EXPECT_TRUE(PlayArea::TrayCellAllowed(x, 13));
    }
    EXPECT_FALSE(PlayArea::TrayCellAllowed(0, 14));
    EXPECT_FALSE(PlayArea::TrayCellAllowed(1, 14));
    EXPECT_TRUE(PlayArea::TrayCellAllowed(2, 14));
    EXPECT_TRUE(PlayArea::TrayCellAllowed(9, 14));
    EXPECT_FALSE(PlayArea::TrayCellAllowed(10, 14));
    EXPECT_FALSE(PlayArea::TrayCellAllowed(11, 14));
    EXPECT_FALSE(PlayArea::TrayCellAllowed(12, 5));
    EXPECT_FALSE(PlayArea::TrayCellAllowed(-1, 5));
}

TEST(PlayArea, HolesAndShiftedCellsAreTaken)
{
    const LevelSource ring = Outline("###\n#.#\n###\n");
    const std::vector<bool> holes = EnclosedHoles(ring.width, ring.height, ring.cells);
    EXPECT_TRUE(holes[4]);
    EXPECT_FALSE(holes[0]);
    // A gap open to the border is not a hole.
    const LevelSource cup = Outline("#.#\n###\n");
    for (bool hole : EnclosedHoles(cup.width, cup.height, cup.cells))
        EXPECT_FALSE(hole);

    std::vector<bool> plain = PlayArea::BoardCells(ring.width, ring.height, ring.cells, 4, 2,
                                                   LevelSource::SHIFT_NONE);
    EXPECT_TRUE(plain[3 * PlayArea::COLUMNS + 5]); // the hole
    EXPECT_FALSE(plain[2 * PlayArea::COLUMNS + 3]);
    EXPECT_FALSE(plain[2 * PlayArea::COLUMNS + 7]);
    std::vector<bool> left = PlayArea::BoardCells(ring.width, ring.height, ring.cells, 4, 2,
                                                  LevelSource::SHIFT_LEFT);
    EXPECT_TRUE(left[2 * PlayArea::COLUMNS + 3]);
    EXPECT_FALSE(left[2 * PlayArea::COLUMNS + 7]);
    std::vector<bool> right = PlayArea::BoardCells(ring.width, ring.height, ring.cells, 4, 2,
                                                   LevelSource::SHIFT_RIGHT);
    EXPECT_TRUE(right[2 * PlayArea::COLUMNS + 7]);
    EXPECT_FALSE(right[2 * PlayArea::COLUMNS + 3]);
}

TEST(LayoutPlanner, PlacesEveryBoxWithinTheRules)
{
    const std::vector<std::string> outlines = {
        "##\n##\n",
        Rectangle(10, 6),
        Rectangle(6, PlayArea::BOARD_LAST_ROW - PlayArea::BOARD_FIRST_ROW + 1), // the tallest
        "; shift: left\n" + Rectangle(11, 4),
        "; shift: right\n#####\n#...#\n#####\n",
        "....##\n...###\n######\n######\n...###\n....##\n",
    };
    for (const std::string& text : outlines) {
        const LevelSource source = Outline(text);
        LayoutPlanner planner(source);
        ASSERT_GT(planner.Capacity(), 0) << text;
        for (int boxes : {1, planner.Capacity() / 2, planner.Capacity()}) {
            TrayLayout layout;
            ASSERT_TRUE(planner.Plan(boxes, layout)) << text << boxes;
            ExpectValid(source, layout, static_cast<size_t>(boxes));
        }
        TrayLayout layout;
        EXPECT_FALSE(planner.Plan(planner.Capacity() + 1, layout));
    }
}

TEST(LayoutPlanner, KnowsHowMuchRoomThereIs)
{
    // The widest board of six rows leaves rows 7..14: three full rows of six boxes and four
    // boxes between the buttons (the single columns beside the board hold none).
    EXPECT_EQ(LayoutPlanner(Outline(Rectangle(10, 6))).Capacity(), 22);
    // Five rows high: four rows of six boxes, wherever the board goes.
    EXPECT_EQ(LayoutPlanner(Outline(Rectangle(10, 5))).Capacity(), 24);
    // A small board leaves almost all of the 12 x 14 area.
    EXPECT_GE(LayoutPlanner(Outline("##\n##\n")).Capacity(), 36);
}

TEST(LayoutPlanner, CentresASmallBoardAndItsTray)
{
    const LevelSource source = Outline(Rectangle(4, 2));
    TrayLayout layout;
    ASSERT_TRUE(LayoutPlanner(source).Plan(2, layout));
    EXPECT_EQ(layout.originX, 4);
    double centre = 0;
    for (const TrayBox& box : layout.boxes)
        centre += box.x + 1;
    EXPECT_DOUBLE_EQ(centre / 2, 6.0);
    // Boxes of one tray line up on one grid.
    EXPECT_EQ(layout.boxes[0].y, layout.boxes[1].y);
}
