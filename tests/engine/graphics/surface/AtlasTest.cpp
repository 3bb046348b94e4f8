#include <gtest/gtest.h>

#include "base/AssetDict.h"
#include "graphics/surface/Atlas.h"
#include "support/ImageEncode.h"
#include "support/MemoryMount.h"
#include "vfs/Vfs.h"

using namespace Vorn;
using namespace VornTest;

namespace {

class AtlasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mount = MemoryMount::Install("a/");
        mount->Add("img.png", EncodePngRgb(8, 8, std::vector<u8>(8 * 8 * 4, 77), true));
        g_assetDict = new AssetDict();
    }

    void TearDown() override
    {
        g_assetDict = nullptr;
        Vfs::Shutdown();
    }

    SmartPtr<Atlas> Make(const std::string& xml, const char* suffix = "")
    {
        mount->Add("img.xml", xml);
        return SmartPtr<Atlas>(new Atlas("a/img.xml", "a/img.", suffix));
    }

    MemoryMount* mount = nullptr;
};

}  // namespace

TEST_F(AtlasTest, RectFramesShareTheImage)
{
    SmartPtr<Atlas> atlas = Make("<root><rect id='r' x='3' y='0x2' width='4' height='010'/><other/></root>");
    ASSERT_TRUE(atlas->IsLoaded());
    ASSERT_EQ(1u, atlas->GetFrames().size());
    AtlasSurface* frame = atlas->GetFrame("r");
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(atlas->GetImage()->GetPixelData(), frame->GetPixelData());
    EXPECT_EQ(atlas->GetImage(), frame->GetImage());
    EXPECT_EQ(3, frame->GetTextureOriginX());
    EXPECT_EQ(2, frame->GetTextureOriginY());  // hexadecimal
    EXPECT_EQ(4, frame->GetWidth());
    EXPECT_EQ(8, frame->GetHeight());  // octal: 010 is eight
    EXPECT_EQ((Rect{0, 0, 4, 8}), frame->GetClipRect());
    EXPECT_EQ(255, frame->GetAlpha());
    EXPECT_EQ(0u, frame->GetPieceCount());
}

TEST_F(AtlasTest, FramesOutliveTheAtlasAndKeepTheImage)
{
    SmartPtr<Atlas> atlas = Make("<root><rect id='r' x='0' y='0' width='1' height='1'/></root>");
    SmartPtr<Surface> frame(atlas->GetFrame("r"));
    SmartPtr<Surface> image(atlas->GetImage());
    WeakPtr<Surface> weakImage(image);
    image = nullptr;
    atlas = nullptr;
    EXPECT_TRUE(weakImage.Lock());
    frame = nullptr;
    EXPECT_FALSE(weakImage.Lock());
}

TEST_F(AtlasTest, CompositeFramesReadTheirPieces)
{
    SmartPtr<Atlas> atlas = Make(
        "<root><asset id='c' rects='2' w='6' h='5'>"
        "<rect x='0' y='0' w='3' h='5' ax='1' ay='2' f='no'/>"
        "<rect x='65537' y='1' w='2' h='4' ax='4' ay='0' f='yes'/>"
        "</asset></root>");
    AtlasSurface* frame = atlas->GetFrame("c");
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(0, frame->GetTextureOriginX());
    EXPECT_EQ(6, frame->GetWidth());
    EXPECT_EQ(5, frame->GetHeight());
    ASSERT_EQ(2u, frame->GetPieceCount());
    const SurfacePiece& a = frame->GetPieces()[0];
    EXPECT_EQ(0, a.x);
    EXPECT_EQ(3, a.w);
    EXPECT_EQ(1, a.ax);
    EXPECT_EQ(2, a.ay);
    EXPECT_EQ(1, a.dx);
    EXPECT_EQ(2, a.dy);
    EXPECT_EQ(0, a.rotated);
    const SurfacePiece& b = frame->GetPieces()[1];
    EXPECT_EQ(1, b.x);  // the low 16 bits of 65537
    EXPECT_EQ(4 - 65537, b.dx);  // from the full value
    EXPECT_EQ(-1, b.dy);
    EXPECT_NE(0, b.rotated);
}

TEST_F(AtlasTest, PieceCountsFollowTheChildrenNotTheClaim)
{
    SmartPtr<Atlas> atlas = Make(
        "<root>"
        "<asset id='more' rects='5' w='1' h='1'><rect x='1' y='0' w='1' h='1' ax='0' ay='0' f='0'/></asset>"
        "<asset id='fewer' rects='1' w='1' h='1'><rect x='1' y='0' w='1' h='1' ax='0' ay='0' f='0'/>"
        "<rect x='2' y='0' w='1' h='1' ax='0' ay='0' f='0'/></asset>"
        "<asset id='huge' rects='2147483647' w='1' h='1'><rect x='3' y='0' w='1' h='1' ax='0' ay='0' f='0'/></asset>"
        "<asset id='negative' rects='-4' w='-1' h='1'><rect x='3' y='0' w='1' h='1' ax='0' ay='0' f='0'/></asset>"
        "<asset id='sparse' rects='2' w='1' h='1'><rect/><rect x='bad' y='2'/></asset>"
        "</root>");
    EXPECT_EQ(1u, atlas->GetFrame("more")->GetPieceCount());
    ASSERT_EQ(1u, atlas->GetFrame("fewer")->GetPieceCount());
    EXPECT_EQ(1, atlas->GetFrame("fewer")->GetPieces()[0].x);
    EXPECT_EQ(1u, atlas->GetFrame("huge")->GetPieceCount());
    EXPECT_EQ(0u, atlas->GetFrame("negative")->GetPieceCount());
    EXPECT_EQ(0, atlas->GetFrame("negative")->GetWidth());
    // Missing or unreadable attributes read as 0 (false for f).
    ASSERT_EQ(2u, atlas->GetFrame("sparse")->GetPieceCount());
    const SurfacePiece& empty = atlas->GetFrame("sparse")->GetPieces()[1];
    EXPECT_EQ(0, empty.x);
    EXPECT_EQ(2, empty.y);
    EXPECT_EQ(0, empty.rotated);
}

TEST_F(AtlasTest, FirstFrameOfANameWinsAndRectsComeFirst)
{
    SmartPtr<Atlas> atlas = Make(
        "<root><asset id='x' rects='0' w='9' h='9'/><rect id='x' x='1' y='1' width='2' height='2'/>"
        "<rect id='x' x='5' y='5' width='3' height='3'/><rect x='0' y='0' width='1' height='1'/></root>");
    ASSERT_EQ(2u, atlas->GetFrames().size());
    EXPECT_EQ(2, atlas->GetFrame("x")->GetWidth());
    EXPECT_EQ(1, atlas->GetFrame("x")->GetTextureOriginX());
    EXPECT_NE(nullptr, atlas->GetFrame(""));  // a rect without id
}

TEST_F(AtlasTest, SuffixesMakeDisjointFrameSetsOverSeparateImages)
{
    const std::string xml = "<root><rect id='f' x='0' y='0' width='2' height='2'/></root>";
    SmartPtr<Atlas> plain = Make(xml);
    SmartPtr<Atlas> keyed = Make(xml, "ck");
    EXPECT_NE(nullptr, plain->GetFrame("f"));
    EXPECT_EQ(nullptr, plain->GetFrame("f@ck"));
    ASSERT_NE(nullptr, keyed->GetFrame("f@ck"));
    EXPECT_EQ(+Surface::FLAG_COLORKEY, keyed->GetFrame("f@ck")->GetFlags());
    EXPECT_EQ(0u, plain->GetFrame("f")->GetFlags());
    EXPECT_NE(plain->GetImage(), keyed->GetImage());
    // The images are named assets: the plain one under its path, the keyed one with its options.
    EXPECT_EQ(plain->GetImage(), g_assetDict->FindAsset<Surface>("a/img.png").Get());
    EXPECT_EQ(keyed->GetImage(), g_assetDict->FindAsset<Surface>("a/img.png@ck").Get());
    // A second atlas over the same image shares it.
    SmartPtr<Atlas> again = Make(xml);
    EXPECT_EQ(plain->GetImage(), again->GetImage());
}

TEST_F(AtlasTest, EmptyMissingAndMalformedDescriptions)
{
    SmartPtr<Atlas> empty = Make("<root/>");
    EXPECT_TRUE(empty->IsLoaded());
    EXPECT_TRUE(empty->GetFrames().empty());
    EXPECT_TRUE(empty->GetImage());

    EXPECT_FALSE(Make("<root><rect id='a'")->IsLoaded());
    EXPECT_FALSE(Make("")->IsLoaded());
    SmartPtr<Atlas> missing(new Atlas("a/none.xml", "a/img.", ""));
    EXPECT_FALSE(missing->IsLoaded());
    mount->Remove("img.png");
    SmartPtr<Atlas> noImage = Make("<root><rect id='r' x='0' y='0' width='1' height='1'/></root>");
    EXPECT_FALSE(noImage->IsLoaded());
    EXPECT_TRUE(noImage->GetFrames().empty());
}

TEST_F(AtlasTest, ImageLookupTriesNamedExtensionsFirst)
{
    SmartPtr<Surface> named(AssetDict::LoadSurface("a/img.png"));
    ASSERT_TRUE(named);
    g_assetDict->SetAsset<Surface>("a/pic.png@linear", named.Get());
    // "a/pic.@linear" is looked up as a/pic.dds@linear ... a/pic.png@linear before any load.
    EXPECT_EQ(named.Get(), Atlas::LoadImage("a/pic.@linear").Get());
    // Without a dictionary the image is loaded and nothing is named.
    g_assetDict = nullptr;
    SmartPtr<Surface> loaded = Atlas::LoadImage("a/img.png");
    EXPECT_TRUE(loaded);
    EXPECT_NE(named.Get(), loaded.Get());
}
