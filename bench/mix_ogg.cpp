// Four Ogg Vorbis channels streaming from a pak archive through the mixer, pulled block by block
// on one thread as the playback thread pulls them, against the integer decoder alone decoding the
// same four files one after another from memory with a plain ov_read loop. Mixing four streams can
// at best run at a quarter of the plain decoder's multiple of real time; the benchmark reports the
// mix's multiple as a ratio of that limit (goal: at least 0.9), measured side by side in one run.
//
// The archives: the game's own two pieces of music (made by the data builder, when the build has
// it), twice each, stored as the data builder stores its Ogg files (raw blocks of their own) and
// again with every block raw, directory included; music-like files (a tone over noise), whose Ogg data hardly compresses, so most
// blocks are stored raw or barely coded; and pure tones, whose Ogg packets repeat enough for the
// archive to LZMA-code them, so that four streams reading in turn make the archive decode its
// blocks again and again unless each stream reads whole blocks ahead.
#include <benchmark/benchmark.h>
#include <tremor/ivorbisfile.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "BestOfReporter.h"
#include "OggMemory.h"
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
// The four files of each archive, by mount point, as the plain decoder reads them.
std::map<std::string, std::vector<std::vector<unsigned char> > > g_files;

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A sandbox directory with the pak in its install area, the process's working directory while the
// benchmark runs.
bool WritePak(const std::string& pak, const std::string& mount, const std::string& toneOptions)
{
    VornTools::PakWriter writer;
    for (int i = 0; i < 4; ++i) {
        const std::string path = g_dir + "/" + pak + "-" + NAMES[i];
        const std::string command = std::string("'") + VORN_OGGTONE + "' '" + path + "' --seconds 20 --quality 0.5 --freq " +
                                    std::to_string(220 + 110 * i) + " " + toneOptions;
        if (std::system(command.c_str()) != 0 || !writer.AddFileFromDisk(std::string("music/") + NAMES[i], path))
            return false;
        g_files[mount].push_back(ReadFile(path));
    }
    return writer.Write(g_dir + "/app/native/" + pak);
}

void MixFourStreams(benchmark::State& state, const char* mount);
void PlainTremor(benchmark::State& state, const char* mount);

// The game's own music, synthesised by the data builder, when the build has it: once as the data
// builder stores Ogg files in data_common.pak (each in raw blocks of its own, the directory coded
// where that saves a thirty-second), once with every block raw, which leaves the mixer nothing to
// decode but the Vorbis data.
bool WriteGamePaks()
{
#ifdef VORN_DATABUILD
    const std::string out = g_dir + "/game";
    const std::string command = std::string("'") + VORN_DATABUILD + "' sounds '" + out + "' > /dev/null";
    if (std::system(command.c_str()) != 0)
        return false;
    VornTools::PakWriter::Options rawBlocks;
    rawBlocks.blocks = VornTools::BlockFileWriter::STORE_RAW;
    VornTools::PakWriter::Options asBuilt;
    asBuilt.rawEndings = {".ogg"};
    VornTools::PakWriter writer(asBuilt);
    VornTools::PakWriter raw(rawBlocks);
    const char* const music[] = {"music.ogg", "musichelloween.ogg"};
    for (int i = 0; i < 4; ++i) {
        const std::string path = out + "/sounds/" + music[i % 2];
        const std::string name = std::string("music/") + NAMES[i];
        if (!writer.AddFileFromDisk(name, path) || !raw.AddFileFromDisk(name, path))
            return false;
        g_files["game/"].push_back(ReadFile(path));
        g_files["gameraw/"].push_back(ReadFile(path));
    }
    return writer.Write(g_dir + "/app/native/game.pak") && raw.Write(g_dir + "/app/native/gameraw.pak");
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
    if (!WritePak("music.pak", "music/", "--noise 0.1") || !WritePak("tones.pak", "tones/", "") || chdir(g_dir.c_str()) != 0)
        return false;
    Vorn::Vfs::Init();
    if (WriteGamePaks() && Vorn::Vfs::MountPak("game.pak", "game/", 0) && Vorn::Vfs::MountPak("gameraw.pak", "gameraw/", 0)) {
        const char* const sets[][2] = {{"game", "game/"}, {"gameraw", "gameraw/"}};
        for (const auto& set : sets) {
            benchmark::RegisterBenchmark((std::string("PlainTremor/") + set[0]).c_str(), PlainTremor, set[1])
                ->Unit(benchmark::kMicrosecond)->MinTime(1.0)->Repetitions(3);
            benchmark::RegisterBenchmark((std::string("MixFourStreams/") + set[0]).c_str(), MixFourStreams, set[1])
                ->Unit(benchmark::kMicrosecond)->MinTime(1.0)->Repetitions(3);
        }
    }
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
    state.counters["audio_per_iteration"] = static_cast<double>(SPEC.blockBytes) / (FORMAT.sampleRate * FORMAT.FrameBytes());
    // Audio seconds per second of the benchmark's CPU time: the multiple of real time.
    state.counters["x_realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
}

// One stream at a time, each of the four files in turn, in the mixer's block size.
void PlainTremor(benchmark::State& state, const char* mount)
{
    const std::vector<std::vector<unsigned char> >& files = g_files[mount];
    std::vector<char> buffer(SPEC.blockBytes);
    double audioSeconds = 0;
    double perIteration = 0;
    for (auto _ : state) {
        perIteration = 0;
        for (const std::vector<unsigned char>& file : files) {
            OggMemory memory = {file.data(), file.size(), 0};
            OggVorbis_File vf;
            if (OggMemoryOpen(&memory, &vf) != 0) {
                state.SkipWithError("ov_open_callbacks failed");
                return;
            }
            const vorbis_info* info = ov_info(&vf, -1);
            const double frameBytes = 2.0 * info->channels;
            const double rate = static_cast<double>(info->rate);
            long n;
            int link;
            size_t bytes = 0;
            while ((n = ov_read(&vf, buffer.data(), static_cast<int>(buffer.size()), &link)) > 0)
                bytes += static_cast<size_t>(n);
            audioSeconds += bytes / frameBytes / rate;
            perIteration += bytes / frameBytes / rate;
            ov_clear(&vf);
        }
    }
    state.counters["audio_s"] = audioSeconds;
    state.counters["audio_per_iteration"] = perIteration;
    state.counters["x_realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(PlainTremor, music, "music/")->Unit(benchmark::kMicrosecond)->MinTime(1.0)->Repetitions(3);
BENCHMARK_CAPTURE(MixFourStreams, music, "music/")->Unit(benchmark::kMicrosecond)->MinTime(1.0)->Repetitions(3);
BENCHMARK_CAPTURE(PlainTremor, tones, "tones/")->Unit(benchmark::kMicrosecond)->MinTime(1.0)->Repetitions(3);
BENCHMARK_CAPTURE(MixFourStreams, tones, "tones/")->Unit(benchmark::kMicrosecond)->MinTime(1.0)->Repetitions(3);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const bool ready = MakePaks();
    // Best of three runs each (the one least disturbed by the rest of the machine), by CPU time.
    BestOfReporter reporter(BestOfReporter::CPU_TIME, "audio_per_iteration");
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
    // Multiples of real time from the best microseconds per iteration.
    auto multiple = [&reporter](const std::string& name) {
        const double time = reporter.Best(name);
        return time > 0 ? reporter.Counter(name) / (time * 1e-6) : 0.0;
    };
    for (const char* set : {"music", "tones", "game", "gameraw"}) {
        const double mixed = multiple(std::string("MixFourStreams/") + set);
        const double plain = multiple(std::string("PlainTremor/") + set);
        if (mixed <= 0 || plain <= 0)
            continue;
        std::printf("%s: four streams from one pak mixed at %.0f x real time; the plain decoder decodes one at %.0f x, "
                    "so four cap at %.0f x: mix / limit = %.2f (goal >= 0.9)\n",
                    set, mixed, plain, plain / 4, mixed / (plain / 4));
    }
    benchmark::Shutdown();
    return 0;
}
