#include <gtest/gtest.h>

#include "Decode.h"
#include "graphics/image/JpegImageLoader.h"
#include "graphics/image/JpgaImageLoader.h"
#include "graphics/image/PngImageLoader.h"
#include "support/ImageEncode.h"
#include "support/MemoryMount.h"
#include "vfs/Vfs.h"

using namespace Vorn;
using namespace VornTest;

namespace {

typedef std::vector<u8> Bytes8;

template <class T>
bool MakesLoaderOf(const Bytes8& bytes)
{
    SmartPtr<CachedFile> file = MemoryFile(bytes);
    SmartPtr<ImageLoader> loader(ImageLoader::CreateLoader(file.Get()));
    return loader && dynamic_cast<T*>(loader.Get()) != nullptr;
}

}  // namespace

TEST(ImageLoaderFactory, RecognisesFormatsByContent)
{
    const Bytes8 png = EncodePngRgb(1, 1, {1, 2, 3}, false);
    JpegParams params;
    params.pixels = {1, 2, 3};
    const Bytes8 jpeg = EncodeJpeg(params);
    const std::string jpga = "JPGA 1\nx\ny\n";
    EXPECT_TRUE(MakesLoaderOf<PngImageLoader>(png));
    EXPECT_TRUE(MakesLoaderOf<JpegImageLoader>(jpeg));
    EXPECT_TRUE(MakesLoaderOf<JpgaImageLoader>(Bytes8(jpga.begin(), jpga.end())));

    for (const char* other : {"", "\x89PN", "JPGA 2", "JPGA", "GIF89a", "\xFF\xD8\xFF\xDB"}) {
        const std::string text(other);
        SmartPtr<CachedFile> file = MemoryFile(Bytes8(text.begin(), text.end()));
        EXPECT_FALSE(ImageLoader::IsSupported(file.Get())) << text;
        EXPECT_FALSE(ImageLoader::GetLoader(file.Get())) << text;
        EXPECT_EQ(nullptr, ImageLoader::Load(file.Get())) << text;
    }
    EXPECT_FALSE(ImageLoader::IsSupported(nullptr));

    // GetLoader rewinds, so the loader reads from the first byte.
    SmartPtr<CachedFile> file = MemoryFile(png);
    SmartPtr<ImageLoader> loader(ImageLoader::GetLoader(file.Get()));
    ASSERT_TRUE(loader);
    EXPECT_EQ(0u, file->Tell());
    SmartPtr<MemPixelData> pixels(loader->ReadPixels());
    ASSERT_TRUE(pixels);
    EXPECT_EQ((Bytes8{3, 2, 1}), Bytes(*pixels));
}

TEST(ImageLoaderFactory, ExtensionListIsBuiltOnce)
{
    const char* const* first = ImageLoader::GetExtensions();
    EXPECT_EQ(first, ImageLoader::GetExtensions());
    // The list ends with the software formats, in this order.
    int n = 0;
    while (first[n])
        ++n;
    ASSERT_GE(n, 3);
    EXPECT_STREQ("png", first[n - 3]);
    EXPECT_STREQ("jpga", first[n - 2]);
    EXPECT_STREQ("jpg", first[n - 1]);
}

TEST(ImageLoaderFactory, FindsFilesByExtensionAndLoadsByContent)
{
    MemoryMount* mount = MemoryMount::Install("d/");
    JpegParams params;
    params.pixels = {1, 2, 3};
    mount->Add("both.jpg", EncodeJpeg(params));
    mount->Add("both.png", EncodePngRgb(1, 1, {1, 2, 3}, false));
    mount->Add("only.jpg", EncodeJpeg(params));
    mount->Add("fake.pvr", EncodePngRgb(1, 1, {1, 2, 3}, false));

    EXPECT_EQ("d/both.png", ImageLoader::FindImageFile("d/both."));
    EXPECT_EQ("d/only.jpg", ImageLoader::FindImageFile("d/only."));
    EXPECT_EQ("", ImageLoader::FindImageFile("d/none."));

    SmartPtr<File> fake(Vfs::Open("d/fake.pvr"));
    ASSERT_TRUE(fake);
    EXPECT_TRUE(MakesLoaderOf<PngImageLoader>(Bytes8{0x89, 'P', 'N', 'G'}));
    SmartPtr<ImageLoader> loader(ImageLoader::GetLoader(fake.Get()));
    EXPECT_TRUE(dynamic_cast<PngImageLoader*>(loader.Get()));
    Vfs::Shutdown();
}
