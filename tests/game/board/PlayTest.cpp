// Playing the fit board through touches: picking from the tray, dragging, the drop rules, lifting
// and tapping placed pieces, drawing pieces cell by cell, and gestures cut short.
#include <gtest/gtest.h>

#include <string>

#include "Consts.h"
#include "ControllerPrecise.h"
#include "support/BoardWorld.h"

using VornTest::BoardWorld;
using VornTest::LevelDesign;

namespace {

struct Size {
    int width;
    int height;
};
const Size SIZES[] = {{240, 320}, {320, 480}, {480, 800}, {600, 1024}};

const int SQUARE = 0;
const int BAR = 2;
const int SINGLE = 27;

// A 4 x 2 board at cells (2, 2); the tray holds two squares, a bar and a single cell, in that
// file order (so the single cell heads the tray).
LevelDesign TwoRows()
{
    LevelDesign design;
    design.x0 = 2;
    design.y0 = 2;
    design.rows = {"####", "####"};
    design.tray = {{0, 12, SQUARE}, {3, 12, SQUARE}, {6, 12, BAR}, {9, 12, SINGLE}};
    design.solutions = {{{SQUARE, 2, 2}, {SQUARE, 4, 2}}};
    return design;
}

class Play : public ::testing::TestWithParam<Size> {
protected:
    void SetUp() override
    {
        world.InstallLevel(3, TwoRows());
        board = world.StartLevel(3).Get();
        while (board->NextHistoryRecord()) {
        }
    }

    // The tray entry of a type, the n-th in file order.
    Block& Entry(int type, int n = 0)
    {
        const auto& tray = board->Tray();
        for (auto it = tray.rbegin(); it != tray.rend(); ++it)
            if ((*it)->type == type && n-- == 0)
                return **it;
        throw std::logic_error("no such tray entry");
    }

    ControllerPrecise& Drawing() { return static_cast<ControllerPrecise&>(*world.game().controller); }

    int Shown(int type)
    {
        int count = 0;
        for (const auto& entry : board->Tray())
            count += entry->type == type && entry->trayState == 0.0f;
        return count;
    }

    BoardWorld world{GetParam().width, GetParam().height};
    PlayfieldFit* board = nullptr;
};

} // namespace

INSTANTIATE_TEST_SUITE_P(BaseSizes, Play, ::testing::ValuesIn(SIZES),
                         [](const ::testing::TestParamInfo<Size>& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

TEST_P(Play, APressPicksTheNewestTrayEntryUnderTheFinger)
{
    // Entries at columns 0 and 1 overlap on column 1; the later one in the file is on top.
    LevelDesign design = TwoRows();
    design.tray = {{0, 12, SQUARE}, {1, 12, BAR}};
    world.InstallLevel(4, design);
    board = world.StartLevel(4).Get();
    const int cell = Consts::CELL_SIZE;
    const int y = static_cast<int>((12 + world.game().boardTopRows) * cell) + cell / 2;
    world.Down(cell + cell / 2, y);
    EXPECT_TRUE(board->dragging);
    EXPECT_EQ(board->dragType, BAR);
    EXPECT_EQ(board->pickedTrayId, Entry(BAR).id);
    EXPECT_EQ(Entry(BAR).trayState, -1.0f);
    EXPECT_EQ(Entry(SQUARE).trayState, 0.0f);
    EXPECT_EQ(board->dragStartScale, Consts::BLOCK_SCALE);
}

TEST_P(Play, AFlickPlacesHoweverQuickAndAPressInPlaceNeverDoes)
{
    int x = 0, y = 0;
    Block& square = Entry(SQUARE);
    // Press and release where the piece lies, from an instant to a long hold: it stays in the
    // tray, even though a drop there would be centred on free cells of nothing.
    for (int hold : {0, 120, 250, 600}) {
        world.TrayPoint(square, x, y);
        world.Down(x, y);
        world.Frame(hold);
        world.Up(x + Consts::CELL_SIZE / 4, y);
        EXPECT_FALSE(board->dragging) << hold;
        EXPECT_EQ(board->placedCount, 0) << hold;
        EXPECT_EQ(square.trayState, 0.0f) << hold;
    }

    // Carried onto the board and released within the same frame: placed, and the board stays
    // locked until the next frame applies the placement.
    world.TrayPoint(square, x, y);
    world.Down(x, y);
    world.DropPoint(SQUARE, 0, 0, x, y);
    world.Move(x, y);
    world.Up(x, y);
    EXPECT_EQ(board->placedCount, 1);
    EXPECT_TRUE(board->inputLock);
    EXPECT_TRUE(board->dragging);
    EXPECT_EQ(world.sounds().Plays("common/sounds/drop.ogg"), 1); // the taps made none
    for (auto [cx, cy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}})
        EXPECT_EQ(board->Cell(cx, cy), BoardCell::COVERED);
    int tx = 0, ty = 0;
    world.TrayPoint(Entry(BAR), tx, ty);
    world.Down(tx, ty); // ignored while locked
    EXPECT_EQ(Entry(BAR).trayState, 0.0f);
    world.Frame(16);
    EXPECT_FALSE(board->inputLock);
    EXPECT_FALSE(board->dragging);
    EXPECT_EQ(square.trayState, -1.0f); // stays taken
    EXPECT_EQ(Shown(SQUARE), 1);

    // A flick whose only position is its release still lands where it was let go.
    Block& second = Entry(SQUARE, 1);
    world.TrayPoint(second, x, y);
    world.Down(x, y);
    world.DropPoint(SQUARE, 2, 0, x, y);
    world.Up(x, y);
    world.Frame(16);
    EXPECT_EQ(board->placedCount, 2);
    EXPECT_EQ(board->Cell(3, 1), BoardCell::COVERED);
}

TEST_P(Play, AFingerHeldForSecondsStillPlaces)
{
    int x = 0, y = 0;
    world.TrayPoint(Entry(SQUARE), x, y);
    world.Down(x, y);
    for (int frame = 0; frame < 100; ++frame)
        world.Frame(50);
    EXPECT_EQ(board->dragTimer, PlayfieldFit::DRAG_TIMER_LIMIT);
    world.DropPoint(SQUARE, 2, 0, x, y);
    world.Move(x, y);
    world.Up(x, y);
    ASSERT_EQ(board->placedCount, 1);
    EXPECT_EQ(board->GetPlacedBlockIdAt(3, 1), board->Placed()[0]->id);
}

TEST_P(Play, AFailedDropReturnsThePieceToItsOwnTrayEntry)
{
    int x = 0, y = 0;
    Block& second = Entry(SQUARE, 1);
    world.TrayPoint(second, x, y);
    world.Down(x, y);
    world.Frame(300);
    // Half off the board.
    world.DropPoint(SQUARE, 3, 0, x, y);
    world.Move(x, y);
    world.Up(x, y);
    EXPECT_EQ(board->placedCount, 0);
    EXPECT_EQ(second.trayState, 0.0f);
    EXPECT_EQ(Entry(SQUARE, 0).trayState, 0.0f);
    EXPECT_EQ(board->pickedTrayId, -1);

    // A piece lifted off the board and dropped badly goes back to a taken entry of its type.
    world.DragTo(Entry(SQUARE, 0), 0, 0);
    ASSERT_EQ(board->placedCount, 1);
    world.CellPoint(1, 1, x, y);
    world.Down(x, y);
    EXPECT_TRUE(board->dragging);
    EXPECT_EQ(board->placedCount, 0);
    EXPECT_EQ(board->Cell(0, 0), BoardCell::EMPTY);
    world.Frame(300);
    world.DropPoint(SQUARE, -1, 0, x, y);
    world.Move(x, y);
    world.Up(x, y);
    EXPECT_EQ(Shown(SQUARE), 2);
    EXPECT_EQ(board->placedCount, 0);
}

TEST_P(Play, ALiftedPieceMovesAndKeepsItsColour)
{
    world.DragTo(Entry(SQUARE), 0, 0);
    const int colour = board->Placed()[0]->colour;
    int x = 0, y = 0;
    world.CellPoint(0, 0, x, y);
    world.Down(x, y);
    EXPECT_EQ(board->dragStartScale, 1.0f);
    world.Frame(200);
    world.DropPoint(SQUARE, 2, 0, x, y);
    world.Move(x, y);
    world.Up(x, y);
    world.Frame(16);
    ASSERT_EQ(board->placedCount, 1);
    EXPECT_EQ(board->Placed()[0]->x, 2.0f);
    EXPECT_EQ(board->Placed()[0]->colour, colour);
    EXPECT_EQ(board->Cell(0, 0), BoardCell::EMPTY);
    EXPECT_EQ(Shown(SQUARE), 1);
}

TEST_P(Play, ATapOrClickOfAnyLengthTakesAPlacedPieceOff)
{
    // Instant, a mouse click, a slow click, a long press; the finger wobbles a little.
    for (int hold : {0, 120, 250, 900}) {
        world.DragTo(Entry(BAR), 0, 1);
        ASSERT_EQ(board->placedCount, 1) << hold;
        EXPECT_EQ(Shown(BAR), 0);
        int x = 0, y = 0;
        world.CellPoint(3, 1, x, y);
        world.Down(x, y);
        for (int t = 0; t < hold; t += 16) {
            world.Move(x + 2, y - 1);
            world.Frame(16);
        }
        world.Up(x + 1, y);
        world.Frame(16);
        EXPECT_EQ(board->placedCount, 0) << hold;
        EXPECT_EQ(Shown(BAR), 1) << hold;
        for (int cx = 0; cx < 4; ++cx)
            EXPECT_EQ(board->Cell(cx, 1), BoardCell::EMPTY) << hold;

        // A square clicked in its top-left cell: carried centred on the finger, it would land
        // on its own place again, so that nothing would seem to happen.
        world.DragTo(Entry(SQUARE), 0, 0);
        ASSERT_EQ(board->placedCount, 1) << hold;
        world.CellPoint(0, 0, x, y);
        world.Down(x, y);
        world.Frame(hold);
        world.Up(x, y);
        world.Frame(16);
        EXPECT_EQ(board->placedCount, 0) << "square, " << hold;
        EXPECT_EQ(Shown(SQUARE), 2) << hold;
    }
}

TEST_P(Play, AShortQuickDragMovesAPlacedPiece)
{
    world.DragTo(Entry(SQUARE), 0, 0);
    ASSERT_EQ(board->placedCount, 1);
    int x = 0, y = 0;
    world.CellPoint(0, 0, x, y);
    world.Down(x, y);
    world.Frame(16);
    world.DropPoint(SQUARE, 1, 0, x, y);
    world.Move(x, y);
    world.Frame(16);
    world.Up(x, y);
    world.Frame(16);
    ASSERT_EQ(board->placedCount, 1);
    EXPECT_EQ(board->Placed()[0]->x, 1.0f);
    EXPECT_EQ(board->Cell(0, 0), BoardCell::EMPTY);
    EXPECT_EQ(board->Cell(2, 1), BoardCell::COVERED);
    EXPECT_EQ(Shown(SQUARE), 1);
}

TEST_P(Play, DrawingASquareFromItsBottomRightCorner)
{
    ControllerPrecise& drawing = Drawing();
    int x = 0, y = 0;
    world.CellPoint(1, 1, x, y);
    world.Down(x, y);
    EXPECT_EQ(drawing.state, Controller::DRAWING);
    for (auto [cx, cy] : {std::pair{0, 1}, {0, 0}, {1, 0}}) {
        world.CellPoint(cx, cy, x, y);
        world.Move(x, y);
    }
    EXPECT_EQ(drawing.mask, 0x33);
    EXPECT_EQ(drawing.left, 0);
    EXPECT_EQ(drawing.top, 0);
    EXPECT_EQ(drawing.count, 4);
    EXPECT_EQ(world.sounds().Plays("common/sounds/single.ogg"), 4); // a click per cell
    // A fifth cell is refused, silently.
    world.CellPoint(2, 0, x, y);
    world.Move(x, y);
    EXPECT_EQ(drawing.count, 4);
    EXPECT_EQ(drawing.mask, 0x33);
    EXPECT_EQ(world.sounds().Plays("common/sounds/single.ogg"), 4);

    world.Up(x, y);
    EXPECT_EQ(drawing.state, Controller::IDLE);
    ASSERT_EQ(board->placedCount, 1);
    EXPECT_EQ(board->Placed()[0]->type, SQUARE);
    EXPECT_EQ(board->Placed()[0]->trayState, 3.0f);
    // The tray entry goes when the placement is applied, in the next frame.
    EXPECT_EQ(Shown(SQUARE), 2);
    EXPECT_FALSE(board->inputLock);
    world.Frame(16);
    EXPECT_EQ(Shown(SQUARE), 1);
}

TEST_P(Play, DrawnCellsMustJoinOnASideAndBeNew)
{
    ControllerPrecise& drawing = Drawing();
    int x = 0, y = 0;
    world.CellPoint(1, 0, x, y);
    world.Down(x, y);
    world.CellPoint(2, 1, x, y); // diagonal
    world.Move(x, y);
    EXPECT_EQ(drawing.count, 1);
    world.CellPoint(2, 0, x, y);
    world.Move(x, y);
    world.CellPoint(1, 0, x, y); // back onto a drawn cell
    world.Move(x, y);
    EXPECT_EQ(drawing.count, 2);
    EXPECT_EQ(world.sounds().Plays("common/sounds/single.ogg"), 2);
    EXPECT_EQ(drawing.mask, 0x3);
    world.Up(x, y);
    // Two cells side by side: there is no such piece in the tray, so nothing is placed.
    EXPECT_EQ(board->placedCount, 0);
    EXPECT_EQ(drawing.state, Controller::IDLE);

    // A press on a placed piece lifts it instead of drawing.
    world.DragTo(Entry(SQUARE), 0, 0);
    world.CellPoint(0, 0, x, y);
    world.Down(x, y);
    EXPECT_EQ(drawing.state, Controller::IDLE);
    EXPECT_TRUE(board->dragging);
    // Drawing starts only on a free cell.
    world.Up(x, y);
    world.DragTo(Entry(SQUARE), 0, 0);
    world.CellPoint(0, 0, x, y);
    drawing.AddCell(0, 0);
    EXPECT_EQ(drawing.state, Controller::IDLE);
}

TEST_P(Play, TwoDrawingsInOneFrameTakeNoMorePiecesThanTheTrayHolds)
{
    world.DrawCells({{0, 0}});
    world.DrawCells({{3, 1}});
    EXPECT_EQ(board->placedCount, 1);
    world.Frame(16);
    EXPECT_EQ(board->placedCount, 1);
    EXPECT_EQ(Shown(SINGLE), 0);
    EXPECT_FALSE(board->HasTrayPiece(SINGLE));
}

TEST_P(Play, ADrawnPieceTakenOffBeforeTheNextFrameLeavesTheTrayWhole)
{
    world.DrawCells({{1, 1}});
    ASSERT_EQ(board->placedCount, 1);
    int x = 0, y = 0;
    world.CellPoint(1, 1, x, y);
    world.Down(x, y);
    world.Up(x, y);
    world.Frame(16); // the placement's record finds no piece
    world.Frame(16);
    EXPECT_EQ(board->placedCount, 0);
    EXPECT_EQ(Shown(SINGLE), 1);
    EXPECT_EQ(Shown(SQUARE), 2);
    EXPECT_TRUE(board->HasTrayPiece(SINGLE));

    // Drawn and then lifted and dropped elsewhere before the frame: one piece, its entry taken.
    world.DrawCells({{1, 1}});
    world.CellPoint(1, 1, x, y);
    world.Down(x, y);
    world.Frame(200);
    world.DropPoint(SINGLE, 3, 0, x, y);
    world.Move(x, y);
    world.Up(x, y);
    world.Frame(16);
    EXPECT_EQ(board->placedCount, 1);
    EXPECT_EQ(board->Cell(3, 0), BoardCell::COVERED);
    EXPECT_EQ(Shown(SINGLE), 0);
}

TEST_P(Play, ADragStartedRightAfterADrawingSurvivesTheFrame)
{
    world.DrawCells({{3, 0}});
    int x = 0, y = 0;
    world.TrayPoint(Entry(SQUARE), x, y);
    world.Down(x, y);
    world.Frame(200);
    EXPECT_TRUE(board->dragging);
    EXPECT_EQ(Shown(SINGLE), 0);
    world.DropPoint(SQUARE, 0, 0, x, y);
    world.Move(x, y);
    world.Up(x, y);
    world.Frame(16);
    EXPECT_EQ(board->placedCount, 2);
    EXPECT_EQ(Shown(SQUARE), 1);
}

TEST_P(Play, LosingFocusEndsADragOrADrawing)
{
    Game& game = world.game();
    int x = 0, y = 0;
    world.TrayPoint(Entry(BAR), x, y);
    world.Down(x, y);
    world.Frame(300);
    world.DropPoint(BAR, 0, 0, x, y);
    world.Move(x, y);
    game.OnPause();
    EXPECT_TRUE(board->paused);
    EXPECT_FALSE(board->dragging);
    EXPECT_EQ(Shown(BAR), 1);
    world.Up(x, y); // the finger comes up after the focus came back
    EXPECT_EQ(board->placedCount, 0);
    EXPECT_EQ(Shown(BAR), 1);

    board->paused = false;
    world.CellPoint(0, 0, x, y);
    world.Down(x, y);
    ASSERT_EQ(Drawing().state, Controller::DRAWING);
    game.OnPause();
    EXPECT_EQ(Drawing().state, Controller::IDLE);
    world.Up(x, y);
    world.Frame(16);
    EXPECT_EQ(board->placedCount, 0);
    EXPECT_EQ(Shown(SINGLE), 1);
}
