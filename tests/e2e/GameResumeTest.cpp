// A level in progress survives the end of the process: pieces are placed, the game ends (through
// the window's close, an end signal, the desktop going away, or killed outright after a focus
// loss, right after a placement or after resuming), and the next start comes back to the same
// board. Also the presses a player makes on the board, with the
// durations real clicks and taps have.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "Block.h"
#include "Consts.h"
#include "Game.h"
#include "PlayfieldFit.h"
#include "SaveFile.h"
#include "application/playbook/CreateApplication.h"
#include "bps/navigator.h"
#include "support/BuiltData.h"
#include "support/Sandbox.h"
#include "support/e2e/GameDriver.h"
#include "support/e2e/Harness.h"

using VornTest::GameDriver;
using VornTest::Harness;

namespace {

struct Piece {
    int type;
    float x;
    float y;
    int colour;
    bool operator<(const Piece& o) const
    {
        return std::make_pair(type, std::make_pair(x, y)) < std::make_pair(o.type, std::make_pair(o.x, o.y));
    }
    bool operator==(const Piece& o) const
    {
        return type == o.type && x == o.x && y == o.y && colour == o.colour;
    }
};

std::vector<Piece> PlacedPieces(const PlayfieldFit& board)
{
    std::vector<Piece> out;
    for (const auto& block : board.Placed())
        out.push_back({block->type, block->x, block->y, block->colour});
    std::sort(out.begin(), out.end());
    return out;
}

int HiddenTrayEntries(const PlayfieldFit& board)
{
    int hidden = 0;
    for (const auto& entry : board.Tray())
        hidden += entry->trayState == -1.0f;
    return hidden;
}

// From a first start to the first level of the first pack, in play.
bool StartFirstLevel(Harness& h, GameDriver& d)
{
    if (!d.WaitUntilLoaded())
        return false;
    Game& game = *GameDriver::GetGame();
    if (game.screenState == Game::STATE_FIRST_LANGUAGE &&
        !(d.TapButton(Game::MENU_FIRST_LANGUAGE, 0) && d.WaitForState(Game::STATE_WELCOME, 30)))
        return false;
    if (game.screenState == Game::STATE_WELCOME &&
        !(d.TapButton(Game::MENU_WELCOME, 0) && d.WaitForState(Game::STATE_MAIN_MENU, 30)))
        return false;
    if (!d.TapButton(Game::MENU_MAIN, 0) || !d.WaitForState(Game::STATE_PACKS, 30))
        return false;
    h.Frames(20);
    d.TapCell(game.screenColumns / 2,
              game.packScroll + game.menuMargin + 2.0f + game.packRowHeight * 0.5f);
    if (!d.WaitForState(Game::STATE_LEVELS, 30))
        return false;
    h.Frames(20);
    if (!d.TapButton(Game::MENU_LEVELS, 0) || !d.WaitForState(Game::STATE_PLAY, 30))
        return false;
    h.Frames(10);
    return game.playfield && game.currentLevel == 0;
}

// The first level has one piece: it is solved, and CONTINUE brings the next one, of two or more.
bool StartSecondLevel(Harness& h, GameDriver& d)
{
    if (!StartFirstLevel(h, d) || !d.SolveByDragging())
        return false;
    h.Frames(30);
    if (!d.TapButton(Game::MENU_NOTICE, 0))
        return false;
    h.Frames(10);
    Game& game = *GameDriver::GetGame();
    return game.screenState == Game::STATE_PLAY && game.playfield && game.currentLevel != 0 &&
           game.playfield->IsNotSolved() &&
           game.levelSolutions[game.currentLevel].PiecesPerSolution() >= 2;
}

// Drags the solution's pieces whose places are still free.
bool SolveTheRest(GameDriver& d)
{
    Game& game = *GameDriver::GetGame();
    const int level = game.currentLevel;
    for (int k = 0; k < game.levelSolutions[level].PiecesPerSolution(); ++k) {
        const int x = game.GetSolutionX(level, 0, k) - static_cast<int>(game.playfield->boardX0);
        const int y = game.GetSolutionY(level, 0, k) - static_cast<int>(game.playfield->boardY0);
        if (game.playfield->CanPlaceBlock(game.GetSolutionPiece(level, 0, k), x, y) &&
            !d.DragSolutionPiece(k))
            return false;
    }
    return true;
}

// The first piece of the solution placed; what the board holds then.
bool PlaceOnePiece(Harness& h, GameDriver& d, std::vector<Piece>& placed, int& playTime)
{
    if (!d.DragSolutionPiece(0))
        return false;
    h.Frames(3);
    PlayfieldFit& board = *GameDriver::GetGame()->playfield;
    placed = PlacedPieces(board);
    playTime = board.playTime;
    return placed.size() == 1 && board.IsNotSolved();
}

// A run into the second level that places one piece there and is closed with its window, with
// no focus change first.
void PlaceAndClose(const Harness::Options& options, int& level, std::vector<Piece>& placed,
                   int& playTime)
{
    Harness h(options);
    GameDriver d(h);
    ASSERT_TRUE(h.Start(Tessela::CreateApplication()));
    ASSERT_TRUE(StartSecondLevel(h, d));
    level = GameDriver::GetGame()->currentLevel;
    ASSERT_TRUE(PlaceOnePiece(h, d, placed, playTime));
    h.Exit();
    h.Frame();
    ASSERT_EQ(h.Stop(), 0);
}

void ExpectResumed(const Harness::Options& options, int level, const std::vector<Piece>& placed,
                   int playTime)
{
    Harness h(options);
    GameDriver d(h);
    ASSERT_TRUE(h.Start(Tessela::CreateApplication()));
    ASSERT_TRUE(d.WaitUntilLoaded());
    Game& game = *GameDriver::GetGame();
    ASSERT_EQ(game.screenState, Game::STATE_PLAY) << "the next start resumes the level";
    ASSERT_TRUE(game.playfield);
    EXPECT_EQ(game.currentLevel, level);
    EXPECT_EQ(game.currentPack, 0);
    h.Frames(2);
    const PlayfieldFit& board = *game.playfield;
    EXPECT_EQ(PlacedPieces(board), placed);
    EXPECT_EQ(HiddenTrayEntries(board), 1) << "the placed piece's tray entry stays taken";
    EXPECT_GE(board.playTime, playTime);
    EXPECT_TRUE(board.paused);
    EXPECT_EQ(h.Stop(), 0);
}

const char* const KILLED_RUN_DIR = "VORN_TEST_KILLED_RUN_DIR";
const char* const KILLED_RUN_HOW = "VORN_TEST_KILLED_RUN_HOW";

bool FileExists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

} // namespace

TEST(GameResume, AClosedWindowKeepsTheLevelInProgress)
{
    VORN_SKIP_IF_MISSING(VornTest::MissingGameData());
    VornTest::TempDir saves;
    Harness::Options options;
    options.data = saves.Path();
    std::vector<Piece> placed;
    int playTime = 0;
    int level = 0;
    ASSERT_NO_FATAL_FAILURE(PlaceAndClose(options, level, placed, playTime));
    ExpectResumed(options, level, placed, playTime);

    // Resumed, the level is solved: nothing is left to resume after that.
    {
        Harness h(options);
        GameDriver d(h);
        ASSERT_TRUE(h.Start(Tessela::CreateApplication()));
        ASSERT_TRUE(d.WaitUntilLoaded());
        Game& game = *GameDriver::GetGame();
        ASSERT_EQ(game.screenState, Game::STATE_PLAY);
        // The restored board waits behind the pause menu: Continue.
        ASSERT_TRUE(d.TapButton(Game::MENU_PAUSE, 0));
        h.Frames(3);
        ASSERT_FALSE(game.playfield->paused);
        ASSERT_TRUE(SolveTheRest(d));
        h.Frames(10);
        ASSERT_FALSE(game.playfield->IsNotSolved());
        h.Exit();
        h.Frame();
        EXPECT_EQ(h.Stop(), 0);
    }
    {
        Harness h(options);
        GameDriver d(h);
        ASSERT_TRUE(h.Start(Tessela::CreateApplication()));
        ASSERT_TRUE(d.WaitUntilLoaded());
        EXPECT_NE(GameDriver::GetGame()->screenState, Game::STATE_PLAY);
        EXPECT_EQ(h.Stop(), 0);
    }
}

// The first runs of the next tests, each in a process of its own: killed outright after a focus
// loss, right after a placement with no focus loss, or right after resuming; or ("signal") playing
// on until the platform ends it, and ending as the process does. Run only by those tests, which
// name the save area and the way the run ends.
TEST(GameResume, DISABLED_KilledRun)
{
    const char* dir = std::getenv(KILLED_RUN_DIR);
    const char* how = std::getenv(KILLED_RUN_HOW);
    if (!dir || !how)
        GTEST_SKIP() << "started by the tests of killed games";
    const std::string way = how;
    Harness::Options options;
    options.data = dir;
    Harness h(options);
    GameDriver d(h);
    ASSERT_TRUE(h.Start(Tessela::CreateApplication()));
    if (way == "resumed") {
        ASSERT_TRUE(d.WaitUntilLoaded());
        ASSERT_EQ(GameDriver::GetGame()->screenState, Game::STATE_PLAY);
        h.Frames(2);
        kill(getpid(), SIGKILL);
    }
    std::vector<Piece> placed;
    int playTime = 0;
    ASSERT_TRUE(StartSecondLevel(h, d));
    ASSERT_TRUE(PlaceOnePiece(h, d, placed, playTime));
    if (way == "focus") {
        h.Activate(false);
        h.Frame();
    }
    // Written whole under a temporary name, so that the file is there only once it is complete.
    const std::string results = std::string(dir) + "/placed.txt";
    {
        std::ofstream out(results + ".tmp");
        out << GameDriver::GetGame()->currentLevel << " " << playTime << "\n";
        for (const Piece& p : placed)
            out << p.type << " " << p.x << " " << p.y << " " << p.colour << "\n";
    }
    rename((results + ".tmp").c_str(), results.c_str());
    if (way == "signal") {
        while (h.Frame())
            usleep(1000);
        const int code = h.Stop();
        std::fflush(nullptr);
        _exit(code == 0 ? 0 : 3);
    }
    // The save the drop started is on the disk when the kill comes: a kill cannot take back a
    // file renamed into place.
    SaveWriter::WaitForBackgroundWrites();
    // A save cut short, as a kill in the middle of writing leaves it.
    if (way == "focus")
        std::ofstream(std::string(dir) + "/data/._save.tmp") << "half";
    kill(getpid(), SIGKILL);
}

// Starts DISABLED_KilledRun in a fresh process of this program, so that nothing this one has set
// up is shared with it. Its temporary folders go below dir, which this process removes: a run that
// is killed cannot remove its own.
pid_t StartRun(const std::string& dir, const char* how)
{
    const pid_t child = fork();
    if (child == 0) {
        const std::string temporary = dir + "/tmp";
        mkdir(temporary.c_str(), 0700);
        setenv("TMPDIR", temporary.c_str(), 1);
        setenv(KILLED_RUN_DIR, dir.c_str(), 1);
        setenv(KILLED_RUN_HOW, how, 1);
        execl("/proc/self/exe", "test_e2e", "--gtest_also_run_disabled_tests",
              "--gtest_filter=GameResume.DISABLED_KilledRun", nullptr);
        _exit(127);
    }
    return child;
}

// Runs DISABLED_KilledRun to its end; true when the run got to its kill.
bool RunKilled(const std::string& dir, const char* how)
{
    const pid_t child = StartRun(dir, how);
    if (child < 0)
        return false;
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// What the killed run had placed: its level, play time and pieces.
int ReadPlaced(const std::string& dir, std::vector<Piece>& placed, int& playTime)
{
    std::ifstream in(dir + "/placed.txt");
    int level = -1;
    in >> level >> playTime;
    Piece p{};
    while (in >> p.type >> p.x >> p.y >> p.colour)
        placed.push_back(p);
    return level;
}

// Killed after a focus loss (with a save cut short beside the last one), or right after a
// placement with no focus loss and killed again right after resuming: the next start has the
// piece back.
TEST(GameResume, AKilledGameResumesWhatItHadSaved)
{
    VORN_SKIP_IF_MISSING(VornTest::MissingGameData());
    for (const char* first : {"focus", "placement"}) {
        SCOPED_TRACE(first);
        const bool focus = std::string(first) == "focus";
        VornTest::TempDir saves;
        Harness::Options options;
        options.data = saves.Path();
        ASSERT_TRUE(RunKilled(saves.Path(), first)) << "the first run did not get to its kill";
        std::vector<Piece> placed;
        int playTime = 0;
        const int level = ReadPlaced(saves.Path(), placed, playTime);
        ASSERT_EQ(placed.size(), 1u);
        if (!focus) {
            ASSERT_TRUE(RunKilled(saves.Path(), "resumed")) << "the resumed run did not get to its kill";
        }
        // After a placement, the frames played after the save that followed the drop are not in it.
        ExpectResumed(options, level, placed, focus ? playTime : 0);
        EXPECT_FALSE(FileExists(saves.Path() + "/data/._save.tmp")) << "the leftover is cleared";
    }
}

TEST(GameResume, AnEndSignalKeepsTheLevelInProgress)
{
    VORN_SKIP_IF_MISSING(VornTest::MissingGameData());
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(number));
        VornTest::TempDir saves;
        Harness::Options options;
        options.data = saves.Path();
        const std::string results = saves.Path() + "/placed.txt";
        const pid_t child = StartRun(saves.Path(), "signal");
        ASSERT_GE(child, 0);
        int status = 0;
        for (int waited = 0; waited < 120000 && !FileExists(results); waited += 20) {
            if (waitpid(child, &status, WNOHANG) == child)
                FAIL() << "the first run ended before its signal (status " << status << ")";
            usleep(20000);
        }
        ASSERT_TRUE(FileExists(results)) << "the first run did not get into the level";
        kill(child, number);
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "a signal ends the run as a close does (status " << status << ")";
        std::vector<Piece> placed;
        int playTime = 0;
        const int level = ReadPlaced(saves.Path(), placed, playTime);
        ExpectResumed(options, level, placed, playTime);
    }
}

// The program itself on the desktop backend, resumed into a level in progress, loses its window
// (destroyed by another client, shown or hidden) or its X server; the next start still finds the
// level.
TEST(GameResume, TheDesktopGoingAwayKeepsTheLevelInProgress)
{
    VORN_SKIP_IF_MISSING(VornTest::MissingGameData());
    if (std::system("command -v Xvfb > /dev/null && command -v xdotool > /dev/null") != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool";
    for (const char* how : {"window", "hidden", "server"}) {
        SCOPED_TRACE(how);
        VornTest::TempDir home;
        Harness::Options options;
        options.data = home.Path() + "/tessela/data";
        std::vector<Piece> placed;
        int playTime = 0;
        int level = 0;
        ASSERT_NO_FATAL_FAILURE(PlaceAndClose(options, level, placed, playTime));
        // The paths go to the script as they are: a clone's may hold spaces.
        const std::string script = std::string(VORN_SOURCE_DIR) + "/tests/apps/desktopgone.sh";
        const std::string game = std::string(VORN_BINARY_DIR) + "/game/tessela";
        const pid_t run = fork();
        if (run == 0) {
            execlp("bash", "bash", script.c_str(), game.c_str(), home.Path().c_str(), how, nullptr);
            _exit(127);
        }
        int status = -1;
        ASSERT_EQ(waitpid(run, &status, 0), run);
        ASSERT_EQ(status, 0);
        ExpectResumed(options, level, placed, playTime);
    }
}

// Presses on the board with the durations of real clicks and taps, through the whole game.
TEST(GameControls, ClicksTakePlacedPiecesOffAndQuickDragsMoveThem)
{
    VORN_SKIP_IF_MISSING(VornTest::MissingGameData());
    Harness h;
    GameDriver d(h);
    ASSERT_TRUE(h.Start(Tessela::CreateApplication()));
    ASSERT_TRUE(StartSecondLevel(h, d));
    Game& game = *GameDriver::GetGame();
    const int cell = Consts::CELL_SIZE;

    // A quick flick from the tray, under a tenth of a second, places the piece.
    ASSERT_TRUE(d.DragSolutionPiece(0, 60));
    h.Frames(2);
    EXPECT_EQ(game.playfield->placedCount, 1) << "a flick onto free cells places";
    if (game.playfield->placedCount == 0) {
        ASSERT_TRUE(d.DragSolutionPiece(0));
        h.Frames(2);
        ASSERT_EQ(game.playfield->placedCount, 1);
    }

    const int type = game.playfield->Placed()[0]->type;
    const float firstX = game.playfield->Placed()[0]->x;
    const float firstY = game.playfield->Placed()[0]->y;
    // The click goes to the cell under the piece's middle, where a piece carried off and put
    // down centred on the finger would land on its own place again.
    const int mask = Block::blocksDescription[type];
    const int cx = Block::blocksWidth[type] / 2 / cell;
    const int cy = Block::blocksHeight[type] / 2 / cell;
    ASSERT_TRUE(Block::HasCell(mask, cx, cy)) << "type " << type;
    const float px = game.playfield->originX + (firstX + cx + 0.5f) * cell;
    const float py = game.playfield->originY + (firstY + cy + 0.5f) * cell;
    int wx = 0, wy = 0;
    d.ToWindow(px, py, wx, wy);

    // A mouse click and a slower tap, each held for that long in frames of 16 ms.
    for (int hold : {112, 240}) {
        if (game.playfield->placedCount == 0) {
            ASSERT_TRUE(d.DragSolutionPiece(0));
            h.Frames(2);
        }
        ASSERT_EQ(game.playfield->placedCount, 1);
        h.TouchDown(wx, wy);
        for (int t = 0; t < hold; t += 16)
            h.Frame(16);
        h.TouchUp(wx + 1, wy);
        h.Frames(2);
        EXPECT_EQ(game.playfield->placedCount, 0) << "a click of " << hold << " ms takes it off";
    }

    // A short fast drag, 32 ms from press to release, moves it to free cells elsewhere.
    ASSERT_TRUE(d.DragSolutionPiece(0));
    h.Frames(2);
    ASSERT_EQ(game.playfield->placedCount, 1);
    PlayfieldFit& board = *game.playfield;
    const int fromX = static_cast<int>(board.Placed()[0]->x);
    const int fromY = static_cast<int>(board.Placed()[0]->y);
    const int w = Block::blocksWidth[type] / cell;
    const int hgt = Block::blocksHeight[type] / cell;
    int toX = -1, toY = -1;
    for (int y = 0; y < board.height && toX < 0; ++y)
        for (int x = 0; x < board.width && toX < 0; ++x) {
            const bool apart = x >= fromX + w || x + w <= fromX || y >= fromY + hgt || y + hgt <= fromY;
            if (apart && board.CanPlaceBlock(type, x, y)) {
                toX = x;
                toY = y;
            }
        }
    ASSERT_GE(toX, 0) << "level 0 has room for a second piece of that shape";
    const float dropX = board.originX + toX * cell + Block::blocksWidth[type] / 2.0f;
    const float dropY = board.originY + toY * cell + Block::blocksHeight[type] / 2.0f;
    int mx = 0, my = 0, ex = 0, ey = 0;
    d.ToWindow((px + dropX) / 2, (py + dropY) / 2, mx, my);
    d.ToWindow(dropX, dropY, ex, ey);
    h.TouchDown(wx, wy);
    h.Frame(16);
    h.TouchMove(mx, my);
    h.Frame(16);
    h.TouchUp(ex, ey);
    h.Frames(2);
    ASSERT_EQ(board.placedCount, 1) << "a quick drag does not send the piece to the tray";
    EXPECT_EQ(board.Placed()[0]->x, static_cast<float>(toX));
    EXPECT_EQ(board.Placed()[0]->y, static_cast<float>(toY));

    // Saved after the move already; hidden (minimised), the game saves the level again.
    const std::string save = h.SandboxPath() + "/data/._save";
    SaveWriter::WaitForBackgroundWrites();
    EXPECT_GT(VornTest::ReadBytes(save).size(), 148u);
    h.SetWindowState(NAVIGATOR_WINDOW_INVISIBLE);
    h.Frame();
    EXPECT_GT(VornTest::ReadBytes(save).size(), 148u) << "a board with a piece on it";
    EXPECT_EQ(h.Stop(), 0);
}
