#include "Playfield.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "Consts.h"
#include "Controller.h"
#include "Game.h"
#include "Graphics.h"
#include "Mounts.h"
#include "SaveFile.h"
#include "Stats.h"
#include "vfs/Vfs.h"

namespace {

bool IsSmallType(int type)
{
    return type > 18;
}

} // namespace

Playfield::Playfield(int boardFlags)
    : finished(false), gameMode(0), paused(false), halfCellShift(0), flags(boardFlags),
      controlColumn(0), originX(0), originY(0), width(GRID_WIDTH), height(GRID_HEIGHT),
      placedCount(0), trayCount(0), packCompleted(false), nextPackUnlocked(false), dragging(false),
      lastRepeatedIndex(-1), playTime(0), lastTrayId(-1), m_cursor(0)
{
    std::fill(std::begin(recentTypes), std::end(recentTypes), -1);
    ClearGrid();
    // The random generator serves the rising rows; the board keeps the seeding it always did.
    std::srand(static_cast<unsigned>(std::time(nullptr)));
}

Playfield::~Playfield()
{
    if (controller && controller->target == this)
        controller->target = nullptr;
}

void Playfield::ClearGrid()
{
    for (auto& column : grid)
        std::fill(std::begin(column), std::end(column), BoardCell::EMPTY);
}

void Playfield::ClearPieces()
{
    tray.clear();
    placed.clear();
    trayCount = 0;
    placedCount = 0;
}

bool Playfield::HasTrayPiece(int)
{
    return true;
}

std::vector<Vorn::u8> Playfield::GameBytes() const
{
    SaveWriter writer;
    writer.PutI32(gameMode);
    // The rising-rows state, which no board of the game uses.
    for (int i = 0; i < 7; ++i)
        writer.PutI32(0);
    for (int type : recentTypes)
        writer.PutI32(type);
    for (const std::vector<Vorn::SmartPtr<Block>>* list : {&tray, &placed}) {
        writer.PutI32(static_cast<Vorn::s32>(list->size()));
        for (const Vorn::SmartPtr<Block>& block : *list) {
            writer.PutI32(block->type);
            writer.PutF32(block->x);
            writer.PutF32(block->y);
            writer.PutF32(block->trayState);
            writer.PutI32(block->colour);
        }
    }
    writer.PutI32(playTime);
    return writer.Bytes();
}

bool Playfield::SaveGame()
{
    // The save area replaces the old file only once the new one is whole, so the old game is
    // not emptied first: a kill in the middle keeps it.
    SaveWriter writer(Vorn::NarrowString(Game::SavePath("save")));
    const std::vector<Vorn::u8> bytes = GameBytes();
    writer.PutBytes(bytes.data(), bytes.size());
    return writer.Finish();
}

bool Playfield::LoadGame()
{
    return false;
}

bool Playfield::ClearSavedGame()
{
    // A save still being written would otherwise land after the clearing.
    SaveWriter::WaitForBackgroundWrites();
    const Vorn::NarrowString path = Game::SavePath("save");
    if (!Vorn::SmartPtr<Vorn::File>(Vorn::Vfs::Open(path.c_str())))
        return true;
    SaveWriter emptied(path);
    return emptied.Finish();
}

bool Playfield::IsNotSolved()
{
    return false;
}

void Playfield::OpenHintPanel() {}

void Playfield::Draw(const Vorn::SmartPtr<Graphics>&) {}

void Playfield::Update(int) {}

void Playfield::OnTouchDown(int, int) {}

void Playfield::OnTouchMove(int, int) {}

void Playfield::OnTouchUp(int, int) {}

bool Playfield::IsCellFree(int x, int y)
{
    if (Game::instance && Game::instance->gameMode != 0) {
        for (const Vorn::SmartPtr<Block>& block : tray) {
            if (Block::HasCell(block->mask, x - static_cast<int>(block->x),
                               y - static_cast<int>(block->y)))
                return false;
        }
    }
    if (x < 0 || x >= width || y < 0 || y >= height)
        return false;
    return grid[x][y] == BoardCell::EMPTY;
}

void Playfield::ApplyHistoryRecord(const HistoryRecord&) {}

void Playfield::SetMode(int side)
{
    if (side == 0) {
        controlColumn = 0;
        originX = Consts::DISPLAY_AREA_X + 2 * Consts::CELL_SIZE;
    } else if (side == 1) {
        controlColumn = 10;
        originX = Consts::DISPLAY_AREA_X + 2;
    }
}

int Playfield::Cell(int x, int y) const
{
    if (x < 0 || x >= GRID_WIDTH || y < 0 || y >= GRID_HEIGHT)
        return BoardCell::OUTSIDE;
    return grid[x][y];
}

void Playfield::AddTrayBlock(const Vorn::SmartPtr<Block>& block)
{
    if (!block)
        return;
    tray.insert(tray.begin(), block);
    AddHistory(HistoryRecord::TRAY_ADDED, block->id);
    ++trayCount;
    lastTrayId = block->id;
}

bool Playfield::PlaceBlock(const Vorn::SmartPtr<Block>& block)
{
    if (!block)
        return false;
    placed.insert(placed.begin(), block);
    block->x = static_cast<float>(static_cast<int>(block->x));
    block->y = static_cast<float>(static_cast<int>(block->y));
    const int bx = static_cast<int>(block->x);
    const int by = static_cast<int>(block->y);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const int x = bx + c;
            const int y = by + r;
            // Callers test the cells first; the bounds keep a careless caller off other memory.
            if (Block::HasCell(block->mask, c, r) && x >= 0 && x < GRID_WIDTH && y >= 0 &&
                y < GRID_HEIGHT)
                grid[x][y] = BoardCell::COVERED;
        }
    }
    ++placedCount;
    OnBlockPlaced(block);
    AddHistory(HistoryRecord::PLACED, block->id);
    return true;
}

void Playfield::OnBlockPlaced(const Vorn::SmartPtr<Block>&) {}

void Playfield::AddPlacedBlock(const Vorn::SmartPtr<Block>& block, bool record)
{
    if (!block)
        return;
    if (flags & FLAG_TO_TRAY) {
        AddTrayBlock(block);
        return;
    }
    if (!(flags & FLAG_TO_BOARD))
        return;
    PlaceBlock(block);
    if (!record)
        return;
    if (block->type >= 0 && block->type < Block::TYPE_COUNT) {
        if (Game::instance && Game::instance->stats)
            ++Game::instance->stats->pieces[block->type];
        if (stats)
            ++stats->pieces[block->type];
    }
    RecordRecentType(block->type);
}

void Playfield::RecordRecentType(int type)
{
    const bool smallStreak = IsSmallType(type) && (IsSmallType(recentTypes[0]) ||
                                                   IsSmallType(recentTypes[1]) ||
                                                   IsSmallType(recentTypes[2]));
    if (smallStreak)
        AddHistory(HistoryRecord::RECENT_TYPE, 0);
    for (int i = 0; i < RECENT_TYPES - 1; ++i) {
        const bool repeated = recentTypes[i] == type;
        if (!repeated && recentTypes[i] != -1)
            continue;
        if (repeated) {
            lastRepeatedIndex = i;
            if (!smallStreak)
                AddHistory(HistoryRecord::RECENT_TYPE, i);
        }
        for (int j = i; j > 0; --j)
            recentTypes[j] = recentTypes[j - 1];
        recentTypes[0] = type;
        return;
    }
}

void Playfield::RemoveBlock(int id)
{
    for (auto it = placed.begin(); it != placed.end(); ++it) {
        const Vorn::SmartPtr<Block> block = *it;
        if (block->id != id)
            continue;
        const int bx = static_cast<int>(block->x);
        const int by = static_cast<int>(block->y);
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                const int x = bx + c;
                const int y = by + r;
                if (Block::HasCell(block->mask, c, r) && x >= 0 && x < GRID_WIDTH && y >= 0 &&
                    y < GRID_HEIGHT && grid[x][y] == BoardCell::COVERED)
                    grid[x][y] = BoardCell::EMPTY;
            }
        }
        placed.erase(it);
        --placedCount;
        return;
    }
}

bool Playfield::CanPlaceBlock(int type, int x, int y)
{
    if (type < 0 || type >= Block::TYPE_COUNT)
        return false;
    const int mask = Block::blocksDescription[type];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (Block::HasCell(mask, c, r) && !IsCellFree(x + c, y + r))
                return false;
    return true;
}

int Playfield::GetPlacedBlockIdAt(int x, int y) const
{
    for (const Vorn::SmartPtr<Block>& block : placed) {
        if (Block::HasCell(block->mask, x - static_cast<int>(block->x),
                           y - static_cast<int>(block->y)))
            return block->id;
    }
    return -1;
}

Vorn::SmartPtr<Block> Playfield::FindBlockById(int id) const
{
    for (const Vorn::SmartPtr<Block>& block : tray)
        if (block->id == id)
            return block;
    return FindPlacedBlock(id);
}

Vorn::SmartPtr<Block> Playfield::FindPlacedBlock(int id) const
{
    for (const Vorn::SmartPtr<Block>& block : placed)
        if (block->id == id)
            return block;
    return nullptr;
}

int Playfield::FloorDiv(int value, int divisor)
{
    int quotient = value / divisor;
    if ((value % divisor != 0) && ((value < 0) != (divisor < 0)))
        --quotient;
    return quotient;
}

int Playfield::CellSize()
{
    return Consts::CELL_SIZE > 0 ? Consts::CELL_SIZE : 1;
}

int Playfield::PixelToCellX(int p)
{
    return FloorDiv(p + CellSize() / 2, CellSize());
}

int Playfield::PixelToCellY(int p)
{
    return FloorDiv(p + CellSize() / 2, CellSize());
}

void Playfield::AddHistory(int code, int value)
{
    m_history.push_back(HistoryRecord{code, value, playTime});
}

const HistoryRecord* Playfield::NextHistoryRecord()
{
    if (m_cursor < m_history.size())
        return &m_history[m_cursor++];
    // Every record was handed out once and nothing reads them again: a board left running keeps
    // no growing log.
    m_history.clear();
    m_cursor = 0;
    return nullptr;
}

void Playfield::Tick(int ms)
{
    if (ms > 0)
        AddHistory(HistoryRecord::TICK, 0);
    while (const HistoryRecord* next = NextHistoryRecord()) {
        // Applying may log further records, which moves the log.
        const HistoryRecord record = *next;
        ApplyHistoryRecord(record);
    }
    // A level's play time stops at its largest value rather than wrap.
    if (!finished && !paused && ms > 0)
        playTime = playTime > INT_MAX - ms ? INT_MAX : playTime + ms;
    Update(ms);
}

bool Playfield::SaveStats()
{
    bool saved = !stats || stats->Save();
    if (Game::instance && Game::instance->stats)
        saved = Game::instance->stats->Save() && saved;
    return saved;
}

void Playfield::SetController(const Vorn::SmartPtr<Controller>& newController)
{
    if (controller && controller != newController && controller->target == this)
        controller->target = nullptr;
    controller = newController;
}

void Playfield::DrawBackground(const Vorn::SmartPtr<Graphics>& graphics, int x, int y, int w, int h)
{
    if (!graphics || w <= 0 || h <= 0)
        return;
    graphics->DrawImageScaled(Game::imgBackground, x, y, x, y, w, h, 0.0f, 0.0f, 0.0f, 1.0f);
    if (Consts::ALLOW_BLOCK_DRAWING)
        graphics->DrawImageEx(IMAGE_GRID_SMALL, x, y, x + std::abs(halfCellShift), y, w, h,
                              1.0f, Game::COLOR_R, Game::COLOR_G, Game::COLOR_B, 0.2f);
}

void Playfield::DrawPlacedBlocks(const Vorn::SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    const int cell = Consts::CELL_SIZE;
    for (const Vorn::SmartPtr<Block>& block : placed) {
        const float* colour = Block::blockColors[block->colour % Block::COLOR_SLOTS];
        graphics->DrawImageColored(Game::BASE_BLOCK + block->type,
                                   originX + static_cast<int>(block->x * cell),
                                   originY + static_cast<int>(block->y * cell), colour[0],
                                   colour[1], colour[2], colour[3]);
    }
}
