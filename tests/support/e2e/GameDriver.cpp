#include "support/e2e/GameDriver.h"

#include <sys/stat.h>

#include <cstdlib>

#include "ButtonDisplayer.h"
#include "Block.h"
#include "Consts.h"
#include "Game.h"
#include "PlayfieldFit.h"
#include "TesselaApplication.h"

namespace VornTest {

namespace {

void MakeDirs(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/')
            ::mkdir(path.substr(0, i).c_str(), 0755);
    }
}

}  // namespace

Game* GameDriver::GetGame()
{
    return Game::instance.Get();
}

int GameDriver::State() const
{
    Game* game = GetGame();
    return game ? game->screenState : -1;
}

bool GameDriver::WaitForState(int state, int limit)
{
    return m_harness.RunUntil([this, state] { return State() == state; }, limit);
}

bool GameDriver::WaitUntilLoaded(int limit)
{
    return m_harness.RunUntil(
        [this] {
            int s = State();
            return s != -1 && s != Game::STATE_BOOT && s < Game::STATE_SPLASH;
        },
        limit);
}

void GameDriver::ToWindow(float baseX, float baseY, int& x, int& y) const
{
    const int windowW = m_windowWidth;
    const int windowH = m_windowHeight;
    int baseW = Tessela::TesselaApplication::s_baseScreenWidth;
    int baseH = Tessela::TesselaApplication::s_baseScreenHeight;
    if (baseW <= 0 || baseH <= 0) {
        baseW = windowW;
        baseH = windowH;
    }
    // The game truncates window positions down to base pixels: aim at the middle of the range
    // that maps onto the base pixel.
    x = static_cast<int>((baseX + 0.5f) * windowW / baseW);
    y = static_cast<int>((baseY + 0.5f) * windowH / baseH);
}

void GameDriver::CellToWindow(float cellX, float cellY, int& x, int& y) const
{
    ToWindow(Consts::DISPLAY_AREA_X + cellX * Consts::CELL_SIZE,
             Consts::DISPLAY_AREA_Y + cellY * Consts::CELL_SIZE, x, y);
}

const ButtonRecord* GameDriver::FindButton(int menu, int id) const
{
    Game* game = GetGame();
    if (!game || menu < 0 || menu >= Game::MENU_COUNT || !game->menus[menu])
        return nullptr;
    for (const ButtonRecord* b = game->menus[menu]->GetHead(); b; b = b->next) {
        if (b->id == id)
            return b;
    }
    return nullptr;
}

bool GameDriver::TapButton(int menu, int id, int holdMs)
{
    const ButtonRecord* b = FindButton(menu, id);
    if (!b)
        return false;
    TapCell(b->x + b->w * 0.5f, b->y + b->h * 0.5f, holdMs);
    m_harness.Frames(3);
    return true;
}

void GameDriver::TapCell(float cellX, float cellY, int holdMs)
{
    int x = 0;
    int y = 0;
    CellToWindow(cellX, cellY, x, y);
    m_harness.Tap(x, y, holdMs);
}

bool GameDriver::SolveByDragging()
{
    Game* game = GetGame();
    if (!game || !game->playfield)
        return false;
    for (int k = 0; k < game->levelSolutions[game->currentLevel].PiecesPerSolution(); ++k)
        if (!DragSolutionPiece(k))
            return false;
    return true;
}

bool GameDriver::DragSolutionPiece(int k, int holdMs)
{
    Game* game = GetGame();
    if (!game || !game->playfield)
        return false;
    const int level = game->currentLevel;
    const int cell = Consts::CELL_SIZE;
    auto touch = [this](void (Harness::*what)(int, int, int), float px, float py) {
        int x = 0;
        int y = 0;
        ToWindow(px, py, x, y);
        (m_harness.*what)(x, y, 0);
    };
    PlayfieldFit& board = *game->playfield;
    const int type = game->GetSolutionPiece(level, 0, k);
    const int tx = game->GetSolutionX(level, 0, k) - static_cast<int>(board.boardX0);
    const int ty = game->GetSolutionY(level, 0, k) - static_cast<int>(board.boardY0);
    const Block* entry = nullptr;
    for (const auto& block : board.Tray())
        if (block->type == type && block->trayState >= 0.0f && !entry)
            entry = block.Get();
    if (!entry)
        return false;
    const float x = Consts::DISPLAY_AREA_X + entry->x * cell + cell;
    const float y = (entry->y + game->boardTopRows) * cell + cell;
    // The press lasts holdMs in all, spread over the frames of the way there.
    const int step = holdMs / 4 > 0 ? holdMs / 4 : 1;
    touch(&Harness::TouchDown, x, y);
    m_harness.Frame(step);
    m_harness.Frame(step);
    const float dx = board.originX + tx * cell + Block::blocksWidth[type] / 2.0f;
    const float dy = board.originY + ty * cell + Block::blocksHeight[type] / 2.0f;
    touch(&Harness::TouchMove, (x + dx) / 2, (y + dy) / 2);
    m_harness.Frame(step);
    touch(&Harness::TouchMove, dx, dy);
    m_harness.Frame(step);
    touch(&Harness::TouchUp, dx, dy);
    m_harness.Frame(16);
    return true;
}

bool GameDriver::Screenshot(const std::string& dir, const std::string& name)
{
    MakeDirs(dir);
    return m_harness.SaveWindowPng(dir + "/" + name + ".png");
}

std::string ScreenshotDir()
{
    const char* dir = std::getenv("VORN_SCREENSHOT_DIR");
    if (dir && *dir)
        return dir;
    return std::string(VORN_BINARY_DIR) + "/screenshots";
}

}  // namespace VornTest
