#include "art/ArtSize.h"

#include "Block.h"
#include "Consts.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace DataBuild {

namespace {

const int HEIGHTS[][2] = {{240, 320}, {320, 480}, {480, 800}, {600, 1024}};

// The layout values are globals of the game; they are set and read under one lock so that the
// sizes can be asked for from any thread.
std::mutex s_layoutLock;

bool Compute(int width, ArtSize& size)
{
    int height = 0;
    for (const auto& entry : HEIGHTS)
        if (entry[0] == width)
            height = entry[1];
    if (height == 0)
        return false;
    std::lock_guard<std::mutex> lock(s_layoutLock);
    Consts::Init(width, height, false);
    Block::InitTables();
    size.width = width;
    size.height = height;
    size.cell = Consts::CELL_SIZE;
    for (int i = 0; i < 4; ++i)
        size.spans[i] = Block::cellPixelSizes[i];
    for (int type = 0; type < Block::TYPE_COUNT; ++type) {
        size.typeColumns[type] = Block::blocksWType[type];
        size.typeRows[type] = Block::blocksHType[type];
        size.typeMask[type] = Block::blocksDescription[type];
    }
    size.menuTop = Consts::MAIN_MENU_Y;
    // The menus put the board's top row (R - 16) / 2 cells down, R the screen height in cells,
    // computed in single precision and truncated to pixels.
    const float rows = static_cast<float>(height) / static_cast<float>(size.cell);
    const float top = (rows - 16.0f) * 0.5f;
    size.gridPhaseY = static_cast<int>(top * static_cast<float>(size.cell)) % size.cell;
    // Captions of the menus use the small font, titles and keys the main one; both stay readable
    // on the smallest screen.
    size.fontMain = std::max(12, static_cast<int>(std::lround(0.6 * size.cell)));
    size.fontSmall = std::max(10, static_cast<int>(std::lround(0.46 * size.cell)));
    return true;
}

} // namespace

const std::vector<int>& ArtSize::Widths()
{
    static const std::vector<int> s_widths = {240, 320, 480, 600};
    return s_widths;
}

bool ArtSize::ForWidth(int width, ArtSize& size)
{
    return Compute(width, size);
}

int ArtSize::LineStripLength() const
{
    // A window starts at cell/2 + r, r < (29.03 - len) x cell, and is at most (len + 0.09) x cell
    // long: it ends before cell/2 + 29.12 x cell.
    return cell / 2 + static_cast<int>(std::ceil(29.12 * cell)) + 2;
}

int ArtSize::ProgressBarWidth() const
{
    return static_cast<int>(std::ceil(cell * 0.58823526 * 10.0)) + cell;
}

int ArtSize::LogoWidth() const
{
    return static_cast<int>(std::lround(0.92 * width));
}

int ArtSize::LogoHeight() const
{
    return std::min(menuTop - cell / 2, static_cast<int>(std::lround(0.4 * width)));
}

int ArtSize::SmallIconSize() const
{
    return static_cast<int>(std::lround(0.65 * cell));
}

} // namespace DataBuild
