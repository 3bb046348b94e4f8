#include "Game.h"

#include <limits.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "BinaryFiles.h"
#include "Block.h"
#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Content.h"
#include "ControllerPrecise.h"
#include "GLFont.h"
#include "Help.h"
#include "Image.h"
#include "Images.h"
#include "Mounts.h"
#include "PlayfieldFit.h"
#include "SaveFile.h"
#include "Sounds.h"
#include "Stats.h"
#include "StringDisplayer.h"
#include "TextsManager.h"
#include "application/AbstractApp.h"
#include "host/Host.h"

Vorn::SmartPtr<Game> Game::instance;

int Game::theme = 0;
float Game::COLOR_R = 0.0f;
float Game::COLOR_G = 0.0f;
float Game::COLOR_B = 0.0f;
float Game::COLOR_BLOCK_R = 0.0f;
float Game::COLOR_BLOCK_G = 0.0f;
float Game::COLOR_BLOCK_B = 0.0f;
int Game::BASE_BLOCK = 0;
int Game::controls = 0;
int Game::imgBackground = 0;
int Game::controlSide = 0;
int Game::touchDownX = 0;
int Game::touchDownY = 0;
int Game::touchLastX = 0;
int Game::touchLastY = 0;
Vorn::NarrowString Game::typedName;
int Game::keyPage = 1;
Vorn::WideString Game::keyboardPrompt;
float Game::aboutScrollRange = 0.0f;
float Game::packPreviewClock = 0.0f;

namespace {

const char* const THIRD_KEY_PAGE[Game::KEYS_PER_PAGE] = {
    "1", "2", "3", "4", "5", "+", "6", "7", "8", "9", "0", "-", "!",
    "?", ".", ",", "|", "=", "(", ")", "[", "]", "{", "}", ":", ";"};

// Six rows of six: 0..25 a key of the page, -1 delete, -2 enter, -3 shift, -4 space.
const int KEY_GRID_CODES[Game::KEY_GRID] = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17,
    18, 19, 20, 21, 22, 23, -1, -1, 24, 25, -2, -2, -3, -3, -4, -4, -2, -2};

// The README installed with the binary (<prefix>/bin/tessela -> <prefix>/share/doc/tessela); a
// binary of the build tree, not installed, opens the README of the source tree it was built from.
const char* const INSTALLED_README = "share/doc/tessela/README.md";
#ifndef TESSELA_SOURCE_README
#define TESSELA_SOURCE_README ""
#endif

// A file address for an absolute path: every byte outside the unreserved set and '/' escaped.
std::string FileAddress(const std::string& path)
{
    static const char HEX[] = "0123456789ABCDEF";
    std::string address = "file://";
    for (unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '.' ||
                           c == '_' || c == '~';
        if (plain) {
            address += static_cast<char>(c);
        } else {
            address += '%';
            address += HEX[c >> 4];
            address += HEX[c & 15];
        }
    }
    return address;
}

} // namespace

Game::Game()
    : touchTime(0), framesSinceMove(0), packDragDistance(0), fingerUp(false), lastFrameMs(0),
      saveRoot(Vorn::WideString(Vorn::NarrowString(Tessela::SAVE_MOUNT))),
      profilePrefix(Vorn::WideString(Vorn::NarrowString(Tessela::SAVE_MOUNT))),
      guestSelected(false), profileCount(0), twitch(true), language(0), musicVolume(5.0f),
      sfxVolume(5.0f), pendingTheme(0), loadedTheme(0), themeChangePending(false), packOrder{},
      packSizes{}, levelRecords{}, hintPoints(0), hintWords{}, currentPack(0), pressedPack(0),
      savedGameMode(0), quitConfirmOpen(false), restartConfirmOpen(false), gameMode(-1),
      currentLevel(0), boardTopRows(0.0f), packRowHeight(0.0f), scrollPosition(0.0f),
      scrollVelocity(0.0f), screenState(STATE_BOOT), aboutScroll(0.0f), aboutViewRows(0.0f),
      packScroll(0.0f), returnState(0), menuSlide(0.0f), menuRowHeight(0.0f), menuMargin(0.0f),
      screenRows(0.0f), screenColumns(0.0f), screenWidth(0), screenHeight(0), loadStep(0),
      loadStepCount(0), fadeCounter(0), splashTimer(0), fadeLimit(0), fadeOutActive(false),
      keyGrid{}
{
    instance = this;
}

Game::~Game() {}

void Game::Init()
{
    for (int i = 0; i < PACK_COUNT; ++i)
        packOrder[i] = i;
    BASE_BLOCK = Images::FIRST_BLOCK;
    Images::Init();
    BinaryFiles::Init();
    Block::InitTables();
    for (int i = 0; i < KEYS_PER_PAGE; ++i) {
        keyPages[0][i] = Vorn::NarrowString(1, static_cast<char>('a' + i));
        keyPages[1][i] = Vorn::NarrowString(1, static_cast<char>('A' + i));
        keyPages[2][i] = THIRD_KEY_PAGE[i];
    }
    std::copy(std::begin(KEY_GRID_CODES), std::end(KEY_GRID_CODES), keyGrid);
}

// --- Queries -------------------------------------------------------------------------------------

bool Game::IsInside(float px, float py, float rx, float ry, float rw, float rh)
{
    return rx <= px && px < rx + rw && ry <= py && py < ry + rh;
}

int Game::ThemeIndex()
{
    const int count = std::min(std::max(Consts::THEMES_COUNT, 1), static_cast<int>(Consts::MAX_THEMES));
    return theme >= 0 && theme < count ? theme : 0;
}

Vorn::NarrowString Game::SavePath(const char* name)
{
    Vorn::NarrowString path = instance ? Vorn::NarrowString(instance->saveRoot)
                                       : Vorn::NarrowString(Tessela::SAVE_MOUNT);
    return path + name;
}

uint64_t Game::LevelRecord(int level) const
{
    return level >= 0 && level < LEVEL_COUNT ? levelRecords[level] : 0;
}

int Game::GetHalfPieceCount(int level) const
{
    if (level < 0 || level >= LEVEL_COUNT || levelSolutions[level].Count() <= 0)
        return 0;
    return levelSolutions[level].PiecesPerSolution() / 2;
}

int Game::CountFoundSolutions(int level) const
{
    if (level < 0 || level >= LEVEL_COUNT)
        return 0;
    const int count = std::min(levelSolutions[level].Count(), 63);
    int found = 0;
    for (int bit = 1; bit <= count; ++bit)
        found += (levelRecords[level] >> bit) & 1;
    return found;
}

int Game::GetSolutionPiece(int level, int solution, int k) const
{
    if (level < 0 || level >= LEVEL_COUNT)
        return 0;
    return SolutionPlacement::Type(levelSolutions[level].Entry(solution, k));
}

int Game::GetSolutionX(int level, int solution, int k) const
{
    if (level < 0 || level >= LEVEL_COUNT)
        return 0;
    return SolutionPlacement::X(levelSolutions[level].Entry(solution, k));
}

int Game::GetSolutionY(int level, int solution, int k) const
{
    if (level < 0 || level >= LEVEL_COUNT)
        return 0;
    return SolutionPlacement::Y(levelSolutions[level].Entry(solution, k));
}

int Game::PackPosition(int pack) const
{
    for (int position = 0; position < PACK_COUNT; ++position)
        if (packOrder[position] == pack)
            return position;
    return -1;
}

bool Game::IsPackUntouched(int position) const
{
    if (position < 0 || position >= PACK_COUNT)
        return false;
    const int pack = packOrder[position];
    if (pack < 0 || pack >= PACK_COUNT)
        return false;
    for (int level : packLevels[pack])
        if (LevelRecord(level) != 0)
            return false;
    return true;
}

int Game::NextTheme() const
{
    const int count = Consts::THEMES_COUNT > 0 ? Consts::THEMES_COUNT : 1;
    return (theme + 1) % count;
}

void Game::SelectFirstOpenLevel()
{
    screenState = STATE_LEVELS;
    scrollPosition = 0.0f;
    scrollVelocity = 0.0f;
    if (currentPack < 0 || currentPack >= PACK_COUNT)
        return;
    const std::vector<int>& levels = packLevels[currentPack];
    for (size_t i = 0; i < levels.size(); ++i) {
        if (LevelRecord(levels[i]) == RECORD_OPEN) {
            scrollPosition = static_cast<float>(i);
            return;
        }
    }
}

Vorn::WideString Game::GetText(const Vorn::NarrowString& key) const
{
    return TextsManager::Instance().GetText(key);
}

void Game::ReportEvent(const char*) {}

Vorn::NarrowString Game::WebsiteAddress()
{
    std::string readme = Vorn::Host::InstalledFile(INSTALLED_README, TESSELA_SOURCE_README);
    if (readme.empty())
        return Vorn::NarrowString();
    char resolved[PATH_MAX];
    if (realpath(readme.c_str(), resolved))
        readme = resolved;
    return Vorn::NarrowString(FileAddress(readme));
}

// --- The board in play ---------------------------------------------------------------------------

Vorn::SmartPtr<Controller> Game::CreateControllerPrecise()
{
    return Vorn::SmartPtr<Controller>(new ControllerPrecise());
}

Vorn::SmartPtr<PlayfieldFit> Game::NewBoard() const
{
    return Vorn::SmartPtr<PlayfieldFit>(new PlayfieldFit(
        Consts::OFFSET_X, static_cast<int>(Consts::CELL_SIZE * boardTopRows), 1, 16));
}

void Game::PutBoardInPlay(const Vorn::SmartPtr<PlayfieldFit>& board)
{
    playfield = board;
    controls = Consts::ALLOW_BLOCK_DRAWING ? 0 : 2;
    controller = CreateControllerPrecise();
    controller->target = board.Get();
    board->SetController(controller);
    board->SetMode(controlSide);
}

bool Game::CreatePlayfield()
{
    // Saves of other game modes are not made by this game.
    if (savedGameMode != 0)
        return false;
    stats = Stats::Load(Stats::TOTALS);
    Vorn::SmartPtr<PlayfieldFit> board = NewBoard();
    if (!board->LoadGame())
        return false;
    PutBoardInPlay(board);
    screenState = STATE_PLAY;
    // The save stays until a newer one replaces it, the level is solved or the player leaves it:
    // a crash of the resumed game must not lose it.
    // The restored game keeps its own record, the last one started; the counters do not change.
    board->stats = Stats::Load(std::max(stats->gameCounter - 1, 0));
    gameMode = static_cast<int>(savedGameMode);
    return true;
}

void Game::OnPause()
{
    Sounds::StopMusic();
    if (screenState == STATE_PLAY && playfield) {
        // A drag or a drawing in progress ends now: the finger that made it is gone.
        if (controller)
            controller->Cancel();
        playfield->paused = true;
        playfield->SaveStats();
    }
    // A hidden game may be ended without another word from the platform.
    KeepGameInProgress();
}

void Game::OnResume()
{
    ButtonDisplayer::ResetAllHighlights();
    if (fadeOutActive)
        Sounds::PlayMusic();
}

void Game::Release()
{
    Sounds::StopMusic();
    KeepGameInProgress();
    if (screenState == STATE_PLAY && playfield && playfield->IsNotSolved() && playfield->stats)
        playfield->stats->Save();
    if (stats)
        stats->Save();
    // The save thread, ended or not, is joined before the process ends.
    SaveWriter::WaitForBackgroundWrites();
    Content::s_images.clear();
}

void Game::OpenWebsite()
{
    const Vorn::NarrowString address = WebsiteAddress();
    if (!address.empty() && Vorn::AbstractApp::s_application)
        Vorn::AbstractApp::s_application->OpenUrl(Vorn::WideString(address));
}
