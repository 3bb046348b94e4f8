// Software decoding of the compressed texture formats, as a GPU without them needs it, on blocks
// made by libsquish's and libetc1's encoders from one picture. The engine's DXT1 and DXT5
// decoders run beside a plain block decoder written here (one straightforward loop per 4 x 4
// block, the same output format and the same pixels), and libsquish on one thread beside the
// plain decoder writing its RGBA bytes; ETC1 against libetc1; PVRTC 4-bit as a rate in megapixels
// per second. The ratios come from rounds that time each side in turn, printed as the median with
// the lowest and highest round.
#include <benchmark/benchmark.h>

#include <android/ETC1/etc1.h>
#include <squish.h>

#include <dlfcn.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "SideBySide.h"
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

// The plain peer: each 4 x 4 block decoded by the format's rules in a straightforward loop over
// its rows and columns, a pixel at a time (a 5:6:5 word, or 32 bits in the output's byte order).
enum PlainOutput { PLAIN_565, PLAIN_BGRA, PLAIN_RGBA };

// The colours of a block by the engine's 5:6:5 rule: red and blue in the low half of a 32-bit
// word, green in bits 21-26, interpolated together.
void PlainPalette(u32 c0, u32 c1, bool fourColour, u16 palette[4])
{
    const u32 p0 = (c0 & 0xF81F) | ((c0 & 0x07E0) << 16), p1 = (c1 & 0xF81F) | ((c1 & 0x07E0) << 16);
    auto pack = [](u32 x) { return static_cast<u16>((x & 0xF81F) | ((x & 0x07E00000) >> 16)); };
    palette[0] = static_cast<u16>(c0);
    palette[1] = static_cast<u16>(c1);
    if (fourColour || c0 > c1) {
        palette[2] = pack(p0 + (((5u * (p1 - p0)) >> 4) & 0x07FFFFFFu));
        palette[3] = pack(p0 + ((21u * (p1 - p0)) >> 5));
    } else {
        palette[2] = pack((p0 + p1) >> 1);
        palette[3] = 0;
    }
}

template <PlainOutput Output>
void PlainDxt(const u8* blocks, bool dxt5, u8* out, size_t pitch)
{
    for (int by = 0; by < SIDE / 4; ++by) {
        for (int bx = 0; bx < SIDE / 4; ++bx, blocks += dxt5 ? 16 : 8) {
            const u8* colour = dxt5 ? blocks + 8 : blocks;
            u16 palette[4];
            PlainPalette(static_cast<u32>(colour[0] | colour[1] << 8), static_cast<u32>(colour[2] | colour[3] << 8),
                         dxt5, palette);
            u8 alphas[8] = {255, 255, 255, 255, 255, 255, 255, 255};
            u64 alphaBits = 0;
            if (dxt5) {
                const int a0 = blocks[0], a1 = blocks[1];
                alphas[0] = static_cast<u8>(a0);
                alphas[1] = static_cast<u8>(a1);
                for (int i = 1; i < 7; ++i)
                    alphas[i + 1] = static_cast<u8>(a0 > a1 ? ((7 - i) * a0 + i * a1) / 7
                                                            : i < 5 ? ((5 - i) * a0 + i * a1) / 5 : i == 5 ? 0 : 255);
                for (int i = 0; i < 6; ++i)
                    alphaBits |= static_cast<u64>(blocks[2 + i]) << (8 * i);
            }
            // The block's colours as the output's pixels: 5:6:5 words or 32-bit words whose bytes
            // lie in the output's order.
            u32 colours[4];
            for (int c = 0; c < 4; ++c) {
                const u32 r = palette[c] >> 11, g = (palette[c] >> 5) & 63, b = palette[c] & 31;
                const u32 r8 = r << 3 | r >> 2, g8 = g << 2 | g >> 4, b8 = b << 3 | b >> 2;
                colours[c] = Output == PLAIN_565 ? palette[c] : Output == PLAIN_BGRA ? b8 | g8 << 8 | r8 << 16
                                                                                       : r8 | g8 << 8 | b8 << 16;
            }
            const u32 indices = static_cast<u32>(colour[4] | colour[5] << 8 | colour[6] << 16) |
                                static_cast<u32>(colour[7]) << 24;
            for (int y = 0; y < 4; ++y) {
                u8* row = out + static_cast<size_t>(by * 4 + y) * pitch;
                for (int x = 0; x < 4; ++x) {
                    const int i = y * 4 + x;
                    const u32 c = colours[(indices >> (2 * i)) & 3];
                    if (Output == PLAIN_565) {
                        const u16 word = static_cast<u16>(c);
                        std::memcpy(row + (bx * 4 + x) * 2, &word, 2);
                    } else {
                        const u32 pixel = c | static_cast<u32>(alphas[(alphaBits >> (3 * i)) & 7]) << 24;
                        std::memcpy(row + (bx * 4 + x) * 4, &pixel, 4);
                    }
                }
            }
        }
    }
}

// libsquish is built with OpenMP: its decoding is timed on this one thread, like the others.
void SquishOnOneThread()
{
    using SetThreads = void (*)(int);
    using GetThreads = int (*)();
    auto set = reinterpret_cast<SetThreads>(dlsym(RTLD_DEFAULT, "omp_set_num_threads"));
    auto get = reinterpret_cast<GetThreads>(dlsym(RTLD_DEFAULT, "omp_get_max_threads"));
    if (set && get) {
        set(1);
        std::printf("libsquish runs on %d OpenMP thread\n", get());
    }
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

void PlainDecode(benchmark::State& state, bool dxt5, PlainOutput output)
{
    std::vector<u8> out(static_cast<size_t>(SIDE) * SIDE * 4);
    const std::vector<u8>& blocks = dxt5 ? Dxt5Blocks() : Dxt1Blocks();
    for (auto _ : state) {
        if (output == PLAIN_565)
            PlainDxt<PLAIN_565>(blocks.data(), dxt5, out.data(), SIDE * 2);
        else if (output == PLAIN_BGRA)
            PlainDxt<PLAIN_BGRA>(blocks.data(), dxt5, out.data(), SIDE * 4);
        else
            PlainDxt<PLAIN_RGBA>(blocks.data(), dxt5, out.data(), SIDE * 4);
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

using SideBySide::ThreadSeconds;

// This thread's CPU seconds for one decode, over enough decodes to take about 20 ms.
double TimeOne(const std::function<void()>& decode)
{
    int count = 1;
    for (;;) {
        const double start = ThreadSeconds();
        for (int i = 0; i < count; ++i)
            decode();
        const double spent = ThreadSeconds() - start;
        if (spent > 0.02 || count > (1 << 20))
            return spent / count;
        count *= 2;
    }
}

// The rate of a as a multiple of b's, over rounds that time each in turn: median, lowest, highest.
void PrintRatio(const char* name, const std::function<void()>& a, const std::function<void()>& b)
{
    a();  // first calls outside the timing: lazily made blocks, cold caches
    b();
    std::vector<double> ratios;
    for (int round = 0; round < 15; ++round) {
        const double ta = TimeOne(a), tb = TimeOne(b);
        ratios.push_back(tb / ta);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("  %-38s %.2f (%.2f to %.2f)\n", name, ratios[ratios.size() / 2], ratios.front(), ratios.back());
}

void PrintRatios()
{
    std::vector<u8> out(static_cast<size_t>(SIDE) * SIDE * 4), peer(out.size());
    // The engine and its plain peer give the same pixels.
    for (bool dxt5 : {false, true}) {
        const std::vector<u8>& blocks = dxt5 ? Dxt5Blocks() : Dxt1Blocks();
        if (dxt5) {
            TextureCodecs::DecodeDxt5(blocks.data(), SIDE, SIDE, out.data(), SIDE * 4);
            PlainDxt<PLAIN_BGRA>(blocks.data(), true, peer.data(), SIDE * 4);
        } else {
            TextureCodecs::DecodeDxt1(blocks.data(), SIDE, SIDE, out.data(), SIDE * 2);
            PlainDxt<PLAIN_565>(blocks.data(), false, peer.data(), SIDE * 2);
        }
        if (out != peer)
            std::printf("the plain %s decoder disagrees with the engine's\n", dxt5 ? "DXT5" : "DXT1");
    }
    const u8* dxt1 = Dxt1Blocks().data();
    const u8* dxt5 = Dxt5Blocks().data();
    std::printf("\nSoftware decode rate as a multiple of its peer's, %dx%d, one thread, median (lowest to "
                "highest) of 15 rounds:\n",
                SIDE, SIDE);
    PrintRatio("DXT1 engine / plain, 5:6:5 (goal 1.0)",
               [&] { TextureCodecs::DecodeDxt1(dxt1, SIDE, SIDE, out.data(), SIDE * 2); },
               [&] { PlainDxt<PLAIN_565>(dxt1, false, peer.data(), SIDE * 2); });
    PrintRatio("DXT5 engine / plain, BGRA (goal 1.0)",
               [&] { TextureCodecs::DecodeDxt5(dxt5, SIDE, SIDE, out.data(), SIDE * 4); },
               [&] { PlainDxt<PLAIN_BGRA>(dxt5, true, peer.data(), SIDE * 4); });
    PrintRatio("DXT1 libsquish / plain, RGBA",
               [&] { squish::DecompressImage(out.data(), SIDE, SIDE, dxt1, squish::kDxt1); },
               [&] { PlainDxt<PLAIN_RGBA>(dxt1, false, peer.data(), SIDE * 4); });
    PrintRatio("DXT5 libsquish / plain, RGBA",
               [&] { squish::DecompressImage(out.data(), SIDE, SIDE, dxt5, squish::kDxt5); },
               [&] { PlainDxt<PLAIN_RGBA>(dxt5, true, peer.data(), SIDE * 4); });
    PrintRatio("DXT5 engine BGRA / libsquish RGBA",
               [&] { TextureCodecs::DecodeDxt5(dxt5, SIDE, SIDE, out.data(), SIDE * 4); },
               [&] { squish::DecompressImage(peer.data(), SIDE, SIDE, dxt5, squish::kDxt5); });
    PrintRatio("ETC1 engine / libetc1, 3 bytes",
               [&] { TextureCodecs::DecodeEtc1(Etc1Blocks().data(), SIDE, SIDE, out.data(), SIDE * 3); },
               [&] { etc1_decode_image(Etc1Blocks().data(), peer.data(), SIDE, SIDE, 3, SIDE * 3); });
    TextureCodecs::DecodePvrtc(PvrtcWords().data(), SIDE, SIDE, 4, out.data(), SIDE * 4);
    const double pvrtc =
        TimeOne([&] { TextureCodecs::DecodePvrtc(PvrtcWords().data(), SIDE, SIDE, 4, out.data(), SIDE * 4); });
    std::printf("  PVRTC 4 bpp: %.1f megapixels per second\n", SIDE * SIDE / 1e6 / pvrtc);
}

}  // namespace

int main(int argc, char** argv)
{
    SquishOnOneThread();
    // Each engine decoder runs beside its peers, so all see the same machine load.
    benchmark::RegisterBenchmark("engine/dxt1", &EngineDxt1)->Unit(benchmark::kMillisecond)->Repetitions(5);
    benchmark::RegisterBenchmark("plain/dxt1", &PlainDecode, false, PLAIN_565)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5);
    benchmark::RegisterBenchmark("libsquish/dxt1", &SquishDecode, &Dxt1Blocks(), int(squish::kDxt1))
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5);
    benchmark::RegisterBenchmark("engine/dxt5", &EngineDxt5)->Unit(benchmark::kMillisecond)->Repetitions(5);
    benchmark::RegisterBenchmark("plain/dxt5", &PlainDecode, true, PLAIN_BGRA)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5);
    benchmark::RegisterBenchmark("libsquish/dxt5", &SquishDecode, &Dxt5Blocks(), int(squish::kDxt5))
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5);
    benchmark::RegisterBenchmark("engine/etc1", &EngineEtc1)->Unit(benchmark::kMillisecond)->Repetitions(5);
    benchmark::RegisterBenchmark("libetc1/etc1", &Libetc1Decode)->Unit(benchmark::kMillisecond)->Repetitions(5);
    benchmark::RegisterBenchmark("engine/pvrtc4", &EnginePvrtc4)->Unit(benchmark::kMillisecond)->Repetitions(5);
    benchmark::Initialize(&argc, argv);
    benchmark::ConsoleReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios();
    benchmark::Shutdown();
    return 0;
}
