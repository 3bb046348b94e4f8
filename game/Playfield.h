// The puzzle board's base: the cell grid, the pieces waiting in the tray, the pieces placed on the
// board, the board's event log, its statistics record and its input controller.
//
// Coordinates: the grid is column-major, grid[x][y], 12 columns by 18 rows; the origin is the
// pixel position of cell (0, 0) on the logical screen. Placement changes the grid at once and logs
// the event; the derived board reacts to the log one frame later, when the game's update pumps it
// (Tick).
#pragma once

#include <vector>

#include "Block.h"
#include "BoardTypes.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"

class Controller;
class Graphics;
class Stats;

class Playfield : public Vorn::RefCounter {
public:
    static constexpr int GRID_WIDTH = 12;
    static constexpr int GRID_HEIGHT = 18;
    static constexpr int RECENT_TYPES = 28;
    // flags: where a piece handed to AddPlacedBlock goes.
    static constexpr int FLAG_TO_TRAY = 0x02;
    static constexpr int FLAG_TO_BOARD = 0x04;
    // The band of top rows that limits drawing (a mode no board of the game is built with).
    static constexpr int FLAG_ROW_LIMIT = 0x20;
    // Images of the image table the board draws besides pieces and lines.
    static constexpr int IMAGE_GUIDE_VERTICAL = 41;
    static constexpr int IMAGE_GUIDE_HORIZONTAL = 42;
    static constexpr int IMAGE_GRID_SMALL = 43;

    explicit Playfield(int flags);
    ~Playfield() override;

    // --- Overridable behaviour -------------------------------------------------------------------

    // Whether a piece of this type still waits in the tray.
    virtual bool HasTrayPiece(int type);
    // Writes the board's save file ("save" under the save root); false when it was not written.
    virtual bool SaveGame();
    // What SaveGame writes.
    std::vector<Vorn::u8> GameBytes() const;
    // Restores a saved game; false (nothing restored) in the base.
    virtual bool LoadGame();
    // Empties the save file when it exists; false when that failed.
    virtual bool ClearSavedGame();
    virtual bool IsNotSolved();
    virtual void OpenHintPanel();
    virtual void Draw(const Vorn::SmartPtr<Graphics>& graphics);
    virtual void Update(int ms);
    // Touches in logical-screen pixels.
    virtual void OnTouchDown(int x, int y);
    virtual void OnTouchMove(int x, int y);
    virtual void OnTouchUp(int x, int y);
    // Inside the board and exactly CELL_EMPTY.
    virtual bool IsCellFree(int x, int y);
    virtual void ApplyHistoryRecord(const HistoryRecord& record);
    // Side of the control column: 0 left, 1 right; other values change nothing.
    virtual void SetMode(int side);

    // --- Pieces ----------------------------------------------------------------------------------

    // Puts the piece at the head of the tray and logs it.
    void AddTrayBlock(const Vorn::SmartPtr<Block>& block);
    // Puts the piece at the head of the placed list at whole cells, marks its cells covered and
    // logs it. Callers test the cells first.
    bool PlaceBlock(const Vorn::SmartPtr<Block>& block);
    // To the tray or onto the board as the flags say; a recorded placement also counts the piece
    // in both statistics records and updates the recent types.
    void AddPlacedBlock(const Vorn::SmartPtr<Block>& block, bool record);
    // Takes the piece off the board (a tray piece of that id is left in the tray).
    void RemoveBlock(int id);
    bool CanPlaceBlock(int type, int x, int y);
    // The newest placed piece covering the cell, else -1.
    int GetPlacedBlockIdAt(int x, int y) const;
    // Tray first, then placed pieces; null when none has the id.
    Vorn::SmartPtr<Block> FindBlockById(int id) const;
    Vorn::SmartPtr<Block> FindPlacedBlock(int id) const;

    // The cell whose centre is nearest to a pixel offset from the origin (rounded down for
    // negative offsets).
    static int PixelToCellX(int p);
    static int PixelToCellY(int p);
    // Division rounding toward minus infinity, for pixel offsets left of or above the origin.
    static int FloorDiv(int value, int divisor);
    // Consts::CELL_SIZE, at least 1.
    static int CellSize();

    // --- Event log -------------------------------------------------------------------------------

    void AddHistory(int code, int value);
    // Each record once, in order; null when every record was returned. The returned record stays
    // valid until the next AddHistory.
    const HistoryRecord* NextHistoryRecord();
    // One frame of the game's update while the level is shown: a tick record when ms > 0, every
    // pending record applied, play time advanced unless finished or paused, then Update(ms).
    void Tick(int ms);
    // Records logged and not yet returned.
    size_t PendingHistory() const { return m_history.size() - m_cursor; }

    // --- Statistics, controller, drawing ---------------------------------------------------------

    // Saves the board's record, then the profile's; false when either was not written.
    bool SaveStats();
    void SetController(const Vorn::SmartPtr<Controller>& newController);
    // The part of the background (and, with drawing allowed, of the small grid) over a pixel
    // rectangle.
    void DrawBackground(const Vorn::SmartPtr<Graphics>& graphics, int x, int y, int w, int h);
    void DrawPlacedBlocks(const Vorn::SmartPtr<Graphics>& graphics);

    int Cell(int x, int y) const;
    const std::vector<Vorn::SmartPtr<Block>>& Tray() const { return tray; }
    const std::vector<Vorn::SmartPtr<Block>>& Placed() const { return placed; }

    // --- Fields ----------------------------------------------------------------------------------

    Vorn::SmartPtr<Stats> stats; // this game's record
    bool finished;
    int gameMode;
    bool paused;
    int halfCellShift; // pixels
    int flags;
    int controlColumn;
    int originX;
    int originY;
    int width;
    int height;
    int placedCount;
    int trayCount;
    bool packCompleted;
    bool nextPackUnlocked;
    bool dragging;
    int recentTypes[RECENT_TYPES]; // most recent first, -1 unused
    int lastRepeatedIndex;
    int playTime; // ms
    int lastTrayId;
    int grid[GRID_WIDTH][GRID_HEIGHT];
    Vorn::SmartPtr<Controller> controller;
    std::vector<Vorn::SmartPtr<Block>> tray;   // newest first
    std::vector<Vorn::SmartPtr<Block>> placed; // newest first

protected:
    // Called by PlaceBlock after the piece is on the grid, before its record is logged.
    virtual void OnBlockPlaced(const Vorn::SmartPtr<Block>& block);

    void ClearGrid();
    void ClearPieces();

private:
    void RecordRecentType(int type);

    std::vector<HistoryRecord> m_history;
    size_t m_cursor;
};
