#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <random>
#include <vector>

#include "base/SmartPtr.h"
#include "graphics/pixeldata/MemPixelData.h"
#include "graphics/pixeldata/PixelDataRLE.h"

using namespace Vorn;

namespace {

// A PF_RGBA8888 image from B, G, R, A words (alpha in the top byte).
SmartPtr<MemPixelData> MakeRgba(int w, int h, const std::vector<uint32_t>& words)
{
    SmartPtr<MemPixelData> image(new MemPixelData(w, h, PF_RGBA8888));
    uint8_t* p = image->Lock();
    for (size_t i = 0; i < words.size(); ++i) {
        p[i * 4 + 0] = words[i] & 0xFF;
        p[i * 4 + 1] = (words[i] >> 8) & 0xFF;
        p[i * 4 + 2] = (words[i] >> 16) & 0xFF;
        p[i * 4 + 3] = words[i] >> 24;
    }
    return image;
}

std::vector<uint8_t> StreamOf(const PixelDataRLE& rle)
{
    const uint8_t* s = rle.LockConst();
    return std::vector<uint8_t>(s, s + rle.GetStreamSize());
}

std::vector<uint8_t> Decoded(const PixelDataRLE& rle, bool expectOk = true)
{
    std::vector<uint8_t> out(static_cast<size_t>(rle.GetWidth()) * rle.GetHeight() * 4, 0xCD);
    EXPECT_EQ(expectOk, rle.Decode(out.data(), static_cast<size_t>(rle.GetWidth()) * 4));
    return out;
}

// What one pixel becomes after a trip through the run stream: 5-6-5 colour and 5-bit alpha,
// widened by bit replication; fully transparent pixels lose their colour.
void Quantise(const uint8_t* bgra, uint8_t* out)
{
    const unsigned a5 = bgra[3] >> 3;
    if (a5 == 0) {
        std::memset(out, 0, 4);
        return;
    }
    const unsigned b5 = bgra[0] >> 3, g6 = bgra[1] >> 2, r5 = bgra[2] >> 3;
    out[0] = static_cast<uint8_t>(b5 << 3 | b5 >> 2);
    out[1] = static_cast<uint8_t>(g6 << 2 | g6 >> 4);
    out[2] = static_cast<uint8_t>(r5 << 3 | r5 >> 2);
    out[3] = a5 == 31 ? 255 : static_cast<uint8_t>(a5 << 3 | a5 >> 2);
}

}  // namespace

TEST(PixelFormatTable, BytesAndAlphaDepth)
{
    const int bytes[] = {1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0};
    const int alpha[] = {8, 0, 0, 8, 5, 0, 8, 0, 8, 0, 8, 0};
    for (int f = 0; f < PF_NONE; ++f) {
        EXPECT_EQ(bytes[f], GetPixelFormatInfo(f).bytes) << f;
        EXPECT_EQ(alpha[f], GetPixelFormatInfo(f).alpha) << f;
    }
    EXPECT_EQ(0, GetPixelFormatInfo(PF_NONE).bits);
    EXPECT_EQ(0, GetPixelFormatInfo(-1).bytes);
    EXPECT_EQ(0, GetPixelFormatInfo(99).bytes);
}

TEST(MemPixelData, PitchFromFormatAndDefaults)
{
    SmartPtr<MemPixelData> rgb(new MemPixelData(5, 3, PF_RGB888));
    EXPECT_EQ(15, rgb->GetPitch());
    EXPECT_EQ(45u, rgb->GetSize());
    EXPECT_EQ(PixelData::PD_MEMORY, rgb->GetKind());
    EXPECT_EQ(255, rgb->GetColorKey()[0]);
    EXPECT_EQ(0, rgb->GetColorKey()[1]);
    EXPECT_EQ(255, rgb->GetColorKey()[2]);
    EXPECT_EQ(255, rgb->GetColorKey()[3]);
    EXPECT_FLOAT_EQ(1.0f, rgb->GetTexelScaleU());

    for (PixelFormat f : {PF_RLE, PF_DXT1, PF_ETC1}) {
        SmartPtr<MemPixelData> none(new MemPixelData(16, 16, f));
        EXPECT_EQ(0, none->GetPitch());
        EXPECT_NE(nullptr, none->Lock());
    }
}

TEST(MemPixelData, UnlockFreesPixelsButKeepsShape)
{
    SmartPtr<MemPixelData> image(new MemPixelData(4, 4, PF_A8));
    ASSERT_NE(nullptr, image->Lock());
    image->Unlock();
    EXPECT_EQ(nullptr, image->Lock());
    EXPECT_EQ(nullptr, image->LockConst());
    EXPECT_EQ(0u, image->GetSize());
    EXPECT_EQ(4, image->GetWidth());
    EXPECT_EQ(PF_A8, image->GetFormat());
    image->Unlock();  // a second unlock is harmless
}

TEST(MemPixelData, CopyOfSourceAndOfEmptiedSource)
{
    SmartPtr<MemPixelData> src(new MemPixelData(3, 2, PF_RGB565));
    for (int i = 0; i < 12; ++i)
        src->Lock()[i] = static_cast<uint8_t>(i * 7);
    SmartPtr<MemPixelData> copy(new MemPixelData(src.Get()));
    EXPECT_EQ(6, copy->GetPitch());
    EXPECT_EQ(PF_RGB565, copy->GetFormat());
    EXPECT_EQ(0, std::memcmp(src->LockConst(), copy->LockConst(), 12));
    EXPECT_NE(src->LockConst(), copy->LockConst());

    src->Unlock();
    SmartPtr<MemPixelData> empty(new MemPixelData(src.Get()));
    EXPECT_EQ(nullptr, empty->LockConst());
    EXPECT_EQ(3, empty->GetWidth());
}

TEST(MemPixelData, NegativeSizesAreEmptyAndHugeOnesThrow)
{
    SmartPtr<MemPixelData> neg(new MemPixelData(-5, 7, PF_RGBA8888));
    EXPECT_EQ(0, neg->GetWidth());
    EXPECT_EQ(0, neg->GetPitch());
    EXPECT_THROW(MemPixelData(0x7FFFFFFF, 1, PF_RGBA8888), std::bad_alloc);
}

TEST(MemPixelData, ImageText)
{
    const char* const text[] = {
        "3 2 3 1",
        "a c #FF8000",
        "b c #00FF00",
        "a c #0000FF",  // a later line of the same key wins
        "ab?",          // '?' is no key: stays black
        "b",            // too short: the rest stays black
    };
    SmartPtr<MemPixelData> image(new MemPixelData(text, sizeof text / sizeof text[0]));
    EXPECT_EQ(PF_RGB888, image->GetFormat());
    EXPECT_EQ(9, image->GetPitch());
    const uint8_t* p = image->LockConst();
    const uint8_t expected[18] = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(expected, p, 18));

    const char* const orange[] = {"1 1 1 1", "a c #FF8000", "a"};
    SmartPtr<MemPixelData> one(new MemPixelData(orange, 3));
    EXPECT_EQ(0, one->LockConst()[0]);
    EXPECT_EQ(128, one->LockConst()[1]);
    EXPECT_EQ(255, one->LockConst()[2]);
}

TEST(MemPixelData, ImageTextWithTwoCharacterKeysAndMissingLines)
{
    const char* const text[] = {"2 3 2 2", "..\tc #102030", "XY c #FFFFFF", "XY..", "..XY"};
    // The third row is missing from the array: it stays black.
    SmartPtr<MemPixelData> image(new MemPixelData(text, 5));
    ASSERT_EQ(2, image->GetWidth());
    ASSERT_EQ(3, image->GetHeight());
    const uint8_t* p = image->LockConst();
    const uint8_t expected[18] = {255, 255, 255, 0x30, 0x20, 0x10, 0x30, 0x20, 0x10, 255, 255, 255, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(expected, p, 18));

    const char* const bad[] = {"nonsense"};
    SmartPtr<MemPixelData> empty(new MemPixelData(bad, 1));
    EXPECT_EQ(0, empty->GetWidth());
}

TEST(PixelDataRLE, TransparentRow)
{
    SmartPtr<MemPixelData> src = MakeRgba(5, 1, {0x07FFFFFF, 0, 0x00123456, 0x05000000, 0});
    SmartPtr<PixelDataRLE> rle(new PixelDataRLE(src.Get()));
    const std::vector<uint8_t> expected = {10, 3, 0, 0, 5, 0};
    EXPECT_EQ(expected, StreamOf(*rle));
    EXPECT_EQ(PF_RLE, rle->GetFormat());
    EXPECT_EQ(PixelData::PD_RLE, rle->GetKind());
    EXPECT_EQ(0, rle->GetPitch());
}

TEST(PixelDataRLE, LiteralsAndRepeatsFollowTheLastEntry)
{
    // Translucent A, B, B: a literal of both, then a repeat of one for the last.
    const uint32_t a = 0x80FF0000, b = 0x8000FF00;
    SmartPtr<PixelDataRLE> rle(new PixelDataRLE(MakeRgba(3, 1, {a, b, b}).Get()));
    const std::vector<uint8_t> abb = {10, 15, 0, 1, 2, 0, 16, 0x00, 0xF8, 16, 0xE0, 0x07, 3, 1, 0, 16, 0xE0, 0x07};
    EXPECT_EQ(abb, StreamOf(*rle));

    // A then a different B: one literal of two entries, not two repeats.
    rle = new PixelDataRLE(MakeRgba(2, 1, {a, b}).Get());
    const std::vector<uint8_t> ab = {10, 9, 0, 1, 2, 0, 16, 0x00, 0xF8, 16, 0xE0, 0x07};
    EXPECT_EQ(ab, StreamOf(*rle));

    // Opaque A, A, A, then B: a repeat of three, then B begins a literal.
    const uint32_t oa = 0xFF0000FF, ob = 0xFFFFFFFF;
    rle = new PixelDataRLE(MakeRgba(4, 1, {oa, oa, oa, ob}).Get());
    const std::vector<uint8_t> aaab = {10, 10, 0, 4, 3, 0, 0x1F, 0x00, 2, 1, 0, 0xFF, 0xFF};
    EXPECT_EQ(aaab, StreamOf(*rle));

    // Opaque A, B, A, A: literal A B A is emitted whole, then a repeat of the last A.
    rle = new PixelDataRLE(MakeRgba(4, 1, {oa, ob, oa, oa}).Get());
    const std::vector<uint8_t> abaa = {10, 14, 0, 2, 3, 0, 0x1F, 0x00, 0xFF, 0xFF, 0x1F, 0x00, 4, 1, 0, 0x1F, 0x00};
    EXPECT_EQ(abaa, StreamOf(*rle));
}

TEST(PixelDataRLE, AlphaClassesAndDecodedValues)
{
    // alpha 7 is transparent, 248 opaque; 0x80 is translucent with alpha5 16.
    SmartPtr<PixelDataRLE> rle(new PixelDataRLE(MakeRgba(3, 1, {0x07FFFFFF, 0xF8FFFFFF, 0x80FF0000}).Get()));
    const std::vector<uint8_t> out = Decoded(*rle);
    const std::vector<uint8_t> expected = {0, 0, 0, 0, 255, 255, 255, 255, 0, 0, 255, 132};
    EXPECT_EQ(expected, out);

    const uint8_t red[] = {10, 5, 0, 2, 1, 0, 0x00, 0xF8};
    std::vector<uint8_t> px(4);
    ASSERT_TRUE(PixelDataRLE::DecodeStream(red, sizeof red, 1, 1, px.data(), 4));
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 255, 255}), px);
}

TEST(PixelDataRLE, RoundTripOfRandomImages)
{
    std::mt19937 rng(7);
    // A small palette so that repeats, literals and class changes all occur.
    const uint32_t palette[] = {0, 0x03123456, 0x40FF8000, 0x40FF8000, 0x9000FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFC102030};
    for (int round = 0; round < 20; ++round) {
        const int w = 1 + rng() % 90, h = 1 + rng() % 20;
        std::vector<uint32_t> words(static_cast<size_t>(w) * h);
        for (auto& word : words)
            word = (rng() % 3 == 0) ? rng() : palette[rng() % 8];
        SmartPtr<MemPixelData> src = MakeRgba(w, h, words);
        SmartPtr<PixelDataRLE> rle(new PixelDataRLE(src.Get()));
        ASSERT_GT(rle->GetStreamSize(), 0u);
        EXPECT_TRUE(PixelDataRLE::Validate(rle->LockConst(), rle->GetStreamSize(), w, h));
        const std::vector<uint8_t> out = Decoded(*rle);
        for (size_t i = 0; i < words.size(); ++i) {
            uint8_t want[4];
            Quantise(src->LockConst() + i * 4, want);
            ASSERT_EQ(0, std::memcmp(want, out.data() + i * 4, 4)) << "round " << round << " pixel " << i;
        }
    }
}

TEST(PixelDataRLE, LongRunsSplitAndOverlongRowsAreRefused)
{
    const int w = 70000;
    SmartPtr<MemPixelData> src = MakeRgba(w, 1, std::vector<uint32_t>(w, 0xFF00FF00));
    SmartPtr<PixelDataRLE> rle(new PixelDataRLE(src.Get()));
    const std::vector<uint8_t> s = StreamOf(*rle);
    const std::vector<uint8_t> expected = {10, 10, 0, 4, 0xFF, 0xFF, 0xE0, 0x07, 4, 0x71, 0x11, 0xE0, 0x07};
    EXPECT_EQ(expected, s);
    const std::vector<uint8_t> out = Decoded(*rle);
    EXPECT_EQ(255, out[(w - 1) * 4 + 1]);

    // Alternating opaque and translucent pixels cost 5.5 bytes each: 12000 do not fit a row.
    std::vector<uint32_t> words(12000);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = i % 2 ? 0xFF00FF00 : 0x80FF0000;
    rle = new PixelDataRLE(MakeRgba(12000, 1, words).Get());
    EXPECT_EQ(0u, rle->GetStreamSize());
    EXPECT_EQ(nullptr, rle->LockConst());
}

TEST(PixelDataRLE, EncodeRefusesOtherFormatsAndEmptiedSources)
{
    SmartPtr<MemPixelData> rgb(new MemPixelData(4, 4, PF_RGB888));
    SmartPtr<PixelDataRLE> rle(new PixelDataRLE(rgb.Get()));
    EXPECT_EQ(0u, rle->GetStreamSize());
    SmartPtr<MemPixelData> rgba(new MemPixelData(4, 4, PF_RGBA8888));
    rgba->Unlock();
    EXPECT_EQ(0u, rle->Encode(rgba.Get()));
    // Decoding the missing stream fails and leaves transparent pixels.
    std::vector<uint8_t> out = Decoded(*rle, false);
    EXPECT_EQ(std::vector<uint8_t>(out.size(), 0), out);
}

TEST(PixelDataRLE, CopiedStreamAndEmptyStream)
{
    const uint8_t bytes[] = {10, 3, 0, 0, 2, 0, 10, 7, 0, 4, 2, 0, 0xFF, 0xFF, 0, 0, 0};
    SmartPtr<PixelDataRLE> rle(new PixelDataRLE(2, 2, 14, bytes));
    EXPECT_EQ(14u, rle->GetStreamSize());
    const std::vector<uint8_t> out = Decoded(*rle, false);  // the second row record is cut short
    rle = new PixelDataRLE(2, 2, 17, bytes);
    Decoded(*rle, false);  // row 2 claims two bytes more than its runs, and one byte trails
    const uint8_t trailing[] = {10, 3, 0, 0, 2, 0, 99};
    EXPECT_FALSE(PixelDataRLE::Validate(trailing, sizeof trailing, 2, 1));
    EXPECT_TRUE(PixelDataRLE::Validate(trailing, 6, 2, 1));
    rle = new PixelDataRLE(2, 2, 0, nullptr);
    EXPECT_EQ(0u, rle->GetStreamSize());
    EXPECT_FALSE(rle->Decode(nullptr, 0));
    rle = new PixelDataRLE(0, 0, 0, bytes);
    EXPECT_TRUE(rle->Decode(nullptr, 0));
}

TEST(PixelDataRLE, MalformedStreamsAreRefusedWithoutOverreading)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int w, h;
    };
    const Case cases[] = {
        {"bad marker", {11, 3, 0, 0, 2, 0}, 2, 1},
        {"count beyond the width", {10, 3, 0, 0, 3, 0}, 2, 1},
        {"counts short of the width", {10, 3, 0, 0, 1, 0}, 2, 1},
        {"unknown op", {10, 3, 0, 5, 2, 0}, 2, 1},
        {"row length beyond the stream", {10, 9, 0, 0, 2, 0}, 2, 1},
        {"literal beyond its row", {10, 5, 0, 2, 2, 0, 0xFF, 0xFF, 0xFF, 0xFF}, 2, 1},
        {"repeat data cut off", {10, 4, 0, 3, 2, 0, 16}, 2, 1},
        {"run header cut off", {10, 2, 0, 0, 2}, 2, 1},
        {"missing row", {10, 3, 0, 0, 2, 0}, 2, 2},
        {"count overflow", {10, 6, 0, 0, 0xFF, 0xFF, 0, 3, 0}, 2, 1},
    };
    for (const Case& c : cases) {
        // Copies of exactly the stream's size, so that ASan sees any read past it.
        std::vector<uint8_t> exact(c.bytes);
        std::vector<uint8_t> out(static_cast<size_t>(c.w) * c.h * 4, 0xCD);
        EXPECT_FALSE(PixelDataRLE::DecodeStream(exact.data(), exact.size(), c.w, c.h, out.data(), c.w * 4)) << c.what;
        EXPECT_FALSE(PixelDataRLE::Validate(exact.data(), exact.size(), c.w, c.h)) << c.what;
        for (uint8_t v : out)
            ASSERT_NE(0xCD, v) << c.what;
    }
}

TEST(PixelDataRLE, EveryTruncationOfAValidStreamFails)
{
    std::vector<uint32_t> words;
    for (int i = 0; i < 48; ++i)
        words.push_back(i % 5 == 0 ? 0 : (i % 3 ? 0xFF00FF00 + i : 0x80000000 + i * 977));
    SmartPtr<PixelDataRLE> rle(new PixelDataRLE(MakeRgba(8, 6, words).Get()));
    const std::vector<uint8_t> full = StreamOf(*rle);
    ASSERT_TRUE(PixelDataRLE::Validate(full.data(), full.size(), 8, 6));
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + n);
        std::vector<uint8_t> out(8 * 6 * 4);
        EXPECT_FALSE(PixelDataRLE::DecodeStream(cut.data(), cut.size(), 8, 6, out.data(), 32)) << n;
    }
    // Random byte flips must never crash or write outside the rows.
    std::mt19937 rng(11);
    for (int i = 0; i < 2000; ++i) {
        std::vector<uint8_t> bad(full);
        bad[rng() % bad.size()] = static_cast<uint8_t>(rng());
        std::vector<uint8_t> out(8 * 6 * 4);
        PixelDataRLE::DecodeStream(bad.data(), bad.size(), 8, 6, out.data(), 32);
    }
}
