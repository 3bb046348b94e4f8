// The compressed-texture loaders on both paths: blocks kept for the GPU, or decoded in software.
// Files come from reference encoders (ImageMagick's DDS writer, etc1tool) and from blocks built
// by hand; libsquish and libetc1 decode the same data as references.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "Decode.h"
#include "ImageFiles.h"
#include "graphics/OpenGL.h"
#include "graphics/image/CompressedImage.h"
#include "graphics/image/DdsImageLoader.h"
#include "graphics/image/EtcImageLoader.h"
#include "graphics/image/PvrImageLoader.h"
#include "graphics/image/PvrPlusImageLoader.h"
#include "graphics/image/TextureCodecs.h"
#include "graphics/pixeldata/CompressedSize.h"
#include "graphics/pixeldata/PixelDataGL.h"
#include "graphics/surface/Surface.h"
#include "support/HeadlessGL.h"
#include "support/ImageEncode.h"

#ifdef VORN_HAVE_SQUISH
#include <squish.h>
#endif
#ifdef VORN_HAVE_ETC1
#include <android/ETC1/etc1.h>
#endif

using namespace Vorn;
using namespace VornTest;

namespace {

// Restores the detected capabilities when a test ends.
struct CompressedOverride {
    explicit CompressedOverride(OpenGL::CompressedOverride mode) { OpenGL::SetCompressedOverride(mode); }
    ~CompressedOverride() { OpenGL::SetCompressedOverride(OpenGL::COMPRESSED_AS_DETECTED); }
};

SmartPtr<Surface> LoadBytes(const Bytes8& bytes)
{
    SmartPtr<CachedFile> file = MemoryFile(bytes);
    return SmartPtr<Surface>(ImageLoader::Load(file.Get()));
}

// The software decoding of a file's image through the loader's own path.
SmartPtr<PixelData> SoftwarePixels(const Bytes8& data, PixelFormat format, u32 w, u32 h)
{
    SmartPtr<CachedFile> file = MemoryFile(data);
    return SmartPtr<PixelData>(CompressedImage::Decode(file.Get(), format, w, h));
}

PixelDataGL* TextureOf(const SmartPtr<Surface>& surface)
{
    if (!surface || !surface->GetPixelData() || surface->GetPixelData()->GetKind() != PixelData::PD_GL)
        return nullptr;
    return static_cast<PixelDataGL*>(surface->GetPixelData());
}

// Every proper prefix of a file is refused, on both paths; those missing only the last tail bytes
// are not tried (a PNG part's end chunk, read after its pixels).
void ExpectEveryTruncationRefused(const Bytes8& file, size_t tail = 0)
{
    for (auto mode : {OpenGL::COMPRESSED_NONE, OpenGL::COMPRESSED_ALL}) {
        CompressedOverride override(mode);
        for (size_t n = 0; n + tail < file.size(); ++n)
            EXPECT_FALSE(LoadBytes(Bytes8(file.begin(), file.begin() + static_cast<long>(n)))) << n << " of " << file.size();
    }
}

u16 Rgb565(int r, int g, int b)
{
    return static_cast<u16>((r << 11) | (g << 5) | b);
}

Bytes8 Dxt1Block(u16 c0, u16 c1, u32 indices)
{
    Bytes8 block;
    PutU16(block, c0);
    PutU16(block, c1);
    PutU32(block, indices);
    return block;
}

}  // namespace

TEST(Dxt1Palette, EqualEndsDecodeToThatColourAndBlack)
{
    // Green 33 is odd: its lowest bit must survive the interpolation.
    const u16 c = Rgb565(10, 33, 7);
    u16 palette[4];
    TextureCodecs::Dxt1Palette(c, c, false, palette);
    EXPECT_EQ(c, palette[0]);
    EXPECT_EQ(c, palette[1]);
    EXPECT_EQ(c, palette[2]);
    EXPECT_EQ(0, palette[3]);

    // Pixels 0-3 take indices 0, 1, 2, 3.
    const Bytes8 block = Dxt1Block(c, c, 0xE4);
    u8 out[4 * 2];
    TextureCodecs::DecodeDxt1(block.data(), 4, 1, out, sizeof out);
    EXPECT_EQ(c, out[0] | (out[1] << 8));
    EXPECT_EQ(c, out[4] | (out[5] << 8));
    EXPECT_EQ(0, out[6] | (out[7] << 8));
}

TEST(Dxt1Palette, InterpolatesEachChannelAndKeepsSharedGreen)
{
    u16 palette[4];
    // Four colours (c0 > c1): thirds of red and blue, green 41 at both ends stays 41.
    TextureCodecs::Dxt1Palette(Rgb565(31, 41, 0), Rgb565(1, 41, 31), false, palette);
    for (int i : {2, 3}) {
        const int r = palette[i] >> 11, g = (palette[i] >> 5) & 63, b = palette[i] & 31;
        const double third = i == 2 ? 1.0 / 3 : 2.0 / 3;
        EXPECT_NEAR(31 + (1 - 31) * third, r, 1.5) << i;
        EXPECT_EQ(41, g) << i;
        EXPECT_NEAR(31 * third, b, 1.5) << i;  // 5/16 and 21/32 stand for the thirds
    }
    // Three colours (c0 <= c1): the average and black.
    TextureCodecs::Dxt1Palette(Rgb565(2, 10, 30), Rgb565(20, 50, 30), false, palette);
    EXPECT_EQ(Rgb565(11, 30, 30), palette[2]);
    EXPECT_EQ(0, palette[3]);
    // DXT5 colour blocks never take the three-colour rule.
    TextureCodecs::Dxt1Palette(Rgb565(2, 10, 30), Rgb565(20, 50, 30), true, palette);
    EXPECT_NE(0, palette[3]);
}

TEST(Dxt5, AlphaTakesTheSixValueRuleWhenA0IsNotAbove)
{
    Bytes8 block = {0, 255};
    // Pixels 0-7 take alpha indices 0-7 (3 bits each, little-endian).
    u64 indices = 0;
    for (u64 i = 0; i < 8; ++i)
        indices |= i << (3 * i);
    for (int i = 0; i < 6; ++i)
        block.push_back(static_cast<u8>(indices >> (8 * i)));
    Append(block, Dxt1Block(0xFFFF, 0xFFFF, 0));
    u8 out[2][16];
    TextureCodecs::DecodeDxt5(block.data(), 4, 2, &out[0][0], 16);
    const u8 expected[8] = {0, 255, 51, 102, 153, 204, 0, 255};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(expected[i], out[i / 4][(i % 4) * 4 + 3]) << i;
    EXPECT_EQ(255, out[0][0]);

    block[0] = 255;
    block[1] = 0;
    TextureCodecs::DecodeDxt5(block.data(), 4, 2, &out[0][0], 16);
    const u8 eight[8] = {255, 0, 218, 182, 145, 109, 72, 36};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(eight[i], out[i / 4][(i % 4) * 4 + 3]) << i;
}

#ifdef VORN_HAVE_SQUISH
// ImageMagick's DXT1 and DXT5 files, decoded by us and by libsquish: alpha exactly, colour within
// the precision of the 5:6:5 arithmetic.
TEST(DdsReference, SoftwareDecodingMatchesLibsquish)
{
    struct Case {
        const char* name;
        PixelFormat format;
        u32 w, h;
    } cases[] = {{"dxt1_24x24.dds", PF_DXT1, 24, 24}, {"dxt1_6x5.dds", PF_DXT1, 6, 5},
                 {"dxt5_24x24.dds", PF_DXT5, 24, 24}, {"dxt5_2x2.dds", PF_DXT5, 2, 2}};
    for (const Case& c : cases) {
        const Bytes8 blocks = DdsBlocks(Fixture(c.name));
        ASSERT_EQ(CompressedDataSize(c.format, c.w, c.h), blocks.size()) << c.name;
        SmartPtr<PixelData> ours = SoftwarePixels(blocks, c.format, c.w, c.h);
        ASSERT_TRUE(ours) << c.name;
        std::vector<u8> reference(c.w * c.h * 4);
        squish::DecompressImage(reference.data(), static_cast<int>(c.w), static_cast<int>(c.h), blocks.data(),
                                c.format == PF_DXT1 ? squish::kDxt1 : squish::kDxt5);
        int largest = 0;
        for (u32 y = 0; y < c.h; ++y) {
            for (u32 x = 0; x < c.w; ++x) {
                const u8* ref = &reference[(y * c.w + x) * 4];
                const u8* p = ours->LockConst() + y * ours->GetPitch();
                u8 rgb[3];
                if (c.format == PF_DXT1) {
                    const u16 v = static_cast<u16>(p[2 * x] | (p[2 * x + 1] << 8));
                    rgb[0] = static_cast<u8>(((v >> 11) << 3) | (v >> 13));
                    rgb[1] = static_cast<u8>((((v >> 5) & 63) << 2) | ((v >> 9) & 3));
                    rgb[2] = static_cast<u8>(((v & 31) << 3) | ((v >> 2) & 7));
                } else {
                    rgb[0] = p[4 * x + 2];
                    rgb[1] = p[4 * x + 1];
                    rgb[2] = p[4 * x];
                    EXPECT_EQ(ref[3], p[4 * x + 3]) << c.name << " alpha at " << x << "," << y;
                }
                for (int k = 0; k < 3; ++k)
                    largest = std::max(largest, std::abs(rgb[k] - ref[k]));
            }
        }
        std::printf("%s: largest difference from libsquish %d\n", c.name, largest);
        EXPECT_LE(largest, 12) << c.name;
    }
}
#endif

TEST(DdsLoader, ReadsFourCCsAndTheDx10Header)
{
    CompressedOverride override(OpenGL::COMPRESSED_ALL);
    const Bytes8 blocks = DdsBlocks(Fixture("dxt5_24x24.dds"));
    struct Case {
        const char* fourCC;
        u32 dxgi;
        PixelFormat format;
        size_t blockBytes;
    } cases[] = {{"DXT1", 0, PF_DXT1, 8}, {"DXT5", 0, PF_DXT5, 16}, {"DX10", 71, PF_DXT1, 8}, {"DX10", 72, PF_DXT1, 8},
                 {"DX10", 77, PF_DXT5, 16}, {"DX10", 78, PF_DXT5, 16}};
    for (const Case& c : cases) {
        const Bytes8 data(blocks.begin(), blocks.begin() + static_cast<long>(36 * c.blockBytes));
        SmartPtr<Surface> surface = LoadBytes(DdsFile(24, 24, c.fourCC, data, c.dxgi));
        PixelDataGL* texture = TextureOf(surface);
        ASSERT_TRUE(texture) << c.fourCC << c.dxgi;
        EXPECT_EQ(c.format, texture->GetFormat());
        EXPECT_EQ(24, surface->GetWidth());
        // Block rows of 6 blocks go to the starts of the 8-block rows of a 32 x 32 texture.
        ASSERT_EQ(32, texture->GetTextureWidth());
        const u8* buffer = texture->LockConst();
        for (int row = 0; row < 6; ++row) {
            EXPECT_TRUE(std::equal(data.begin() + static_cast<long>(row * 6 * c.blockBytes),
                                   data.begin() + static_cast<long>((row + 1) * 6 * c.blockBytes),
                                   buffer + row * 8 * c.blockBytes))
                << c.fourCC << " row " << row;
        }
    }
    for (u32 dxgi : {0u, 69u, 73u, 74u, 75u, 79u, 98u})
        EXPECT_FALSE(LoadBytes(DdsFile(24, 24, "DX10", blocks, dxgi))) << dxgi;
    EXPECT_FALSE(LoadBytes(DdsFile(24, 24, "DXT3", blocks)));
    EXPECT_FALSE(LoadBytes(DdsFile(24, 24, "ATI2", blocks)));
}

TEST(DdsLoader, SidesBelowOneBlockAndOddSidesFill)
{
    for (auto mode : {OpenGL::COMPRESSED_NONE, OpenGL::COMPRESSED_ALL}) {
        CompressedOverride override(mode);
        for (const char* name : {"dxt5_2x2.dds", "dxt1_6x5.dds"}) {
            SmartPtr<Surface> surface = LoadBytes(Fixture(name));
            ASSERT_TRUE(surface) << name;
            PixelDataGL* texture = TextureOf(surface);
            ASSERT_TRUE(texture);
            // The upload buffer holds whole blocks, even for a 2 x 2 texture.
            if (mode == OpenGL::COMPRESSED_ALL) {
                EXPECT_EQ(CompressedDataSize(texture->GetFormat(), texture->GetTextureWidth(),
                                             texture->GetTextureHeight()),
                          texture->GetUploadRecord()->bufferSize);
            }
        }
    }
}

TEST(DdsLoader, RefusesDamagedAndOversizedFiles)
{
    ExpectEveryTruncationRefused(Fixture("dxt1_6x5.dds"));
    const Bytes8 blocks = DdsBlocks(Fixture("dxt1_24x24.dds"));
    ExpectEveryTruncationRefused(DdsFile(24, 24, "DX10", blocks, 71));
    // Sizes whose data the file does not hold, or that no texture may have, allocate nothing.
    for (u32 side : {0u, 32u, 65536u, 0x40000000u, 0xFFFFFFFFu}) {
        CompressedOverride override(side % 2 ? OpenGL::COMPRESSED_NONE : OpenGL::COMPRESSED_ALL);
        EXPECT_FALSE(LoadBytes(DdsFile(side, side, "DXT1", blocks))) << side;
        EXPECT_FALSE(LoadBytes(DdsFile(24, side, "DXT5", blocks))) << side;
    }
}

// ETC1 files from etc1tool in PVR containers of both versions.
Bytes8 EtcPvr(const Pkm& pkm, int version)
{
    if (version == 2)
        return PvrV2(pkm.width, pkm.height, 0x36, 4, false, pkm.blocks);
    return PvrV3(pkm.width, pkm.height, 6, pkm.blocks, Text("meta"));
}

#ifdef VORN_HAVE_ETC1
TEST(EtcReference, SoftwareDecodingMatchesLibetc1)
{
    for (const char* name : {"etc1_24x24.pkm", "etc1_13x7.pkm"}) {
        const Pkm pkm = ReadPkm(Fixture(name));
        ASSERT_EQ(CompressedDataSize(PF_ETC1, pkm.width, pkm.height), pkm.blocks.size()) << name;
        for (int version : {2, 3}) {
            CompressedOverride override(OpenGL::COMPRESSED_NONE);
            SmartPtr<CachedFile> file = MemoryFile(EtcPvr(pkm, version));
            SmartPtr<ImageLoader> loader(ImageLoader::GetLoader(file.Get()));
            ASSERT_TRUE(dynamic_cast<EtcImageLoader*>(loader.Get())) << name << version;
            SmartPtr<Surface> surface(loader->Load());
            ASSERT_TRUE(surface);
            EXPECT_EQ(PF_RGB888, surface->GetPixelData()->GetFormat());
        }
        SmartPtr<PixelData> ours = SoftwarePixels(pkm.blocks, PF_ETC1, pkm.width, pkm.height);
        ASSERT_TRUE(ours);
        std::vector<u8> reference(pkm.width * pkm.height * 3);
        ASSERT_EQ(0, etc1_decode_image(pkm.blocks.data(), reference.data(), pkm.width, pkm.height, 3, pkm.width * 3));
        // Ours is B, G, R; libetc1's R, G, B.
        for (u32 i = 0; i < pkm.width * pkm.height; ++i) {
            ASSERT_EQ(reference[3 * i], ours->LockConst()[3 * i + 2]) << name << " pixel " << i;
            ASSERT_EQ(reference[3 * i + 1], ours->LockConst()[3 * i + 1]) << name << " pixel " << i;
            ASSERT_EQ(reference[3 * i + 2], ours->LockConst()[3 * i]) << name << " pixel " << i;
        }
    }
}
#endif

TEST(EtcLoader, GpuPathKeepsBlocksAndDamageIsRefused)
{
    const Pkm pkm = ReadPkm(Fixture("etc1_13x7.pkm"));
    {
        CompressedOverride override(OpenGL::COMPRESSED_ALL);
        SmartPtr<Surface> surface = LoadBytes(EtcPvr(pkm, 3));
        PixelDataGL* texture = TextureOf(surface);
        ASSERT_TRUE(texture);
        EXPECT_EQ(PF_ETC1, texture->GetFormat());
        // 4 blocks across in a 16-wide texture: the block rows need no re-spacing.
        EXPECT_TRUE(std::equal(pkm.blocks.begin(), pkm.blocks.end(), texture->LockConst()));
    }
    ExpectEveryTruncationRefused(EtcPvr(pkm, 2));
    ExpectEveryTruncationRefused(EtcPvr(pkm, 3));
    // A version 2 data size below the image's is refused; mipmap levels after it are skipped.
    EXPECT_FALSE(LoadBytes(PvrV2(pkm.width, pkm.height, 0x36, 4, false, pkm.blocks, 8)));
    Bytes8 mipmapped = pkm.blocks;
    mipmapped.resize(pkm.blocks.size() + 16);
    EXPECT_TRUE(LoadBytes(PvrV2(pkm.width, pkm.height, 0x36, 4, false, mipmapped)));
    EXPECT_FALSE(LoadBytes(PvrV2(pkm.width, pkm.height, 0x36, 4, false, pkm.blocks, 0x7FFFFFFF)));
}

// PVRTC words: modulation then colour, little-endian.
Bytes8 PvrtcWord(u32 modulation, u32 colour)
{
    Bytes8 word;
    PutU32(word, modulation);
    PutU32(word, colour);
    return word;
}

Bytes8 Repeat(const Bytes8& word, size_t count)
{
    Bytes8 out;
    for (size_t i = 0; i < count; ++i)
        Append(out, word);
    return out;
}

// Decodes data as a w x h PVRTC image to RGBA (bytes B, G, R, A).
std::vector<u8> DecodePvrtc(const Bytes8& data, int w, int h, int bpp)
{
    EXPECT_EQ(CompressedDataSize(bpp == 2 ? PF_PVRTC2_RGBA : PF_PVRTC4_RGBA, w, h), data.size());
    std::vector<u8> out(static_cast<size_t>(w) * h * 4);
    TextureCodecs::DecodePvrtc(data.data(), w, h, bpp, out.data(), static_cast<size_t>(w) * 4);
    return out;
}

u32 PixelAt(const std::vector<u8>& bgra, int w, int x, int y)
{
    const u8* p = &bgra[(static_cast<size_t>(y) * w + x) * 4];
    return (u32(p[2]) << 24) | (u32(p[1]) << 16) | (u32(p[0]) << 8) | p[3];  // 0xRRGGBBAA
}

// Colour B opaque white, colour A opaque black, and the mode bit.
const u32 BLACK_TO_WHITE = 0xFFFF8000;

TEST(PvrtcDecoder, SolidColoursOfBothColourModes)
{
    // B: opaque (20, 10, 5) in 5 bits; A: the same with blue 4 bits (5 >> 1 = 2 -> 4 + 0).
    const u32 opaque = 0x80000000u | (20u << 26) | (10u << 21) | (5u << 16);
    std::vector<u8> out = DecodePvrtc(Repeat(PvrtcWord(0xFFFFFFFF, opaque | 0x8000 | (20 << 10) | (10 << 5) | (2 << 1)), 4), 8, 8, 4);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(0xA55229FFu, PixelAt(out, 8, i % 8, i / 8)) << i;
    // Translucent B: alpha 3 bits (5 -> 10 of 15), red, green, blue 4 bits, all modulation on B.
    const u32 translucent = (5u << 28) | (15u << 24) | (8u << 20) | (1u << 16);
    out = DecodePvrtc(Repeat(PvrtcWord(0xFFFFFFFF, translucent), 4), 16, 8, 2);
    for (int i = 0; i < 128; ++i)
        ASSERT_EQ(0xFF8C10AAu, PixelAt(out, 16, i % 16, i / 16)) << i;
}

TEST(PvrtcDecoder, FourBitModulationAndPunchThrough)
{
    // Pixels 0-3 of each word take modulation values 0-3.
    const u32 modulation = 0xE4;
    std::vector<u8> out = DecodePvrtc(Repeat(PvrtcWord(modulation, BLACK_TO_WHITE), 4), 8, 8, 4);
    const u32 standard[4] = {0x000000FF, 0x5F5F5FFF, 0x9F9F9FFF, 0xFFFFFFFF};  // 0, 3, 5, 8 eighths
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(standard[x], PixelAt(out, 8, x + 4, 4)) << x;
    out = DecodePvrtc(Repeat(PvrtcWord(modulation, BLACK_TO_WHITE | 1), 4), 8, 8, 4);
    const u32 punch[4] = {0x000000FF, 0x7F7F7FFF, 0x7F7F7F00, 0xFFFFFFFF};  // 0, 4, 4 without alpha, 8
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(punch[x], PixelAt(out, 8, x + 4, 4)) << x;
}

TEST(PvrtcDecoder, TwoBitModulationModes)
{
    // One bit a pixel: pixel 0 and 2 on.
    std::vector<u8> out = DecodePvrtc(Repeat(PvrtcWord(0x5, BLACK_TO_WHITE), 4), 16, 8, 2);
    EXPECT_EQ(0xFFFFFFFFu, PixelAt(out, 16, 0, 0));
    EXPECT_EQ(0x000000FFu, PixelAt(out, 16, 1, 0));
    EXPECT_EQ(0xFFFFFFFFu, PixelAt(out, 16, 2, 0));

    // Stored 2-bit values all 2 (weight 5), except the first, whose low bit is copied from its
    // high bit (3, weight 8). The others come from their neighbours.
    const u32 grey = 0x9F9F9FFF, lighter = 0xBFBFBFFF, lightest = 0xDFDFDFFF;  // 5, 6, 7 eighths
    out = DecodePvrtc(Repeat(PvrtcWord(0xAAAAAAAA, BLACK_TO_WHITE | 1), 4), 16, 8, 2);
    // With the mode bit set and modulation bit 0 clear: the average of four neighbours.
    EXPECT_EQ(0xFFFFFFFFu, PixelAt(out, 16, 0, 0));
    EXPECT_EQ(lighter, PixelAt(out, 16, 1, 0));  // (8 + 5 + 5 + 5 + 2) / 4
    EXPECT_EQ(lighter, PixelAt(out, 16, 0, 1));
    EXPECT_EQ(grey, PixelAt(out, 16, 3, 0));
    // Modulation bit 0 set, bit 20 clear: left and right; bit 20 then takes bit 21 (value 3 at
    // stored place 10, pixel (4, 2)).
    out = DecodePvrtc(Repeat(PvrtcWord(0xAAAAAAAB, BLACK_TO_WHITE | 1), 4), 16, 8, 2);
    EXPECT_EQ(lightest, PixelAt(out, 16, 1, 0));  // (8 + 5 + 1) / 2
    EXPECT_EQ(lightest, PixelAt(out, 16, 3, 2));
    EXPECT_EQ(lightest, PixelAt(out, 16, 5, 2));
    EXPECT_EQ(grey, PixelAt(out, 16, 1, 2));
    // Bit 20 set as well: upper and lower.
    out = DecodePvrtc(Repeat(PvrtcWord(0xAAAAAAAB | (1u << 20), BLACK_TO_WHITE | 1), 4), 16, 8, 2);
    EXPECT_EQ(lightest, PixelAt(out, 16, 0, 1));
    EXPECT_EQ(grey, PixelAt(out, 16, 1, 0));
}

TEST(PvrtcDecoder, ColoursStandAtWordCentresInTwiddledOrder)
{
    // A 16 x 8 image at 4 bits: 4 x 2 words. Twiddled, word (x, y) is at (x & 1) << 1 | y | (x >> 1) << 2.
    // Word (0, 0) is opaque red, word (1, 0) green, word (0, 1) blue; the rest black. No modulation:
    // every pixel shows colour A.
    auto opaqueA = [](u32 r, u32 g, u32 b4) { return 0x80008000u | (r << 10) | (g << 5) | (b4 << 1); };
    Bytes8 data = Repeat(PvrtcWord(0, opaqueA(0, 0, 0)), 8);
    auto put = [&](int index, u32 colour) {
        const Bytes8 word = PvrtcWord(0, colour);
        std::copy(word.begin(), word.end(), data.begin() + index * 8);
    };
    put(0, opaqueA(31, 0, 0));
    put(2, opaqueA(0, 31, 0));
    put(1, opaqueA(0, 0, 15));
    std::vector<u8> out = DecodePvrtc(data, 16, 8, 4);
    EXPECT_EQ(0xFF0000FFu, PixelAt(out, 16, 2, 2));  // centre of word (0, 0)
    EXPECT_EQ(0x00FF00FFu, PixelAt(out, 16, 6, 2));  // centre of word (1, 0)
    EXPECT_EQ(0x0000FFFFu, PixelAt(out, 16, 2, 6));  // centre of word (0, 1)
    EXPECT_EQ(0x7F7F00FFu, PixelAt(out, 16, 4, 2));  // half way right: 15.5 of 31 each
    EXPECT_EQ(0x7F007FFFu, PixelAt(out, 16, 2, 4));  // half way down
}

TEST(PvrLoader, HeadersOfBothVersionsAndBothPaths)
{
    const Bytes8 data = Repeat(PvrtcWord(0xE4, BLACK_TO_WHITE), 4);  // 8 x 8 at 4 bits
    const Bytes8 data2 = Repeat(PvrtcWord(0x5, BLACK_TO_WHITE), 4);  // 16 x 8 at 2 bits
    struct Case {
        Bytes8 file;
        PixelFormat format;
        int w;
    } cases[] = {
        {PvrV2(8, 8, 12, 4, false, data), PF_PVRTC4_RGB, 8},   {PvrV2(8, 8, 25, 4, true, data), PF_PVRTC4_RGBA, 8},
        {PvrV2(16, 8, 24, 2, false, data2), PF_PVRTC2_RGB, 16}, {PvrV2(16, 8, 13, 2, true, data2), PF_PVRTC2_RGBA, 16},
        {PvrV3(16, 8, 0, data2), PF_PVRTC2_RGB, 16},           {PvrV3(16, 8, 1, data2, Text("md")), PF_PVRTC2_RGBA, 16},
        {PvrV3(8, 8, 2, data), PF_PVRTC4_RGBA, 8},             {PvrV3(8, 8, 3, data), PF_PVRTC4_RGBA, 8},
    };
    for (const Case& c : cases) {
        SmartPtr<CachedFile> file = MemoryFile(c.file);
        SmartPtr<ImageLoader> loader(ImageLoader::GetLoader(file.Get()));
        auto pvr = dynamic_cast<PvrImageLoader*>(loader.Get());
        ASSERT_TRUE(pvr);
        ASSERT_TRUE(pvr->ReadPvrHeader());
        EXPECT_EQ(c.format, pvr->GetPixelFormat());
        const Bytes8& words = c.w == 8 ? data : data2;
        std::vector<u8> decoded(static_cast<size_t>(c.w) * 8 * 4);
        ASSERT_TRUE(pvr->Decompress(words.data(), decoded.data()));

        // The GPU path uploads exactly the words; the software path gives the decoder's pixels.
        {
            CompressedOverride override(OpenGL::COMPRESSED_ALL);
            SmartPtr<Surface> surface = LoadBytes(c.file);
            PixelDataGL* texture = TextureOf(surface);
            ASSERT_TRUE(texture);
            EXPECT_EQ(c.format, texture->GetFormat());
            ASSERT_EQ(words.size(), texture->GetUploadRecord()->bufferSize);
            EXPECT_TRUE(std::equal(words.begin(), words.end(), texture->LockConst()));
        }
        SmartPtr<PixelData> software = SoftwarePixels(words, c.format, static_cast<u32>(c.w), 8);
        ASSERT_TRUE(software);
        EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), software->LockConst()));
    }
}

TEST(PvrLoader, RefusesWhatItCannotRead)
{
    const Bytes8 data = Repeat(PvrtcWord(0xE4, BLACK_TO_WHITE), 4);
    ExpectEveryTruncationRefused(PvrV2(8, 8, 12, 4, false, data));
    ExpectEveryTruncationRefused(PvrV3(8, 8, 2, data, Text("metadata")));
    {
        // Mipmap levels after the top image are stepped over, never read into the texture.
        CompressedOverride override(OpenGL::COMPRESSED_ALL);
        Bytes8 mipmapped = data;
        Append(mipmapped, Bytes8(32, 0xEE));
        SmartPtr<Surface> surface = LoadBytes(PvrV2(8, 8, 12, 4, false, mipmapped));
        ASSERT_TRUE(TextureOf(surface));
        ASSERT_EQ(data.size(), TextureOf(surface)->GetUploadRecord()->bufferSize);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), TextureOf(surface)->LockConst()));
    }
    for (auto mode : {OpenGL::COMPRESSED_NONE, OpenGL::COMPRESSED_ALL}) {
        CompressedOverride override(mode);
        // 8 bits per pixel: recognised by its pixel type, but no format.
        EXPECT_FALSE(LoadBytes(PvrV2(8, 8, 12, 8, false, data)));
        // A data size beyond the texture's, or the file's, never reaches the upload buffer.
        EXPECT_FALSE(LoadBytes(PvrV2(8, 8, 12, 4, false, data, 1 << 20)));
        EXPECT_FALSE(LoadBytes(PvrV2(8, 8, 12, 4, false, data, 16)));
        EXPECT_FALSE(LoadBytes(PvrV2(12, 8, 12, 4, false, data)));  // not a power of two
        EXPECT_FALSE(LoadBytes(PvrV3(8, 8, 4, data)));
        EXPECT_FALSE(LoadBytes(PvrV3(8, 8, 2 | (1ull << 32), data)));
        EXPECT_FALSE(LoadBytes(PvrV3(1u << 30, 1u << 30, 2, data)));
        Bytes8 metadataTooLong = PvrV3(8, 8, 2, data);
        SetU32(metadataTooLong, 48, 0xFFFFFFF0u);
        EXPECT_FALSE(LoadBytes(metadataTooLong));
        // The other byte order is taken by the probe and refused by the loader.
        Bytes8 swapped = PvrV3(8, 8, 2, data);
        SetU32(swapped, 0, 0x50565203);
        SmartPtr<CachedFile> file = MemoryFile(swapped);
        EXPECT_TRUE(PvrImageLoader::CanLoad(file.Get()));
        EXPECT_FALSE(LoadBytes(swapped));
    }
}

TEST(PvrLoader, SmallTexturesTakeWholeWords)
{
    CompressedOverride override(OpenGL::COMPRESSED_ALL);
    // 4 x 4 at 4 bits and 8 x 8 at 2 bits still fill the smallest grid of 2 x 2 words.
    SmartPtr<Surface> small4 = LoadBytes(PvrV3(4, 4, 2, Repeat(PvrtcWord(0, BLACK_TO_WHITE), 4)));
    SmartPtr<Surface> small2 = LoadBytes(PvrV3(8, 8, 0, Repeat(PvrtcWord(0, BLACK_TO_WHITE), 4)));
    ASSERT_TRUE(TextureOf(small4));
    ASSERT_TRUE(TextureOf(small2));
    EXPECT_EQ(32u, TextureOf(small4)->GetUploadRecord()->bufferSize);
    EXPECT_EQ(32u, TextureOf(small2)->GetUploadRecord()->bufferSize);
}

TEST(PvrPlusLoader, RefusesCodecThreeAndMismatchedParts)
{
    const Bytes8 png = EncodePngRgb(8, 8, Bytes8(8 * 8 * 3, 200), false);
    const Bytes8 pngSmall = EncodePngRgb(4, 8, Bytes8(4 * 8 * 3, 200), false);
    EXPECT_TRUE(LoadBytes(PvrPlusFile(0, 0, png, png)));
    EXPECT_FALSE(LoadBytes(PvrPlusFile(3, 0, png, png)));
    EXPECT_FALSE(LoadBytes(PvrPlusFile(0, 3, png, png)));
    EXPECT_FALSE(LoadBytes(PvrPlusFile(0, 0, png, pngSmall)));
    EXPECT_FALSE(LoadBytes(PvrPlusFile(0, 1, png, png)));  // the alpha part is no PVR
    ExpectEveryTruncationRefused(PvrPlusFile(0, 0, png, png), 12);
}

// Drawing: both paths of the same files, read back from an offscreen target.
class CompressedDraw : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HeadlessScreen())
            GTEST_SKIP() << "no GL";
    }

    // The file drawn at (0, 0) on background (0xRRGGBBAA), NEAREST and integer-aligned.
    Image Draw(const Bytes8& file, OpenGL::CompressedOverride mode, u32 background)
    {
        CompressedOverride override(mode);
        SmartPtr<Surface> target(new Surface(32, 32, PF_RGBA8888));
        target->FillRect(0, 0, 32, 32, Color{u8(background >> 24), u8(background >> 16), u8(background >> 8), 255});
        SmartPtr<Surface> image = LoadBytes(file);
        EXPECT_TRUE(image);
        if (image)
            target->Blit(0, 0, image.Get(), Rect{0, 0, image->GetWidth(), image->GetHeight()});
        return ReadPixels(target.Get());
    }

    // The largest channel difference of the two paths over w x h, on black and on white.
    int LargestDifference(const Bytes8& file, int w, int h)
    {
        int largest = 0;
        for (u32 background : {0x000000FFu, 0xFFFFFFFFu}) {
            const Image gpu = Draw(file, OpenGL::COMPRESSED_AS_DETECTED, background);
            const Image software = Draw(file, OpenGL::COMPRESSED_NONE, background);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    for (int c = 0; c < 3; ++c)
                        largest = std::max(largest, std::abs(gpu.At(x, y)[c] - software.At(x, y)[c]));
        }
        return largest;
    }
};

TEST_F(CompressedDraw, DxtOnTheGpuAndInSoftwareAgree)
{
    if (!OpenGL::GetCaps().dxtc)
        GTEST_SKIP() << "the GPU samples no S3TC";
    const Bytes8 dxt5 = Fixture("dxt5_24x24.dds");
    struct Case {
        Bytes8 file;
        int w, h;
        const char* name;
    } cases[] = {{Fixture("dxt1_24x24.dds"), 24, 24, "dxt1 24x24"},
                 {Fixture("dxt1_6x5.dds"), 6, 5, "dxt1 6x5"},
                 {dxt5, 24, 24, "dxt5 24x24"},
                 {Fixture("dxt5_2x2.dds"), 2, 2, "dxt5 2x2"},
                 {DdsFile(24, 24, "DX10", DdsBlocks(dxt5), 77), 24, 24, "dxt5 DX10"}};
    for (const Case& c : cases) {
        const int largest = LargestDifference(c.file, c.w, c.h);
        std::printf("%s: largest difference GPU vs software %d\n", c.name, largest);
        EXPECT_LE(largest, 12) << c.name;
    }
}

TEST_F(CompressedDraw, Etc1OnTheGpuAndInSoftwareAgree)
{
    if (!OpenGL::GetCaps().etc)
        GTEST_SKIP() << "the GPU samples no ETC1";
    for (const char* name : {"etc1_24x24.pkm", "etc1_13x7.pkm"}) {
        const Pkm pkm = ReadPkm(Fixture(name));
        for (int version : {2, 3}) {
            const int largest = LargestDifference(EtcPvr(pkm, version), static_cast<int>(pkm.width),
                                                  static_cast<int>(pkm.height));
            std::printf("%s (PVR %d): largest difference GPU vs software %d\n", name, version, largest);
            EXPECT_LE(largest, 1) << name;
        }
    }
}

TEST_F(CompressedDraw, PvrPlusOfEveryCodecPairDrawsTheInvertedMask)
{
    // Colour: opaque (255, 0, 0) or near it; alpha parts: red 255 on the left half (drawn fully
    // transparent), 0 on the right half (opaque). Each part is 8 x 8.
    Bytes8 colourPng = EncodePngRgb(8, 8, [] {
        Bytes8 rgb;
        for (int i = 0; i < 64; ++i)
            rgb.insert(rgb.end(), {255, 0, 0});
        return rgb;
    }(), false);
    Bytes8 maskPng = EncodePngRgb(8, 8, [] {
        Bytes8 rgb;
        for (int i = 0; i < 64; ++i) {
            const u8 v = (i % 8) < 4 ? 255 : 0;
            rgb.insert(rgb.end(), {v, v, v});
        }
        return rgb;
    }(), false);
    // PVRTC: opaque red, and a mask of colour A white, colour B black modulated fully on the
    // right half (words of 4 x 4 pixels: the right column of words).
    const u32 red = 0x80000000u | (31u << 26) | 0x8000u | (31u << 10);
    Bytes8 colourPvr = PvrV3(8, 8, 2, Repeat(PvrtcWord(0, red), 4));
    const u32 whiteToBlack = 0x80000000u | 0xFFFEu;  // B black, A white
    Bytes8 maskWords = Repeat(PvrtcWord(0, whiteToBlack), 4);
    // Words (1, 0) and (1, 1) sit at twiddled places 2 and 3.
    for (int index : {2, 3})
        SetU32(maskWords, static_cast<size_t>(index) * 8, 0xFFFFFFFF);
    Bytes8 maskPvr = PvrV3(8, 8, 2, maskWords);
    // ETC1: individual mode, both halves one colour, modifier index 0 (+2) or 2 (-2).
    auto etcBlock = [](u8 r4, u8 g4, u8 b4, bool smallNegative) {
        Bytes8 block = {u8(r4 << 4 | r4), u8(g4 << 4 | g4), u8(b4 << 4 | b4), 0, u8(smallNegative ? 0xFF : 0),
                        u8(smallNegative ? 0xFF : 0), 0, 0};
        return block;
    };
    Bytes8 colourEtc = Repeat(etcBlock(15, 0, 0, false), 4);
    Bytes8 maskEtc;
    for (int block = 0; block < 4; ++block)
        Append(maskEtc, block % 2 == 0 ? etcBlock(15, 15, 15, false) : etcBlock(0, 0, 0, true));
    const Bytes8 colours[3] = {colourPng, colourPvr, PvrV2(8, 8, 0x36, 4, false, colourEtc)};
    const Bytes8 masks[3] = {maskPng, maskPvr, PvrV3(8, 8, 6, maskEtc)};

    for (int colourCodec = 0; colourCodec < 3; ++colourCodec) {
        for (int alphaCodec = 0; alphaCodec < 3; ++alphaCodec) {
            const Bytes8 file = PvrPlusFile(colourCodec, alphaCodec, colours[colourCodec], masks[alphaCodec]);
            const Image out = Draw(file, OpenGL::COMPRESSED_NONE, 0x0000FFFF);
            // Left: the blue background shows; right: the red colour.
            EXPECT_TRUE(Near(out, 1, 1, 0x0000FFFF, 6)) << colourCodec << alphaCodec << std::hex << " " << out.Pixel(1, 1);
            EXPECT_TRUE(Near(out, 6, 6, 0xFF0000FF, 6)) << colourCodec << alphaCodec << std::hex << " " << out.Pixel(6, 6);
        }
    }
}
