// The one game object: screen state, the current profile with its options and progress, the level
// catalogue, the board in play with its input controller, the menus and the text and font
// resources. The board, the interface elements and the application reach it through
// Game::instance.
//
// Its operations live in several sources by subject: Game.cpp (construction, queries, the board in
// play, pause and release), and the save data, profile, catalogue and drawing sources beside it.
// A group of screens keeps its button lists, touch actions and painting in one source:
// GameMenuScreens.cpp (the menus, options, profiles and languages), GamePackScreens.cpp (the pack
// list and the level pages), GameDialogScreens.cpp (the questions and notices),
// GameInfoScreens.cpp (the help, about and statistics screens; their lists are built in
// GameMenus.cpp) and GamePlayScreen.cpp (the board in play with its pause panels); the button ids
// they share are the enums below.
#pragma once

#include <cstdint>
#include <map>
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
class StringDisplayer;

class Game : public Vorn::RefCounter {
public:
    static constexpr int LEVEL_COUNT = 200;
    static constexpr int PACK_COUNT = 7;
    static constexpr int PROFILE_SLOTS = 5;
    static constexpr int MENU_COUNT = 23;
    static constexpr int KEY_PAGES = 3;
    static constexpr int KEYS_PER_PAGE = 26;
    static constexpr int KEY_GRID = 36;
    static constexpr int LANGUAGE_COUNT = 5;
    static constexpr int MAX_PROFILE_NAME_LENGTH = 16; // characters
    static constexpr int TITLE_SERIES_COUNT = 516;
    static constexpr int MODE_COUNT = 5;
    // The guest's stored name: its file prefix and the content of "lastProfile" for it.
    static const char* const GUEST_NAME;
    static const Vorn::NarrowString s_appVersionName;
    static const Vorn::NarrowString s_appVersionCode;

    // Screen states. Every screen, dialog and notice is one number; numbers not listed have no
    // behaviour. The values are fixed: the board stores its return screen in saved games.
    static constexpr int STATE_BOOT = 0;
    static constexpr int STATE_MAIN_MENU = 2;
    static constexpr int STATE_PLAY = 3;
    static constexpr int STATE_LEVELS = 5;
    static constexpr int STATE_KEYBOARD = 6;
    static constexpr int STATE_OPTIONS = 8;
    static constexpr int STATE_ABOUT = 9;
    static constexpr int STATE_MORE = 10;
    static constexpr int STATE_HELP = 12;
    static constexpr int STATE_PACKS = 13;
    static constexpr int STATE_CONFIRM_DELETE_PROGRESS = 14;
    static constexpr int STATE_CONFIRM_CLEAR_HIGHSCORES = 15;
    static constexpr int STATE_PROFILES = 16;
    static constexpr int STATE_DATA = 17;
    static constexpr int STATE_CONFIRM_DELETE_PROFILE = 18;
    static constexpr int STATE_STATS = 19;
    static constexpr int STATE_NAME_IN_USE = 20;
    static constexpr int STATE_PROFILE_DELETED = 21;
    static constexpr int STATE_GUEST_NOT_DELETABLE = 22;
    static constexpr int STATE_PACK_COMPLETED = 23;
    static constexpr int STATE_PACK_OPENED = 24;
    static constexpr int STATE_WELCOME = 25;
    static constexpr int STATE_QUESTION = 27;
    static constexpr int STATE_LANGUAGE = 34;
    static constexpr int STATE_FIRST_LANGUAGE = 35;
    static constexpr int STATE_SPLASH = 100;
    static constexpr int STATE_CROSSFADE = 101;
    static constexpr int STATE_LOADING = 102;
    // Size of the per-state tables (dialogTexts).
    static constexpr int STATE_TABLE_SIZE = 36;

    // Indices of Game::menus: one button list per screen (the board's lists included).
    static constexpr int MENU_MAIN = 0;
    static constexpr int MENU_OPTIONS = 1;
    static constexpr int MENU_PAUSE = 2;
    static constexpr int MENU_SETTINGS = 3;  // the settings panel in play
    static constexpr int MENU_YES_NO = 4;    // every confirmation, in menus and in play
    static constexpr int MENU_HELP = 5;      // the help screen and the help panel in play
    static constexpr int MENU_ABOUT = 6;
    static constexpr int MENU_MORE = 7;
    static constexpr int MENU_PACKS = 8;
    static constexpr int MENU_LEVELS = 9;
    static constexpr int MENU_PROFILES = 10;
    static constexpr int MENU_DATA = 11;
    static constexpr int MENU_STATS = 12;
    static constexpr int MENU_WELCOME = 13;
    static constexpr int MENU_NOTICE = 14; // one CONTINUE button; also the level-complete button
    static constexpr int MENU_LANGUAGE = 15;
    static constexpr int MENU_FIRST_LANGUAGE = 16;
    static constexpr int MENU_HINT = 17;   // the USE_HINT button of the hint panel
    static constexpr int MENU_QUESTION = 18;
    static constexpr int MENU_SPARE_CONTINUE_A = 19;
    static constexpr int MENU_SPARE_CONTINUE_B = 20;

    // Button ids, one enum per list of Game::menus: the menu construction gives each button its
    // id from these, and the touch handlers, the painters and the update find the buttons by them.
    // The values are what the lists return on release.
    enum class MainButton {
        PLAY = 0,
        HELP = 2,
        OPTIONS = 3,
        ABOUT = 4,
        MORE_SLIDE = 5, // the "more" menu, sliding in
        PROFILE = 6,
        STATS = 7,
        MORE = 10,
        WEBSITE = 11,
    };
    enum class MoreButton { OPTIONS = 0, ABOUT = 1, HELP = 2, STATS = 3, BACK = 4, WEBSITE = 5 };
    enum class OptionsButton { THEME = 1, BACK = 2, DELETE = 4, TWITCH = 5, LANGUAGE = 6 };
    enum class DataButton { BACK = 0, DELETE_PROFILE = 1, DELETE_DATA = 2, CLEAR_HIGHSCORES = 3 };
    // The language buttons carry the language's number; BACK (the options' list only) follows.
    enum class LanguageButton { ENGLISH = 0, FRENCH, ITALIAN, GERMAN, SPANISH, BACK = LANGUAGE_COUNT };
    // Slots 0 .. PROFILE_SLOTS - 1 carry the slot's number.
    enum class ProfileButton { FIRST_SLOT = 0, GUEST = PROFILE_SLOTS, BACK = PROFILE_SLOTS + 1 };
    enum class WelcomeButton { PLAY = 0, CHANGE_PROFILE = 1 };
    // The pack list, the about screen and the statistics have a BACK only.
    enum class BackButton { BACK = 0 };
    enum class LevelButton { PLAY_LEVEL = 0, BACK = 1 };
    enum class HelpButton { PREVIOUS = 0, NEXT = 1, BACK = 2 };
    // The confirmations and the question of STATE_QUESTION.
    enum class YesNoButton { YES = 0, NO = 1 };
    // The notices, the level-complete button and the two spare lists.
    enum class NoticeButton { CONTINUE = 0 };
    enum class PauseButton { CONTINUE = 0, SETTINGS = 1, HELP = 2, QUIT_GAME = 3, RESTART = 4 };
    enum class SettingsButton { THEME = 1, BACK = 3, TWITCH = 4 };
    enum class HintButton { USE_HINT = 0 };
    // The id a list gives to or returns for a button.
    template <typename Button>
    static constexpr int Id(Button button)
    {
        return static_cast<int>(button);
    }

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

    // The save root + name ("save/" + name before a game exists).
    static Vorn::NarrowString SavePath(const char* name);
    // The level record, 0 for a level number outside 0..199.
    uint64_t LevelRecord(int level) const;

    // --- The board in play -----------------------------------------------------------------------

    Vorn::SmartPtr<Controller> CreateControllerPrecise();
    // Restores the saved game at the end of loading. When the save is missing or invalid there is
    // no board afterwards (playfield null) and the state is unchanged; false then.
    bool CreatePlayfield();
    // A board of the play screen's geometry, not yet in play.
    Vorn::SmartPtr<PlayfieldFit> NewBoard() const;
    // Makes the board the one in play, with a new input controller and the control side.
    void PutBoardInPlay(const Vorn::SmartPtr<PlayfieldFit>& board);

    // Life-cycle hooks of the application. Both leave the board in play saved for the next start.
    void OnPause();
    void OnResume();
    void Release();
    void OpenWebsite();

    // --- Save data (GameSave.cpp) -----------------------------------------------------------------
    // Files under the save root ("profiles", "lastProfile", "save_version") and under the profile
    // prefix ("options", "hints", "fit"). A file of another size or with values the game never
    // writes is damaged: it is set aside, what it held in full is kept and written back (only
    // once it is safe beside itself). The Save calls return false when the file could not be
    // written whole (the old file then stays).

    // profilePrefix followed by name, as a path for the file system.
    Vorn::NarrowString ProfilePath(const char* name) const;
    // Writes the board in play to "save" and "save2" while its level is unsolved, so that the next
    // start resumes it; a board solved or left empties "save". Before any board exists this
    // session nothing is touched: "save" still holds the game the loading will restore. False
    // when the save failed.
    bool KeepGameInProgress();
    // Opens path for writing and closes it at once: the file is left empty.
    static bool EmptySaveFile(const Vorn::NarrowString& path);

    // The theme stored in the options of the profile the next start selects; 0 without one.
    int ReadLastProfileTheme();
    // Writes the running version's name and the level tables of the progress (progressTables).
    bool SaveVersion();
    // The stored version name; the running one when there is none.
    Vorn::NarrowString ReadSaveVersion();
    // The level tables the stored progress was written against, 0 when the file names none.
    uint32_t ReadProgressTables();
    // Brings every profile's records written against earlier level tables to this build's tables
    // (a record keeps "solved" and its count of found solutions, up to the level's count), then
    // records the tables in "save_version". A damaged file is repaired here, record by record
    // against every known table, once it is set aside; the tables are recorded only when every
    // file was written, so that no start reads an earlier table's progress as damage.
    void BringProgressToLevelTables();
    // The Load calls take whether the profile was just created: its files may then be those a
    // deleted profile of its name left emptied, which count as missing. Otherwise an empty file
    // is damaged, as the game never leaves one.
    bool SaveOptions();
    // Reads the options (defaults when missing), clamps them, hands the volumes to the sound
    // layer and writes them back. The stored theme goes to pendingTheme; nothing switches here.
    void LoadOptions(bool created = false);
    bool SaveHints();
    void LoadHints(bool created = false);
    bool SaveFit();
    void LoadFit(bool created = false);
    // Levels 0..3 open, nothing found, no hints, the profile's solved counters 0; saved.
    void ResetProgressDefaults();
    // Empties "fit", resets the progress and saves it and the hint counts.
    void DeleteProgress();
    void ClearFitFile();
    void ClearHighscores();
    // Bits a level's record may hold: bit 0 and one bit per stored solution of the loaded level;
    // every bit while the level is not loaded.
    uint64_t LevelRecordMask(int level) const;

    static int ClampTheme(int value);
    static int ClampLanguage(int value);
    // Into 0..10; a value that is not a number becomes the default 5.
    static float ClampVolume(float value);
    // The volume as the sound layer's percentage 0..100.
    static int VolumePercent(float volume);

    // --- Profiles (GameProfiles.cpp) --------------------------------------------------------------

    enum ProfileResult { PROFILE_CREATED, PROFILE_NAME_IN_USE, PROFILE_NAME_REFUSED };

    // Reads the profile list and selects the last profile: the guest when the list is missing,
    // when "lastProfile" is missing or names no listed profile.
    void LoadProfiles();
    // Makes the profile with this stored name current (the guest for GUEST_NAME or any name not
    // in the list), saves the list and loads its statistics, options, records and hints.
    void SelectProfile(const Vorn::WideString& name);
    // Writes the list and the name of the current profile, or the one of them asked for.
    bool SaveProfiles(bool writeList = true, bool writeLast = true);
    // Adds a profile under a typed name and selects it. Refused: a name that breaks the name rules
    // or a full list; in use: the guest's name in any language, or an existing profile's name.
    ProfileResult CreateProfile(const Vorn::NarrowString& name);
    // Empties the current named profile's files, removes it from the list and selects the guest.
    // False, and nothing changed, for the guest or a name that is not in the list.
    bool DeleteCurrentProfile();
    bool IsGuest() const;
    // The slot holding exactly these bytes, -1 when none does.
    int FindProfileSlot(const Vorn::NarrowString& name) const;
    // 1 to MAX_PROFILE_NAME_LENGTH characters of exact UTF-8, not blank, no control character and
    // no '/'.
    static bool IsValidProfileName(const Vorn::NarrowString& name);
    // The literal GUEST_NAME or the text of the key "GUEST" in any language.
    bool IsGuestText(const Vorn::WideString& name);
    // The current profile as shown: the guest's text in the current language, else its name.
    Vorn::WideString GetProfileDisplayName() const;
    // Captions: the PROFILE button ("PROFILE", a space, the name) and a slot of the profile list.
    Vorn::WideString GetProfileCaption() const;
    Vorn::WideString GetSlotCaption(int slot) const;

    // --- Language and texts (GameLanguage.cpp) ---------------------------------------------------

    // "common/texts/<lang>.xml" of a language; English for a value outside the table.
    static Vorn::NarrowString GetLanguagePath(int language);
    // The text key of the language's button on the language screens; "" outside the table.
    static const char* GetLanguageKey(int language);
    // Loads the current language's table into the text dictionary; false when it cannot be read
    // (the dictionary then keeps its texts).
    bool LoadTexts();
    static Vorn::WideString GetVersionName();
    static Vorn::WideString GetVersionCode();
    static Vorn::WideString GetVersionLabel();
    // The text centred on the point (x, y) in cells of the display area.
    static void DrawTextAt(const Vorn::SmartPtr<Graphics>& graphics,
                           const Vorn::SmartPtr<GLFont>& font, const Vorn::WideString& text,
                           float x, float y);
    static void DrawTextAtNarrow(const Vorn::SmartPtr<Graphics>& graphics,
                                 const Vorn::SmartPtr<GLFont>& font, const Vorn::NarrowString& text,
                                 float x, float y);

    // --- Catalogue (GameCatalogue.cpp) -----------------------------------------------------------

    // The series table from the text dictionary (all named and numbered title keys).
    void InitLevelTitles();
    // The pack ranges of the series table into levelTitles.
    void CopyLevelNames();
    // packSizes, packLevels, packNames and packLockedTexts in the current language.
    void BuildPackTables();
    // "NAME_0k" below 10, "NAME_k" from 10 on.
    static Vorn::NarrowString TitleSeriesKey(const char* series, int member);

    // --- Volumes and theme (GameTheme.cpp) --------------------------------------------------------

    // Both volumes clamped to 0..10 and handed to the sound layer; saved when asked.
    void SetVolumes(float sfx, float music, bool save);
    void SetVolumesAndSave(float sfx, float music);
    void SetTheme(int newTheme);

    // --- Drawing ---------------------------------------------------------------------------------

    // Hand-drawn lines at a cell position, length in cells, with the image of the theme from a
    // per-theme table of Consts.
    static void DrawHandVertical(const Vorn::SmartPtr<Graphics>& graphics, float x, float y,
                                 float length, const int* table);
    static void DrawHandHorizontal(const Vorn::SmartPtr<Graphics>& graphics, float x, float y,
                                   float length, const int* table);
    // The theme's image frame (edges and corner sheet) around a box in cells.
    static void DrawThemedFrame(const Vorn::SmartPtr<Graphics>& graphics, float x, float y,
                                float w, float h);
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

    // --- Frame, loading and application hooks (GameUpdate.cpp, GameLoad.cpp) --------------------

    // One frame of timers, animations, the boot and loading states, list scrolling and the board.
    void Update(int ms);
    // Runs loading stage 0..9; any other value does nothing.
    void LoadStep(int step);
    // The per-resolution archive's mount point followed by name.
    static Vorn::NarrowString DevicePath(const char* name);
    // The atlas descriptions the loading stages load at a screen width (names in that archive).
    static std::vector<const char*> AtlasFiles(int screenWidth);

    // --- Touches (GameTouch.cpp, GamePlayScreen.cpp) -----------------------------------------------

    // Base pixels, one finger: down, any moves, up.
    void OnTouchDown(int x, int y);
    void OnTouchMove(int x, int y);
    void OnTouchUp(int x, int y);
    // The name keyboard's touch-up: hit test and key action, with its own transitions.
    void CommitProfileName(int x, int y);
    // Opens the keyboard on the capitals page with an empty name and the prompt shown above it.
    void OpenNameKeyboard(const Vorn::WideString& prompt);

    // --- Menus (GameMenus.cpp and the screen groups' sources) ------------------------------------------

    // Every button list, dialog text, the about text and the help pages in the current language.
    void CreateMenus();
    void RebuildMenus();
    // The about screen (GameInfoScreens.cpp).
    void DrawAbout(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawOptions(const Vorn::SmartPtr<Graphics>& graphics);
    // The options screen's twitch box, its picture showing the option, the picture's left edge at
    // left and its middle at middle (cells).
    void DrawTwitchBox(const Vorn::SmartPtr<Graphics>& graphics, float left, float middle);
    void DrawMoreMenu(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawLanguageMenu(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawFirstLanguageMenu(const Vorn::SmartPtr<Graphics>& graphics);
    // A panel of clean background in a frame (cells), with the text centred when font is set.
    static void DrawPanel(const Vorn::SmartPtr<Graphics>& graphics, float x, float y, float w,
                          float h, const Vorn::SmartPtr<GLFont>& font,
                          const Vorn::WideString& text);
    Vorn::WideString GetThemeName(int theme) const;
    // The about screen's text (GameInfoScreens.cpp).
    Vorn::WideString BuildAboutText() const;
    static Vorn::WideString FormatNumber(int n);

    // --- Painting (GamePaint.cpp, GamePlayScreen.cpp, GameDialogScreens.cpp, GamePackScreens.cpp,
    // GameInfoScreens.cpp, GameKeyboard.cpp) ------------------------------------------------------

    // One whole frame into the graphics context's target, in base pixels.
    void Render(const Vorn::SmartPtr<Graphics>& graphics);
    void RenderPackSelect(const Vorn::SmartPtr<Graphics>& graphics);
    void RenderLevelSelect(const Vorn::SmartPtr<Graphics>& graphics);
    void RenderStats(const Vorn::SmartPtr<Graphics>& graphics);
    void RenderKeyboard(const Vorn::SmartPtr<Graphics>& graphics);
    // Turns a level into a running board and enters play (GameLevels.cpp).
    void StartLevel(int level);
    void DrawLogo(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawMainMenuButtons(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawHelp(const Vorn::SmartPtr<Graphics>& graphics);
    // A level's outline with the theme's level edge images, its origin at cell (x, y) and every
    // length divided by scale (12 / row height shrinks a 12-cell board to one row).
    void DrawOutline(const Vorn::SmartPtr<Graphics>& graphics, float x, float y, float scale,
                     const Outline& outline);

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
    // The guest's text in every language, read once when first needed.
    std::vector<Vorn::WideString> guestTexts;

    // Options.
    bool twitch;
    int language;
    float musicVolume;
    float sfxVolume;
    int pendingTheme;
    int loadedTheme;
    bool themeChangePending;
    // The profile's options file is damaged and could not be set aside: the theme switch that
    // follows its loading does not write over it.
    bool optionsFileHeld = false;

    // Progress and catalogue.
    int packOrder[PACK_COUNT];
    Vorn::WideString packNames[PACK_COUNT];
    int packSizes[PACK_COUNT];
    std::vector<int> packLevels[PACK_COUNT];
    uint64_t levelRecords[LEVEL_COUNT];
    // The level tables the save area's progress is known to match (LevelTables::SHIPPED once
    // every profile's records are brought to this build's tables; 0 for tables from before the
    // save area recorded them).
    uint32_t progressTables = 0;
    int hintPoints;
    uint32_t hintWords[LEVEL_COUNT];
    Outline levelOutlines[LEVEL_COUNT];
    SolutionTable levelSolutions[LEVEL_COUNT];
    Vorn::WideString levelTitles[LEVEL_COUNT];
    Vorn::WideString titleSeries[TITLE_SERIES_COUNT];
    Vorn::WideString packLockedTexts[PACK_COUNT];
    // Names of the game modes in high-score file names: "FIT", then empty.
    Vorn::NarrowString modeNames[MODE_COUNT];

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
    static Vorn::NarrowString typedName;     // UTF-8, the name typed so far
    static int keyPage;                      // 0 small letters, 1 capitals, 2 digits and signs
    static Vorn::WideString keyboardPrompt;
    bool keyboardOpen = false;
    bool nameHasText = false;
    bool namingProfile = false;

    // Menus and screens.
    static float aboutScrollRange;
    Vorn::SmartPtr<StringDisplayer> dialogTexts[STATE_TABLE_SIZE]; // by screen state
    Vorn::SmartPtr<StringDisplayer> aboutText;
    bool languageApplied = false;
    static float packPreviewClock;
    int solutionCycleMs = 0;
    Vorn::SmartPtr<Stats> statsRecord;

    // --- Steps and state of the flow sources (each section belongs to the named source) ----------
    // GameUpdate.cpp / GameLoad.cpp:
    // The steps of a frame: the timers and animations every screen shares (the frame time as
    // counted, 0 for a stalled frame, is returned), the buttons that move with the screen, the
    // boot, splash and loading states, and the scrolling of the level pages and the statistics.
    int AdvanceSharedTimers(int ms);
    void PlaceMovingButtons();
    void StartBoot();
    void UpdateSplash(int ms);
    void UpdateLoading(int ms);
    void UpdateLevelScroll();
    void UpdateStatsScroll();
    // True when "save" holds a game (savedGameMode is then the fit mode's, 0).
    bool HasGameInProgress();
    // The end of loading: the saved game restored, else the first screen for the profile.
    void FinishLoading();
    // Loading's last stage: every level's outline and solution table, then the titles.
    void LoadLevelTables();
    // The address the website button opens.
    static Vorn::NarrowString WebsiteAddress();

    // GameTouch.cpp:
    // Both volume sliders at (cellX, cellY) with the slider row's top at rowTop (cells).
    void RunVolumeSliders(float cellX, float cellY, float rowTop);
    // Captions that name profiles: the profile list's slots and the main menu's PROFILE button.
    void ShowProfileCaptions();
    // The touch-up half of the screens outside play, and their actions on the button released,
    // one per list (those of the menu screens in GameMenuScreens.cpp).
    void OnMenuTouchUp(int id, float cellX, float cellY, int x, int y);
    void OnMainMenuButton(MainButton button);
    void OnMoreButton(MoreButton button);
    // "<" and ">" of the help pages, on the help screen and in the help panel; true for BACK
    // (GameInfoScreens.cpp).
    bool TurnHelpPage(HelpButton button);
    void OnOptionsButton(OptionsButton button);
    void OnDataButton(DataButton button);
    void OnWelcomeButton(WelcomeButton button);
    // Both language lists.
    void OnLanguageButton(LanguageButton button);
    void OnProfileButton(ProfileButton button);

    // GamePackScreens.cpp: the pack list and the level pages (their lists are built there).
    // The level page's entry shown centred, 0 .. pack size - 1 (0 without a valid pack). The
    // painter rounds the same way, so PLAY and a tap start the level the page shows.
    int ShownLevelEntry() const;
    // The level of that entry, -1 without one.
    int ShownLevel() const;
    // Whether a point (cells) lies in the pack list's rows, and the pack under it (-1 for none).
    bool InPackRows(float cellX, float cellY) const;
    int PackAt(float cellX, float cellY) const;
    // A finger moving over the pack list, and a swipe over the level pages to x.
    void OnPackListTouchMove(float cellX, float cellY, float dy, int y);
    void OnLevelPageSwipe(int x);
    // A tapped pack or BACK, and a tapped page, PLAY_LEVEL or BACK of the level pages.
    void OnPackListTouchUp(BackButton button, float cellX, float cellY);
    void OnLevelPageTouchUp(LevelButton button, float cellX, float cellY, int x, int y);

    // GameDialogScreens.cpp: the questions and notices outside play (their lists are built there).
    // The delete-progress and clear-high-scores questions.
    void OnDataQuestionAnswer(YesNoButton answer);
    void OnDeleteProfileAnswer(YesNoButton answer);
    // CONTINUE of the notices.
    void OnNoticeContinue();
    void OnQuestionAnswer(YesNoButton answer);
    // The screen of a question or notice with its text and list; false for another state.
    bool RenderDialog(const Vorn::SmartPtr<Graphics>& graphics);
    // The pack notices over the finished board.
    void RenderNotice(const Vorn::SmartPtr<Graphics>& graphics);

    // GamePlayScreen.cpp: the play screen's touches and painting (its lists are built there too).
    // The board's pause panels besides the quit and restart questions: the in-game settings and
    // the help pages. Set and cleared by the touch handling in play; the play painter reads them.
    bool settingsPanelOpen = false;
    bool helpPanelOpen = false;
    void OnPlayTouchDown(int x, int y);
    void OnPlayTouchMove(int x, int y, float dy);
    void OnPlayTouchUp(int x, int y);
    void OnLevelCompleteContinue();
    // The entry of currentLevel in currentPack; when that pack does not hold it, the pack that
    // does becomes current with the page at the level. -1 (nothing changed) for a level of no pack.
    int LocateCurrentLevel();
    void OnPausePanelTouchUp(int x, int y);
    // The pause panels' actions on the button released, one per list.
    void OnSettingsPanelButton(SettingsButton button);
    void OnQuitAnswer(YesNoButton answer);
    void OnRestartAnswer(YesNoButton answer);
    void OnPauseButton(PauseButton button);
    // The board with its pause panels over a veil.
    void RenderPlay(const Vorn::SmartPtr<Graphics>& graphics);

    // GamePaint.cpp / GameLevels.cpp / GameKeyboard.cpp:
    // The other themes' fonts by font image id, made when the name keyboard opens and kept for the
    // rest of the run.
    std::map<int, Vorn::SmartPtr<GLFont>> themeFontCache;
    // The image cache's entry for the id; an entry holding no image is inserted when it is absent.
    static Vorn::SmartPtr<class Image>& GetImageSlot(int id);
    // Makes a font in themeFontCache for every theme's font image other than the current theme's
    // that has none yet (the name keyboard's preload when it opens).
    void CacheThemeFonts();
    // counter / limit within 0..1, in floating point; 1 for a fade of no frames.
    static float FadeFraction(int counter, int limit);
    // Pieces of the screen painter: the welcome screen and the profile list (or the name keyboard
    // over it) (GameMenuScreens.cpp), and the three splash states.
    void RenderWelcome(const Vorn::SmartPtr<Graphics>& graphics);
    void RenderProfiles(const Vorn::SmartPtr<Graphics>& graphics);
    void RenderSplash(const Vorn::SmartPtr<Graphics>& graphics);
    // Texts drawn one after another as one line: its left edge, centre (GLFont::CENTER) or right
    // edge (GLFont::RIGHT) at x, y the line's vertical centre (pixels).
    static void DrawTextPieces(const Vorn::SmartPtr<Graphics>& graphics,
                               const Vorn::SmartPtr<GLFont>& font,
                               const std::vector<Vorn::WideString>& pieces, int x, int y,
                               int flags);
    // One layer of a row of the pack list (the pack at that position of packOrder, its top and
    // its text's centre in cells, the preview clock for it; layer 0 is drawn first), and what is
    // drawn over the rows between top and bottom: the clean edges, BACK, the title, the frame and
    // the scroll bar.
    void RenderPackRow(const Vorn::SmartPtr<Graphics>& graphics, int position, float rowTop,
                       float textX, float previewClock, int layer);
    void RenderPackListFrame(const Vorn::SmartPtr<Graphics>& graphics, float top, float bottom,
                             float rowWidth);
    // One level page (level, its pack position, the page's place in pages from the screen's left).
    void RenderLevelPage(const Vorn::SmartPtr<Graphics>& graphics, int level, int entry,
                         float page);

private:
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Save data helpers: the cleaned profile list as stored (damaged, when given, tells a file
    // that is not a list the game wrote), the profiles whose files are in the save area though
    // the list does not hold them, and the profile "lastProfile" leads to within the list
    // (GUEST_NAME when none; damaged also tells a name that is neither listed nor the guest).
    void ReadProfileList(Vorn::NarrowString (&names)[PROFILE_SLOTS], int& count, bool& listFound,
                         bool* damaged = nullptr);
    void AddProfilesOnDisk(Vorn::NarrowString (&names)[PROFILE_SLOTS], int& count);
    bool ReadLastProfileName(Vorn::NarrowString& name, bool* damaged = nullptr);
    // How a selection treats the files: the list and "lastProfile" are written unless they are
    // damaged files that could not be set aside; a profile just created has no progress yet.
    struct Selection {
        bool writeList;
        bool writeLast;
        bool created;
    };
    void SelectProfile(const Vorn::WideString& name, const Selection& how);
    Vorn::NarrowString ResolveLastProfile(const Vorn::NarrowString (&names)[PROFILE_SLOTS],
                                          int count, bool* damaged = nullptr);
    const std::vector<Vorn::WideString>& GetGuestTexts();
    bool WriteOptions(int storedTheme);
};
