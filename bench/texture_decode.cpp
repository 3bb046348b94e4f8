// Software decoding of the compressed texture formats, as a GPU without them needs it: the
// engine's DXT1, DXT5 and ETC1 decoders against libsquish's and libetc1's on the same blocks
// (made by those libraries' encoders from one picture), and the PVRTC 4-bit decoder's rate in
// megapixels per second. Prints the engine's rate as a ratio of the reference decoder's.
#include <benchmark/benchmark.h>

#include "BestOfReporter.h"

#include <android/ETC1/etc1.h>
#include <squish.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "graphics/image/TextureCodecs.h"
#include "graphics/pixeldata/CompressedSize.h"

using namespace Vorn;

namespace {

const int SIDE = 512;

// A picture like the game's art: smooth gradients with some noise, opaque and translucent parts.
const std::vector<u8>& Picture()
{
    static std::vector<u8> rgba = [] {
        std::vector<u8> out(static_cast<size_t>(SIDE) * SIDE * 4);
        std::mt19937 rng(3);
        for (int y = 0; y < SIDE; ++y) {
            for (int x = 0; x < SIDE; ++x) {
                u8* p = &out[(static_cast<size_t>(y) * SIDE + x) * 4];
                for (int c = 0; c < 3; ++c) {
                    const double v = 127 + 100 * std::sin(x * 0.03 + c) * std::cos(y * 0.02 - c) + rng() % 16;
                    p[c] = static_cast<u8>(v < 0 ? 0 : v > 255 ? 255 : v);
                }
                p[3] = static_cast<u8>(x < SIDE / 2 ? 255 : (x + y) & 255);
            }
        }
        return out;
    }();
    return rgba;
}

std::vector<u8> SquishBlocks(int flags)
{
    std::vector<u8> blocks(static_cast<size_t>(squish::GetStorageRequirements(SIDE, SIDE, flags)));
    squish::CompressImage(Picture().data(), SIDE, SIDE, blocks.data(), flags | squish::kColourRangeFit);
    return blocks;
}

const std::vector<u8>& Dxt1Blocks()
{
    static std::vector<u8> blocks = SquishBlocks(squish::kDxt1);
    return blocks;
}

const std::vector<u8>& Dxt5Blocks()
{
    static std::vector<u8> blocks = SquishBlocks(squish::kDxt5);
    return blocks;
}

const std::vector<u8>& Etc1Blocks()
{
    static std::vector<u8> blocks = [] {
        std::vector<u8> rgb(static_cast<size_t>(SIDE) * SIDE * 3);
        for (size_t i = 0; i < static_cast<size_t>(SIDE) * SIDE; ++i)
            for (int c = 0; c < 3; ++c)
                rgb[3 * i + c] = Picture()[4 * i + c];
        std::vector<u8> out(etc1_get_encoded_data_size(SIDE, SIDE));
        etc1_encode_image(rgb.data(), SIDE, SIDE, 3, SIDE * 3, out.data());
        return out;
    }();
    return blocks;
}

const std::vector<u8>& PvrtcWords()
{
    static std::vector<u8> words = [] {
        std::vector<u8> out(static_cast<size_t>(CompressedDataSize(PF_PVRTC4_RGBA, SIDE, SIDE)));
        std::mt19937 rng(5);
        for (u8& b : out)
            b = static_cast<u8>(rng());
        return out;
    }();
    return words;
}

void Finish(benchmark::State& state)
{
    state.counters["MPixel/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * SIDE * SIDE / 1e6,
                                                    benchmark::Counter::kIsRate);
}

void EngineDxt1(benchmark::State& state)
{
    std::vector<u8> out(static_cast<size_t>(SIDE) * SIDE * 2);
    for (auto _ : state) {
        TextureCodecs::DecodeDxt1(Dxt1Blocks().data(), SIDE, SIDE, out.data(), SIDE * 2);
        benchmark::DoNotOptimize(out.data());
    }
    Finish(state);
}

void EngineDxt5(benchmark::State& state)
{
    std::vector<u8> out(static_cast<size_t>(SIDE) * SIDE * 4);
    for (auto _ : state) {
        TextureCodecs::DecodeDxt5(Dxt5Blocks().data(), SIDE, SIDE, out.data(), SIDE * 4);
        benchmark::DoNotOptimize(out.data());
    }
    Finish(state);
}

void EngineEtc1(benchmark::State& state)
{
    std::vector<u8> out(static_cast<size_t>(SIDE) * SIDE * 3);
    for (auto _ : state) {
        TextureCodecs::DecodeEtc1(Etc1Blocks().data(), SIDE, SIDE, out.data(), SIDE * 3);
        benchmark::DoNotOptimize(out.data());
    }
    Finish(state);
}

void EnginePvrtc4(benchmark::State& state)
{
    std::vector<u8> out(static_cast<size_t>(SIDE) * SIDE * 4);
    for (auto _ : state) {
        TextureCodecs::DecodePvrtc(PvrtcWords().data(), SIDE, SIDE, 4, out.data(), SIDE * 4);
        benchmark::DoNotOptimize(out.data());
    }
    Finish(state);
}

void SquishDecode(benchmark::State& state, const std::vector<u8>* blocks, int flags)
{
    std::vector<u8> out(static_cast<size_t>(SIDE) * SIDE * 4);
    for (auto _ : state) {
        squish::DecompressImage(out.data(), SIDE, SIDE, blocks->data(), flags);
        benchmark::DoNotOptimize(out.data());
    }
    Finish(state);
}

void Libetc1Decode(benchmark::State& state)
{
    std::vector<u8> out(static_cast<size_t>(SIDE) * SIDE * 3);
    for (auto _ : state) {
        etc1_decode_image(Etc1Blocks().data(), out.data(), SIDE, SIDE, 3, SIDE * 3);
        benchmark::DoNotOptimize(out.data());
    }
    Finish(state);
}

void PrintRatios(const BestOfReporter& reporter)
{
    std::printf("\nSoftware decode rate, engine / reference decoder (goal >= 1.0), %dx%d:\n", SIDE, SIDE);
    const char* pairs[][3] = {{"DXT1", "engine/dxt1", "libsquish/dxt1"},
                              {"DXT5", "engine/dxt5", "libsquish/dxt5"},
                              {"ETC1", "engine/etc1", "libetc1/etc1"}};
    for (const auto& pair : pairs) {
        const double engine = reporter.Best(pair[1]), reference = reporter.Best(pair[2]);
        if (engine > 0 && reference > 0)
            std::printf("  %-6s %.2f\n", pair[0], reference / engine);
    }
    const double pvrtc = reporter.Best("engine/pvrtc4");
    if (pvrtc > 0)
        std::printf("  PVRTC 4 bpp: %.1f megapixels per second\n", SIDE * SIDE / 1e6 / (pvrtc / 1e3));
}

}  // namespace

int main(int argc, char** argv)
{
    // Each engine decoder runs beside its reference, so both see the same machine load.
    benchmark::RegisterBenchmark("engine/dxt1", &EngineDxt1)->Unit(benchmark::kMillisecond)->Repetitions(5);
    benchmark::RegisterBenchmark("libsquish/dxt1", &SquishDecode, &Dxt1Blocks(), int(squish::kDxt1))
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5);
    benchmark::RegisterBenchmark("engine/dxt5", &EngineDxt5)->Unit(benchmark::kMillisecond)->Repetitions(5);
    benchmark::RegisterBenchmark("libsquish/dxt5", &SquishDecode, &Dxt5Blocks(), int(squish::kDxt5))
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5);
    benchmark::RegisterBenchmark("engine/etc1", &EngineEtc1)->Unit(benchmark::kMillisecond)->Repetitions(5);
    benchmark::RegisterBenchmark("libetc1/etc1", &Libetc1Decode)->Unit(benchmark::kMillisecond)->Repetitions(5);
    benchmark::RegisterBenchmark("engine/pvrtc4", &EnginePvrtc4)->Unit(benchmark::kMillisecond)->Repetitions(5);
    benchmark::Initialize(&argc, argv);
    BestOfReporter reporter(BestOfReporter::CPU_TIME);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
