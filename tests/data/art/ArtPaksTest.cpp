// The four resolution archives, read as the game reads them: mounted on "device/", their atlases
// registered with the asset dictionary, images found by their asset names, fonts made from their
// glyph tables, and a few of them drawn through the renderer.
#include "art/ArtSize.h"
#include "ImageTable.h"
#include "base/AssetDict.h"
#include "graphics/FontEx.h"
#include "graphics/surface/Surface.h"
#include "graphics/surface/TriangleEngine.h"
#include "support/BuiltData.h"
#include "support/HeadlessGL.h"
#include "vfs/PakMount.h"
#include "vfs/Vfs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>

using namespace Vorn;
using namespace DataBuild;
using IT = ImageTable;

namespace {

std::string PakPath(int width)
{
    return VornTest::BuiltData("data_" + std::to_string(width) + ".pak");
}

// Every character of the five text tables, and the ones the interface draws besides them.
std::set<u32> TextCharacters()
{
    std::set<u32> codes = {10, ' ', '_', '/', '%', 0xFFFD};
    for (u32 c = 'a'; c <= 'z'; ++c)
        codes.insert(c);
    for (u32 c = 'A'; c <= 'Z'; ++c)
        codes.insert(c);
    for (char c : std::string("1234567890+-!?.,|=()[]{}:;"))
        codes.insert(static_cast<unsigned char>(c));
    const std::regex element("<string id=\"[^\"]*\">([^<]*)</string>");
    for (const char* language : {"en", "fr", "it", "de", "es"}) {
        std::ifstream in(std::string(VORN_SOURCE_DIR) + "/data/texts/" + language + ".xml", std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_FALSE(bytes.empty()) << language;
        for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), element); it != std::sregex_iterator(); ++it) {
            std::string text = (*it)[1];
            // The two entities the tables use.
            for (const auto& entity : {std::make_pair(std::string("&amp;"), std::string("&")),
                                       std::make_pair(std::string("&lt;"), std::string("<"))})
                for (size_t at = text.find(entity.first); at != std::string::npos; at = text.find(entity.first, at))
                    text.replace(at, entity.first.size(), entity.second);
            for (size_t i = 0; i < text.size();) {
                const unsigned char lead = static_cast<unsigned char>(text[i]);
                const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
                u32 code = length == 1 ? lead : lead & (0x7F >> length);
                for (size_t k = 1; k < length && i + k < text.size(); ++k)
                    code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
                if (code >= 32 || code == 10)
                    codes.insert(code);
                i += length;
            }
        }
    }
    return codes;
}

class ArtPaks : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        VORN_SKIP_IF_MISSING(VornTest::MissingBuiltData({PakPath(GetParam())}));
        ASSERT_TRUE(ArtSize::ForWidth(GetParam(), m_size));
        Vfs::Init();
        m_pak = new PakMount(PakPath(GetParam()).c_str(), "device/", 0, PakMount::NATIVE_PATH);
        ASSERT_TRUE(m_pak->IsValid());
        ASSERT_TRUE(Vfs::AddMount(g_vfsStaticData.Get(), m_pak.Get()));
        g_assetDict = new AssetDict();
    }

    void TearDown() override
    {
        g_assetDict = nullptr;
        Vfs::Shutdown();
    }

    // The atlases the loading stages register, in their order.
    void RegisterAtlases()
    {
        std::vector<std::string> atlases = {"atlas_ui.xml", "atlas_ui2.xml", "atlas_ui3.xml"};
        if (GetParam() >= 600)
            atlases.push_back("atlas_ui4.xml");
        for (const char* blocks : {"atlas_blocks.xml", "atlas_blocksNature.xml", "atlas_blocksSummer.xml",
                                   "atlas_blocksWood.xml", "atlas_blocksZombie.xml"})
            atlases.push_back(blocks);
        for (const std::string& atlas : atlases)
            ASSERT_TRUE(g_assetDict->LoadAtlas(("device/" + atlas).c_str())) << atlas;
    }

    // The surface the game's image cache gets for an image id: a registered frame of that name,
    // else the file loaded with the image extensions tried.
    SmartPtr<Surface> ImageOf(int id)
    {
        const NarrowString name(("device/" + IT::FileName(id)).c_str());
        SmartPtr<Surface> surface = g_assetDict->FindAsset<Surface>(name);
        if (!surface)
            surface = AssetDict::LoadSurface(name);
        return surface;
    }

    ArtSize m_size;
    SmartPtr<PakMount> m_pak;
};

} // namespace

TEST_P(ArtPaks, EveryImageTheThemesUseLoadsAtItsSize)
{
    RegisterAtlases();
    const int s = m_size.cell;
    for (int id : IT::UsedIds()) {
        SmartPtr<Surface> surface = ImageOf(id);
        ASSERT_TRUE(surface) << id << " " << IT::FileName(id);
        const int w = surface->GetWidth(), h = surface->GetHeight();
        if (id >= IT::FIRST_BLOCK) {
            const int type = (id - IT::FIRST_BLOCK) % 28;
            EXPECT_EQ(w, m_size.PieceWidth(type)) << id;
            EXPECT_EQ(h, m_size.PieceHeight(type)) << id;
        } else if (id >= 15 && id <= 28) {
            EXPECT_GE(w, m_size.width + s) << id;
            EXPECT_GE(h, m_size.height + s) << id;
        } else if (id == 35) {
            EXPECT_EQ(w, s);
            EXPECT_GE(h, static_cast<int>(29.6 * s)) << "vertical strip";
        } else if (id == 38) {
            EXPECT_EQ(h, s);
            EXPECT_GE(w, static_cast<int>(29.6 * s)) << "horizontal strip";
        } else if (id >= 29 && id <= 34) {
            EXPECT_GE(w, static_cast<int>(s * 0.58823526 * 10)) << id;
            EXPECT_EQ(h, s) << id;
        } else if (id == IT::GRID) {
            EXPECT_GE(w, m_size.width + s / 2);
            EXPECT_GE(h, m_size.height);
        } else if (id == IT::GUIDE_VERTICAL) {
            EXPECT_GE(w, m_size.spans[3]);
            EXPECT_GE(h, 18 * s);
        } else if (id == IT::GUIDE_HORIZONTAL) {
            EXPECT_GE(w, 12 * s + s / 2);
            EXPECT_GE(h, m_size.spans[3]);
        } else if (id >= 2 && id <= 14) {
            EXPECT_LE(w, m_size.width) << id;
            EXPECT_LE(h, m_size.menuTop) << id;
        } else if (id == IT::SPLASH_ENGINE || id == IT::SPLASH_GAME) {
            EXPECT_EQ(w, m_size.width);
            EXPECT_EQ(h, m_size.height);
        } else if (id == 69 || id == 70) {
            EXPECT_EQ(w, 5 * s);
            EXPECT_EQ(h, 3 * s);
        }
    }
}

TEST_P(ArtPaks, FontsHoldEveryCharacterAtOneHeight)
{
    RegisterAtlases();
    const std::set<u32> characters = TextCharacters();
    for (const IT::Theme* theme : {&IT::THEME_ROWS[0], &IT::THEME_ROWS[4]}) {
        for (int id : {theme->font, theme->fontSmall}) {
            const std::string name = IT::FileName(id);
            const std::string stem = name.substr(0, name.find('.'));
            SmartPtr<FontEx> font(new FontEx(("device/" + stem + ".xml").c_str(), ("device/" + name).c_str()));
            ASSERT_TRUE(font->IsLoaded()) << name;
            ASSERT_GT(font->GetHeight(), 0);
            const FontEx::Glyph& replacement = font->GetChar(FontEx::REPLACEMENT_CHARACTER);
            for (u32 code : characters) {
                const FontEx::Glyph& glyph = font->GetChar(code);
                EXPECT_EQ(glyph.height, font->GetHeight()) << name << " U+" << std::hex << code;
                if (code != FontEx::REPLACEMENT_CHARACTER) {
                    const bool fallback = glyph.x == replacement.x && glyph.y == replacement.y &&
                                          glyph.width == replacement.width;
                    EXPECT_FALSE(fallback) << name << " lacks U+" << std::hex << code;
                }
            }
            EXPECT_EQ(font->GetChar(10).width, 0) << name;
            EXPECT_EQ(font->GetKerning('A', 'V'), 0) << name;
            EXPECT_EQ(font->GetDefaultSpacing(), 0) << name;
            EXPECT_LE(font->GetHeight(), m_size.cell) << name;
        }
    }
}

TEST_P(ArtPaks, TintedPicturesDrawInTheInkColour)
{
    if (!VornTest::HeadlessScreen())
        GTEST_SKIP() << "no GL";
    RegisterAtlases();
    const int s = m_size.cell;
    SmartPtr<Surface> target(new Surface(2 * s, 2 * s, PF_RGBA8888));
    target->FillRect(0, 0, 2 * s, 2 * s, Color{0, 0, 0, 255});
    // A stretch of the vertical line strip, an atlas frame of a grey atlas, tinted red.
    SmartPtr<Surface> strip = ImageOf(35);
    ASSERT_TRUE(strip);
    const float scale[2] = {1.0f, 1.0f};
    TriangleEngine::DrawColored(target.Get(), strip.Get(), 0, 0, 0, scale, nullptr, 0,
                                Rect{0, s / 2, s, 2 * s}, Color{255, 0, 0, 255});
    const VornTest::Image out = VornTest::ReadPixels(target.Get());
    int red = 0, other = 0;
    for (int y = 0; y < 2 * s; ++y)
        for (int x = 0; x < 2 * s; ++x) {
            const u8* p = out.At(x, y);
            if (p[0] > 100)
                ++red;
            if (p[1] > 20 || p[2] > 20)
                ++other;
        }
    EXPECT_GT(red, s);   // the stroke runs the length of the window
    EXPECT_EQ(other, 0); // and shows only the tint
    // Nothing of the strip reaches the window's sides.
    for (int y = 0; y < 2 * s; ++y) {
        EXPECT_LT(out.At(0, y)[0], 40) << y;
        EXPECT_EQ(out.At(s + 1, y)[0], 0) << y;
    }
}

TEST_P(ArtPaks, GlyphsDrawFromTheFontsTexture)
{
    if (!VornTest::HeadlessScreen())
        GTEST_SKIP() << "no GL";
    RegisterAtlases();
    const std::string name = IT::FileName(IT::THEME_ROWS[0].font);
    SmartPtr<FontEx> font(new FontEx(("device/" + name.substr(0, name.find('.')) + ".xml").c_str(),
                                     ("device/" + name).c_str()));
    ASSERT_TRUE(font->IsLoaded());
    const int height = font->GetHeight();
    SmartPtr<Surface> target(new Surface(4 * height, 2 * height, PF_RGBA8888));
    target->FillRect(0, 0, 4 * height, 2 * height, Color{255, 255, 255, 255});
    // "Hi" in blue, glyph after glyph as the game draws text.
    const float scale[2] = {1.0f, 1.0f};
    int x = 0;
    for (u32 code : {u32('H'), u32('i')}) {
        const FontEx::Glyph& glyph = font->GetChar(code);
        TriangleEngine::DrawColored(target.Get(), font->GetImage(), static_cast<float>(x), 0, 0, scale, nullptr, 0,
                                    Rect{glyph.x, glyph.y, glyph.width, glyph.height}, Color{0, 0, 255, 255});
        x += glyph.width;
    }
    const VornTest::Image out = VornTest::ReadPixels(target.Get());
    int ink = 0;
    for (int py = 0; py < 2 * height; ++py)
        for (int px = 0; px < 4 * height; ++px) {
            const u8* p = out.At(px, py);
            const bool inked = p[0] < 128 && p[2] > 200;
            ink += inked;
            // Ink only inside the two glyphs' rectangles, and only in the tint.
            if (inked) {
                EXPECT_LT(px, x);
                EXPECT_LT(py, height);
            }
            EXPECT_GE(p[2], p[0]);
        }
    EXPECT_GT(ink, height);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ArtPaks, ::testing::Values(240, 320, 480, 600));

TEST(ArtIcon, BuildWritesA256PixelPngWithAlpha)
{
    const std::string path = VornTest::BuiltData("tessela.png");
    VORN_SKIP_IF_MISSING(VornTest::MissingBuiltData({path}));
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 33u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    auto word = [&](size_t at) {
        return (static_cast<unsigned char>(bytes[at]) << 24) | (static_cast<unsigned char>(bytes[at + 1]) << 16) |
               (static_cast<unsigned char>(bytes[at + 2]) << 8) | static_cast<unsigned char>(bytes[at + 3]);
    };
    EXPECT_EQ(word(16), 256u);
    EXPECT_EQ(word(20), 256u);
    EXPECT_EQ(bytes[24], 8);  // bits per channel
    EXPECT_EQ(bytes[25], 6);  // RGBA: the margin around the plate is transparent
}
