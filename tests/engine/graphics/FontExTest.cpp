#include <gtest/gtest.h>

#include "base/AssetDict.h"
#include "graphics/FontEx.h"
#include "support/ImageEncode.h"
#include "support/MemoryMount.h"
#include "vfs/CachedFile.h"
#include "vfs/Vfs.h"

using namespace Vorn;
using namespace VornTest;

namespace {

SmartPtr<FontEx> Parse(const std::string& xml, bool* ok = nullptr)
{
    SmartPtr<FontEx> font(new FontEx("", ""));
    SmartPtr<CachedFile> file(new CachedFile(xml.data(), static_cast<u32>(xml.size()), true));
    const bool parsed = font->ParseXml(file.Get());
    if (ok)
        *ok = parsed;
    return font;
}

std::string Char(unsigned code, int x, int width, int height)
{
    return "<char code='" + std::to_string(code) + "' x='" + std::to_string(x) + "' y='0' width='" +
           std::to_string(width) + "' height='" + std::to_string(height) + "'/>";
}

}  // namespace

TEST(FontEx, GlyphLookupFallsBackToReplacementThenFirst)
{
    bool ok = false;
    SmartPtr<FontEx> font = Parse("<font><characters>" + Char(66, 10, 5, 9) + Char(65, 0, 4, 9) +
                                  Char(0xFFFD, 20, 6, 9) + "</characters></font>", &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(3u, font->GetGlyphCount());
    EXPECT_EQ(10, font->GetChar('B').x);
    EXPECT_EQ(20, font->GetChar('z').x);  // replacement glyph
    EXPECT_EQ(9, font->GetHeight());

    SmartPtr<FontEx> plain = Parse("<font><characters>" + Char(66, 10, 5, 9) + Char(65, 0, 4, 9) + "</characters></font>");
    EXPECT_EQ(0, plain->GetChar('z').x);  // the smallest code, 'A'
    EXPECT_EQ(4, plain->GetChar('z').width);
}

TEST(FontEx, KerningPairsAndDefaultSpacing)
{
    SmartPtr<FontEx> font = Parse("<font><characters>" + Char(65, 0, 4, 9) +
                                  "</characters><kerning default='2'>"
                                  "<pair left='65' right='86' distance='-3'/>"
                                  "<pair left='65' right='86' distance='7'/>"
                                  "<pair left='0' right='65' distance='5'/>"
                                  "</kerning></font>");
    EXPECT_EQ(-3, font->GetKerning('A', 'V'));  // the first pair of a key wins
    EXPECT_EQ(2, font->GetKerning('V', 'A'));   // the reversed pair is another key
    EXPECT_EQ(0, font->GetKerning(0, 'A'));     // nothing before the first character
    EXPECT_EQ(2, font->GetDefaultSpacing());

    SmartPtr<FontEx> noDefault = Parse("<font><characters>" + Char(65, 0, 4, 9) + "</characters><kerning/></font>");
    EXPECT_EQ(0, noDefault->GetKerning('A', 'V'));
}

TEST(FontEx, IncompleteElementsEndTheirListButNotTheRead)
{
    bool ok = false;
    SmartPtr<FontEx> font = Parse("<font><characters>" + Char(65, 0, 4, 9) + Char(66, 4, 4, 9) +
                                  "<char code='67' x='8' y='0' height='9'/>" + Char(68, 12, 4, 9) +
                                  "</characters><kerning><pair left='65' right='66' distance='1'/>"
                                  "<pair left='65' right='' distance='1'/>"
                                  "<pair left='66' right='65' distance='4'/></kerning></font>", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(2u, font->GetGlyphCount());
    EXPECT_EQ(1, font->GetKerning('A', 'B'));
    EXPECT_EQ(0, font->GetKerning('B', 'A'));

    // A value that is not a number reads as 0.
    SmartPtr<FontEx> odd = Parse("<font><characters><char code='65' x='left' y='0' width='3' height='9'/></characters></font>");
    EXPECT_EQ(0, odd->GetChar('A').x);
    EXPECT_EQ(3, odd->GetChar('A').width);
}

TEST(FontEx, HeightsMustAgreeButAnEmptyFirstGlyphDoesNotSetThem)
{
    bool ok = false;
    SmartPtr<FontEx> font = Parse("<font><characters>" + Char(32, 0, 5, 0) + Char(65, 5, 4, 20) + Char(66, 9, 4, 20) +
                                  "</characters></font>", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(20, font->GetHeight());  // not the 0 of the space, which has the smallest code

    SmartPtr<FontEx> mismatch = Parse("<font><characters>" + Char(65, 0, 4, 20) + Char(66, 4, 4, 21) +
                                      Char(67, 8, 4, 20) + "</characters><kerning default='3'/></font>", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(1u, mismatch->GetGlyphCount());
    EXPECT_EQ(0, mismatch->GetDefaultSpacing());  // kerning is not read after a mismatch
}

TEST(FontEx, EmptyAndUnreadableDescriptions)
{
    bool ok = true;
    SmartPtr<FontEx> none = Parse("<font><kerning default='4'/></font>", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(0u, none->GetGlyphCount());
    EXPECT_EQ(0, none->GetChar('A').width);
    EXPECT_EQ(0, none->GetHeight());
    ok = true;
    Parse("<font><characters>", &ok);
    EXPECT_FALSE(ok);
    ok = true;
    Parse("", &ok);
    EXPECT_FALSE(ok);
}

TEST(FontEx, ImagesAreSharedThroughTheDictionary)
{
    MemoryMount* mount = MemoryMount::Install("f/");
    mount->Add("font.xml", "<font><characters>" + Char(65, 0, 4, 4) + "</characters></font>");
    mount->Add("font.png", EncodePngRgb(8, 4, std::vector<u8>(8 * 4 * 4, 255), true));

    SmartPtr<FontEx> alone(new FontEx("f/font.xml", "f/font.png"));  // no dictionary: plain load
    EXPECT_TRUE(alone->IsLoaded());

    g_assetDict = new AssetDict();
    SmartPtr<FontEx> first(new FontEx("f/font.xml", "f/font."));
    SmartPtr<FontEx> second(new FontEx("f/font.xml", "f/font."));
    EXPECT_TRUE(first->IsLoaded());
    EXPECT_EQ(first->GetImage(), second->GetImage());
    EXPECT_NE(alone->GetImage(), first->GetImage());

    SmartPtr<FontEx> noImage(new FontEx("f/font.xml", "f/none."));
    EXPECT_FALSE(noImage->IsLoaded());
    EXPECT_EQ(1u, noImage->GetGlyphCount());
    SmartPtr<FontEx> noText(new FontEx("f/none.xml", "f/font."));
    EXPECT_FALSE(noText->IsLoaded());

    WeakPtr<FontEx> weak(first);
    first = nullptr;
    EXPECT_FALSE(weak.Lock());
    g_assetDict = nullptr;
    Vfs::Shutdown();
}
