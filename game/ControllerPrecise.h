// The draw-a-piece controller: a press on a free cell starts a shape, moves add free cells that
// touch it on a side (at most four), and the release places the piece of that shape when the tray
// still holds one.
#pragma once

#include "Controller.h"

class ControllerPrecise : public Controller {
public:
    static constexpr int TYPE_ID = 43;
    static constexpr int MAX_CELLS = 4;

    ControllerPrecise();

    int GetType() override { return TYPE_ID; }
    void DrawBack(const Vorn::SmartPtr<Graphics>& graphics) override;
    void Draw(const Vorn::SmartPtr<Graphics>& graphics) override;
    void TouchDown(int x, int y) override;
    void TouchMove(int x, int y) override;
    void TouchUp(int x, int y) override;

    // Adds a board cell to the shape when the rules allow it.
    void AddCell(int column, int row);

    int mask; // drawn cells, bit (column - left) + 4 * (row - top)
    int top;
    int left;
    int count;

private:
    bool RowLimited() const;
    // False for a point outside the board's cells.
    bool CellOf(int x, int y, int& column, int& row) const;
};
