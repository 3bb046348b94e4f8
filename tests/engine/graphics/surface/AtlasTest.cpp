#include <gtest/gtest.h>

#include "base/AssetDict.h"
#include "graphics/surface/Atlas.h"
#include "graphics/surface/TriangleEngine.h"
#include "support/HeadlessGL.h"
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

namespace {

// A distinct opaque colour per atlas texel, as R, G, B, A bytes and as 0xRRGGBBAA.
u32 AtlasTexel(int x, int y)
{
    return (u32(x * 20 + 10) << 24) | (u32(y * 20 + 10) << 16) | 0x5500u | 0xFFu;
}

const u32 BLACK = 0x000000FFu;

class AtlasDrawTest : public AtlasTest {
protected:
    void SetUp() override
    {
        AtlasTest::SetUp();
        if (!HeadlessScreen())
            GTEST_SKIP() << "no GL";
        std::vector<u8> rgba;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const u32 t = AtlasTexel(x, y);
                rgba.insert(rgba.end(), {u8(t >> 24), u8(t >> 16), u8(t >> 8), u8(t)});
            }
        mount->Add("img.png", EncodePngRgb(8, 8, rgba, true));
        // Frame "c" (5 x 3): piece A upright from (0, 4); piece B stored turned at (5, 3), so
        // frame point (fx, fy) of B comes from image column 5 + fy, row 3 + (fx - 2).
        atlas = Make(
            "<root><rect id='r' x='2' y='1' width='3' height='2'/>"
            "<asset id='c' rects='2' w='5' h='3'>"
            "<rect x='0' y='0' w='2' h='3' ax='0' ay='4' f='no'/>"
            "<rect x='2' y='0' w='3' h='2' ax='5' ay='3' f='yes'/>"
            "</asset></root>");
        ASSERT_TRUE(atlas->IsLoaded());
        target = new Surface(16, 16, PF_RGBA8888);
        target->FillRect(0, 0, 16, 16, Color{0, 0, 0, 255});
    }

    // What frame point (fx, fy) of "c" shows; black where no piece lies.
    static u32 CompositeTexel(int fx, int fy)
    {
        if (fx < 2)
            return AtlasTexel(fx, 4 + fy);
        if (fy < 2)
            return AtlasTexel(5 + fy, 3 + (fx - 2));
        return BLACK;
    }

    SmartPtr<Atlas> atlas;
    SmartPtr<Surface> target;
};

}  // namespace

TEST_F(AtlasDrawTest, RectFrameDrawsItsPartOfTheImage)
{
    target->Blit(1, 2, atlas->GetFrame("r"), Rect{0, 0, 3, 2});
    Image out = ReadPixels(target.Get());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            ASSERT_EQ(AtlasTexel(2 + x, 1 + y), out.Pixel(1 + x, 2 + y)) << x << "," << y;
    EXPECT_EQ(BLACK, out.Pixel(4, 2));
    EXPECT_EQ(BLACK, out.Pixel(1, 4));

    // Clamped to the frame, not to the image behind it.
    target->FillRect(0, 0, 16, 16, Color{0, 0, 0, 255});
    target->Blit(0, 0, atlas->GetFrame("r"), Rect{0, 0, 8, 8});
    out = ReadPixels(target.Get());
    EXPECT_EQ(AtlasTexel(4, 2), out.Pixel(2, 1));
    EXPECT_EQ(BLACK, out.Pixel(3, 1));
    EXPECT_EQ(BLACK, out.Pixel(0, 2));
}

TEST_F(AtlasDrawTest, CompositeFrameAssemblesUprightAndTurnedPieces)
{
    target->Blit(1, 1, atlas->GetFrame("c"), Rect{0, 0, 5, 3});
    Image out = ReadPixels(target.Get());
    for (int fy = 0; fy < 3; ++fy)
        for (int fx = 0; fx < 5; ++fx)
            ASSERT_EQ(CompositeTexel(fx, fy), out.Pixel(1 + fx, 1 + fy)) << fx << "," << fy;

    // A part of the frame that crosses both pieces.
    target->FillRect(0, 0, 16, 16, Color{0, 0, 0, 255});
    target->Blit(0, 0, atlas->GetFrame("c"), Rect{1, 1, 3, 2});
    out = ReadPixels(target.Get());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            ASSERT_EQ(CompositeTexel(1 + x, 1 + y), out.Pixel(x, y)) << x << "," << y;
}

TEST_F(AtlasDrawTest, TurnedPiecesDrawTheSameAsSpritesAndStretched)
{
    const float one[2] = {1, 1};
    const float origin[2] = {0, 0};
    TriangleEngine::Draw(target.Get(), atlas->GetFrame("c"), 2, 3, 0, one, origin, TriangleEngine::FLIP_NONE,
                         Rect{0, 0, 5, 3});
    Image out = ReadPixels(target.Get());
    for (int fy = 0; fy < 3; ++fy)
        for (int fx = 0; fx < 5; ++fx)
            ASSERT_EQ(CompositeTexel(fx, fy), out.Pixel(2 + fx, 3 + fy)) << fx << "," << fy;

    // Stretched by two onto a 10 x 6 target: each frame point covers 2 x 2 pixels.
    SmartPtr<Surface> big(new Surface(10, 6, PF_RGBA8888));
    big->FillRect(0, 0, 10, 6, Color{0, 0, 0, 255});
    big->StretchBlit(atlas->GetFrame("c"), Rect{0, 0, 5, 3});
    out = ReadPixels(big.Get());
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(CompositeTexel(x / 2, y / 2), out.Pixel(x, y)) << x << "," << y;
}
