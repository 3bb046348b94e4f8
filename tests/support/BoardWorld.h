// A game world for board tests: layout constants and tables of one base size, a Game with the menu
// geometry and pack tables the board reads, a save area in a temporary sandbox, and levels built
// from readable descriptions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Game.h"
#include "LevelFile.h"
#include "PlayfieldFit.h"
#include "base/SmartPtr.h"
#include "support/Sandbox.h"
#include "support/SoundRecorder.h"

namespace VornTest {

// A level file. Rows of the board, top first: '#' a cell to cover, any other character a cell
// outside the puzzle.
struct LevelDesign {
    int flags = 0;
    struct TrayPiece {
        int x;
        int y;
        int type;
    };
    std::vector<TrayPiece> tray;
    int x0 = 0;
    int y0 = 0;
    std::vector<std::string> rows;
    // Each solution: pieces as type, x, y in screen cells (x0 + column, y0 + row).
    std::vector<std::vector<LevelPlacement>> solutions;
    int piecesPerSolution = -1; // -1: the size of the first solution (0 without solutions)
};

std::vector<uint8_t> BuildLevel(const LevelDesign& design);

class BoardWorld {
public:
    // One of the base sizes; the game's save root is the sandbox's save area.
    BoardWorld(int width, int height);
    ~BoardWorld();

    // Installs the level's bytes as level number (valid bytes only) with its solution table in the
    // game, and opens it.
    void InstallLevel(int level, const LevelDesign& design);
    // A board on the level as the game starts one: controller, mode, statistics record.
    Vorn::SmartPtr<PlayfieldFit> StartLevel(int level);

    // Touches through the controller, as the play screen hands them on.
    void Down(int x, int y);
    void Move(int x, int y);
    void Up(int x, int y);
    // One frame of the game's update for the board.
    void Frame(int ms);

    // The screen pixel of the centre of tray entry (its 2 x 2-cell box).
    void TrayPoint(const Block& entry, int& x, int& y) const;
    // Where a finger must be for a dragged piece of type to land on board cell (tx, ty).
    void DropPoint(int type, int tx, int ty, int& x, int& y) const;
    // The screen pixel at the centre of board cell (x, y).
    void CellPoint(int x, int y, int& px, int& py) const;

    // Drags tray entry to board cell (tx, ty), holding it long enough, and runs the frame that
    // applies the drop.
    void DragTo(const Block& entry, int tx, int ty);
    // Draws the cells (board coordinates) in order as one gesture.
    void DrawCells(const std::vector<std::pair<int, int>>& cells);

    // The file of the save area under a save path ("save/...").
    std::vector<uint8_t> SavedBytes(const std::string& savePath, bool* found = nullptr) const;
    static std::string DataName(const std::string& savePath);

    Game& game() { return *m_game; }
    // What the game played.
    SoundRecorder& sounds() { return *m_sounds; }
    PlayfieldFit& board() { return *m_board; }
    const Vorn::SmartPtr<PlayfieldFit>& boardPtr() const { return m_board; }

private:
    std::unique_ptr<Sandbox> m_sandbox;
    SoundRecorder* m_sounds;
    Vorn::SmartPtr<Game> m_game;
    Vorn::SmartPtr<PlayfieldFit> m_board;
};

} // namespace VornTest
