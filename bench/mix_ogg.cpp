// Four Ogg Vorbis channels streaming from a pak archive through the mixer, pulled block by block
// on one thread as the playback thread pulls them. Reports the audio time mixed as a multiple of
// the time it took (goal: at least 200 times real time).
//
// Three archives: the game's own two pieces of music (made by the data builder, when the build has
// it), twice each; music-like files (a tone over noise), whose Ogg data does not compress further,
// so the archive stores it in raw blocks; and pure tones, whose Ogg packets repeat enough for the
// archive to LZMA-code them, so that four streams reading in turn make the archive decode its
// blocks again and again.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "pakwriter/PakWriter.h"
#include "sound/AudioSource.h"
#include "sound/mixer/EffectVolume.h"
#include "sound/mixer/Mixer.h"
#include "vfs/Vfs.h"

namespace {

const Vorn::AudioFormat FORMAT(2, 44100);
const Vorn::AudioBufferSpec SPEC(4096, 4);
const char* const NAMES[] = {"a.ogg", "b.ogg", "c.ogg", "d.ogg"};
std::string g_dir;

// A sandbox directory with the pak in its install area, the process's working directory while the
// benchmark runs.
bool WritePak(const std::string& pak, const std::string& toneOptions)
{
    VornTools::PakWriter writer;
    for (int i = 0; i < 4; ++i) {
        const std::string path = g_dir + "/" + NAMES[i];
        const std::string command = std::string("'") + VORN_OGGTONE + "' '" + path + "' --seconds 20 --quality 0.5 --freq " +
                                    std::to_string(220 + 110 * i) + " " + toneOptions;
        if (std::system(command.c_str()) != 0 || !writer.AddFileFromDisk(std::string("music/") + NAMES[i], path))
            return false;
    }
    return writer.Write(g_dir + "/app/native/" + pak);
}

void MixFourStreams(benchmark::State& state, const char* mount);

// The game's own music, synthesised by the data builder, when the build has it.
bool WriteGamePak()
{
#ifdef VORN_DATABUILD
    const std::string out = g_dir + "/game";
    const std::string command = std::string("'") + VORN_DATABUILD + "' sounds '" + out + "' > /dev/null";
    if (std::system(command.c_str()) != 0)
        return false;
    VornTools::PakWriter writer;
    const char* const music[] = {"music.ogg", "musichelloween.ogg"};
    for (int i = 0; i < 4; ++i) {
        if (!writer.AddFileFromDisk(std::string("music/") + NAMES[i], out + "/sounds/" + music[i % 2]))
            return false;
    }
    return writer.Write(g_dir + "/app/native/game.pak");
#else
    return false;
#endif
}

bool MakePaks()
{
    char dir[] = "/tmp/vorn-bench-XXXXXX";
    if (!mkdtemp(dir))
        return false;
    g_dir = dir;
    std::filesystem::create_directories(g_dir + "/app/native");
    if (!WritePak("music.pak", "--noise 0.1") || !WritePak("tones.pak", "") || chdir(g_dir.c_str()) != 0)
        return false;
    Vorn::Vfs::Init();
    if (WriteGamePak() && Vorn::Vfs::MountPak("game.pak", "game/", 0))
        benchmark::RegisterBenchmark("MixFourStreams/game", MixFourStreams, "game/")->Unit(benchmark::kMicrosecond)->MinTime(2.0);
    return Vorn::Vfs::MountPak("music.pak", "music/", 0) && Vorn::Vfs::MountPak("tones.pak", "tones/", 0);
}

void MixFourStreams(benchmark::State& state, const char* mount)
{
    Vorn::SmartPtr<Vorn::Mixer> mixer(new Vorn::Mixer(FORMAT, SPEC));
    Vorn::SmartPtr<Vorn::EffectVolume> master(new Vorn::EffectVolume(FORMAT, 0.6f));
    for (const char* name : NAMES) {
        Vorn::SmartPtr<Vorn::AudioSource> source(Vorn::AudioSource::Create(std::string(mount) + "music/" + name, false));
        Vorn::SmartPtr<Vorn::AudioChannel> channel = mixer->Play(source, true).Lock();
        if (!channel) {
            state.SkipWithError("no channel");
            return;
        }
        channel->AddEffect(Vorn::SmartPtr<Vorn::AudioEffect>(new Vorn::EffectVolume(FORMAT, 0.5f, master)));
        channel->SetLoop(true);
        channel->SetPaused(false);
    }
    std::vector<unsigned char> block(SPEC.blockBytes);
    int64_t blocks = 0;
    for (auto _ : state) {
        mixer->Read(block.data(), SPEC.blockBytes);
        benchmark::DoNotOptimize(block.data());
        ++blocks;
    }
    const double audioSeconds = static_cast<double>(blocks) * SPEC.blockBytes / (FORMAT.sampleRate * FORMAT.FrameBytes());
    state.counters["audio_s"] = audioSeconds;
    // Audio seconds per second of the benchmark's CPU time: the multiple of real time.
    state.counters["x_realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(MixFourStreams, music, "music/")->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK_CAPTURE(MixFourStreams, tones, "tones/")->Unit(benchmark::kMicrosecond)->MinTime(2.0);

class RealtimeReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            auto it = run.counters.find("x_realtime");
            if (it != run.counters.end() && !run.error_occurred)
                multiples.push_back(std::make_pair(run.benchmark_name(), it->second.value));
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::vector<std::pair<std::string, double> > multiples;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const bool ready = MakePaks();
    RealtimeReporter reporter;
    if (ready)
        benchmark::RunSpecifiedBenchmarks(&reporter);
    Vorn::Vfs::Shutdown();
    std::error_code ec;
    if (!g_dir.empty())
        std::filesystem::remove_all(g_dir, ec);
    if (!ready) {
        std::fprintf(stderr, "could not make the pak of Ogg files\n");
        return 1;
    }
    for (const auto& m : reporter.multiples)
        std::printf("%s: four streaming Ogg channels from a pak mixed at %.0f x real time on one core (goal >= 200)\n",
                    m.first.c_str(), m.second);
    benchmark::Shutdown();
    return 0;
}
