// How long the music's reads wait while the main thread reads levels from the same archive.
//
// One archive as the data builder makes it: level-like text files in LZMA blocks and a music file
// in raw blocks of its own. A "playback" thread reads the music 4 KiB at a time, one read every
// millisecond, and keeps its longest and its 99th-percentile read; the main thread meanwhile reads
// the level files whole, one every 2 ms, over and over. Two ways side by side in each repetition:
//   shared: every read of either thread holds one lock across its seek and read, as the mount did
//           when all its files shared one decoding stream;
//   mount:  the mount as it is, each read on a stream of its own.
// Prints the longest wait both ways and their ratio (median and spread over the repetitions);
// nothing is checked against a goal.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/SmartPtr.h"
#include "pakwriter/PakWriter.h"
#include "support/Sandbox.h"
#include "vfs/Vfs.h"

using namespace Vorn;

namespace {

using Clock = std::chrono::steady_clock;

const int LEVELS = 40;
const size_t LEVEL_SIZE = 300000;
const size_t MUSIC_SIZE = 4 << 20;
const u32 MUSIC_READ = 4096;

struct Archive {
    VornTest::Sandbox sandbox;

    Archive()
    {
        VornTools::PakWriter::Options options;
        options.rawEndings = {"music.ogg"};
        VornTools::PakWriter writer(options);
        for (int i = 0; i < LEVELS; ++i)
            writer.AddFile("levels/l" + std::to_string(i), VornTest::TextBytes(LEVEL_SIZE, i));
        writer.AddFile("sounds/music.ogg", VornTest::RandomBytes(MUSIC_SIZE, 99));
        writer.Write(VornTest::Sandbox::Native("wait.pak"));
        Vfs::MountPak("wait.pak", "pak/", 0);
    }
};

struct Waits {
    double longest = 0;  // ms
    double p99 = 0;      // ms
};

// One run of the two threads for about the time given; shared: one lock around every read.
Waits Run(bool shared, double seconds)
{
    std::mutex one;
    auto read = [&](File* file, void* to, u32 count) {
        if (!shared)
            return file->Read(to, count);
        std::lock_guard<std::mutex> lock(one);
        return file->Read(to, count);
    };
    std::atomic<bool> stop{false};
    std::vector<double> waits;
    std::thread playback([&] {
        SmartPtr<File> music(Vfs::Open("pak/sounds/music.ogg"));
        std::vector<u8> block(MUSIC_READ);
        while (!stop && music) {
            const auto from = Clock::now();
            if (read(music.Get(), block.data(), MUSIC_READ) <= 0)
                music->Seek(0, SeekableStream::FROM_START);
            waits.push_back(std::chrono::duration<double, std::milli>(Clock::now() - from).count());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const auto start = Clock::now();
    std::vector<u8> level(LEVEL_SIZE);
    while (std::chrono::duration<double>(Clock::now() - start).count() < seconds)
        for (int i = 0; i < LEVELS; ++i) {
            SmartPtr<File> file(Vfs::Open(("pak/levels/l" + std::to_string(i)).c_str()));
            for (u32 at = 0; file && at < LEVEL_SIZE; at += 65536)
                read(file.Get(), level.data() + at, std::min<u32>(65536, LEVEL_SIZE - at));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    stop = true;
    playback.join();
    Waits result;
    if (!waits.empty()) {
        std::sort(waits.begin(), waits.end());
        result.longest = waits.back();
        result.p99 = waits[waits.size() * 99 / 100];
    }
    return result;
}

std::vector<double> s_shared, s_mount, s_sharedP99, s_mountP99;

void LongestWait(benchmark::State& state)
{
    static Archive* s_archive = new Archive;
    (void)s_archive;
    for (auto _ : state) {
        const Waits shared = Run(true, 0.5);
        const Waits mount = Run(false, 0.5);
        s_shared.push_back(shared.longest);
        s_mount.push_back(mount.longest);
        s_sharedP99.push_back(shared.p99);
        s_mountP99.push_back(mount.p99);
        state.counters["shared_ms"] = shared.longest;
        state.counters["mount_ms"] = mount.longest;
    }
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void Print(const char* what, const std::vector<double>& shared, const std::vector<double>& mount)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < shared.size() && i < mount.size(); ++i)
        if (mount[i] > 0)
            ratios.push_back(shared[i] / mount[i]);
    if (ratios.empty())
        return;
    std::sort(ratios.begin(), ratios.end());
    std::printf("%s wait of the playback thread: one shared stream %.2f ms, the mount %.2f ms; "
                "shared / mount = %.1f x (spread %.1f to %.1f over %zu runs)\n",
                what, Median(shared), Median(mount), Median(ratios), ratios.front(), ratios.back(),
                ratios.size());
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::RegisterBenchmark("longest_wait", &LongestWait)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(7);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\n");
    Print("Longest", s_shared, s_mount);
    Print("99th-percentile", s_sharedP99, s_mountP99);
    benchmark::Shutdown();
    return 0;
}
