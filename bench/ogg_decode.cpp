// Ogg Vorbis decoding through the engine's source (AudioOgg over an in-memory file, as a cached
// stream plays) against a plain loop of the integer decoder's ov_read over the same bytes.
// Reports the engine's throughput as a ratio of the plain loop's, measured in one run.
#include <benchmark/benchmark.h>
#include <tremor/ivorbisfile.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "OggMemory.h"
#include "sound/AudioOgg.h"
#include "vfs/CachedFile.h"

namespace {

const unsigned BLOCK = 4096;
std::vector<unsigned char> g_file;

bool MakeFile()
{
    char dir[] = "/tmp/vorn-bench-XXXXXX";
    if (!mkdtemp(dir))
        return false;
    const std::string path = std::string(dir) + "/tone.ogg";
    const std::string command = std::string("'") + VORN_OGGTONE + "' '" + path + "' --seconds 10 --quality 0.5";
    const bool ok = std::system(command.c_str()) == 0;
    std::ifstream in(path, std::ios::binary);
    g_file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    rmdir(dir);
    return ok && !g_file.empty();
}

void PlainTremor(benchmark::State& state)
{
    std::vector<char> buffer(BLOCK);
    size_t bytes = 0;
    for (auto _ : state) {
        OggMemory memory = {g_file.data(), g_file.size(), 0};
        OggVorbis_File vf;
        if (OggMemoryOpen(&memory, &vf) != 0) {
            state.SkipWithError("ov_open_callbacks failed");
            break;
        }
        long n;
        int link;
        while ((n = ov_read(&vf, buffer.data(), BLOCK, &link)) > 0)
            bytes += static_cast<size_t>(n);
        ov_clear(&vf);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void EngineOgg(benchmark::State& state)
{
    std::vector<char> buffer(BLOCK);
    size_t bytes = 0;
    for (auto _ : state) {
        Vorn::SmartPtr<Vorn::File> file(new Vorn::CachedFile(g_file.data(), static_cast<Vorn::u32>(g_file.size()), false));
        Vorn::SmartPtr<Vorn::AudioSource> ogg(Vorn::AudioOgg::Open(file));
        if (!ogg) {
            state.SkipWithError("AudioOgg::Open failed");
            break;
        }
        Vorn::u32 n;
        while ((n = ogg->Read(buffer.data(), BLOCK)) > 0)
            bytes += n;
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

BENCHMARK(PlainTremor)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(EngineOgg)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Keeps each benchmark's bytes per second for the ratio printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end() && !run.error_occurred)
                rates[run.benchmark_name()] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> rates;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!MakeFile()) {
        std::fprintf(stderr, "could not make the test file with vorn-oggtone\n");
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double plain = reporter.rates["PlainTremor/min_time:1.000"];
    const double engine = reporter.rates["EngineOgg/min_time:1.000"];
    if (plain > 0 && engine > 0)
        std::printf("engine Ogg source / plain ov_read loop throughput: %.3f (goal >= 0.9)\n", engine / plain);
    benchmark::Shutdown();
    return 0;
}
