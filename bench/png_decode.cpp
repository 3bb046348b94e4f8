// PNG decoding through the engine's loader (factory, PNG loader, pixel rows) against libpng's own
// read loop with the same transforms, on the same in-memory files. Prints, per file, the engine's
// decode rate as a ratio of libpng's.
#include <benchmark/benchmark.h>

#include "BestOfReporter.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/SmartPtr.h"
#include "graphics/image/ImageLoader.h"
#include "graphics/pixeldata/MemPixelData.h"
#include "vfs/CachedFile.h"

using namespace Vorn;

namespace {

struct TestFile {
    std::string name;
    std::vector<u8> bytes;
    int width;
    int height;
};

void WriteToVector(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<std::vector<u8>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp)
{
}

std::vector<u8> Encode(int width, int height, int colorType, const std::vector<u8>& rows,
                       const std::vector<png_color>& palette)
{
    std::vector<u8> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, &WriteToVector, &FlushNothing);
    png_set_IHDR(png, info, width, height, 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    png_write_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, rows.data() + y * rowBytes);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// Images like the game's art: smooth gradients and shapes with some noise, so that the
// compressor neither wins nor loses everything.
std::vector<TestFile> MakeFiles()
{
    std::mt19937 rng(1);
    auto sample = [&](int x, int y, int channel) {
        const double v = 127 + 90 * std::sin(x * 0.02 + channel) * std::cos(y * 0.03 - channel) + rng() % 12;
        return static_cast<u8>(v < 0 ? 0 : v > 255 ? 255 : v);
    };
    std::vector<TestFile> files;
    struct Kind {
        const char* name;
        int colorType;
        int channels;
        int size;
    };
    const Kind kinds[] = {
        {"rgba_1024", PNG_COLOR_TYPE_RGB_ALPHA, 4, 1024},
        {"rgb_1024", PNG_COLOR_TYPE_RGB, 3, 1024},
        {"grey_1024", PNG_COLOR_TYPE_GRAY, 1, 1024},
        {"palette_512", PNG_COLOR_TYPE_PALETTE, 1, 512},
        {"rgba_128", PNG_COLOR_TYPE_RGB_ALPHA, 4, 128},
    };
    std::vector<png_color> palette;
    for (int i = 0; i < 256; ++i)
        palette.push_back(png_color{u8(i), u8(255 - i), u8(i * 7)});
    for (const Kind& kind : kinds) {
        std::vector<u8> rows;
        for (int y = 0; y < kind.size; ++y)
            for (int x = 0; x < kind.size; ++x)
                for (int c = 0; c < kind.channels; ++c)
                    rows.push_back(kind.colorType == PNG_COLOR_TYPE_PALETTE ? u8((x / 16 + y / 16) * 9) : sample(x, y, c));
        files.push_back(TestFile{kind.name, Encode(kind.size, kind.size, kind.colorType, rows,
                                                   kind.colorType == PNG_COLOR_TYPE_PALETTE ? palette : std::vector<png_color>()),
                                 kind.size, kind.size});
    }
    return files;
}

const std::vector<TestFile>& Files()
{
    static const std::vector<TestFile> s_files = MakeFiles();
    return s_files;
}

void EngineDecode(benchmark::State& state, const TestFile* file)
{
    for (auto _ : state) {
        SmartPtr<CachedFile> stream(new CachedFile(file->bytes.data(), static_cast<u32>(file->bytes.size()), false));
        SmartPtr<ImageLoader> loader(ImageLoader::GetLoader(stream.Get()));
        SmartPtr<MemPixelData> pixels(loader ? loader->ReadPixels() : nullptr);
        if (!pixels) {
            state.SkipWithError("the engine did not decode the file");
            break;
        }
        benchmark::DoNotOptimize(pixels->Lock());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * file->width * file->height);
}

struct MemoryReader {
    const u8* data;
    size_t size;
    size_t at;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t length)
{
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (reader->size - reader->at < length)
        png_error(png, "truncated");
    std::memcpy(out, reader->data + reader->at, length);
    reader->at += length;
}

// libpng's read loop as its manual gives it, with the transforms the engine asks for.
bool LibpngDecode(const TestFile& file)
{
    MemoryReader reader{file.bytes.data(), file.bytes.size(), 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::unique_ptr<u8[]> image;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, &ReadFromMemory);
    png_read_info(png, info);
    const int colorType = png_get_color_type(png, info);
    png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colorType & PNG_COLOR_MASK_COLOR)
        png_set_bgr(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    image.reset(new u8[rowBytes * height]);
    for (png_uint_32 y = 0; y < height; ++y)
        png_read_row(png, image.get() + y * rowBytes, nullptr);
    png_read_end(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(image.get());
    return true;
}

void LibpngLoop(benchmark::State& state, const TestFile* file)
{
    for (auto _ : state) {
        if (!LibpngDecode(*file)) {
            state.SkipWithError("libpng did not decode the file");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * file->width * file->height);
}

// The engine's decode rate as a ratio of the libpng loop's per file, from the best run of each.
void PrintRatios(const BestOfReporter& reporter)
{
    std::printf("\nPNG decode rate, engine loader / libpng read loop (goal >= 0.9):\n");
    double product = 1;
    int count = 0;
    for (const TestFile& file : Files()) {
        const double engine = reporter.Best("engine/" + file.name);
        const double libpng = reporter.Best("libpng/" + file.name);
        if (engine <= 0 || libpng <= 0)
            continue;
        const double ratio = libpng / engine;
        product *= ratio;
        ++count;
        std::printf("  %-12s %.3f\n", file.name.c_str(), ratio);
    }
    if (count)
        std::printf("  %-12s %.3f\n", "geomean", std::pow(product, 1.0 / count));
}

}  // namespace

int main(int argc, char** argv)
{
    // Engine and libpng runs of one file alternate, so that both see the same machine load.
    for (const TestFile& file : Files()) {
        benchmark::RegisterBenchmark(("engine/" + file.name).c_str(), &EngineDecode, &file)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5);
        benchmark::RegisterBenchmark(("libpng/" + file.name).c_str(), &LibpngLoop, &file)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5);
    }
    benchmark::Initialize(&argc, argv);
    BestOfReporter reporter(BestOfReporter::CPU_TIME);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
