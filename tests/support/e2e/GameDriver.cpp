#include "support/e2e/GameDriver.h"

#include <sys/stat.h>

#include <cstdlib>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Game.h"
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
