// The play rules of the fit board: touches, drops, taps, the event log's effects, solved detection,
// completion and hints.
#include "PlayfieldFit.h"

#include <algorithm>
#include <cstdlib>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Controller.h"
#include "Game.h"
#include "Sounds.h"
#include "Stats.h"
#include "StringTools.h"

namespace {

float BoardTopRows()
{
    return Game::instance ? Game::instance->boardTopRows : 0.0f;
}

ButtonDisplayer* Menu(int index)
{
    return Game::instance ? Game::instance->menus[index].Get() : nullptr;
}

// The text of key with its "%d" replaced by the number.
Vorn::WideString TextWithNumber(const char* key, int number)
{
    Vorn::WideString text = Game::instance ? Game::instance->GetText(key) : Vorn::WideString();
    const size_t at = text.find(L"%d");
    if (at != Vorn::WideString::npos) {
        Vorn::WideString digits = StringTools::Placeholder(1);
        StringTools::SprintfRef(digits, number);
        text.replace(at, 2, digits);
    }
    return text;
}

Vorn::WideString CountLine(const char* key, int count, int total)
{
    Vorn::WideString line = StringTools::Placeholder(1) + StringTools::Placeholder(2) +
                            StringTools::Placeholder(3) + StringTools::Placeholder(4) +
                            StringTools::Placeholder(5);
    const Vorn::WideString text = Game::instance ? Game::instance->GetText(key) : Vorn::WideString();
    StringTools::SprintfRef(line, text, L" ", count, L"/", total);
    return line;
}

} // namespace

PlayfieldFit::PlayfieldFit(int, int, int, int boardFlags)
    : Playfield(boardFlags | FIT_FLAGS), hintPanelOpen(false), closeCornerPressed(false), dragType(0),
      dragStartX(0), dragStartY(0), dragStartScale(1.0f), dragFade(0.0f), dragX(0.0f), dragY(0.0f),
      pickedTrayId(-1), dragColour(-1), level(0), moveCount(0), dragTimer(0), trayPieceCount(0),
      boardW(0), boardH(0), boardX0(0.0f), boardY0(0.0f), playTimer(0), solved(false),
      solvedPending(false), inputLock(false), hintButtonEnabled(false), loaded(false), m_dropId(-1),
      m_touchDownX(0), m_touchDownY(0), m_pickX(0), m_pickY(0), m_dragMoved(false), m_saveDue(false)
{
}

PlayfieldFit::~PlayfieldFit() {}

void PlayfieldFit::ResetPlayState()
{
    inputLock = false;
    hintPanelOpen = false;
    closeCornerPressed = false;
    hintButtonEnabled = false;
    solved = false;
    solvedPending = false;
    dragging = false;
    playTimer = 0;
    pickedTrayId = -1;
    m_dropId = -1;
    m_saveDue = false;
}

void PlayfieldFit::SetMode(int side)
{
    if (side == 0)
        controlColumn = 0;
    else if (side == 1)
        controlColumn = 10;
}

// --- Tray bookkeeping --------------------------------------------------------------------------

int PlayfieldFit::OwedCount(int type) const
{
    int count = 0;
    for (int id : m_owedIds) {
        const Vorn::SmartPtr<Block> block = FindPlacedBlock(id);
        if (block && block->type == type)
            ++count;
    }
    return count;
}

bool PlayfieldFit::HasTrayPiece(int type)
{
    // Pieces placed in this frame have not hidden their tray entries yet: they are spoken for.
    int shown = 0;
    for (const Vorn::SmartPtr<Block>& block : tray)
        if (block->type == type && block->trayState != -1.0f)
            ++shown;
    return shown > OwedCount(type);
}

void PlayfieldFit::OnBlockPlaced(const Vorn::SmartPtr<Block>& block)
{
    m_saveDue = true;
    if (!dragging)
        m_owedIds.push_back(block->id);
}

void PlayfieldFit::SettleTrayEntry(int id)
{
    const auto owed = std::find(m_owedIds.begin(), m_owedIds.end(), id);
    if (owed == m_owedIds.end())
        return;
    m_owedIds.erase(owed);
    const Vorn::SmartPtr<Block> block = FindPlacedBlock(id);
    if (!block)
        return;
    for (const Vorn::SmartPtr<Block>& entry : tray) {
        if (entry->type == block->type && entry->trayState != -1.0f) {
            entry->trayState = -1.0f;
            return;
        }
    }
}

void PlayfieldFit::ShowTrayEntry(int type)
{
    for (const Vorn::SmartPtr<Block>& entry : tray) {
        if (entry->type == type && entry->trayState == -1.0f) {
            entry->trayState = 0.0f;
            return;
        }
    }
}

void PlayfieldFit::ReturnDragToTray()
{
    bool returned = false;
    for (const Vorn::SmartPtr<Block>& entry : tray) {
        if (entry->id == pickedTrayId && entry->type == dragType) {
            entry->trayState = 0.0f;
            returned = true;
            break;
        }
    }
    if (!returned) {
        for (const Vorn::SmartPtr<Block>& entry : tray) {
            if (entry->type == dragType && entry->trayState != 0.0f) {
                entry->trayState = 0.0f;
                break;
            }
        }
    }
    // A piece lifted off the board and let go has been taken off.
    if (pickedTrayId < 0)
        m_saveDue = true;
    dragging = false;
    pickedTrayId = -1;
}

// --- Touches -----------------------------------------------------------------------------------

void PlayfieldFit::SetDragPosition(int px, int py)
{
    const int cell = CellSize();
    const float topRows = BoardTopRows();
    dragX = static_cast<float>(px - Block::blocksWidth[dragType] / 2) / cell;
    dragY = (static_cast<float>(py - Block::blocksHeight[dragType] / 2) - cell * topRows) / cell;
}

void PlayfieldFit::BeginCarry(int px, int py)
{
    dragging = true;
    m_pickX = px;
    m_pickY = py;
    m_dragMoved = false;
    SetDragPosition(px, py);
}

void PlayfieldFit::FollowFinger(int px, int py)
{
    SetDragPosition(px, py);
    const int slack = CellSize() / 2;
    if (std::abs(px - m_pickX) > slack || std::abs(py - m_pickY) > slack)
        m_dragMoved = true;
}

void PlayfieldFit::DragTargetCell(int& tx, int& ty) const
{
    const int cell = CellSize();
    const float topRows = BoardTopRows();
    tx = PixelToCellX(static_cast<int>(cell * dragX - originX + Consts::DISPLAY_AREA_X));
    ty = PixelToCellY(static_cast<int>((topRows + dragY) * cell - originY));
}

void PlayfieldFit::OnTouchDown(int px, int py)
{
    if (inputLock)
        return;
    const int cell = CellSize();
    const float screenRows = Game::instance ? Game::instance->screenRows : 0.0f;
    const bool gamePaused = paused;

    if (hintPanelOpen) {
        if (hintButtonEnabled && !gamePaused)
            if (ButtonDisplayer* list = Menu(Game::MENU_HINT))
                list->TouchDown(px, py);
        closeCornerPressed = py >= cell * (screenRows - 2.0f) &&
                             px > Consts::DISPLAY_AREA_WIDTH + Consts::DISPLAY_AREA_X - 2 * cell;
        return;
    }

    dragTimer = 0;
    if (solved)
        return;

    const float topRows = BoardTopRows();
    for (const Vorn::SmartPtr<Block>& entry : tray) {
        if (entry->trayState == -1.0f)
            continue;
        const float left = Consts::DISPLAY_AREA_X + entry->x * cell;
        const float top = (entry->y + topRows) * cell;
        if (px < left || px >= left + 2 * cell || py < top || py >= top + 2 * cell)
            continue;
        pickedTrayId = entry->id;
        entry->trayState = -1.0f;
        dragType = entry->type;
        dragStartScale = Consts::BLOCK_SCALE;
        dragFade = 0.0f;
        dragStartX = cell + static_cast<int>(entry->x * cell) -
                     static_cast<int>(Block::blocksWidth[dragType] * Consts::BLOCK_SCALE * 0.5f);
        dragStartY = cell + static_cast<int>(entry->y * cell) -
                     static_cast<int>(Block::blocksHeight[dragType] * Consts::BLOCK_SCALE * 0.5f);
        dragColour = -1;
        BeginCarry(px, py);
        return;
    }

    const int cx = FloorDiv(px - originX, cell);
    const int cy = FloorDiv(py - originY, cell);
    const int id = GetPlacedBlockIdAt(cx, cy);
    if (id >= 0) {
        const Vorn::SmartPtr<Block> block = FindPlacedBlock(id);
        // A piece placed in this frame takes its tray entry now, so that returning it to the tray
        // finds that entry.
        SettleTrayEntry(id);
        dragType = block->type;
        dragStartScale = 1.0f;
        dragFade = 0.0f;
        dragStartX = originX + static_cast<int>(block->x * cell);
        // The drawing adds the board's top rows to the start row, as it does for tray pieces.
        dragStartY = originY + static_cast<int>(block->y * cell) -
                     static_cast<int>(BoardTopRows() * cell);
        dragColour = block->colour;
        pickedTrayId = -1;
        BeginCarry(px, py);
        RemoveBlock(id);
        return;
    }

    if (Game::controls == 0 && controller)
        controller->TouchDown(px - originX, py - originY);
    moveCount = 0;
    m_touchDownX = px - originX;
    m_touchDownY = py - originY;
}

void PlayfieldFit::OnTouchMove(int px, int py)
{
    if (inputLock)
        return;
    if (hintPanelOpen) {
        if (hintButtonEnabled && !paused)
            if (ButtonDisplayer* list = Menu(Game::MENU_HINT))
                list->TouchMove(px, py);
        return;
    }
    if (dragging)
        FollowFinger(px, py);
    if (controller)
        controller->TouchMove(px - originX, py - originY);
    ++moveCount;
}

void PlayfieldFit::OnTouchUp(int px, int py)
{
    if (inputLock)
        return;
    const int cell = CellSize();

    if (hintPanelOpen) {
        int released = ButtonDisplayer::NONE;
        if (!paused)
            if (ButtonDisplayer* list = Menu(Game::MENU_HINT))
                released = list->TouchUp(px, py, false);
        const float screenRows = Game::instance ? Game::instance->screenRows : 0.0f;
        if (hintButtonEnabled && released == Game::Id(Game::HintButton::USE_HINT)) {
            if (Game::instance && level >= 0 && level < Game::LEVEL_COUNT) {
                ++Game::instance->hintWords[level];
                Game::instance->SaveHints();
            }
            GetHintText();
        } else if (py > cell * (screenRows - 2.0f) &&
                   px > Consts::DISPLAY_AREA_WIDTH + Consts::DISPLAY_AREA_X - 2 * cell &&
                   closeCornerPressed) {
            hintPanelOpen = false;
        }
        closeCornerPressed = false;
        return;
    }

    if (dragging) {
        int tx = 0, ty = 0;
        // The release point counts too: a flick may bring no move event between press and
        // release. A piece that never left the finger's slack was tapped, however long the
        // press lasted.
        FollowFinger(px, py);
        DragTargetCell(tx, ty);
        if (m_dragMoved && CanPlaceBlock(dragType, tx, ty)) {
            inputLock = true;
            Vorn::SmartPtr<Block> block(new Block(dragType, static_cast<float>(tx),
                                                  static_cast<float>(ty), 0.0f));
            if (dragColour >= 0)
                block->colour = dragColour;
            m_dropId = block->id;
            AddPlacedBlock(block, true);
            Sounds::PlayDrop();
        } else {
            ReturnDragToTray();
        }
        return;
    }

    const int releaseX = px - originX;
    const int releaseY = py - originY;
    const bool tap = std::abs(releaseX - m_touchDownX) <= cell / 2 &&
                     std::abs(releaseY - m_touchDownY) <= cell / 2 && moveCount <= TAP_MAX_MOVES;
    if (tap) {
        const int id = GetPlacedBlockIdAt(FloorDiv(m_touchDownX, cell), FloorDiv(m_touchDownY, cell));
        if (id >= 0) {
            const Vorn::SmartPtr<Block> block = FindPlacedBlock(id);
            SettleTrayEntry(id);
            ShowTrayEntry(block->type);
            RemoveBlock(id);
            m_saveDue = true;
            if (controller)
                controller->OnPieceRemoved(0, 0);
            return;
        }
    }
    if (controller)
        controller->TouchUp(releaseX, releaseY);
}

// --- Frames ------------------------------------------------------------------------------------

void PlayfieldFit::ApplyHistoryRecord(const HistoryRecord& record)
{
    if (record.code != HistoryRecord::PLACED)
        return;
    // A piece taken off again before its record came has settled its tray entry already, and a
    // piece that no longer exists is skipped.
    SettleTrayEntry(record.value);
    if (record.value == m_dropId) {
        m_dropId = -1;
        inputLock = false;
        dragging = false;
    }
}

bool PlayfieldFit::IsSolvedNow() const
{
    if (!loaded)
        return false;
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            if (grid[x][y] == BoardCell::EMPTY)
                return false;
    return true;
}

void PlayfieldFit::Update(int ms)
{
    if (dragTimer < DRAG_TIMER_LIMIT)
        dragTimer += ms;
    if (playTimer < PLAY_TIMER_LIMIT)
        playTimer += ms;
    if (dragFade < 1.0f)
        dragFade = std::min(1.0f, dragFade + 0.2f);

    if (solvedPending) {
        ClearSavedGame();
        if (Game::instance)
            Game::instance->SaveHints();
        SaveStats();
        if (Game::instance)
            Game::instance->SaveFit();
        solvedPending = false;
    }
    if (solved)
        return;
    if (!paused) {
        if (Game::instance && Game::instance->stats)
            Game::instance->stats->playTime += ms;
        if (stats)
            stats->playTime += ms;
    }
    if (IsSolvedNow()) {
        Sounds::PlayWhole();
        OnCompleted();
        solved = true;
        solvedPending = true;
        return;
    }
    // Saved once what moved has settled: no piece in the finger, no drop awaiting its record.
    if (m_saveDue && !dragging && !inputLock)
        SaveGameInBackground();
}

// --- Completion --------------------------------------------------------------------------------

void PlayfieldFit::LayOutCompletionButton()
{
    Game* game = Game::instance.Get();
    ButtonDisplayer* list = Menu(Game::MENU_NOTICE);
    if (!game || !list)
        return;
    const float top = game->boardTopRows;
    const float rows = game->screenRows;
    const float columns = game->screenColumns;
    const float rowHeight = game->menuRowHeight;
    const float margin = game->menuMargin;
    const float x = columns / 2 + margin;
    const float w = columns / 2 - 2 * margin;
    float y, h;
    if (!Consts::PROGRESS_IN_ONE_LINE && rowHeight >= rows - top - 14.5f) {
        y = top + 14.5f + margin;
        h = rows - top - 14.5f - 2 * margin;
    } else if (rowHeight > rows - 13.5f) {
        y = 13.5f + margin;
        h = rows - 13.5f - 2 * margin;
    } else {
        y = rows - rowHeight + margin;
        h = rowHeight - 2 * margin;
    }
    const int button = Game::Id(Game::NoticeButton::CONTINUE);
    list->SetRect(button, x, y, w, h, 2 * margin);
    list->SetText3(button, game->GetText("CONTINUE"));
}

namespace {

// How many levels of the pack are open and how many solved.
struct PackCounts {
    int open;
    int solved;
};

PackCounts CountPack(const Game& game, const std::vector<int>& packLevels)
{
    PackCounts counts{0, 0};
    for (int packLevel : packLevels) {
        counts.open += game.LevelRecord(packLevel) != 0;
        counts.solved += game.LevelRecord(packLevel) >= 2;
    }
    return counts;
}

// Opens the first level of the pack that is not open yet.
void OpenFirstLockedLevel(Game& game, const std::vector<int>& packLevels)
{
    for (int packLevel : packLevels) {
        if (game.LevelRecord(packLevel) == 0) {
            game.levelRecords[packLevel] = Game::RECORD_OPEN;
            break;
        }
    }
}

} // namespace

void PlayfieldFit::OnCompleted()
{
    Game* game = Game::instance.Get();
    if (!game)
        return;
    const int pack = game->currentPack;
    const bool packValid = pack >= 0 && pack < Game::PACK_COUNT;
    const std::vector<int> noLevels;
    const std::vector<int>& packLevels = packValid ? game->packLevels[pack] : noLevels;

    bool allSolvedBefore = true;
    bool allOpenBefore = true;
    for (int packLevel : packLevels) {
        allSolvedBefore = allSolvedBefore && game->LevelRecord(packLevel) >= 2;
        allOpenBefore = allOpenBefore && game->LevelRecord(packLevel) != 0;
    }

    game->ReportEvent("Completed");
    finished = true;
    LayOutCompletionButton();

    RecordSolution(*game, MatchingSolution(), packLevels);

    const PackCounts counts = CountPack(*game, packLevels);
    const int packSize = packValid ? game->packSizes[pack] : 0;
    unlockedLine = CountLine("UNLOCKED", counts.open, packSize);
    solvedLine = CountLine("SOLVED", counts.solved, packSize);

    const bool allSolvedNow = counts.solved == static_cast<int>(packLevels.size());
    packCompleted = packValid && !allSolvedBefore && allSolvedNow;

    nextPackUnlocked = false;
    const bool allOpenNow = counts.open == static_cast<int>(packLevels.size());
    const int position = packValid ? game->PackPosition(pack) : -1;
    if (position >= 0 && position + 1 < Game::PACK_COUNT && !allOpenBefore && allOpenNow &&
        game->IsPackUntouched(position + 1))
        UnlockNextPack(*game, game->packOrder[position + 1]);
}

int PlayfieldFit::MatchingSolution() const
{
    int found = 0;
    const int perSolution = solutions.PiecesPerSolution();
    for (int s = 0; s < solutions.Count() && found == 0; ++s) {
        int matching = 0;
        for (int k = 0; k < perSolution; ++k) {
            const int entry = solutions.Entry(s, k);
            const int type = SolutionPlacement::Type(entry);
            const int x = SolutionPlacement::X(entry);
            const int y = SolutionPlacement::Y(entry);
            for (const Vorn::SmartPtr<Block>& block : placed) {
                if (block->type == type && x == boardX0 + block->x && y == boardY0 + block->y) {
                    ++matching;
                    break;
                }
            }
        }
        if (matching == perSolution)
            found = s + 1;
    }
    return found;
}

void PlayfieldFit::RecordSolution(Game& game, int found, const std::vector<int>& packLevels)
{
    const bool levelValid = level >= 0 && level < Game::LEVEL_COUNT;
    const uint64_t recordBefore = game.LevelRecord(level);
    // Only a recognised arrangement is a found solution; bit 0 is the open flag.
    const bool isNew = found > 0 && !((recordBefore >> found) & 1);
    if (stats) {
        stats->found = found;
        stats->isNew = isNew;
    }
    if (game.stats)
        ++game.stats->completions;

    if (isNew && levelValid) {
        if (game.stats)
            ++game.stats->solutionsFound;
        // A level counts as solved once, when its first solution is found.
        if (recordBefore < 2 && game.stats)
            ++game.stats->levelsSolved;
        game.levelRecords[level] |= uint64_t(1) << found;
        OpenFirstLockedLevel(game, packLevels);
    }
}

void PlayfieldFit::UnlockNextPack(Game& game, int next)
{
    if (next < 0 || next >= Game::PACK_COUNT)
        return;
    nextPackUnlocked = true;
    const std::vector<int>& nextLevels = game.packLevels[next];
    for (size_t i = 0; i < nextLevels.size() && i < 4; ++i)
        if (nextLevels[i] >= 0 && nextLevels[i] < Game::LEVEL_COUNT)
            game.levelRecords[nextLevels[i]] = Game::RECORD_OPEN;
}

// --- Hints -------------------------------------------------------------------------------------

int PlayfieldFit::HintsAvailable() const
{
    return Game::instance ? Game::instance->GetHalfPieceCount(level) : 0;
}

int PlayfieldFit::HintsUsed() const
{
    if (!Game::instance || level < 0 || level >= Game::LEVEL_COUNT)
        return 0;
    const uint32_t used = Game::instance->hintWords[level];
    const int available = HintsAvailable();
    return used > static_cast<uint32_t>(available) ? available : static_cast<int>(used);
}

void PlayfieldFit::OpenHintPanel()
{
    if (hintPanelOpen)
        return;
    hintPanelOpen = true;
    closeCornerPressed = false;
    GetHintText();
}

void PlayfieldFit::GetHintText()
{
    const int available = HintsAvailable();
    const int used = HintsUsed();
    const int left = available - used;
    const bool levelSolved = Game::instance && Game::instance->LevelRecord(level) >= 2;
    if (!levelSolved)
        hintLine1 = TextWithNumber(left == 1 ? "HINT_LEFT" : "HINTS_LEFT", left);
    else
        hintLine1 = Game::instance->GetText("NO_HINTS");
    hintLine2.clear();
    hintButtonEnabled = used < available && !levelSolved;
}
