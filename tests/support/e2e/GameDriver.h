// Drives the real game through the end-to-end harness the way a player would: it finds where a
// button of a screen's list is from the game's own layout, taps it in window pixels and runs frames
// until the game reaches the screen expected. Reading the game's state is only for checks and for
// finding things on the screen; every change goes through touches and frames.
#pragma once

#include <string>

#include "support/e2e/Harness.h"

class Game;
struct ButtonRecord;

namespace VornTest {

class GameDriver {
public:
    // The window's size must be the one the harness was given.
    explicit GameDriver(Harness& harness, int windowWidth = 480, int windowHeight = 800)
        : m_harness(harness), m_windowWidth(windowWidth), m_windowHeight(windowHeight)
    {
    }

    // The running game, null before start-up or after the end.
    static Game* GetGame();
    int State() const;

    // Frames until the game is in that screen state; false when it did not get there in limit.
    bool WaitForState(int state, int limit = 600);
    // From the first frame through the splash and loading, until a real screen shows.
    bool WaitUntilLoaded(int limit = 900);

    // Window position of a base-pixel position (the window may be larger than the base size).
    void ToWindow(float baseX, float baseY, int& x, int& y) const;
    // Window position of a point given in cells from the display area's corner.
    void CellToWindow(float cellX, float cellY, int& x, int& y) const;
    // The first button with this id in list Game::menus[menu]; null when there is none.
    const ButtonRecord* FindButton(int menu, int id) const;
    // Taps the centre of that button and runs a few frames for the state to follow; false when
    // the button does not exist.
    bool TapButton(int menu, int id, int holdMs = 80);
    // Taps a point in cells.
    void TapCell(float cellX, float cellY, int holdMs = 80);

    // Drags every piece of the level in play from the tray to its place in the first stored
    // solution; false when a piece of that solution is not in the tray.
    bool SolveByDragging();
    // Drags piece k of that solution from the tray to its place, the finger down for holdMs.
    bool DragSolutionPiece(int k, int holdMs = 232);

    // Saves what the window shows as dir/name.png (dir is made when missing).
    bool Screenshot(const std::string& dir, const std::string& name);

    Harness& harness() { return m_harness; }

private:
    Harness& m_harness;
    int m_windowWidth;
    int m_windowHeight;
};

// Where end-to-end screenshots go: $VORN_SCREENSHOT_DIR or <build>/screenshots.
std::string ScreenshotDir();

}  // namespace VornTest
