#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "Decode.h"
#include "support/ImageEncode.h"
#include "support/MemoryMount.h"
#include "vfs/Vfs.h"

using namespace Vorn;
using namespace VornTest;

namespace {

typedef std::vector<u8> Bytes8;

JpegParams Solid(int w, int h, JpegColor color, std::initializer_list<u8> value)
{
    JpegParams params;
    params.width = w;
    params.height = h;
    params.color = color;
    for (int i = 0; i < w * h; ++i)
        params.pixels.insert(params.pixels.end(), value);
    return params;
}

// JPEG is lossy: values within a few steps of what was written count as equal.
void ExpectNear(const Bytes8& want, const u8* got, int tolerance, const char* what)
{
    for (size_t i = 0; i < want.size(); ++i)
        ASSERT_LE(std::abs(int(want[i]) - int(got[i])), tolerance) << what << " byte " << i;
}

}  // namespace

TEST(JpegLoader, GreyAndColour)
{
    SmartPtr<MemPixelData> grey = Decode(EncodeJpeg(Solid(8, 8, JpegColor::GREY, {77})));
    ASSERT_TRUE(grey);
    EXPECT_EQ(PF_A8, grey->GetFormat());
    EXPECT_EQ(8, grey->GetPitch());
    ExpectNear({77, 77, 77, 77}, grey->LockConst(), 2, "grey");

    SmartPtr<MemPixelData> red = Decode(EncodeJpeg(Solid(16, 8, JpegColor::YCBCR, {255, 0, 0})));
    ASSERT_TRUE(red);
    EXPECT_EQ(PF_RGB888, red->GetFormat());
    EXPECT_EQ(48, red->GetPitch());
    ExpectNear({0, 0, 255, 0, 0, 255}, red->LockConst() + 3 * 16 * 5, 4, "red as B, G, R");

    JpegParams progressive = Solid(24, 24, JpegColor::YCBCR, {20, 200, 90});
    progressive.progressive = true;
    SmartPtr<MemPixelData> decoded = Decode(EncodeJpeg(progressive));
    ASSERT_TRUE(decoded);
    ExpectNear({90, 200, 20}, decoded->LockConst() + 3 * (24 * 12 + 7), 4, "progressive");
}

TEST(JpegLoader, OnlyTheJfifStartIsRecognised)
{
    Bytes8 file = EncodeJpeg(Solid(8, 8, JpegColor::GREY, {1}));
    ASSERT_EQ(0xE0, file[3]);
    ASSERT_TRUE(Decode(file));
    file[3] = 0xE1;
    SmartPtr<CachedFile> stream = MemoryFile(file);
    EXPECT_FALSE(ImageLoader::IsSupported(stream.Get()));
}

TEST(JpegLoader, FourComponentImagesAreRefused)
{
    EXPECT_FALSE(Decode(EncodeJpeg(Solid(8, 8, JpegColor::CMYK, {0, 255, 255, 0}))));
    EXPECT_FALSE(Decode(EncodeJpeg(Solid(8, 8, JpegColor::YCCK, {0, 255, 255, 0}))));
}

TEST(JpegLoader, DamagedAndOversizedFilesYieldNothing)
{
    JpegParams params;
    params.width = 32;
    params.height = 32;
    std::mt19937 rng(9);
    for (int i = 0; i < 32 * 32 * 3; ++i)
        params.pixels.push_back(static_cast<u8>(rng()));
    const Bytes8 good = EncodeJpeg(params);
    ASSERT_TRUE(Decode(good));

    // The data ends before the image does.
    for (size_t n = 4; n + 2 < good.size(); n += 37)
        EXPECT_FALSE(Decode(Bytes8(good.begin(), good.begin() + n))) << "cut at " << n;
    // Random damage: no crash, no overrun (decoding may still succeed with wrong pixels).
    for (int i = 0; i < 300; ++i) {
        Bytes8 bad(good);
        for (int k = 0; k < 4; ++k)
            bad[4 + rng() % (bad.size() - 4)] = static_cast<u8>(rng());
        Decode(bad);
    }

    const int limit = ImageLoader::GetSizeLimit();
    EXPECT_TRUE(Decode(EncodeJpeg(Solid(limit, 1, JpegColor::GREY, {5}))));
    EXPECT_FALSE(Decode(EncodeJpeg(Solid(limit + 1, 1, JpegColor::GREY, {5}))));
    EXPECT_FALSE(Decode(EncodeJpeg(Solid(1, limit + 1, JpegColor::GREY, {5}))));
}

class JpgaLoader : public ::testing::Test {
protected:
    void SetUp() override
    {
        mount = MemoryMount::Install("j/");
        Bytes8 colour;
        for (int i = 0; i < 16 * 8; ++i)
            colour.insert(colour.end(), {u8(i < 64 ? 250 : 10), 128, u8(i < 64 ? 10 : 250)});
        JpegParams params;
        params.width = 16;
        params.height = 8;
        params.pixels = colour;
        mount->Add("c.jpg", EncodeJpeg(params));
        JpegParams alpha = Solid(16, 8, JpegColor::GREY, {0});
        for (int i = 0; i < 16 * 8; ++i)
            alpha.pixels[i] = (i % 16) < 8 ? 0 : 255;
        mount->Add("a.jpg", EncodeJpeg(alpha));
        mount->Add("grey.jpg", EncodeJpeg(Solid(16, 8, JpegColor::GREY, {9})));
        mount->Add("colour.jpg", EncodeJpeg(Solid(16, 8, JpegColor::YCBCR, {9, 9, 9})));
        mount->Add("small.jpg", EncodeJpeg(Solid(8, 8, JpegColor::GREY, {9})));
    }

    void TearDown() override { Vfs::Shutdown(); }

    SmartPtr<MemPixelData> LoadText(const std::string& text)
    {
        return Decode(Bytes8(text.begin(), text.end()));
    }

    MemoryMount* mount = nullptr;
};

TEST_F(JpgaLoader, ColourAndAlphaJoin)
{
    SmartPtr<MemPixelData> image = LoadText("JPGA 1\r\nj/c.jpg\r\nj/a.jpg\r\n");
    ASSERT_TRUE(image);
    EXPECT_EQ(PF_RGBA8888, image->GetFormat());
    EXPECT_EQ(16, image->GetWidth());
    EXPECT_EQ(64, image->GetPitch());
    const u8* p = image->LockConst();
    ExpectNear({10, 128, 250, 0}, p + 4 * 2, 6, "top left: alpha 0");
    ExpectNear({10, 128, 250, 255}, p + 4 * 12, 6, "top right: opaque");
    ExpectNear({250, 128, 10, 255}, p + 4 * (16 * 7 + 12), 6, "bottom right");

    // The third line may end with the file; text after it is ignored.
    EXPECT_TRUE(LoadText("JPGA 1 comment\nj/c.jpg\nj/a.jpg"));
    EXPECT_TRUE(LoadText("JPGA 1\nj/c.jpg\nj/a.jpg\nmore\n"));
}

TEST_F(JpgaLoader, BrokenDescriptionsYieldNothing)
{
    EXPECT_FALSE(LoadText("JPGA 2\nj/c.jpg\nj/a.jpg\n"));  // not recognised
    EXPECT_FALSE(LoadText("JPGA 1\nj/c.jpg\n"));
    EXPECT_FALSE(LoadText("JPGA 1\nj/missing.jpg\nj/a.jpg\n"));
    EXPECT_FALSE(LoadText("JPGA 1\nj/c.jpg\nj/missing.jpg\n"));
    EXPECT_FALSE(LoadText("JPGA 1\nj/grey.jpg\nj/a.jpg\n"));    // colour image with one component
    EXPECT_FALSE(LoadText("JPGA 1\nj/c.jpg\nj/colour.jpg\n"));  // alpha image with three
    EXPECT_FALSE(LoadText("JPGA 1\nj/c.jpg\nj/small.jpg\n"));   // sizes differ
    EXPECT_FALSE(LoadText("JPGA 1\nj/a.jpg\nj/c.jpg\n"));       // swapped
    EXPECT_FALSE(LoadText("JPGA 1" + std::string(5000, 'x') + "\nj/c.jpg\nj/a.jpg\n"));
}

TEST(JpegLoader, EndlessScansAreCutShort)
{
    JpegParams params = Solid(8, 8, JpegColor::YCBCR, {10, 20, 30});
    params.progressive = true;
    const Bytes8 good = EncodeJpeg(params);
    ASSERT_TRUE(Decode(good));
    // Repeat the last scan: each copy is one more scan for the decoder to read.
    size_t lastScan = 0;
    for (size_t i = 0; i + 1 < good.size(); ++i)
        if (good[i] == 0xFF && good[i + 1] == 0xDA)
            lastScan = i;
    ASSERT_GT(lastScan, 0u);
    const Bytes8 scan(good.begin() + lastScan, good.end() - 2);
    auto withCopies = [&](int copies) {
        Bytes8 file(good.begin(), good.end() - 2);
        for (int i = 0; i < copies; ++i)
            file.insert(file.end(), scan.begin(), scan.end());
        file.insert(file.end(), {0xFF, 0xD9});
        return file;
    };
    EXPECT_TRUE(Decode(withCopies(20)));
    EXPECT_FALSE(Decode(withCopies(1200)));
}
