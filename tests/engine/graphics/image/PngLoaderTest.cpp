#include <gtest/gtest.h>

#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "Decode.h"
#include "graphics/image/PngImageLoader.h"
#include "support/ImageEncode.h"

using namespace Vorn;
using namespace VornTest;

namespace {

typedef std::vector<u8> Bytes8;

u32 Crc32(const u8* data, size_t size)
{
    u32 crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

PngParams Params(int w, int h, int colorType, int depth, Bytes8 rows)
{
    PngParams params;
    params.width = w;
    params.height = h;
    params.colorType = colorType;
    params.bitDepth = depth;
    params.rows = std::move(rows);
    return params;
}

}  // namespace

TEST(PngLoader, GreyBecomesAlphaOnly)
{
    SmartPtr<MemPixelData> grey = Decode(EncodePng(Params(3, 1, PNG_COLOR_TYPE_GRAY, 8, {0, 100, 255})));
    ASSERT_TRUE(grey);
    EXPECT_EQ(PF_A8, grey->GetFormat());
    EXPECT_EQ((Bytes8{0, 100, 255}), VornTest::Bytes(*grey));

    // 1-bit grey: the bits 1, 0, 1 expand to 255, 0, 255.
    SmartPtr<MemPixelData> bits = Decode(EncodePng(Params(3, 1, PNG_COLOR_TYPE_GRAY, 1, {0xA0})));
    ASSERT_TRUE(bits);
    EXPECT_EQ(PF_A8, bits->GetFormat());
    EXPECT_EQ((Bytes8{255, 0, 255}), VornTest::Bytes(*bits));

    // 16-bit grey keeps the high byte.
    SmartPtr<MemPixelData> deep = Decode(EncodePng(Params(2, 1, PNG_COLOR_TYPE_GRAY, 16, {0x12, 0x34, 0xFE, 0xFF})));
    ASSERT_TRUE(deep);
    EXPECT_EQ((Bytes8{0x12, 0xFE}), VornTest::Bytes(*deep));
}

TEST(PngLoader, GreyWithTransparencyKeepsBothGreyAndAlpha)
{
    PngParams params = Params(2, 1, PNG_COLOR_TYPE_GRAY, 8, {7, 200});
    params.withTransparency = true;
    params.transparency = {7};
    SmartPtr<MemPixelData> image = Decode(EncodePng(params));
    ASSERT_TRUE(image);
    EXPECT_EQ(PF_RGBA8888, image->GetFormat());
    EXPECT_EQ((Bytes8{7, 7, 7, 0, 200, 200, 200, 255}), VornTest::Bytes(*image));
}

TEST(PngLoader, ColourRowsComeOutBlueGreenRed)
{
    SmartPtr<MemPixelData> rgb = Decode(EncodePngRgb(2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3}, false));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(PF_RGB888, rgb->GetFormat());
    EXPECT_EQ(6, rgb->GetPitch());
    EXPECT_EQ((Bytes8{0, 0, 255, 0, 255, 0, 255, 0, 0, 3, 2, 1}), VornTest::Bytes(*rgb));

    SmartPtr<MemPixelData> rgba = Decode(EncodePngRgb(1, 1, {10, 20, 30, 40}, true));
    ASSERT_TRUE(rgba);
    EXPECT_EQ(PF_RGBA8888, rgba->GetFormat());
    EXPECT_EQ((Bytes8{30, 20, 10, 40}), VornTest::Bytes(*rgba));

    // 16-bit RGB is cut to 8 bits per channel.
    SmartPtr<MemPixelData> deep = Decode(EncodePng(Params(1, 1, PNG_COLOR_TYPE_RGB, 16, {0xAB, 0xCD, 0x12, 0x34, 0x56, 0x78})));
    ASSERT_TRUE(deep);
    EXPECT_EQ(PF_RGB888, deep->GetFormat());
    EXPECT_EQ((Bytes8{0x56, 0x12, 0xAB}), VornTest::Bytes(*deep));
}

TEST(PngLoader, RgbWithColourKeyGainsAlpha)
{
    PngParams params = Params(2, 1, PNG_COLOR_TYPE_RGB, 8, {255, 0, 255, 1, 2, 3});
    params.withTransparency = true;
    params.transparency = {255, 0, 255};
    SmartPtr<MemPixelData> image = Decode(EncodePng(params));
    ASSERT_TRUE(image);
    EXPECT_EQ(PF_RGBA8888, image->GetFormat());
    EXPECT_EQ((Bytes8{255, 0, 255, 0, 3, 2, 1, 255}), VornTest::Bytes(*image));
}

TEST(PngLoader, PaletteWithAndWithoutTransparency)
{
    PngParams params = Params(4, 1, PNG_COLOR_TYPE_PALETTE, 4, {0x01, 0x20});
    params.palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    SmartPtr<MemPixelData> opaque = Decode(EncodePng(params));
    ASSERT_TRUE(opaque);
    EXPECT_EQ(PF_RGB888, opaque->GetFormat());
    EXPECT_EQ((Bytes8{30, 20, 10, 60, 50, 40, 90, 80, 70, 30, 20, 10}), VornTest::Bytes(*opaque));

    params.withTransparency = true;
    params.transparency = {0, 128};  // entry 2 has no alpha listed: opaque
    SmartPtr<MemPixelData> clear = Decode(EncodePng(params));
    ASSERT_TRUE(clear);
    EXPECT_EQ(PF_RGBA8888, clear->GetFormat());
    EXPECT_EQ((Bytes8{30, 20, 10, 0, 60, 50, 40, 128, 90, 80, 70, 255, 30, 20, 10, 0}), VornTest::Bytes(*clear));
}

TEST(PngLoader, GreyAndAlphaCopiesGreyToColour)
{
    SmartPtr<MemPixelData> image = Decode(EncodePng(Params(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {50, 60, 250, 255})));
    ASSERT_TRUE(image);
    EXPECT_EQ(PF_RGBA8888, image->GetFormat());
    EXPECT_EQ((Bytes8{50, 50, 50, 60, 250, 250, 250, 255}), VornTest::Bytes(*image));
}

TEST(PngLoader, InterlacedEqualsProgressiveRows)
{
    std::mt19937 rng(3);
    Bytes8 pixels(13 * 9 * 4);
    for (u8& b : pixels)
        b = static_cast<u8>(rng());
    PngParams params = Params(13, 9, PNG_COLOR_TYPE_RGB_ALPHA, 8, pixels);
    SmartPtr<MemPixelData> plain = Decode(EncodePng(params));
    params.interlaced = true;
    SmartPtr<MemPixelData> interlaced = Decode(EncodePng(params));
    ASSERT_TRUE(plain);
    ASSERT_TRUE(interlaced);
    EXPECT_EQ(VornTest::Bytes(*plain), VornTest::Bytes(*interlaced));
}

TEST(PngLoader, RowInterfaceMatchesWholeImage)
{
    Bytes8 pixels;
    for (int i = 0; i < 5 * 4 * 3; ++i)
        pixels.push_back(static_cast<u8>(i * 11));
    const Bytes8 file = EncodePngRgb(5, 4, pixels, false);
    SmartPtr<CachedFile> stream = MemoryFile(file);
    SmartPtr<PngImageLoader> loader(new PngImageLoader());
    loader->SetStream(stream.Get());
    ASSERT_TRUE(loader->ReadHeader());
    EXPECT_EQ(5, loader->Width());
    EXPECT_EQ(4, loader->Height());
    EXPECT_EQ(PF_RGB888, loader->Format());
    Bytes8 rows(5 * 4 * 3);
    for (int y = 0; y < 4; ++y)
        ASSERT_TRUE(loader->ReadLine(rows.data() + y * 15));
    EXPECT_FALSE(loader->ReadLine(rows.data()));  // no fifth row
    SmartPtr<MemPixelData> whole = Decode(file);
    ASSERT_TRUE(whole);
    EXPECT_EQ(VornTest::Bytes(*whole), rows);
}

TEST(PngLoader, StreamStandsAfterTheImageWhenTheLoaderIsGone)
{
    Bytes8 file = EncodePngRgb(2, 2, Bytes8(12, 9), false);
    const size_t pngSize = file.size();
    file.insert(file.end(), {1, 2, 3, 4, 5});
    SmartPtr<CachedFile> stream = MemoryFile(file);
    {
        SmartPtr<PngImageLoader> loader(new PngImageLoader());
        loader->SetStream(stream.Get());
        SmartPtr<MemPixelData> pixels(loader->ReadPixels());
        ASSERT_TRUE(pixels);
    }
    EXPECT_EQ(pngSize, stream->Tell());
}

TEST(PngLoader, DamagedFilesYieldNothing)
{
    Bytes8 pixels(16 * 16 * 4);
    std::mt19937 rng(5);
    for (u8& b : pixels)
        b = static_cast<u8>(rng() % 4 * 60);  // compressible but not trivial
    const Bytes8 good = EncodePngRgb(16, 16, pixels, true);
    ASSERT_TRUE(Decode(good));

    // Cut anywhere before the end chunk: the image is incomplete. The chunk walk refuses a cut
    // inside a chunk; a cut between chunks or in the signature leaves no chunk that is damaged.
    std::set<size_t> between = {8};
    for (size_t at = 8; at + 12 <= good.size(); between.insert(at))
        at += 12 + (u32(good[at]) << 24 | u32(good[at + 1]) << 16 | u32(good[at + 2]) << 8 | good[at + 3]);
    std::string why;
    for (size_t n = 0; n + 12 < good.size(); n += (n < 64 ? 1 : 7)) {
        const Bytes8 cut(good.begin(), good.begin() + n);
        EXPECT_FALSE(Decode(cut)) << "cut at " << n;
        EXPECT_EQ(PngImageLoader::CheckChunks(cut.data(), cut.size(), why), n < 8 || between.count(n) > 0)
            << "cut at " << n;
        EXPECT_FALSE(PngImageLoader::CheckWhole(cut.data(), cut.size(), why)) << "cut at " << n;
    }
    // A flipped byte inside the image data fails its checksum.
    Bytes8 flipped(good);
    flipped[good.size() / 2] ^= 0x55;
    EXPECT_FALSE(Decode(flipped));
    // Random damage must never crash or overrun.
    for (int i = 0; i < 500; ++i) {
        Bytes8 bad(good);
        for (int k = 0; k < 3; ++k)
            bad[8 + rng() % (bad.size() - 8)] = static_cast<u8>(rng());
        Decode(bad);
    }
}

TEST(PngLoader, OversizedHeadersAreRefusedBeforeAllocation)
{
    // A 1x1 image whose header is rewritten to claim a huge size, with a fixed checksum, so that
    // only the size check can refuse it.
    Bytes8 file = EncodePngRgb(1, 1, {1, 2, 3}, false);
    auto claim = [&](u32 w, u32 h) {
        Bytes8 bad(file);
        const u8 size[8] = {u8(w >> 24), u8(w >> 16), u8(w >> 8), u8(w), u8(h >> 24), u8(h >> 16), u8(h >> 8), u8(h)};
        std::copy(size, size + 8, bad.begin() + 16);
        const u32 crc = Crc32(bad.data() + 12, 17);
        const u8 sum[4] = {u8(crc >> 24), u8(crc >> 16), u8(crc >> 8), u8(crc)};
        std::copy(sum, sum + 4, bad.begin() + 29);
        return bad;
    };
    const u32 limit = static_cast<u32>(ImageLoader::GetSizeLimit());
    EXPECT_FALSE(Decode(claim(limit + 1, 1)));
    EXPECT_FALSE(Decode(claim(1, limit + 1)));
    EXPECT_FALSE(Decode(claim(0x7FFFFFFF, 0x7FFFFFFF)));
    // Within the limit the header is believed, but the data runs out: still nothing.
    EXPECT_FALSE(Decode(claim(limit, 2)));
}

// Every chunk's CRC is the only check a PNG stored raw in an archive has. One flipped bit
// anywhere after the signature, in a critical or an ancillary chunk (here the transparency),
// either leaves the pixels as they were or refuses the image and tells the stream why, with
// libpng's message; the pixels never come out different. The chunk walk, which inflates nothing,
// refuses every one of them, the end chunk's and the signature's too.
TEST(PngLoader, AnyFlippedBitIsRefusedAndSaidOrChangesNothing)
{
    struct RecordingFile : CachedFile {
        using CachedFile::CachedFile;
        void ReportDamage(const char* why) override { said.push_back(why); }
        std::vector<std::string> said;
    };
    PngParams params = Params(6, 2, PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2, 1, 0, 2, 2, 2, 1, 0, 0, 1});
    params.palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    params.withTransparency = true;
    params.transparency = {0, 128, 255};
    const Bytes8 good = EncodePng(params);
    const Bytes8 expected = VornTest::Bytes(*Decode(good));
    std::string why;
    EXPECT_TRUE(PngImageLoader::CheckChunks(good.data(), good.size(), why)) << why;
    EXPECT_TRUE(PngImageLoader::CheckWhole(good.data(), good.size(), why)) << why;
    int refused = 0;
    for (size_t at = 0; at < good.size(); ++at) {
        Bytes8 bad(good);
        bad[at] ^= static_cast<u8>(1u << (at % 8));
        EXPECT_FALSE(PngImageLoader::CheckChunks(bad.data(), bad.size(), why)) << at;
        EXPECT_FALSE(PngImageLoader::CheckWhole(bad.data(), bad.size(), why)) << at;
        if (at < 8)
            continue;
        SmartPtr<RecordingFile> file(new RecordingFile(bad.data(), static_cast<u32>(bad.size()), true));
        SmartPtr<ImageLoader> loader(ImageLoader::GetLoader(file.Get()));
        ASSERT_TRUE(loader) << at;
        SmartPtr<MemPixelData> pixels(loader->ReadPixels());
        if (pixels) {
            EXPECT_EQ(VornTest::Bytes(*pixels), expected) << "flip at " << at;
            EXPECT_TRUE(file->said.empty()) << at;
        } else {
            ++refused;
            ASSERT_EQ(file->said.size(), 1u) << at;
            EXPECT_EQ(file->said[0].rfind("it does not decode as PNG: ", 0), 0u) << file->said[0];
        }
    }
    // All but the end chunk, which nothing after the last row reads.
    EXPECT_EQ(refused, static_cast<int>(good.size() - 8 - 12));

    // Damage of more than one byte is refused by both checks as one bit is, wherever it lies:
    // spans zeroed (the signature with the header chunk, all from some byte on, as a lost sector
    // leaves a small file), runs of bytes overwritten, and two bits flipped far apart. (Random
    // bytes over nearly all of it would leave no PNG to tell.)
    std::mt19937 rng(11);
    for (int i = 0; i < 3000; ++i) {
        Bytes8 bad(good);
        const size_t at = rng() % good.size();
        const size_t span = 2 + rng() % (i % 6 == 0 ? good.size() : 15);
        for (size_t k = at; k < std::min(good.size(), at + span); ++k)
            bad[k] = i % 3 == 0 ? 0 : static_cast<u8>(rng());
        if (i % 3 == 2) {
            bad = good;
            bad[at] ^= static_cast<u8>(1u << (i % 8));
            bad[rng() % good.size()] ^= static_cast<u8>(0x80u >> (i % 8));
        }
        if (bad == good)
            continue;
        EXPECT_FALSE(PngImageLoader::CheckChunks(bad.data(), bad.size(), why)) << i;
        EXPECT_FALSE(PngImageLoader::CheckWhole(bad.data(), bad.size(), why)) << i;
    }
}

// Chunks each intact but lost, written twice or swapped with the next (as a faulty copy leaves
// them) are refused by the chunk walk unless what is left is a PNG the loader reads: the walk lets
// nothing through that the loader would refuse, and refuses most. So is the end chunk with its
// type and CRC set to 0xFF bytes (the CRC of four of them); a whole PNG that other data holds (an
// icon) is no damage of that data.
TEST(PngLoader, ChunksLostRepeatedOrSwappedAreRefused)
{
    std::mt19937 rng(3);
    Bytes8 indices(128 * 128);
    for (u8& b : indices)
        b = static_cast<u8>(rng());
    PngParams params = Params(128, 128, PNG_COLOR_TYPE_PALETTE, 8, indices);
    params.palette = Bytes8(indices.begin(), indices.begin() + 768);
    params.withTransparency = true;
    params.transparency = {0, 128, 255};
    const Bytes8 good = EncodePng(params);
    std::vector<Bytes8> chunks;
    for (size_t at = 8; at + 12 <= good.size(); at += chunks.back().size())
        chunks.emplace_back(good.begin() + at, good.begin() + at + 12 + (good[at + 2] << 8 | good[at + 3]));
    ASSERT_GE(chunks.size(), 6u);  // IHDR PLTE tRNS, two IDAT chunks or more, IEND
    auto join = [](const std::vector<Bytes8>& parts) {
        Bytes8 out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
        for (const Bytes8& part : parts)
            out.insert(out.end(), part.begin(), part.end());
        return out;
    };
    ASSERT_EQ(join(chunks), good);
    std::string why;
    size_t refused = 0, events = 0;
    for (size_t i = 0; i < chunks.size(); ++i) {
        std::vector<Bytes8> removed = chunks, twice = chunks, swapped = chunks;
        removed.erase(removed.begin() + i);
        twice.insert(twice.begin() + i, chunks[i]);
        std::swap(swapped[i], swapped[std::min(i + 1, chunks.size() - 1)]);
        for (const Bytes8& bad : {join(removed), join(twice), join(swapped)}) {
            if (bad == good)
                continue;
            ++events;
            const bool passed = PngImageLoader::CheckChunks(bad.data(), bad.size(), why);
            refused += !passed;
            EXPECT_TRUE(!passed || Decode(bad)) << "chunk " << i << " of " << chunks.size();
        }
    }
    EXPECT_GE(refused, events - 3);  // tRNS lost, IEND lost (a cut) or written twice (after the end)
    Bytes8 wiped = good;
    std::fill(wiped.end() - 8, wiped.end(), 0xff);
    EXPECT_FALSE(PngImageLoader::CheckChunks(wiped.data(), wiped.size(), why));
    Bytes8 icon = {0, 0, 1, 0, 1, 0, 128, 128, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 22, 0, 0, 0};
    icon.insert(icon.end(), good.begin(), good.end());
    EXPECT_TRUE(PngImageLoader::CheckChunks(icon.data(), icon.size(), why)) << why;
}

// Chunks in the places PNG gives them pass, as programs write them; out of their places they are
// refused, each intact: a colour chunk after the palette, the palette's own before it, a chunk
// after the image data that belongs before it, image data split by another chunk, a palette image
// without its palette, no image data, the header not first.
TEST(PngLoader, ChunksOutOfTheirPlacesAreRefused)
{
    PngParams params = Params(4, 4, PNG_COLOR_TYPE_PALETTE, 8, Bytes8(16, 1));
    params.palette = {10, 20, 30, 40, 50, 60};
    const Bytes8 png = EncodePng(params);
    auto chunk = [](const std::string& type, const Bytes8& data) {
        Bytes8 out(12 + data.size());
        std::copy(type.begin(), type.end(), out.begin() + 4);
        std::copy(data.begin(), data.end(), out.begin() + 8);
        const u32 crc = Crc32(out.data() + 4, 4 + data.size());
        for (int i = 0; i < 4; ++i) {
            out[i] = u8(data.size() >> (24 - 8 * i));
            out[8 + data.size() + i] = u8(crc >> (24 - 8 * i));
        }
        return out;
    };
    std::map<std::string, Bytes8> chunks = {{"gAMA", chunk("gAMA", {0, 0, 177, 143})}, {"tRNS", chunk("tRNS", {0})},
                                            {"bKGD", chunk("bKGD", {1})}, {"pHYs", chunk("pHYs", Bytes8(9, 1))},
                                            {"tEXt", chunk("tEXt", {'a', 0, 'b'})}};
    for (size_t at = 8; at + 12 <= png.size(); at += chunks[std::string(png.begin() + at + 4, png.begin() + at + 8)].size())
        chunks[std::string(png.begin() + at + 4, png.begin() + at + 8)] =
            Bytes8(png.begin() + at, png.begin() + at + 12 + (png[at + 2] << 8 | png[at + 3]));
    const Bytes8 data(chunks["IDAT"].begin() + 8, chunks["IDAT"].end() - 4);
    chunks["IDA1"] = chunk("IDAT", Bytes8(data.begin(), data.begin() + data.size() / 2));
    chunks["IDA2"] = chunk("IDAT", Bytes8(data.begin() + data.size() / 2, data.end()));
    const struct {
        const char* order;
        bool passes;
    } CASES[] = {
        {"IHDR gAMA PLTE tRNS bKGD pHYs IDA1 IDA2 tEXt IEND", true}, {"IHDR pHYs PLTE tEXt IDAT IEND", true},
        {"IHDR PLTE gAMA IDAT IEND", false}, {"IHDR tRNS PLTE IDAT IEND", false}, {"IHDR PLTE IDAT pHYs IEND", false},
        {"IHDR PLTE IDA1 tEXt IDA2 IEND", false}, {"IHDR IDAT IEND", false}, {"IHDR PLTE IEND", false},
        {"PLTE IHDR IDAT IEND", false},
    };
    for (const auto& c : CASES) {
        Bytes8 file(png.begin(), png.begin() + 8);
        std::istringstream types(c.order);
        for (std::string type; types >> type;)
            file.insert(file.end(), chunks[type].begin(), chunks[type].end());
        std::string why;
        EXPECT_EQ(PngImageLoader::CheckChunks(file.data(), file.size(), why), c.passes) << c.order << ": " << why;
    }
}

// A chunk's length is a claim: a text chunk after the image data that claims half a gigabyte, in
// a file of a few hundred bytes, leaves the peak memory of a process that reads the image as it
// was (libpng would allocate and clear the claim).
TEST(PngLoader, AChunksClaimIsNeverAllocated)
{
    Bytes8 png = EncodePngRgb(4, 4, Bytes8(48, 7), false);
    const Bytes8 claim = {0x20, 0, 0, 0, 't', 'E', 'X', 't', 'a', 0, 'b'};
    png.insert(png.end() - 12, claim.begin(), claim.end());
    const pid_t child = fork();
    if (child == 0) {
        rusage before, after;
        getrusage(RUSAGE_SELF, &before);
        const bool decoded = Decode(png) != nullptr;
        getrusage(RUSAGE_SELF, &after);
        _exit(decoded && after.ru_maxrss - before.ru_maxrss < 64 * 1024 ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
