#include "TrayLayout.h"

#include <algorithm>
#include <functional>
#include <tuple>
#include <cmath>
#include <limits>

namespace DataBuild {

namespace {

int AreaIndex(int x, int y)
{
    return y * PlayArea::COLUMNS + x;
}

bool BoxFree(const std::vector<bool>& blocked, int x, int y)
{
    for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx)
            if (!PlayArea::TrayCellAllowed(x + dx, y + dy) || blocked[AreaIndex(x + dx, y + dy)])
                return false;
    return true;
}

// Every position a box could take on an empty screen.
std::vector<TrayBox> AllBoxes()
{
    std::vector<TrayBox> boxes;
    for (int y = PlayArea::TRAY_FIRST_ROW; y < PlayArea::TRAY_LAST_ROW; ++y)
        for (int x = 0; x + 1 < PlayArea::COLUMNS; ++x)
            if (BoxFree(std::vector<bool>(PlayArea::COLUMNS * PlayArea::ROWS, false), x, y))
                boxes.push_back(TrayBox{x, y});
    return boxes;
}

} // namespace

bool PlayArea::TrayCellAllowed(int x, int y)
{
    if (x < 0 || x >= COLUMNS || y < TRAY_FIRST_ROW || y > TRAY_LAST_ROW)
        return false;
    const bool underButtons = y == TRAY_LAST_ROW && (x < 2 || x >= COLUMNS - 2);
    return !underButtons;
}

std::vector<bool> EnclosedHoles(int width, int height, const std::vector<bool>& cells)
{
    // Flood the outside from the border through '.' cells; what stays unreached is enclosed.
    std::vector<bool> outside(cells.size(), false);
    std::vector<int> stack;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int index = y * width + x;
            bool border = x == 0 || y == 0 || x == width - 1 || y == height - 1;
            if (border && !cells[index]) {
                outside[index] = true;
                stack.push_back(index);
            }
        }
    }
    while (!stack.empty()) {
        int index = stack.back();
        stack.pop_back();
        int x = index % width, y = index / width;
        const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
        for (int d = 0; d < 4; ++d) {
            int nx = x + dx[d], ny = y + dy[d];
            if (nx < 0 || ny < 0 || nx >= width || ny >= height)
                continue;
            int next = ny * width + nx;
            if (!cells[next] && !outside[next]) {
                outside[next] = true;
                stack.push_back(next);
            }
        }
    }
    std::vector<bool> holes(cells.size(), false);
    for (size_t i = 0; i < cells.size(); ++i)
        holes[i] = !cells[i] && !outside[i];
    return holes;
}

std::vector<bool> PlayArea::BoardCells(int width, int height, const std::vector<bool>& cells,
                                       int originX, int originY, LevelSource::Shift shift)
{
    std::vector<bool> marked(COLUMNS * ROWS, false);
    const std::vector<bool> holes = EnclosedHoles(width, height, cells);
    auto mark = [&](int x, int y) {
        if (x >= 0 && x < COLUMNS && y >= 0 && y < ROWS)
            marked[AreaIndex(x, y)] = true;
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int index = y * width + x;
            if (!cells[index] && !holes[index])
                continue;
            int column = originX + x, row = originY + y;
            mark(column, row);
            if (shift == LevelSource::SHIFT_LEFT)
                mark(column - 1, row);
            else if (shift == LevelSource::SHIFT_RIGHT)
                mark(column + 1, row);
        }
    }
    return marked;
}

LayoutPlanner::LayoutPlanner(const LevelSource& source) : m_source(source)
{
    // The outline keeps half a cell clear of both screen edges, whose lines would be cut there: a
    // board keeps a whole column free on each side, except on the side it is shifted away from.
    const int leftMargin = source.shift == LevelSource::SHIFT_RIGHT ? 0 : 1;
    const int rightMargin = source.shift == LevelSource::SHIFT_LEFT ? 0 : 1;
    for (int y = PlayArea::BOARD_FIRST_ROW; y + source.height - 1 <= PlayArea::BOARD_LAST_ROW; ++y)
        for (int x = leftMargin; x + source.width + rightMargin <= PlayArea::COLUMNS; ++x)
            m_placements.push_back(Placement{x, y});

    for (const Placement& placement : m_placements) {
        std::vector<bool> blocked = PlayArea::BoardCells(source.width, source.height, source.cells,
                                                         placement.originX, placement.originY,
                                                         source.shift);
        for (const std::vector<TrayBox>& order : Orders(placement)) {
            int count = static_cast<int>(Fill(blocked, order, 1000).size());
            m_capacity = std::max(m_capacity, count);
        }
    }
}

std::vector<TrayBox> LayoutPlanner::Fill(const std::vector<bool>& blocked,
                                         const std::vector<TrayBox>& order, int boxCount) const
{
    std::vector<bool> taken = blocked;
    std::vector<TrayBox> boxes;
    for (const TrayBox& box : order) {
        if (static_cast<int>(boxes.size()) >= boxCount)
            break;
        if (!BoxFree(taken, box.x, box.y))
            continue;
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                taken[AreaIndex(box.x + dx, box.y + dy)] = true;
        boxes.push_back(box);
    }
    return boxes;
}

std::vector<std::vector<TrayBox>> LayoutPlanner::Orders(const Placement& placement) const
{
    static const std::vector<TrayBox> s_all = AllBoxes();
    const double boardLeft = placement.originX, boardRight = placement.originX + m_source.width;
    const double boardBottom = placement.originY + m_source.height;
    // Distance of a box from the board's bounding rectangle, in cells (0 when beside or inside it).
    auto gap = [&](const TrayBox& box) {
        double gx = std::max({0.0, boardLeft - (box.x + 2), box.x - boardRight});
        double gy = std::max({0.0, static_cast<double>(placement.originY) - (box.y + 2),
                              box.y - boardBottom});
        return gx + gy;
    };
    auto centre = [](const TrayBox& box) { return std::abs(box.x - 5); };

    using Key = std::function<bool(const TrayBox&, const TrayBox&)>;
    const Key keys[] = {
        // Rows from the bottom up, each filled from the middle outwards.
        [&](const TrayBox& a, const TrayBox& b) {
            return std::make_tuple(-a.y, centre(a), a.x) < std::make_tuple(-b.y, centre(b), b.x);
        },
        // Close to the board first.
        [&](const TrayBox& a, const TrayBox& b) {
            return std::make_tuple(gap(a), -a.y, centre(a), a.x) <
                   std::make_tuple(gap(b), -b.y, centre(b), b.x);
        },
        // Rows from the top down, for boards that sit low.
        [&](const TrayBox& a, const TrayBox& b) {
            return std::make_tuple(a.y, centre(a), a.x) < std::make_tuple(b.y, centre(b), b.x);
        },
    };
    // Each order once on its own and once on each of the four grids of 2 x 2 boxes first: boxes on
    // one grid line up in rows and columns, which reads as a tray.
    std::vector<std::vector<TrayBox>> orders;
    for (const Key& key : keys) {
        for (int grid = -1; grid < 4; ++grid) {
            std::vector<TrayBox> order = s_all;
            auto offGrid = [grid](const TrayBox& box) {
                return grid >= 0 && (box.x % 2 != grid % 2 || box.y % 2 != grid / 2);
            };
            std::stable_sort(order.begin(), order.end(), [&](const TrayBox& a, const TrayBox& b) {
                if (offGrid(a) != offGrid(b))
                    return !offGrid(a);
                return key(a, b);
            });
            orders.push_back(std::move(order));
        }
    }
    return orders;
}
double LayoutPlanner::Score(const Placement& placement, const std::vector<bool>& blocked,
                            const std::vector<TrayBox>& boxes) const
{
    const double shiftOffset = m_source.shift == LevelSource::SHIFT_LEFT    ? -0.5
                               : m_source.shift == LevelSource::SHIFT_RIGHT ? 0.5
                                                                            : 0.0;
    const double boardCentreX = placement.originX + m_source.width / 2.0 + shiftOffset;
    double score = 4.0 * std::abs(boardCentreX - PlayArea::COLUMNS / 2.0);

    int top = placement.originY, bottom = placement.originY + m_source.height;
    double trayCentreX = 0;
    for (const TrayBox& box : boxes) {
        top = std::min(top, box.y);
        bottom = std::max(bottom, box.y + 2);
        trayCentreX += box.x + 1;
        // A box right against the board reads as part of it.
        bool touching = false;
        for (int dy = -1; dy <= 2 && !touching; ++dy) {
            for (int dx = -1; dx <= 2 && !touching; ++dx) {
                int x = box.x + dx, y = box.y + dy;
                if (x >= 0 && y >= 0 && x < PlayArea::COLUMNS && y < PlayArea::ROWS &&
                    blocked[AreaIndex(x, y)])
                    touching = true;
            }
        }
        score += touching ? 2.0 : 0.0;
        double dx = box.x + 1 - boardCentreX;
        double dy = box.y + 1 - (placement.originY + m_source.height / 2.0);
        score += 0.05 * (std::abs(dx) + std::abs(dy));
    }
    if (!boxes.empty())
        score += std::abs(trayCentreX / boxes.size() - PlayArea::COLUMNS / 2.0);
    // Boxes off the grid most of them share break the rows and columns of the tray.
    int onGrid[4] = {0, 0, 0, 0};
    for (const TrayBox& box : boxes)
        ++onGrid[box.x % 2 + 2 * (box.y % 2)];
    score += 1.5 * (static_cast<int>(boxes.size()) - *std::max_element(onGrid, onGrid + 4));
    // The whole picture sits in the middle of the rows the board and tray may use.
    const double middle = (PlayArea::TRAY_FIRST_ROW + PlayArea::TRAY_LAST_ROW + 1) / 2.0;
    score += std::abs((top + bottom) / 2.0 - middle);
    return score;
}

bool LayoutPlanner::Plan(int boxCount, TrayLayout& layout) const
{
    if (boxCount > m_capacity)
        return false;
    double best = std::numeric_limits<double>::infinity();
    bool found = false;
    for (const Placement& placement : m_placements) {
        std::vector<bool> blocked = PlayArea::BoardCells(m_source.width, m_source.height,
                                                         m_source.cells, placement.originX,
                                                         placement.originY, m_source.shift);
        for (const std::vector<TrayBox>& order : Orders(placement)) {
            std::vector<TrayBox> boxes = Fill(blocked, order, boxCount);
            if (static_cast<int>(boxes.size()) < boxCount)
                continue;
            double score = Score(placement, blocked, boxes);
            if (score < best) {
                best = score;
                found = true;
                std::sort(boxes.begin(), boxes.end(), [](const TrayBox& a, const TrayBox& b) {
                    return std::make_pair(a.y, a.x) < std::make_pair(b.y, b.x);
                });
                layout.originX = placement.originX;
                layout.originY = placement.originY;
                layout.shift = m_source.shift;
                layout.boxes = std::move(boxes);
            }
        }
    }
    return found;
}

} // namespace DataBuild
