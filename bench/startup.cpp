// Start-up of the whole game process against a bare program, and the shared libraries each loads.
//
// Game: the game's executable, headless at 480 x 800 in a fresh save area (so a first start, up
// to the language list), driven by an event script that lets exactly the frames pass that the
// game needs to reach its first screen on frames of 2000 ms (counted here first, in process: the
// splash's timers pass at once and only the work is measured), then asks it to exit.
// Bare: vorn-bare-window, which initialises SDL and EGL, presents one cleared frame and exits.
// Baseline (with --baseline): another build's game, with that build's own data, on the same
// script. Each round runs every side, in rotating order; printed are each side's wall and CPU time
// (the process and its threads, from the kernel's accounting) and the ratios game / bare (and
// game / baseline) as the median of the rounds with its spread (lowest to highest) and the
// number of rounds in which the ratio was below 1.
// Libraries: every shared object the dynamic loader initialises in a run (LD_DEBUG=files), the
// GL driver's included; whether libmpv is among them.
//
//   bench_startup [--game=PATH] [--baseline=PATH [--baseline-data=DIR]] [--rounds=N] [--frames=N]
//                 [--single-threaded]
// --game: another build's game executable in place of this one's; --baseline: a game executable
// to compare with, side by side, reading the archives in DIR (default: the data folder of its
// build, PATH/../../data); --single-threaded: llvmpipe rasterises on the calling thread
// (LP_NUM_THREADS=0), steadier figures on a busy machine; --frames: end after N frames instead
// (1: the start-up to the first frame, which the archive checks precede).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "Game.h"
#include "TesselaApplication.h"
#include "application/playbook/CreateApplication.h"
#include "support/e2e/Harness.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const int WIDTH = 480;
const int HEIGHT = 800;
const int LONG_FRAME_MS = 2000;

struct Run {
    double wall = 0;  // ms
    double cpu = 0;   // ms
    bool ok = false;
};

// Runs argv with the extra environment entries; wall and CPU time of the child.
Run Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env)
{
    Run run;
    std::fflush(stdout);
    const auto from = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string& entry : env)
            putenv(const_cast<char*>(entry.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr))
            _exit(127);
        execv(args[0], args.data());
        _exit(127);
    }
    if (pid < 0)
        return run;
    int status = 0;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.wall = std::chrono::duration<double, std::milli>(Clock::now() - from).count();
    run.cpu = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
              (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// The frames a first start needs to reach its first screen, counted in this process.
int FramesToFirstScreen()
{
    VornTest::Harness::Options options;
    options.width = WIDTH;
    options.height = HEIGHT;
    options.captureAudio = false;
    VornTest::Harness harness(options);
    if (!harness.Start(Tessela::CreateApplication()))
        return 0;
    for (int frames = 1; frames < 200; ++frames) {
        if (!harness.Frame(LONG_FRAME_MS))
            break;
        auto* app = static_cast<Tessela::TesselaApplication*>(harness.App());
        Game* game = app ? app->GetGame() : nullptr;
        if (game && (game->screenState == Game::STATE_FIRST_LANGUAGE ||
                     game->screenState == Game::STATE_MAIN_MENU)) {
            harness.Stop();
            return frames;
        }
    }
    harness.Stop();
    return 0;
}

struct Setup {
    fs::path work;
    std::string game = VORN_GAME_BINARY;
    std::string bare = VORN_BARE_WINDOW;
    std::string baseline;      // empty: no baseline
    std::string baselineData;
    std::vector<std::string> env;  // shared by every side
};

Run RunGame(const Setup& setup, int round, std::vector<std::string> extra = {}, const std::string& game = "")
{
    const fs::path saves = setup.work / ("saves" + std::to_string(round));
    fs::remove_all(saves);
    fs::create_directories(saves);
    std::vector<std::string> env = setup.env;
    env.push_back("XDG_DATA_HOME=" + saves.string());
    env.insert(env.end(), extra.begin(), extra.end());
    Run run = Spawn({game.empty() ? setup.game : game}, env);
    fs::remove_all(saves);
    return run;
}

Run RunBare(const Setup& setup, std::vector<std::string> extra = {})
{
    std::vector<std::string> env = setup.env;
    env.insert(env.end(), extra.begin(), extra.end());
    return Spawn({setup.bare, std::to_string(WIDTH), std::to_string(HEIGHT)}, env);
}

struct Libraries {
    std::set<std::string> atStart;  // initialised before the program's own code ran
    std::set<std::string> all;
};

// The shared objects the loader initialised in the run whose LD_DEBUG files are in directory.
Libraries LoadedLibraries(const fs::path& directory)
{
    Libraries libraries;
    const std::string init = "calling init: ", start = "transferring control: ";
    for (const auto& file : fs::directory_iterator(directory)) {
        std::ifstream in(file.path());
        std::string line;
        bool started = false;
        while (std::getline(in, line)) {
            started = started || line.find(start) != std::string::npos;
            const size_t at = line.find(init);
            if (at == std::string::npos)
                continue;
            libraries.all.insert(line.substr(at + init.size()));
            if (!started)
                libraries.atStart.insert(line.substr(at + init.size()));
        }
    }
    return libraries;
}

bool HasMpv(const std::set<std::string>& libraries)
{
    return std::any_of(libraries.begin(), libraries.end(), [](const std::string& l) {
        return l.find("libmpv") != std::string::npos;
    });
}

template <typename Start>
void CountLibraries(const Setup& setup, const char* name, Start start)
{
    const fs::path directory = setup.work / (std::string("ld-") + name);
    fs::remove_all(directory);
    fs::create_directories(directory);
    const Run run = start({"LD_DEBUG=files", "LD_DEBUG_OUTPUT=" + (directory / "ld").string()});
    const Libraries libraries = LoadedLibraries(directory);
    std::printf("  %-5s %3zu shared libraries at start (%s), %3zu by the first screen (%s)%s\n",
                name, libraries.atStart.size(), HasMpv(libraries.atStart) ? "libmpv" : "no libmpv",
                libraries.all.size(), HasMpv(libraries.all) ? "libmpv" : "no libmpv",
                run.ok ? "" : " (the run failed)");
    fs::remove_all(directory);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void PrintRatio(const char* what, const char* name, const std::vector<Run>& game, const char* otherName,
                const std::vector<Run>& other, double Run::*field)
{
    std::vector<double> g, b, ratios;
    for (size_t i = 0; i < game.size(); ++i) {
        g.push_back(game[i].*field);
        b.push_back(other[i].*field);
        ratios.push_back(game[i].*field / other[i].*field);
    }
    std::sort(ratios.begin(), ratios.end());
    const long below = std::count_if(ratios.begin(), ratios.end(), [](double r) { return r < 1; });
    std::printf("  %-4s %s %7.1f ms, %s %7.1f ms: %s / %s = %.2f x (spread %.2f to %.2f; below 1 in %ld "
                "of %zu)\n",
                what, name, Median(g), otherName, Median(b), name, otherName, Median(ratios), ratios.front(),
                ratios.back(), below, ratios.size());
}

}  // namespace

int main(int argc, char** argv)
{
    Setup setup;
    int rounds = 7;
    int frames = 0;
    bool single = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--game=", 7) == 0)
            setup.game = argv[i] + 7;
        else if (std::strncmp(argv[i], "--rounds=", 9) == 0)
            rounds = std::max(1, std::atoi(argv[i] + 9));
        else if (std::strncmp(argv[i], "--frames=", 9) == 0)
            frames = std::max(1, std::atoi(argv[i] + 9));
        else if (std::strncmp(argv[i], "--baseline=", 11) == 0)
            setup.baseline = argv[i] + 11;
        else if (std::strncmp(argv[i], "--baseline-data=", 16) == 0)
            setup.baselineData = argv[i] + 16;
        else if (std::strcmp(argv[i], "--single-threaded") == 0)
            single = true;
        else {
            std::fprintf(stderr,
                         "usage: %s [--game=PATH] [--baseline=PATH [--baseline-data=DIR]] [--rounds=N] "
                         "[--frames=N] [--single-threaded]\n",
                         argv[0]);
            return 64;
        }
    }
    if (!setup.baseline.empty() && setup.baselineData.empty())
        setup.baselineData = (fs::absolute(setup.baseline).parent_path().parent_path() / "data").string();
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    if (single)
        setenv("LP_NUM_THREADS", "0", 1);
    if (frames == 0)
        frames = FramesToFirstScreen();
    if (frames == 0) {
        std::fprintf(stderr, "%s: the game did not reach its first screen\n", argv[0]);
        return 1;
    }
    char pattern[] = "/tmp/vorn-startup-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    setup.work = pattern;
    const fs::path script = setup.work / "first-screen.events";
    std::ofstream(script) << "step " << LONG_FRAME_MS << "\nframes " << frames << "\nexit\n";
    setup.env = {"VORN_PLATFORM=headless", "VORN_SCREEN=" + std::to_string(WIDTH) + "x" +
                 std::to_string(HEIGHT), "VORN_EVENTS=" + script.string(),
                 "VORN_DATA_DIR=" VORN_GAME_DATA, "LIBGL_ALWAYS_SOFTWARE=1"};
    if (single)
        setup.env.push_back("LP_NUM_THREADS=0");

    struct Side {
        const char* name;
        std::function<Run(int round)> run;
        std::vector<Run> runs;
    };
    std::vector<Side> sides = {{"game", [&](int round) { return RunGame(setup, round); }, {}},
                               {"bare", [&](int) { return RunBare(setup); }, {}}};
    if (!setup.baseline.empty())
        sides.push_back({"baseline", [&](int round) {
            return RunGame(setup, round, {"VORN_DATA_DIR=" + setup.baselineData}, setup.baseline);
        }, {}});
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < sides.size(); ++i) {
            Side& side = sides[(i + static_cast<size_t>(round)) % sides.size()];
            const Run run = side.run(round);
            if (!run.ok) {
                std::fprintf(stderr, "%s: the %s run failed\n", argv[0], side.name);
                fs::remove_all(setup.work);
                return 1;
            }
            side.runs.push_back(run);
        }
    }
    std::printf("Start-up to %s (%d frames of %d ms), %s rasteriser, %d rounds:\n",
                frames == 1 ? "the first frame" : "the first screen", frames, LONG_FRAME_MS,
                single ? "single-threaded" : "threaded", rounds);
    for (size_t other = 1; other < sides.size(); ++other) {
        for (double Run::*field : {&Run::wall, &Run::cpu})
            PrintRatio(field == &Run::wall ? "wall" : "CPU", sides[0].name, sides[0].runs, sides[other].name,
                       sides[other].runs, field);
    }
    std::printf("Loaded in a run:\n");
    CountLibraries(setup, "game", [&](std::vector<std::string> extra) {
        return RunGame(setup, rounds, std::move(extra));
    });
    CountLibraries(setup, "bare", [&](std::vector<std::string> extra) {
        return RunBare(setup, std::move(extra));
    });
    fs::remove_all(setup.work);
    return 0;
}
