#include <gtest/gtest.h>

#include "application/AbstractApp.h"
#include "base/AssetDict.h"
#include "base/TextDict.h"
#include "graphics/surface/Atlas.h"
#include "graphics/surface/Surface.h"
#include "support/ImageEncode.h"
#include "support/MemoryMount.h"
#include "vfs/Vfs.h"

using namespace Vorn;
using namespace VornTest;

namespace {

const char* const ATLAS_A = "<atlas><rect id='one' x='0' y='0' width='2' height='2'/>"
                            "<rect id='two' x='2' y='0' width='2' height='2'/></atlas>";
const char* const ATLAS_B = "<atlas><rect id='two' x='0' y='2' width='4' height='2'/></atlas>";

class AssetDictTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mount = MemoryMount::Install("d/");
        mount->Add("rgb.png", EncodePngRgb(2, 2, std::vector<u8>(12, 200), false));
        mount->Add("rgba.png", EncodePngRgb(2, 2, std::vector<u8>(16, 200), true));
        mount->Add("a@b.png", EncodePngRgb(1, 1, {1, 2, 3}, false));
        mount->Add("ui.png", EncodePngRgb(4, 4, std::vector<u8>(64, 9), true));
        mount->Add("ui.xml", ATLAS_A);
        mount->Add("other.png", EncodePngRgb(4, 4, std::vector<u8>(64, 9), true));
        mount->Add("other.xml", ATLAS_B);
        mount->Add("noimage.xml", ATLAS_A);
        g_assetDict = new AssetDict();
    }

    void TearDown() override
    {
        g_assetDict = nullptr;
        Vfs::Shutdown();
    }

    MemoryMount* mount = nullptr;
};

}  // namespace

TEST_F(AssetDictTest, SurfaceOptionsApplyInOrderAndUnknownOnesAreIgnored)
{
    SmartPtr<Surface> plain(AssetDict::LoadSurface("d/rgb.png"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(0u, plain->GetFlags());
    EXPECT_EQ(PF_RGB888, plain->GetPixelData()->GetFormat());

    SmartPtr<Surface> keyed(AssetDict::LoadSurface("d/rgb.png@565,ck"));
    ASSERT_TRUE(keyed);
    EXPECT_EQ(+Surface::FLAG_COLORKEY, keyed->GetFlags());
    EXPECT_EQ(PF_RGB565, keyed->GetPixelData()->GetFormat());
    const u8* key = keyed->GetPixelData()->GetColorKey();
    EXPECT_EQ((std::vector<u8>{255, 0, 255, 255}), std::vector<u8>(key, key + 4));

    SmartPtr<Surface> linear(AssetDict::LoadSurface("d/rgb.png@,,bogus,linear,,rle,"));
    ASSERT_TRUE(linear);
    EXPECT_EQ(+Surface::FLAG_LINEAR, linear->GetFlags());
    EXPECT_EQ(PF_RGB888, linear->GetPixelData()->GetFormat());

    // 16-bit conversion is only for opaque colour: an RGBA image keeps its alpha.
    SmartPtr<Surface> rgba(AssetDict::LoadSurface("d/rgba.png@565"));
    ASSERT_TRUE(rgba);
    EXPECT_EQ(PF_RGBA8888, rgba->GetPixelData()->GetFormat());
}

TEST_F(AssetDictTest, SpecsSplitAtTheLastAtAndFindExtensions)
{
    SmartPtr<Surface> found(AssetDict::LoadSurface("d/rgb.@ck"));  // d/rgb.png
    ASSERT_TRUE(found);
    EXPECT_EQ(+Surface::FLAG_COLORKEY, found->GetFlags());
    EXPECT_TRUE(SmartPtr<Surface>(AssetDict::LoadSurface("d/rgb.")));
    EXPECT_TRUE(SmartPtr<Surface>(AssetDict::LoadSurface("d/rgb.png@")));

    SmartPtr<Surface> twoAts(AssetDict::LoadSurface("d/a@b.png@linear"));
    ASSERT_TRUE(twoAts);
    EXPECT_EQ(+Surface::FLAG_LINEAR, twoAts->GetFlags());

    EXPECT_FALSE(SmartPtr<Surface>(AssetDict::LoadSurface("@ck")));
    EXPECT_FALSE(SmartPtr<Surface>(AssetDict::LoadSurface("d/missing@ck")));
    EXPECT_FALSE(SmartPtr<Surface>(AssetDict::LoadSurface("d/missing")));
    EXPECT_FALSE(SmartPtr<Surface>(AssetDict::LoadSurface("d/ui.xml")));  // opens, but is no image
}

TEST_F(AssetDictTest, AtlasFramesAreNamedWeakly)
{
    ASSERT_TRUE(g_assetDict->LoadAtlas("d/ui.xml"));
    SmartPtr<Surface> one = g_assetDict->FindAsset<Surface>("one");
    ASSERT_TRUE(one);
    const Atlas* atlas = g_assetDict->GetAtlases().at("d/ui.xml").Get();
    EXPECT_EQ(atlas->GetFrame("one"), one.Get());
    one = nullptr;

    g_assetDict->UnloadAtlas("d/ui.xml");
    EXPECT_TRUE(g_assetDict->GetAtlases().empty());
    EXPECT_FALSE(g_assetDict->FindAsset<Surface>("one"));
    EXPECT_EQ(0u, g_assetDict->GetAssets().count("one"));  // the dead entry is gone

    g_assetDict->UnloadAtlas("d/never.xml");  // unknown specs change nothing
}

TEST_F(AssetDictTest, NamesFollowTheLatestAtlas)
{
    ASSERT_TRUE(g_assetDict->LoadAtlas("d/ui.xml"));
    ASSERT_TRUE(g_assetDict->LoadAtlas("d/other.xml"));
    const Atlas* ui = g_assetDict->GetAtlases().at("d/ui.xml").Get();
    const Atlas* other = g_assetDict->GetAtlases().at("d/other.xml").Get();
    EXPECT_EQ(other->GetFrame("two"), g_assetDict->FindAsset<Surface>("two").Get());
    EXPECT_EQ(ui->GetFrame("one"), g_assetDict->FindAsset<Surface>("one").Get());

    // Loading the first spec again makes no new atlas and gives its frames their names back.
    ASSERT_TRUE(g_assetDict->LoadAtlas("d/ui.xml"));
    EXPECT_EQ(ui, g_assetDict->GetAtlases().at("d/ui.xml").Get());
    EXPECT_EQ(ui->GetFrame("two"), g_assetDict->FindAsset<Surface>("two").Get());
}

TEST_F(AssetDictTest, AtlasWithoutItsImageIsRefused)
{
    EXPECT_FALSE(g_assetDict->LoadAtlas("d/noimage.xml"));
    EXPECT_FALSE(g_assetDict->LoadAtlas("d/nothing.xml"));
    EXPECT_TRUE(g_assetDict->GetAtlases().empty());
    EXPECT_TRUE(g_assetDict->GetAssets().empty());
}

TEST_F(AssetDictTest, NamedAssetsAreWeakAndFirstComerKeepsALiveName)
{
    SmartPtr<Surface> first(AssetDict::LoadSurface("d/rgb.png"));
    SmartPtr<Surface> second(AssetDict::LoadSurface("d/rgb.png"));
    EXPECT_TRUE(g_assetDict->AddAsset<Surface>("n", first.Get()));
    EXPECT_FALSE(g_assetDict->AddAsset<Surface>("n", second.Get()));
    EXPECT_EQ(first.Get(), g_assetDict->FindAsset<Surface>("n").Get());
    EXPECT_EQ(1, first->GetRefCount());  // the dictionary holds no strong reference

    first = nullptr;
    EXPECT_TRUE(g_assetDict->AddAsset<Surface>("n", second.Get()));  // the dead name is free
    g_assetDict->SetAsset<Surface>("n", nullptr);
    EXPECT_FALSE(g_assetDict->FindAsset<Surface>("n"));
    EXPECT_FALSE(g_assetDict->FindAsset<Surface>("absent"));
}

TEST(AssetDictNames, KeysCompareByteWise)
{
    SmartPtr<AssetDict> dict(new AssetDict());
    dict->SetAsset<Surface>("b", nullptr);
    dict->SetAsset<Surface>("B", nullptr);
    dict->SetAsset<Surface>("ab", nullptr);
    dict->SetAsset<Surface>("a", nullptr);
    dict->SetAsset<Surface>("\xC3\xA9", nullptr);
    std::vector<std::string> order;
    for (const auto& entry : dict->GetAssets())
        order.push_back(entry.first);
    EXPECT_EQ((std::vector<std::string>{"B", "a", "ab", "b", "\xC3\xA9"}), order);
    EXPECT_TRUE(AssetDict::IsComma(','));
    EXPECT_FALSE(AssetDict::IsNotComma(','));
    EXPECT_TRUE(AssetDict::IsNotComma('@'));
}

namespace {

// Whether the text dictionary was still installed when the asset dictionary died.
bool s_textsAliveAtAssetRelease = false;

class WatchedAssetDict : public AssetDict {
public:
    ~WatchedAssetDict() override { s_textsAliveAtAssetRelease = static_cast<bool>(g_textDict); }
};

class PlainApp : public AbstractApp {
public:
    PlainApp() : AbstractApp(0) {}
};

}  // namespace

TEST(AssetDictGlobal, TheApplicationReleasesItBeforeTheTexts)
{
    SmartPtr<PlainApp> app(new PlainApp);
    g_textDict = new TextDict;
    g_assetDict = new WatchedAssetDict;
    WeakPtr<TextDict> texts(g_textDict);
    app = nullptr;
    EXPECT_FALSE(g_assetDict);
    EXPECT_TRUE(s_textsAliveAtAssetRelease);
    EXPECT_FALSE(texts.Lock());
}
