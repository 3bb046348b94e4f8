// The board of the game: pieces are dragged from the tray (lying around the board at the
// positions the level file gives) onto the board, or drawn cell by cell through the controller,
// until every cell of the puzzle is covered. It holds the touch rules, the drop rules, solved
// detection and what completing a level records, the hint panel, the level readers, the drawing of
// the board and its save files.
//
// Touches are logical-screen pixels. G below is Game::boardTopRows: tray positions and the drag
// position count rows from that row.
#pragma once

#include "BoardTypes.h"
#include "Playfield.h"
#include "base/WideString.h"

class Game;
struct SavedGameRepair;

class PlayfieldFit : public Playfield {
public:
    // How long the finger has been down is counted (up to the limit) but decides nothing: a
    // mouse click lasts 100 to 250 ms and a flick less, so only movement tells a drag from a tap.
    static constexpr int DRAG_TIMER_LIMIT = 1000;
    static constexpr int PLAY_TIMER_LIMIT = 60000;
    // A release is a tap when the finger moved at most this often (and stayed within half a cell).
    static constexpr int TAP_MAX_MOVES = 10;
    // Flags every fit board carries: 0x10, and pieces handed to AddPlacedBlock go onto the board.
    static constexpr int FIT_FLAGS = 0x10 | FLAG_TO_BOARD;

    // The origin arguments are not used: loading a level sets the origin. flags are combined with
    // the fit board's own (pieces go onto the board).
    PlayfieldFit(int originX, int originY, int value, int flags);
    ~PlayfieldFit() override;

    // --- Level readers (all treat an absent level as one without tray, board or solutions) -------

    // Parses the level into this board: tray, grid with holes and outside cells told apart,
    // solutions and outline. False, with an empty board that never counts as solved, when the
    // level is absent.
    bool LoadLevel(int level);
    // Size, origin and raw grid of the level for a preview, and its outline (empty when absent).
    Outline LoadLevelOutline(int level);
    // Stored solutions of the level (at most 63 are kept).
    static int GetSolutionCount(int level);
    static SolutionTable ReadSolutions(int level);
    // Rebuilds the outline from the grid; originRow is the origin row in cells.
    void BuildOutline(float originRow);

    // --- Overrides -------------------------------------------------------------------------------

    bool HasTrayPiece(int type) override;
    bool SaveGame() override;
    // The same save, written on the save thread (SaveWriter::WriteInBackground): what a move
    // costs the frame is only the gathering of the bytes.
    void SaveGameInBackground();
    // Restores the game saved in "save" and "save2"; false, with nothing of the game changed,
    // when "save" is missing or empty, or no level can be told from the two files. A damaged
    // file keeps what can be read of it (PlayfieldFitSave.cpp): it is set aside and named, and
    // the repaired board written over it; a save that restores nothing is set aside and emptied.
    bool LoadGame() override;
    bool IsNotSolved() override { return !solved; }
    void OpenHintPanel() override;
    void Draw(const Vorn::SmartPtr<Graphics>& graphics) override;
    void Update(int ms) override;
    void OnTouchDown(int x, int y) override;
    void OnTouchMove(int x, int y) override;
    void OnTouchUp(int x, int y) override;
    void ApplyHistoryRecord(const HistoryRecord& record) override;
    void SetMode(int side) override;

    // Rebuilds the hint lines and whether the hint button works.
    void GetHintText();
    // Records the completed level: which solution, statistics, level records, unlocked levels.
    void OnCompleted();
    // Hints of the level used so far, clamped to what the level offers.
    int HintsUsed() const;
    int HintsAvailable() const;
    // The cell a drop would land in.
    void DragTargetCell(int& tx, int& ty) const;
    bool IsLoaded() const { return loaded; }

    // --- Fields ----------------------------------------------------------------------------------

    bool hintPanelOpen;
    bool closeCornerPressed;
    int dragType;
    int dragStartX; // pixels
    int dragStartY;
    float dragStartScale;
    float dragFade; // 0..1
    float dragX;    // cells
    float dragY;    // cells, from row G
    int pickedTrayId;
    int dragColour;
    SolutionTable solutions;
    Outline outline;
    int level;
    int moveCount;
    int dragTimer;
    int trayPieceCount;
    int boardW;
    int boardH;
    float boardX0; // cells
    float boardY0;
    Vorn::WideString solvedLine;
    Vorn::WideString unlockedLine;
    Vorn::WideString hintLine1;
    Vorn::WideString hintLine2;
    int playTimer;
    bool solved;
    bool solvedPending;
    bool inputLock;
    bool hintButtonEnabled;
    bool loaded;

protected:
    void OnBlockPlaced(const Vorn::SmartPtr<Block>& block) override;

private:
    void ResetPlayState();
    bool RestoreGame(const std::vector<Vorn::u8>& bytes, SavedGameRepair& repair);
    // Settles the tray for a save and returns what "save2" holds.
    std::vector<Vorn::u8> PrepareSave();
    void SetDragPosition(int px, int py);
    // Starts carrying a piece picked up at (px, py); FollowFinger moves it with the finger.
    void BeginCarry(int px, int py);
    void FollowFinger(int px, int py);
    void ReturnDragToTray();
    // Hides the first shown tray entry of the piece's type, if its placement still owes that.
    void SettleTrayEntry(int id);
    // Shows the first hidden tray entry of the type.
    void ShowTrayEntry(int type);
    int OwedCount(int type) const;
    bool IsSolvedNow() const;
    void LayOutCompletionButton();
    // Steps of OnCompleted. The solution (1-based) the placed pieces form, 0 when none.
    int MatchingSolution() const;
    // Statistics and level records for completing with that solution.
    void RecordSolution(Game& game, int found, const std::vector<int>& packLevels);
    // Opens the first four levels of the pack that follows.
    void UnlockNextPack(Game& game, int next);
    // Steps of Draw, in the order it paints them.
    void DrawDropGuides(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawSurroundings(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawHoleHatching(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawLevelTitle(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawCornerLabels(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawOutline(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawFrameTiles(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawTray(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawDraggedPiece(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawHintPanel(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawCompletionPanel(const Vorn::SmartPtr<Graphics>& graphics);

    // Pieces placed while nothing was dragged (drawn, or restored) whose tray entry is hidden only
    // when their record is applied.
    std::vector<int> m_owedIds;
    // The piece a successful drop placed: its record ends the drag.
    int m_dropId;
    // Where the last press that hit nothing went down, relative to the origin.
    int m_touchDownX;
    int m_touchDownY;
    // Where the press that picked up the dragged piece went down (screen pixels), and whether the
    // finger has since gone farther than a tap's slack from there. A piece carried only within
    // that slack was tapped: it goes to the tray, which is how a placed piece is taken off.
    int m_pickX;
    int m_pickY;
    bool m_dragMoved;
    // A piece was placed, taken off or moved since the last save: the board is saved as soon as
    // nothing is in the finger.
    bool m_saveDue;
};
