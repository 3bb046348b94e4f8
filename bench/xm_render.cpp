// The XM module player rendering a busy module (eight channels of looped 16-bit samples, with
// envelopes, slides and portamento) into 16-bit mono at 22050 Hz, alone and through the mixer as
// a channel converted to 44100 Hz stereo. Reports each as a multiple of real time on one core.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engine/sound/XmWriter.h"
#include "sound/AudioXM.h"
#include "sound/mixer/Mixer.h"
#include "vfs/CachedFile.h"

namespace {

std::vector<uint8_t> g_module;

XmTest::Sample Wave(int harmonics, size_t length, bool wide)
{
    XmTest::Sample s;
    s.wide = wide;
    for (size_t i = 0; i < length; ++i) {
        double v = 0;
        for (int h = 1; h <= harmonics; ++h)
            v += std::sin(2 * M_PI * h * i / length) / h;
        s.values.push_back(static_cast<int16_t>(9000 * v));
    }
    s.loopLength = static_cast<uint32_t>(length);
    s.loopType = 1;
    return s;
}

std::vector<uint8_t> MakeModule()
{
    XmTest::Module m;
    m.channels = 8;
    m.speed = 6;
    m.bpm = 125;
    m.orders = {0, 1, 2, 3};
    const uint8_t effects[][2] = {{0, 0}, {10, 0x01}, {1, 0x02}, {2, 0x02}, {3, 0x10}, {14, 0xA1}, {12, 0x30}, {6, 0x10}};
    for (int p = 0; p < 4; ++p) {
        XmTest::Pattern pattern;
        pattern.rows = 64;
        pattern.cells.resize(64);
        for (int row = 0; row < 64; ++row) {
            for (int c = 0; c < 8; ++c) {
                XmTest::Cell cell;
                if ((row + c) % 4 == 0) {
                    cell.note = static_cast<uint8_t>(37 + (row * 7 + c * 5 + p * 3) % 36);
                    cell.instrument = static_cast<uint8_t>(1 + c % 3);
                    cell.volume = static_cast<uint8_t>(0x10 + 32 + (row % 32));
                }
                cell.effect = effects[(row / 4 + c) % 8][0];
                cell.parameter = effects[(row / 4 + c) % 8][1];
                pattern.cells[row].push_back(cell);
            }
        }
        m.patterns.push_back(pattern);
    }
    for (int i = 0; i < 3; ++i) {
        XmTest::Instrument instrument;
        instrument.samples.push_back(Wave(1 + 3 * i, 256 << i, i != 1));
        if (i == 2) {
            instrument.volume.points = {{0, 64}, {8, 40}, {30, 48}, {80, 20}, {200, 0}};
            instrument.volume.type = 3;
            instrument.volume.sustain = 3;
        }
        m.instruments.push_back(instrument);
    }
    return XmTest::Write(m);
}

void RenderModule(benchmark::State& state)
{
    Vorn::CachedFile file(g_module.data(), static_cast<Vorn::u32>(g_module.size()), false);
    Vorn::SmartPtr<Vorn::AudioSource> xm(Vorn::AudioXM::Load(file));
    if (!xm) {
        state.SkipWithError("the module did not load");
        return;
    }
    std::vector<Vorn::s16> block(2048);
    double samples = 0;
    for (auto _ : state) {
        xm->Read(block.data(), 4096);
        benchmark::DoNotOptimize(block.data());
        samples += 2048;
    }
    state.counters["x_realtime"] = benchmark::Counter(samples / 22050.0, benchmark::Counter::kIsRate);
}

void MixModule(benchmark::State& state)
{
    Vorn::CachedFile file(g_module.data(), static_cast<Vorn::u32>(g_module.size()), false);
    Vorn::SmartPtr<Vorn::AudioSource> xm(Vorn::AudioXM::Load(file));
    const Vorn::AudioFormat format(2, 44100);
    Vorn::SmartPtr<Vorn::Mixer> mixer(new Vorn::Mixer(format, Vorn::AudioBufferSpec(4096, 4)));
    Vorn::SmartPtr<Vorn::AudioChannel> channel = xm ? mixer->Play(xm, true).Lock() : Vorn::SmartPtr<Vorn::AudioChannel>();
    if (!channel) {
        state.SkipWithError("no channel");
        return;
    }
    channel->SetPaused(false);
    std::vector<unsigned char> block(4096);
    double frames = 0;
    for (auto _ : state) {
        mixer->Read(block.data(), 4096);
        benchmark::DoNotOptimize(block.data());
        frames += 1024;
    }
    state.counters["x_realtime"] = benchmark::Counter(frames / 44100.0, benchmark::Counter::kIsRate);
}

BENCHMARK(RenderModule)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(MixModule)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

class RealtimeReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            auto it = run.counters.find("x_realtime");
            if (it != run.counters.end() && !run.error_occurred)
                multiples[run.run_name.function_name] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> multiples;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    g_module = MakeModule();
    RealtimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (reporter.multiples.count("RenderModule"))
        std::printf("eight-channel XM module rendered at %.0f x real time on one core (22050 Hz mono)\n",
                    reporter.multiples["RenderModule"]);
    if (reporter.multiples.count("MixModule"))
        std::printf("the same module through a mixer channel at 44100 Hz stereo: %.0f x real time\n",
                    reporter.multiples["MixModule"]);
    benchmark::Shutdown();
    return 0;
}
