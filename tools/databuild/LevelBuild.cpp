#include "LevelBuild.h"

#include "TrayLayout.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace DataBuild {

namespace {

// Lower ranks are revealed first by hints: the pieces whose place is hardest to see.
int HintRank(int type)
{
    if (type >= 3 && type <= 18)
        return 0;
    if (type >= 21 && type <= 24)
        return 1;
    if (type == 1 || type == 2)
        return 2;
    if (type == 19 || type == 20)
        return 3;
    if (type == 0)
        return 4;
    return 5;
}

uint8_t Nibbles(int high, int low)
{
    return static_cast<uint8_t>((high << 4) | low);
}

std::string PieceText(const LevelPlacement& piece)
{
    return "type " + std::to_string(piece.type) + " at (" + std::to_string(piece.x) + ", " +
           std::to_string(piece.y) + ")";
}

// Tray boxes: on the play area, clear of the board, its holes and each other; "" when they are.
std::string CheckTrayBoxes(const LevelFile& level, const LevelSource& source)
{
    std::vector<bool> taken = PlayArea::BoardCells(source.width, source.height, source.cells,
                                                   level.originX, level.originY, source.shift);
    for (const LevelTrayEntry& entry : level.tray) {
        for (int dy = 0; dy < 2; ++dy) {
            for (int dx = 0; dx < 2; ++dx) {
                int x = entry.x + dx, y = entry.y + dy;
                if (!PlayArea::TrayCellAllowed(x, y))
                    return "a tray box at (" + std::to_string(entry.x) + ", " +
                           std::to_string(entry.y) + ") leaves the tray's area";
                if (taken[y * PlayArea::COLUMNS + x])
                    return "a tray box at (" + std::to_string(entry.x) + ", " +
                           std::to_string(entry.y) + ") overlaps the board or another box";
                taken[y * PlayArea::COLUMNS + x] = true;
            }
        }
    }
    return "";
}

// Each stored solution covers the outline exactly with the tray's pieces, and none repeats
// another; "" when they do.
std::string CheckSolutions(const LevelFile& level, const LevelSource& source, const TypeCounts& trayCounts)
{
    std::set<std::vector<std::tuple<int, int, int>>> distinct;
    for (int s = 0; s < level.solutionCount; ++s) {
        const std::string which = "solution " + std::to_string(s) + ": ";
        TypeCounts counts{};
        std::vector<int> covered(level.cells.size(), 0);
        std::vector<std::tuple<int, int, int>> key;
        for (int k = 0; k < level.piecesPerSolution; ++k) {
            const LevelPlacement& piece = level.Placement(s, k);
            ++counts[piece.type];
            key.emplace_back(piece.type, piece.x, piece.y);
            const ShapeInfo& shape = Shape(piece.type);
            for (int dy = 0; dy < 4; ++dy) {
                for (int dx = 0; dx < 4; ++dx) {
                    if (!((shape.mask >> (dx + 4 * dy)) & 1))
                        continue;
                    int x = piece.x - level.originX + dx, y = piece.y - level.originY + dy;
                    if (!source.At(x, y))
                        return which + PieceText(piece) + " leaves the outline";
                    if (++covered[y * level.width + x] > 1)
                        return which + PieceText(piece) + " overlaps another piece";
                }
            }
        }
        for (size_t i = 0; i < covered.size(); ++i)
            if (source.cells[i] && covered[i] != 1)
                return which + "leaves a cell uncovered";
        if (counts != trayCounts)
            return which + "does not use exactly the tray's pieces";
        std::sort(key.begin(), key.end());
        if (!distinct.insert(key).second)
            return which + "repeats an earlier solution";
    }
    return "";
}

} // namespace

LevelSource SourceOfLevel(const LevelFile& level)
{
    LevelSource source;
    source.width = level.width;
    source.height = level.height;
    source.cells.resize(level.cells.size());
    for (size_t i = 0; i < level.cells.size(); ++i)
        source.cells[i] = level.cells[i] == LevelFile::CELL_TO_COVER;
    const int shiftBits = level.flags & (LevelFile::FLAG_SHIFT_LEFT | LevelFile::FLAG_SHIFT_RIGHT);
    source.shift = shiftBits == LevelFile::FLAG_SHIFT_LEFT    ? LevelSource::SHIFT_LEFT
                   : shiftBits == LevelFile::FLAG_SHIFT_RIGHT ? LevelSource::SHIFT_RIGHT
                                                              : LevelSource::SHIFT_NONE;
    return source;
}

std::vector<uint8_t> EncodeLevel(const LevelSource& source, const TrayChoice& choice)
{
    const TrayLayout& layout = choice.layout;
    std::vector<uint8_t> bytes;
    bytes.push_back(0);
    bytes.push_back(static_cast<uint8_t>(source.shift == LevelSource::SHIFT_LEFT    ? 1
                                         : source.shift == LevelSource::SHIFT_RIGHT ? 2
                                                                                    : 0));
    // Tray pieces grouped by size and type, box by box in reading order.
    std::vector<int> trayTypes;
    for (int type = 0; type < 28; ++type)
        for (int i = 0; i < choice.counts[type]; ++i)
            trayTypes.push_back(type);
    std::stable_sort(trayTypes.begin(), trayTypes.end(), [](int a, int b) {
        return Shape(a).cells > Shape(b).cells;
    });
    bytes.push_back(static_cast<uint8_t>(trayTypes.size()));
    for (size_t i = 0; i < trayTypes.size(); ++i) {
        bytes.push_back(Nibbles(layout.boxes[i].x, layout.boxes[i].y));
        bytes.push_back(static_cast<uint8_t>(trayTypes[i]));
    }
    bytes.push_back(Nibbles(source.width - 1, source.height - 1));
    bytes.push_back(Nibbles(layout.originX, layout.originY));
    for (bool cell : source.cells)
        bytes.push_back(cell ? LevelFile::CELL_TO_COVER : LevelFile::CELL_OUTSIDE);

    bytes.push_back(static_cast<uint8_t>(choice.tilings.size()));
    bytes.push_back(static_cast<uint8_t>(choice.pieceCount));
    for (size_t s = 0; s < choice.tilings.size(); ++s) {
        Tiling pieces = choice.tilings[s];
        auto reading = [](const Piece& a, const Piece& b) {
            return std::make_tuple(a.y, a.x, a.type) < std::make_tuple(b.y, b.x, b.type);
        };
        if (s == 0) {
            std::stable_sort(pieces.begin(), pieces.end(), [&](const Piece& a, const Piece& b) {
                if (HintRank(a.type) != HintRank(b.type))
                    return HintRank(a.type) < HintRank(b.type);
                return reading(a, b);
            });
        } else {
            std::sort(pieces.begin(), pieces.end(), reading);
        }
        for (const Piece& piece : pieces) {
            bytes.push_back(static_cast<uint8_t>(piece.type));
            bytes.push_back(static_cast<uint8_t>(layout.originX + piece.x));
            bytes.push_back(static_cast<uint8_t>(layout.originY + piece.y));
        }
    }
    return bytes;
}

std::string VerifyLevel(const LevelFile& level)
{
    const int shiftBits = level.flags & (LevelFile::FLAG_SHIFT_LEFT | LevelFile::FLAG_SHIFT_RIGHT);
    const LevelSource source = SourceOfLevel(level);
    const int cellCount = source.CellCount();
    if (cellCount == 0)
        return "the board has no cell to cover";

    // The board on its rows and inside the columns, also when shifted by half a cell.
    if (level.originY < PlayArea::BOARD_FIRST_ROW ||
        level.originY + level.height - 1 > PlayArea::BOARD_LAST_ROW)
        return "the board leaves rows " + std::to_string(PlayArea::BOARD_FIRST_ROW) + " to " +
               std::to_string(PlayArea::BOARD_LAST_ROW);
    // Its outline half a cell clear of the screen's edges.
    const int leftMargin = shiftBits == LevelFile::FLAG_SHIFT_RIGHT ? 0 : 1;
    const int rightMargin = shiftBits == LevelFile::FLAG_SHIFT_LEFT ? 0 : 1;
    if (level.originX < leftMargin || level.originX + level.width + rightMargin > PlayArea::COLUMNS)
        return "the board's outline comes within half a cell of the screen's edge";

    const std::string trayProblem = CheckTrayBoxes(level, source);
    if (!trayProblem.empty())
        return trayProblem;

    // The solutions.
    if (level.storedSolutions < 1 || level.storedSolutions > LevelFile::MAX_SOLUTIONS)
        return "stores " + std::to_string(level.storedSolutions) + " solutions, not 1 to 63";
    if (level.piecesPerSolution != static_cast<int>(level.tray.size()))
        return "solutions have " + std::to_string(level.piecesPerSolution) +
               " pieces, the tray " + std::to_string(level.tray.size());
    TypeCounts trayCounts{};
    for (const LevelTrayEntry& entry : level.tray)
        ++trayCounts[entry.type];

    const std::string solutionProblem = CheckSolutions(level, source, trayCounts);
    if (!solutionProblem.empty())
        return solutionProblem;

    // Nothing the player can find may be missing.
    const TilingSolver solver(source.width, source.height, source.cells);
    const TilingSolver::Result all = solver.Solve(trayCounts, LevelFile::MAX_SOLUTIONS + 1, 0,
                                                  false);
    if (all.count != level.storedSolutions)
        return "the tray tiles the outline in " +
               std::string(all.count > LevelFile::MAX_SOLUTIONS ? "more than 63"
                                                                : std::to_string(all.count)) +
               " ways, " + std::to_string(level.storedSolutions) + " stored";
    return "";
}

bool BuildLevel(const LevelSource& source, int difficulty, uint64_t seed,
                const TraySearch::Options& options, BuiltLevel& level, std::string& error)
{
    if (!TraySearch::Choose(source, difficulty, seed, options, level.choice, error))
        return false;
    level.bytes = EncodeLevel(source, level.choice);
    LevelFile parsed;
    if (!parsed.Parse(level.bytes.data(), level.bytes.size())) {
        error = "the game's reader refuses the level file written";
        return false;
    }
    error = VerifyLevel(parsed);
    return error.empty();
}

} // namespace DataBuild
