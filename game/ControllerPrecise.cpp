#include "ControllerPrecise.h"

#include "Consts.h"
#include "Game.h"
#include "Graphics.h"
#include "Playfield.h"
#include "Sounds.h"

ControllerPrecise::ControllerPrecise() : mask(0), top(0), left(0), count(0) {}

bool ControllerPrecise::RowLimited() const
{
    return target && (target->flags & Playfield::FLAG_ROW_LIMIT);
}

bool ControllerPrecise::CellOf(int x, int y, int& column, int& row) const
{
    const int cell = Playfield::CellSize();
    if (!target || x < 0 || y < 0)
        return false;
    if (x >= target->width * cell && y >= target->height * cell)
        return false;
    if (RowLimited() && y / cell > 3)
        return false;
    column = (x + Consts::OFFSET_X) / cell;
    row = (y + Consts::OFFSET_Y) / cell;
    return true;
}

void ControllerPrecise::TouchDown(int x, int y)
{
    int column = 0, row = 0;
    if (state != IDLE || !CellOf(x, y, column, row))
        return;
    count = 0;
    mask = 0;
    AddCell(column, row);
}

void ControllerPrecise::TouchMove(int x, int y)
{
    int column = 0, row = 0;
    if (state == DRAWING && CellOf(x, y, column, row))
        AddCell(column, row);
}

void ControllerPrecise::AddCell(int column, int row)
{
    if (!target || column < 0 || column >= Consts::PLAYFIELD_WIDTH || row < 0 ||
        row >= Consts::PLAYFIELD_HEIGHT)
        return;
    if (RowLimited() && row >= 4)
        return;
    if (count == 0) {
        if (!target->IsCellFree(column, row))
            return;
        state = DRAWING;
        count = 1;
        left = column;
        top = row;
        mask = 1;
        Sounds::PlayClick();
        return;
    }
    const int mx = column - left;
    const int my = row - top;
    const bool touches = Block::HasCell(mask, mx - 1, my) || Block::HasCell(mask, mx + 1, my) ||
                         Block::HasCell(mask, mx, my - 1) || Block::HasCell(mask, mx, my + 1);
    if (!touches || Block::HasCell(mask, mx, my) || !target->IsCellFree(column, row) ||
        count >= MAX_CELLS)
        return;
    ++count;
    if (row < top) {
        top = row;
        mask <<= 4;
    }
    if (column < left) {
        mask <<= 1;
        left = column;
    }
    mask |= 1 << ((column - left) + 4 * (row - top));
    state = DRAWING;
    Sounds::PlayClick();
}

void ControllerPrecise::TouchUp(int, int)
{
    if (state != DRAWING)
        return;
    state = IDLE;
    const int type = Block::FindType(mask);
    if (!target || type < 0)
        return;
    // The cells were free when they were drawn; they are tested again so that nothing lands on a
    // piece placed meanwhile.
    if (target->HasTrayPiece(type) && target->CanPlaceBlock(type, left, top)) {
        Vorn::SmartPtr<Block> block(new Block(type, static_cast<float>(left),
                                              static_cast<float>(top), 3.0f));
        target->AddPlacedBlock(block, true);
    }
}

void ControllerPrecise::Draw(const Vorn::SmartPtr<Graphics>& graphics)
{
    if (!graphics || !target)
        return;
    const int cell = Playfield::CellSize();
    if (RowLimited())
        Game::DrawHandHorizontal(graphics, static_cast<float>(target->originX / cell), 4.0f, 10.0f,
                                 Consts::THEME_LINES_HORIZONTAL);
    if (state != DRAWING)
        return;
    const int type = Block::FindType(mask);
    if (type < 0)
        return;
    graphics->DrawImageColored(Consts::THEME_BLOCKS[Game::ThemeIndex()] + type,
                               Consts::OFFSET_X + target->originX + left * cell,
                               Consts::OFFSET_Y + target->originY + top * cell, Game::COLOR_BLOCK_R,
                               Game::COLOR_BLOCK_G, Game::COLOR_BLOCK_B, 1.0f);
}

void ControllerPrecise::DrawBack(const Vorn::SmartPtr<Graphics>& graphics)
{
    if (!graphics || !RowLimited())
        return;
    graphics->DrawImageEx(0, target->originX, 0, 1, 1, 10, 4, 64.0f, 0.0f, 0.0f, 0.0f, 0.1f);
}
