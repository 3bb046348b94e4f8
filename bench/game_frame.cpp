// The game's frame and start-up, run headless through the end-to-end harness at 480 x 800.
//
// Frame: one harness frame of 16 ms (game update, render into the offscreen target, the stretch
// to the window) on the play screen (level 0 started) and on the pack list, reached by touches as
// a player would. Baseline: a bare application with an offscreen target of the same size that is
// only cleared and stretched, so the game's cost is printed as a ratio of the pipeline's own.
//
// Start-up: from Harness::Start to the first real screen (the first-start language list), with
// frames of 2000 ms so that the splash's timers pass at once and only the work is measured.
// Baseline: the bare application's start and first frame (the platform, window and display without
// any game data).
//
// GAME_FRAME_PNG=directory saves a picture of each timed game screen there.
// Prints ms per frame and draw calls per frame; the goals are printed beside the figures and
// nothing is checked against them.
#include <benchmark/benchmark.h>

#include "BestOfReporter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <GLES2/gl2.h>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Game.h"
#include "TesselaApplication.h"
#include "application/playbook/CreateApplication.h"
#include "application/playbook/PlaybookApplication.h"
#include "base/SmartPtr.h"
#include "graphics/batcher/OpenGLBatcher.h"
#include "graphics/surface/Surface.h"
#include "support/e2e/Harness.h"

using namespace Vorn;

namespace {

const int WIDTH = 480;
const int HEIGHT = 800;
const int FRAME_MS = 16;
// The game treats a longer frame as 0 ms.
const int LONG_FRAME_MS = 2000;

// The pipeline without a game: an offscreen target of the game's size, cleared and stretched over
// the window each frame exactly as the game's application does around its drawing.
class BareApp final : public PlaybookApplication {
public:
    BareApp() : PlaybookApplication(0) {}

    void Initialize() override
    {
        offscreen = new Surface(WIDTH, HEIGHT, PF_RGBA8888);
        offscreen->SetFlags(offscreen->GetFlags() | Surface::FLAG_LINEAR);
    }
    void Release() override { offscreen = nullptr; }
    void Update(float) override {}
    void Render(Surface* screen) override
    {
        offscreen->Clear(Color{255, 255, 255, 255});
        screen->Clear(Color{255, 255, 255, 255});
        screen->StretchBlit(offscreen.Get(), Rect{0, 0, WIDTH, HEIGHT});
    }
    void OnTouchDown(int, int, int) override {}
    void OnTouchMove(int, int, int) override {}
    void OnTouchUp(int, int, int) override {}

private:
    SmartPtr<Surface> offscreen;
};

OpenGLBatcher* Batcher()
{
    return static_cast<OpenGLBatcher*>(g_batcher.Get());
}

Game* GameOf(VornTest::Harness& harness)
{
    auto* app = static_cast<Tessela::TesselaApplication*>(harness.App());
    return app ? app->GetGame() : nullptr;
}

bool AtFirstScreen(Game* game)
{
    return game && (game->screenState == Game::STATE_FIRST_LANGUAGE ||
                    game->screenState == Game::STATE_MAIN_MENU);
}

// Window pixels of the centre of the first button with that id in a menu list; false when the
// list has none.
bool ButtonCentre(Game* game, int menu, int id, int& x, int& y)
{
    if (!game || !game->menus[menu])
        return false;
    for (const ButtonRecord* b = game->menus[menu]->GetHead(); b; b = b->next) {
        if (b->id != id)
            continue;
        x = Consts::DISPLAY_AREA_X + static_cast<int>((b->x + b->w / 2) * Consts::CELL_SIZE);
        y = Consts::DISPLAY_AREA_Y + static_cast<int>((b->y + b->h / 2) * Consts::CELL_SIZE);
        return true;
    }
    return false;
}

// Taps the button and runs frames until the game is in the expected state.
bool Press(VornTest::Harness& harness, int menu, int id, int expected)
{
    Game* game = GameOf(harness);
    int x = 0, y = 0;
    if (!ButtonCentre(game, menu, id, x, y))
        return false;
    harness.Tap(x, y);
    return harness.RunUntil([&] { return GameOf(harness)->screenState == expected; }, 200);
}

// Starts the game and plays the first start up to the main menu: splash and loading on long
// frames, a language, the welcome's continue.
bool StartToMainMenu(VornTest::Harness& harness)
{
    if (!harness.Start(Tessela::CreateApplication()))
        return false;
    if (!harness.RunUntil([&] { return AtFirstScreen(GameOf(harness)); }, 200, LONG_FRAME_MS))
        return false;
    harness.Frames(30);  // the menus' slide-in
    Game* game = GameOf(harness);
    if (game->screenState == Game::STATE_FIRST_LANGUAGE &&
        (!Press(harness, Game::MENU_FIRST_LANGUAGE, 0, Game::STATE_WELCOME) ||
         !Press(harness, Game::MENU_WELCOME, 0, Game::STATE_MAIN_MENU)))
        return false;
    harness.Frames(30);
    return game->screenState == Game::STATE_MAIN_MENU;
}

bool ToPackList(VornTest::Harness& harness)
{
    if (!StartToMainMenu(harness) || !Press(harness, Game::MENU_MAIN, 0, Game::STATE_PACKS))
        return false;
    harness.Frames(60);  // the list settles
    return true;
}

// The pack list, then the first pack's row (its levels page), then that page's play button.
bool ToLevelZero(VornTest::Harness& harness)
{
    if (!ToPackList(harness))
        return false;
    Game* game = GameOf(harness);
    const float rowY = game->packScroll + game->menuMargin + 2.0f + game->packRowHeight / 2;
    harness.Tap(WIDTH / 2, Consts::DISPLAY_AREA_Y + static_cast<int>(rowY * Consts::CELL_SIZE), 50);
    if (!harness.RunUntil([&] { return game->screenState == Game::STATE_LEVELS; }, 100))
        return false;
    harness.Frames(30);
    if (!Press(harness, Game::MENU_LEVELS, 0, Game::STATE_PLAY))
        return false;
    harness.Frames(60);  // the board's entry
    return true;
}

// Frames of the running harness; draw calls counted over the timed frames only.
void TimeFrames(benchmark::State& state, VornTest::Harness& harness)
{
    Batcher()->ResetStats();
    for (auto _ : state) {
        harness.Frame(FRAME_MS);
        glFinish();
    }
    state.counters["draws/frame"] = static_cast<double>(Batcher()->GetStats().drawCalls) /
                                    static_cast<double>(state.iterations());
}

void GameFrame(benchmark::State& state, bool play)
{
    VornTest::Harness::Options options;
    options.width = WIDTH;
    options.height = HEIGHT;
    options.captureAudio = false;
    VornTest::Harness harness(options);
    if (!(play ? ToLevelZero(harness) : ToPackList(harness))) {
        state.SkipWithError("could not reach the screen");
        return;
    }
    const int expected = play ? Game::STATE_PLAY : Game::STATE_PACKS;
    TimeFrames(state, harness);
    if (GameOf(harness)->screenState != expected)
        state.SkipWithError("the screen changed while timing");
    // GAME_FRAME_PNG=dir keeps a picture of each timed screen, to see what was measured.
    if (const char* dir = std::getenv("GAME_FRAME_PNG"))
        harness.SaveWindowPng(std::string(dir) + (play ? "/play.png" : "/pack_list.png"));
    harness.Stop();
}

void PlayFrame(benchmark::State& state) { GameFrame(state, true); }
void PackListFrame(benchmark::State& state) { GameFrame(state, false); }

void BareFrame(benchmark::State& state)
{
    VornTest::Harness::Options options;
    options.captureAudio = false;
    VornTest::Harness harness(options);
    if (!harness.Start(new BareApp)) {
        state.SkipWithError("bare start failed");
        return;
    }
    harness.Frames(10);
    TimeFrames(state, harness);
    harness.Stop();
}

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Each iteration a fresh sandbox and process start; the stop is left out of the time.
void GameStart(benchmark::State& state)
{
    for (auto _ : state) {
        VornTest::Harness::Options options;
        options.captureAudio = false;
        VornTest::Harness harness(options);
        const auto from = Clock::now();
        const bool reached =
            harness.Start(Tessela::CreateApplication()) &&
            harness.RunUntil([&] { return AtFirstScreen(GameOf(harness)); }, 200, LONG_FRAME_MS);
        glFinish();
        state.SetIterationTime(Seconds(from));
        if (!reached) {
            state.SkipWithError("no first screen");
            return;
        }
        harness.Stop();
    }
}

void BareStart(benchmark::State& state)
{
    for (auto _ : state) {
        VornTest::Harness::Options options;
        options.captureAudio = false;
        VornTest::Harness harness(options);
        const auto from = Clock::now();
        const bool started = harness.Start(new BareApp) && harness.Frame(LONG_FRAME_MS);
        glFinish();
        state.SetIterationTime(Seconds(from));
        if (!started) {
            state.SkipWithError("bare start failed");
            return;
        }
        harness.Stop();
    }
}

// The figures and ratios, from the best run of each benchmark.
void PrintFigures(const BestOfReporter& reporter)
{
    const double bare = reporter.Best("bare_frame");
    std::printf("\nFrame at %d x %d (goal on llvmpipe: under 4 ms and under 40 draw calls)\n",
                WIDTH, HEIGHT);
    for (const char* name : {"bare_frame", "pack_list_frame", "play_frame"}) {
        const double t = reporter.Best(name);
        if (t <= 0)
            continue;
        std::printf("  %-16s %7.3f ms  %6.1f draw calls", name, t, reporter.Counter(name));
        if (bare > 0 && std::string(name) != "bare_frame")
            std::printf("  %.2f x the bare frame", t / bare);
        std::printf("\n");
    }
    const double game = reporter.Best("game_start"), bareStart = reporter.Best("bare_start");
    if (game > 0 && bareStart > 0)
        std::printf("Start-up to the first screen (splash timers skipped): game %.1f ms, "
                    "bare application %.1f ms; game / bare = %.2f, game - bare = %.1f ms\n",
                    game, bareStart, game / bareStart, game - bareStart);
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    for (auto entry : std::vector<std::pair<const char*, void (*)(benchmark::State&)>>{
             {"bare_frame", &BareFrame},
             {"pack_list_frame", &PackListFrame},
             {"play_frame", &PlayFrame}})
        benchmark::RegisterBenchmark(entry.first, entry.second)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(3);
    for (auto entry : std::vector<std::pair<const char*, void (*)(benchmark::State&)>>{
             {"bare_start", &BareStart}, {"game_start", &GameStart}})
        benchmark::RegisterBenchmark(entry.first, entry.second)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(5)
            ->Repetitions(3);
    benchmark::Initialize(&argc, argv);
    BestOfReporter reporter(BestOfReporter::REAL_TIME, "draws/frame");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintFigures(reporter);
    benchmark::Shutdown();
    return 0;
}
