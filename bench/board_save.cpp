// What saving a level in progress costs the main thread: the game saves the board after every
// placement, removal or move, so the save must stay well under a frame.
//
// On a board with two pieces placed and one in the tray, into a save area on the machine's disk:
// - Main thread: PlayfieldFit::SaveGameInBackground, what a move pays (the bytes gathered and
//   handed to the save thread); the thread's write is waited for outside the timing.
// - Durable save: PlayfieldFit::SaveGame, the whole work ("save2" and "save", each written to a
//   temporary file, synced and renamed over the old one), as the save thread does it.
// - Baseline: a bare write of the same bytes into the same folder (fopen, fwrite, fclose: no
//   temporary file, no sync, no rename).
// Printed: each as a ratio of the bare write and as a share of a 60 Hz frame, with the spread of
// the repetitions. The figures depend on the disk; nothing is checked against them.
#include <benchmark/benchmark.h>

#include "BestOfReporter.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "Game.h"
#include "PlayfieldFit.h"
#include "SaveFile.h"
#include "support/BoardWorld.h"

namespace {

const double FRAME_MS = 1000.0 / 60.0;

VornTest::BoardWorld* g_world = nullptr;

// Level 40: an outline of eight cells, two pieces placed and a third still in the tray.
PlayfieldFit& BoardInProgress()
{
    if (!g_world) {
        g_world = new VornTest::BoardWorld(480, 800);
        VornTest::LevelDesign design;
        design.x0 = 3;
        design.y0 = 1;
        design.rows = {"####", ".#.#", ".#.#"};
        design.tray = {{0, 12, 5}, {3, 12, 0}, {6, 12, 5}};
        g_world->InstallLevel(40, design);
        g_world->game().currentPack = 1;
        PlayfieldFit& board = *g_world->StartLevel(40);
        g_world->Frame(16);
        g_world->DragTo(*board.Tray()[2], 0, 0);
        g_world->DragTo(*board.Tray()[1], 3, 0);
    }
    return g_world->board();
}

void BM_MainThread(benchmark::State& state)
{
    PlayfieldFit& board = BoardInProgress();
    for (auto _ : state) {
        board.SaveGameInBackground();
        state.PauseTiming();
        SaveWriter::WaitForBackgroundWrites();
        state.ResumeTiming();
    }
}

void BM_Save(benchmark::State& state)
{
    PlayfieldFit& board = BoardInProgress();
    for (auto _ : state)
        if (!board.SaveGame())
            state.SkipWithError("the save failed");
}

void BM_BareWrite(benchmark::State& state)
{
    BoardInProgress().SaveGame();
    const std::vector<uint8_t> save = g_world->SavedBytes("save/save");
    const std::vector<uint8_t> save2 = g_world->SavedBytes("save/save2");
    const std::string path = VornTest::BoardWorld::DataName("save/bare");
    for (auto _ : state) {
        for (const std::vector<uint8_t>* bytes : {&save2, &save}) {
            std::FILE* file = std::fopen(path.c_str(), "wb");
            if (!file || std::fwrite(bytes->data(), 1, bytes->size(), file) != bytes->size()) {
                state.SkipWithError("the bare write failed");
                if (file)
                    std::fclose(file);
                break;
            }
            std::fclose(file);
        }
    }
}

BENCHMARK(BM_MainThread)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_BareWrite)->Unit(benchmark::kMillisecond)->Repetitions(5);

// Keeps every repetition's time, for the spread.
class SpreadReporter : public BestOfReporter {
public:
    SpreadReporter() : BestOfReporter(REAL_TIME) {}
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                m_all[run.run_name.function_name].push_back(run.GetAdjustedRealTime());
        BestOfReporter::ReportRuns(runs);
    }
    double Worst(const std::string& name) const
    {
        const auto it = m_all.find(name);
        return it == m_all.end() ? 0.0 : *std::max_element(it->second.begin(), it->second.end());
    }

private:
    std::map<std::string, std::vector<double>> m_all;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    SpreadReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double bare = reporter.Best("BM_BareWrite");
    std::printf("bare write of the same bytes: %.3f ms (repetitions up to %.3f ms)\n", bare,
                reporter.Worst("BM_BareWrite"));
    for (const char* name : {"BM_MainThread", "BM_Save"}) {
        const double time = reporter.Best(name);
        if (time > 0 && bare > 0)
            std::printf("%s: %.3f ms (repetitions up to %.3f ms), %.2f x the bare write, %.1f %% of "
                        "a 60 Hz frame\n",
                        name, time, reporter.Worst(name), time / bare, 100.0 * time / FRAME_MS);
    }
    delete g_world;
    benchmark::Shutdown();
    return 0;
}
