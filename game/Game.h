// The one game object: screen state, the current profile with its options and progress, the level
// catalogue, the board in play with its input controller, the menus and the text and font
// resources. The board, the interface elements and the application reach it through
// Game::instance.
//
// Its operations live in several sources by subject: Game.cpp (construction, queries, the board in
// play, pause and release), and the save data, profile, catalogue and drawing sources beside it.
#pragma once

#include <cstdint>
#include <vector>

#include "BoardTypes.h"
#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "base/WideString.h"

class ButtonDisplayer;
class Controller;
class GLFont;
class Graphics;
class Help;
class PlayfieldFit;
class Stats;

class Game : public Vorn::RefCounter {
public:
    static constexpr int LEVEL_COUNT = 200;
    static constexpr int PACK_COUNT = 7;
    static constexpr int PROFILE_SLOTS = 5;
    static constexpr int MENU_COUNT = 23;
    static constexpr int KEY_PAGES = 3;
    static constexpr int KEYS_PER_PAGE = 26;
    static constexpr int KEY_GRID = 36;

    // Screen states the board and the life-cycle hooks act on; the whole table belongs to the
    // screen state machine.
    static constexpr int STATE_BOOT = 0;
    static constexpr int STATE_PLAY = 3;

    // Indices of Game::menus for the lists the board uses.
    static constexpr int MENU_NOTICE = 14; // one CONTINUE button; also the level-complete button
    static constexpr int MENU_HINT = 17;   // the USE_HINT button of the hint panel

    // Level record bits: bit 0 open, bit k (k >= 1) stored solution k - 1 found.
    static constexpr uint64_t RECORD_OPEN = 1;

    static Vorn::SmartPtr<Game> instance;

    static int theme;
    static float COLOR_R;
    static float COLOR_G;
    static float COLOR_B;
    static float COLOR_BLOCK_R;
    static float COLOR_BLOCK_G;
    static float COLOR_BLOCK_B;
    static int BASE_BLOCK;
    static int controls;
    static int imgBackground;
    static int controlSide;
    static int touchDownX;
    static int touchDownY;
    static int touchLastX;
    static int touchLastY;

    // Sets Game::instance to the new object (releasing any previous one).
    Game();
    ~Game() override;

    // Start-up set-up after construction: pack order, image and level tables, block shapes, the
    // name keyboard's keys.
    void Init();

    // --- Queries ---------------------------------------------------------------------------------

    // rx <= px < rx + rw and ry <= py < ry + rh.
    static bool IsInside(float px, float py, float rx, float ry, float rw, float rh);
    // The theme clamped into the per-theme tables.
    static int ThemeIndex();
    // Hints a level offers: half its pieces per solution; 0 for a level without stored solutions.
    int GetHalfPieceCount(int level) const;
    // Set bits among bits 1..A of the level's record, A its solution count.
    int CountFoundSolutions(int level) const;
    // Placement k of stored solution s of the level: type, x, y (0 outside the table).
    int GetSolutionPiece(int level, int solution, int k) const;
    int GetSolutionX(int level, int solution, int k) const;
    int GetSolutionY(int level, int solution, int k) const;
    // True when no level of the pack at that position of packOrder has a non-zero record.
    bool IsPackUntouched(int position) const;
    // The position of a pack in packOrder, -1 when absent.
    int PackPosition(int pack) const;
    int NextTheme() const;
    void SelectFirstOpenLevel();
    Vorn::WideString GetText(const Vorn::NarrowString& key) const;
    void UpdateButtons(int ms);
    // Hook for named game events; nothing is done with them.
    void ReportEvent(const char* name);

    // The level record, 0 for a level number outside 0..199.
    uint64_t LevelRecord(int level) const;

    // --- The board in play -----------------------------------------------------------------------

    Vorn::SmartPtr<Controller> CreateControllerPrecise();
    // Restores the saved game at the end of loading. When the save is missing or invalid there is
    // no board afterwards (playfield null) and the state is unchanged; false then.
    bool CreatePlayfield();

    // Life-cycle hooks of the application.
    void OnPause();
    void OnResume();
    void Release();
    void OpenWebsite();

    // --- Save data -------------------------------------------------------------------------------

    void SaveHints();
    void LoadHints();
    void SaveFit();
    void LoadFit();

    // --- Drawing ---------------------------------------------------------------------------------

    // Hand-drawn lines at a cell position, length in cells, with the image of the theme from a
    // per-theme table of Consts.
    static void DrawHandVertical(const Vorn::SmartPtr<Graphics>& graphics, float x, float y,
                                 float length, const int* table);
    static void DrawHandHorizontal(const Vorn::SmartPtr<Graphics>& graphics, float x, float y,
                                   float length, const int* table);
    // A framed box (cells) with the text centred in it.
    static void DrawTextBox(const Vorn::SmartPtr<Graphics>& graphics, float x, float y, float w,
                            float h, const Vorn::SmartPtr<GLFont>& font,
                            const Vorn::WideString& text);
    // A framed button of style 1 (cells) with its text and optional icon (image id or -1).
    static void DrawButtonWithImage(const Vorn::SmartPtr<Graphics>& graphics, float x, float y,
                                    float w, float h, const Vorn::SmartPtr<GLFont>& font,
                                    const Vorn::WideString& text, int icon);
    // A framed button (cells) whose first label is set: both labels one above the other around
    // the centre, or, with an icon, the icon and the first label.
    static void DrawButtonTwoLabels(const Vorn::SmartPtr<Graphics>& graphics, float x, float y,
                                    float w, float h, const Vorn::SmartPtr<GLFont>& font,
                                    const Vorn::WideString& text1, const Vorn::WideString& text2,
                                    int icon);
    // A plain menu button (cells) shrunk by inset on every side and moved by (dx, dy): clean
    // background, frame, and the label centred at labelX cells from the button's unmoved left.
    static void DrawButton(const Vorn::SmartPtr<Graphics>& graphics, float x, float y, float w,
                           float h, float inset, float dx, float dy,
                           const Vorn::SmartPtr<GLFont>& font, const Vorn::WideString& label,
                           float labelX);

    // --- Fields ----------------------------------------------------------------------------------

    // Input and timing.
    int touchTime;
    int framesSinceMove;
    int packDragDistance;
    bool fingerUp;
    int lastFrameMs;

    // Resources.
    Vorn::SmartPtr<Help> help;
    Vorn::SmartPtr<Stats> stats; // the profile's totals, record -1
    Vorn::SmartPtr<GLFont> font;
    Vorn::SmartPtr<GLFont> smallFont;

    // Paths and profile.
    Vorn::WideString saveRoot;
    Vorn::WideString profilePrefix;
    bool guestSelected;
    Vorn::WideString profileName;
    Vorn::NarrowString profileNames[PROFILE_SLOTS];
    int profileCount;

    // Options.
    bool twitch;
    int language;
    float musicVolume;
    float sfxVolume;
    int pendingTheme;
    int loadedTheme;
    bool themeChangePending;

    // Progress and catalogue.
    int packOrder[PACK_COUNT];
    Vorn::WideString packNames[PACK_COUNT];
    int packSizes[PACK_COUNT];
    std::vector<int> packLevels[PACK_COUNT];
    uint64_t levelRecords[LEVEL_COUNT];
    int hintPoints;
    uint32_t hintWords[LEVEL_COUNT];
    Outline levelOutlines[LEVEL_COUNT];
    SolutionTable levelSolutions[LEVEL_COUNT];
    Vorn::WideString levelTitles[LEVEL_COUNT];

    // Play.
    int currentPack;
    int pressedPack;
    uint32_t savedGameMode;
    bool quitConfirmOpen;
    bool restartConfirmOpen;
    int gameMode;
    int currentLevel;
    Vorn::SmartPtr<Controller> controller;
    Vorn::SmartPtr<PlayfieldFit> playfield;

    // Screens.
    float boardTopRows;
    Vorn::SmartPtr<ButtonDisplayer> menus[MENU_COUNT];
    float packRowHeight;
    float scrollPosition;
    float scrollVelocity;
    int screenState;
    float aboutScroll;
    float aboutViewRows;
    float packScroll;
    int returnState;
    float menuSlide;
    float menuRowHeight;
    float menuMargin;
    float screenRows;
    float screenColumns;
    int screenWidth;
    int screenHeight;

    // Loading and splash.
    int loadStep;
    int loadStepCount;
    int fadeCounter;
    int splashTimer;
    int fadeLimit;
    bool fadeOutActive;

    // Name keyboard.
    Vorn::NarrowString keyPages[KEY_PAGES][KEYS_PER_PAGE];
    int keyGrid[KEY_GRID];

private:
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;
};
