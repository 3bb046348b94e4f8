// The factory's probes for every format, the extension list's compressed entries, and the two
// engine-own raw formats, CRLE and C565.
#include <gtest/gtest.h>

#include "Decode.h"
#include "ImageFiles.h"
#include "graphics/OpenGL.h"
#include "graphics/image/AnimImageLoader.h"
#include "graphics/image/DdsImageLoader.h"
#include "graphics/image/EtcImageLoader.h"
#include "graphics/image/ImageLoader565.h"
#include "graphics/image/JpgaImageLoader.h"
#include "graphics/image/PngImageLoader.h"
#include "graphics/image/PvrImageLoader.h"
#include "graphics/image/PvrPlusImageLoader.h"
#include "graphics/image/RLEImageLoader.h"
#include "graphics/pixeldata/PixelDataRLE.h"
#include "graphics/surface/Surface.h"
#include "support/ImageEncode.h"
#include "support/MemoryMount.h"
#include "vfs/Vfs.h"

using namespace Vorn;
using namespace VornTest;

namespace {

template <class T>
bool MakesLoaderOf(const Bytes8& bytes)
{
    SmartPtr<CachedFile> file = MemoryFile(bytes);
    SmartPtr<ImageLoader> loader(ImageLoader::CreateLoader(file.Get()));
    return loader && dynamic_cast<T*>(loader.Get()) != nullptr;
}

SmartPtr<Surface> LoadBytes(const Bytes8& bytes)
{
    SmartPtr<CachedFile> file = MemoryFile(bytes);
    return SmartPtr<Surface>(ImageLoader::Load(file.Get()));
}

Bytes8 Pvrtc8x8()
{
    return Bytes8(32, 0x55);
}

// A 3 x 2 RGBA image with transparent, translucent and opaque pixels, as RLE runs.
SmartPtr<PixelDataRLE> SampleRle()
{
    SmartPtr<MemPixelData> source(new MemPixelData(3, 2, PF_RGBA8888));
    const u8 pixels[24] = {0, 0, 0, 0, 10, 20, 30, 128, 40, 50, 60, 255, 40, 50, 60, 255, 40, 50, 60, 255, 0, 0, 0, 0};
    std::copy(pixels, pixels + 24, source->Lock());
    return SmartPtr<PixelDataRLE>(new PixelDataRLE(source.Get()));
}

Bytes8 RunsOf(const PixelDataRLE& rle)
{
    return Bytes8(rle.LockConst(), rle.LockConst() + rle.GetStreamSize());
}

}  // namespace

TEST(ImageLoaderFactory, ProbesEveryFormatByItsFirstBytes)
{
    EXPECT_TRUE(MakesLoaderOf<AnimImageLoader>(Text("<?xml version=\"1.0\"?><anim/>")));
    EXPECT_FALSE(ImageLoader::IsSupported(MemoryFile(Text("<?xml version='1.0'?><anim/>")).Get()));
    EXPECT_FALSE(ImageLoader::IsSupported(MemoryFile(Text("<?xml version=\"1.0")).Get()));
    EXPECT_TRUE(MakesLoaderOf<RLEImageLoader>(Text("CRLE")));
    EXPECT_TRUE(MakesLoaderOf<ImageLoader565>(Text("C565")));
    EXPECT_TRUE(MakesLoaderOf<DdsImageLoader>(Text("DDS ")));
    EXPECT_TRUE(MakesLoaderOf<PvrPlusImageLoader>(Text("PVR+")));
    for (u32 type : {12u, 13u, 24u, 25u})
        EXPECT_TRUE(MakesLoaderOf<PvrImageLoader>(PvrV2(8, 8, type, 4, false, Pvrtc8x8()))) << type;
    for (u64 format : {0ull, 1ull, 2ull, 3ull})
        EXPECT_TRUE(MakesLoaderOf<PvrImageLoader>(PvrV3(8, 8, format, Pvrtc8x8()))) << format;
    EXPECT_TRUE(MakesLoaderOf<EtcImageLoader>(PvrV2(8, 8, 0x36, 4, false, Pvrtc8x8())));
    EXPECT_TRUE(MakesLoaderOf<EtcImageLoader>(PvrV3(8, 8, 6, Pvrtc8x8())));
    // Neither: another pixel type, a format with its high half set, a short header.
    EXPECT_FALSE(ImageLoader::IsSupported(MemoryFile(PvrV2(8, 8, 0x10, 4, false, {})).Get()));
    EXPECT_FALSE(ImageLoader::IsSupported(MemoryFile(PvrV3(8, 8, 6ull | (1ull << 32), {})).Get()));
    Bytes8 shortHeader = PvrV3(8, 8, 2, {});
    shortHeader.resize(51);
    EXPECT_FALSE(ImageLoader::IsSupported(MemoryFile(shortHeader).Get()));
    EXPECT_FALSE(ImageLoader::IsSupported(MemoryFile({}).Get()));

    // Each probe starts from the first byte, whatever the previous one read.
    SmartPtr<CachedFile> file = MemoryFile(PvrPlusFile(0, 0, {}, {}));
    file->Seek(3, SeekableStream::FROM_START);
    SmartPtr<ImageLoader> loader(ImageLoader::GetLoader(file.Get()));
    EXPECT_TRUE(dynamic_cast<PvrPlusImageLoader*>(loader.Get()));
    EXPECT_EQ(0u, file->Tell());
}

TEST(ImageLoaderFactory, CompressedExtensionsComeFirstWhereTheGpuTakesThem)
{
    const char* const* list = ImageLoader::GetExtensions();
    MemoryMount* mount = MemoryMount::Install("c/");
    mount->Add("pic.png", EncodePngRgb(1, 1, {1, 2, 3}, false));
    mount->Add("pic.dds", Text("DDS "));
    mount->Add("pic.etc", Text("x"));
    mount->Add("pic.pvr", Text("x"));

    OpenGL::SetCompressedOverride(OpenGL::COMPRESSED_ALL);
    EXPECT_EQ(list, ImageLoader::GetExtensions());
    const char* all[] = {"dds", "etc+", "pvr+", "etc", "pvr", "png", "jpga", "jpg"};
    for (int i = 0; i < 8; ++i)
        EXPECT_STREQ(all[i], list[i]);
    EXPECT_EQ(nullptr, list[8]);
    EXPECT_EQ("c/pic.dds", ImageLoader::FindImageFile("c/pic."));
    mount->Remove("pic.dds");
    EXPECT_EQ("c/pic.etc", ImageLoader::FindImageFile("c/pic."));

    OpenGL::SetCompressedOverride(OpenGL::COMPRESSED_NONE);
    EXPECT_EQ(list, ImageLoader::GetExtensions());
    EXPECT_STREQ("png", list[0]);
    EXPECT_EQ("c/pic.png", ImageLoader::FindImageFile("c/pic."));
    OpenGL::SetCompressedOverride(OpenGL::COMPRESSED_AS_DETECTED);
    Vfs::Shutdown();
}

TEST(C565Loader, RowsAndWholeImageReadTheSamePixels)
{
    const Bytes8 pixels = {0x1F, 0x00, 0xE0, 0x07, 0x00, 0xF8, 0x34, 0x12, 0xFF, 0xFF, 0x00, 0x00};
    const Bytes8 file = C565File(3, 2, pixels);
    // Row by row.
    SmartPtr<MemPixelData> rows = Decode(file);
    ASSERT_TRUE(rows);
    EXPECT_EQ(PF_RGB565, rows->GetFormat());
    EXPECT_EQ(pixels, Bytes(*rows));
    // Whole, into a surface.
    SmartPtr<Surface> surface = LoadBytes(file);
    ASSERT_TRUE(surface);
    EXPECT_EQ(3, surface->GetWidth());
    EXPECT_EQ(2, surface->GetHeight());
    EXPECT_EQ(PF_RGB565, surface->GetPixelData()->GetFormat());

    const Bytes8 one = C565File(1, 1, {0x34, 0x12});
    ASSERT_EQ(14u, one.size());
    SmartPtr<MemPixelData> single = Decode(one);
    ASSERT_TRUE(single);
    EXPECT_EQ((Bytes8{0x34, 0x12}), Bytes(*single));
}

TEST(C565Loader, RefusesShortFilesAndImpossibleSizes)
{
    const Bytes8 file = C565File(3, 2, Bytes8(12, 7));
    for (size_t n = 4; n < file.size(); ++n) {
        const Bytes8 cut(file.begin(), file.begin() + static_cast<long>(n));
        EXPECT_FALSE(LoadBytes(cut)) << n;
        EXPECT_FALSE(Decode(cut)) << n;
    }
    EXPECT_FALSE(LoadBytes(C565File(0, 5, {})));
    EXPECT_FALSE(LoadBytes(C565File(0x10000, 0x10000, Bytes8(16))));
    EXPECT_FALSE(LoadBytes(C565File(0xFFFFFFFF, 1, Bytes8(16))));
}

TEST(CrleLoader, RoundTripsTheRunStream)
{
    SmartPtr<PixelDataRLE> rle = SampleRle();
    const Bytes8 runs = RunsOf(*rle);
    ASSERT_FALSE(runs.empty());
    SmartPtr<CachedFile> file = MemoryFile(CrleFile(3, 2, runs));
    RLEImageLoader loader;
    loader.SetStream(file.Get());
    SmartPtr<PixelData> read(loader.ReadRunStream());
    ASSERT_TRUE(read);
    EXPECT_EQ(PF_RLE, read->GetFormat());
    EXPECT_EQ(runs, Bytes8(read->LockConst(), read->LockConst() + runs.size()));

    SmartPtr<Surface> surface = LoadBytes(CrleFile(3, 2, runs));
    ASSERT_TRUE(surface);
    EXPECT_EQ(3, surface->GetWidth());
    EXPECT_EQ(PF_RGBA8888, surface->GetPixelData()->GetFormat());
}

TEST(CrleLoader, RefusesSizesAndRunsThatDoNotFit)
{
    const Bytes8 runs = RunsOf(*SampleRle());
    const Bytes8 file = CrleFile(3, 2, runs);
    for (size_t n = 0; n < file.size(); ++n)
        EXPECT_FALSE(LoadBytes(Bytes8(file.begin(), file.begin() + static_cast<long>(n)))) << n;
    EXPECT_FALSE(LoadBytes(CrleFile(3, 2, runs, 0)));
    // The size must be the stream's exact extent: one short, or one byte of anything after it.
    EXPECT_FALSE(LoadBytes(CrleFile(3, 2, runs, static_cast<long long>(runs.size()) - 1)));
    Bytes8 longer = runs;
    longer.push_back(0);
    EXPECT_FALSE(LoadBytes(CrleFile(3, 2, longer)));
    EXPECT_FALSE(LoadBytes(CrleFile(3, 2, runs, 0x7FFFFFFF)));
    // The same runs for a narrower or shorter image pass the row or the stream.
    EXPECT_FALSE(LoadBytes(CrleFile(2, 2, runs)));
    EXPECT_FALSE(LoadBytes(CrleFile(3, 3, runs)));
    // One row whose run counts more pixels than the row has.
    Bytes8 wide = {PixelDataRLE::ROW_MARKER, 3, 0, PixelDataRLE::OP_TRANSPARENT, 9, 0};
    EXPECT_FALSE(LoadBytes(CrleFile(3, 1, wide)));
    wide[4] = 3;
    EXPECT_TRUE(LoadBytes(CrleFile(3, 1, wide)));
    EXPECT_FALSE(LoadBytes(CrleFile(0x10000, 1, wide)));
}
