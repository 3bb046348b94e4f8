// The game's frame and start-up, run headless through the end-to-end harness at 480 x 800.
//
// Frame: one harness frame of 16 ms (game update, render into the offscreen target, the stretch
// to the window, the swap) on a static screen: the main menu, the pack list (reached by touches as
// a player would) and the play screen (level 0 started). Baseline: a bare application with an
// offscreen target of the same size that is only cleared and stretched, so presenting the same
// frames; the game's cost is printed as a ratio of the pipeline's own.
//
// Start-up: from Harness::Start to the first real screen (the first-start language list), with
// frames of 2000 ms so that the splash's timers pass at once and only the work is measured.
// Baseline: the bare application's start and first frame (the platform, window and display without
// any game data). bench_startup measures the whole process instead.
//
// The screens are interleaved: each round measures the bare frame and every screen once, in an
// order that turns from round to round, so that a machine busy with other work slows all of them
// alike. Wall time and CPU time (this process with llvmpipe's threads) are both kept; each ratio is
// the median of the rounds' ratios, with their spread (lowest to highest).
//
//   bench_game_frame [--rounds=N] [--frames=N] [--single-threaded]
// --single-threaded: llvmpipe rasterises on the calling thread (LP_NUM_THREADS=0), for figures
// that hold on a busy machine. GAME_FRAME_PNG=directory saves a picture of each timed screen there.
// Nothing is checked against the goals printed beside the figures.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstring>
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

using Clock = std::chrono::steady_clock;

struct Sample {
    double wall = 0;   // ms
    double cpu = 0;    // ms
    double draws = 0;  // per frame
};

double CpuMs()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// Times a piece of work: wall and CPU in ms.
template <typename Work>
Sample Time(Work work)
{
    Sample sample;
    const auto from = Clock::now();
    const double cpu = CpuMs();
    work();
    glFinish();
    sample.cpu = CpuMs() - cpu;
    sample.wall = std::chrono::duration<double, std::milli>(Clock::now() - from).count();
    return sample;
}

// Frames of the running harness, per frame; draw calls counted over the timed frames only.
Sample TimeFrames(VornTest::Harness& harness, int frames)
{
    Batcher()->ResetStats();
    Sample sample = Time([&] { harness.Frames(frames, FRAME_MS); });
    sample.wall /= frames;
    sample.cpu /= frames;
    sample.draws = static_cast<double>(Batcher()->GetStats().drawCalls) / frames;
    return sample;
}

enum Screen { BARE, MAIN_MENU, PACK_LIST, PLAY, SCREENS };
const char* const SCREEN_NAMES[SCREENS] = {"bare_frame", "main_menu_frame", "pack_list_frame",
                                           "play_frame"};

bool TimeScreen(Screen screen, int frames, Sample& sample)
{
    VornTest::Harness::Options options;
    options.width = WIDTH;
    options.height = HEIGHT;
    options.captureAudio = false;
    VornTest::Harness harness(options);
    bool reached = false;
    int expected = 0;
    switch (screen) {
    case BARE: reached = harness.Start(new BareApp) && harness.Frames(10) == 10; break;
    case MAIN_MENU:
        reached = StartToMainMenu(harness) && harness.Frames(60) == 60;
        expected = Game::STATE_MAIN_MENU;
        break;
    case PACK_LIST: reached = ToPackList(harness); expected = Game::STATE_PACKS; break;
    case PLAY: reached = ToLevelZero(harness); expected = Game::STATE_PLAY; break;
    default: break;
    }
    if (!reached)
        return false;
    sample = TimeFrames(harness, frames);
    const bool stayed = screen == BARE || GameOf(harness)->screenState == expected;
    // GAME_FRAME_PNG=dir keeps a picture of each timed screen, to see what was measured.
    if (const char* dir = std::getenv("GAME_FRAME_PNG"))
        harness.SaveWindowPng(std::string(dir) + "/" + SCREEN_NAMES[screen] + ".png");
    harness.Stop();
    return stayed;
}

bool AtFirstScreenSoon(VornTest::Harness& harness)
{
    return harness.RunUntil([&] { return AtFirstScreen(GameOf(harness)); }, 200, LONG_FRAME_MS);
}

// A fresh sandbox and start; the stop is left out of the time.
bool TimeStart(bool game, Sample& sample)
{
    VornTest::Harness::Options options;
    options.captureAudio = false;
    VornTest::Harness harness(options);
    bool reached = false;
    sample = Time([&] {
        reached = game ? harness.Start(Tessela::CreateApplication()) && AtFirstScreenSoon(harness)
                       : harness.Start(new BareApp) && harness.Frame(LONG_FRAME_MS);
    });
    harness.Stop();
    return reached;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// "A x (spread L to H)": the median of the per-round ratios of field, and their range.
void PrintRatio(const std::vector<Sample>& game, const std::vector<Sample>& bare,
                double Sample::*field)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < game.size() && i < bare.size(); ++i)
        ratios.push_back(game[i].*field / bare[i].*field);
    std::sort(ratios.begin(), ratios.end());
    if (!ratios.empty())
        std::printf("%5.2f x (%.2f to %.2f)", Median(ratios), ratios.front(), ratios.back());
}

void PrintRow(const char* name, const std::vector<Sample>& samples, const std::vector<Sample>& bare)
{
    std::vector<double> wall, cpu, draws;
    for (const Sample& s : samples) {
        wall.push_back(s.wall);
        cpu.push_back(s.cpu);
        draws.push_back(s.draws);
    }
    std::printf("  %-16s wall %8.3f ms  CPU %8.3f ms", name, Median(wall), Median(cpu));
    if (&samples != &bare) {
        std::printf("  wall ");
        PrintRatio(samples, bare, &Sample::wall);
        std::printf("  CPU ");
        PrintRatio(samples, bare, &Sample::cpu);
    }
    if (Median(draws) > 0)
        std::printf("  %.1f draw calls", Median(draws));
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = 5, frames = 100;
    bool single = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rounds=", 9) == 0)
            rounds = std::max(1, std::atoi(argv[i] + 9));
        else if (std::strncmp(argv[i], "--frames=", 9) == 0)
            frames = std::max(1, std::atoi(argv[i] + 9));
        else if (std::strcmp(argv[i], "--single-threaded") == 0)
            single = true;
        else {
            std::fprintf(stderr, "usage: %s [--rounds=N] [--frames=N] [--single-threaded]\n",
                         argv[0]);
            return 64;
        }
    }
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    if (single)
        setenv("LP_NUM_THREADS", "0", 1);

    std::vector<Sample> samples[SCREENS], bareStart, gameStart;
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < SCREENS; ++k) {
            const Screen screen = static_cast<Screen>((k + round) % SCREENS);
            Sample sample;
            if (!TimeScreen(screen, frames, sample)) {
                std::fprintf(stderr, "%s: could not time %s\n", argv[0], SCREEN_NAMES[screen]);
                return 1;
            }
            samples[screen].push_back(sample);
        }
        Sample game, bare;
        const bool gameFirst = round % 2 == 0;
        if (!TimeStart(gameFirst, gameFirst ? game : bare) ||
            !TimeStart(!gameFirst, gameFirst ? bare : game)) {
            std::fprintf(stderr, "%s: a start did not reach its first screen\n", argv[0]);
            return 1;
        }
        gameStart.push_back(game);
        bareStart.push_back(bare);
    }
    std::printf("Frame at %d x %d, %s rasteriser, %d rounds of %d frames; ratios to the bare "
                "frame: median (spread)\n(goals: pack list CPU at most 2 x, play at most 1.2 x)\n",
                WIDTH, HEIGHT, single ? "single-threaded" : "threaded", rounds, frames);
    for (int screen = 0; screen < SCREENS; ++screen)
        PrintRow(SCREEN_NAMES[screen], samples[screen], samples[BARE]);
    std::printf("Start-up in process to the first screen (splash timers skipped):\n");
    PrintRow("bare_start", bareStart, bareStart);
    PrintRow("game_start", gameStart, bareStart);
    return 0;
}
