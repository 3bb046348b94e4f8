#include <gtest/gtest.h>

#include "base/AssetDict.h"
#include "graphics/FontEx.h"
#include "support/HeadlessGL.h"
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

namespace {

// What a text drawer does with a font: each glyph advances by its width, adjacent characters by
// their kerning. Returns the pen position after the text (its width when drawn from 0).
int DrawText(Surface* target, const FontEx& font, const std::u32string& text, int x, int y)
{
    u32 previous = 0;
    for (u32 code : text) {
        x += font.GetKerning(previous, code);
        const FontEx::Glyph& glyph = font.GetChar(code);
        if (target)
            target->Blit(static_cast<float>(x), static_cast<float>(y), font.GetImage(),
                         Rect{glyph.x, glyph.y, glyph.width, glyph.height});
        x += glyph.width;
        previous = code;
    }
    return x;
}

}  // namespace

TEST(FontEx, TextIsMeasuredAndDrawnWithKerning)
{
    if (!HeadlessScreen())
        GTEST_SKIP() << "no GL";
    MemoryMount* mount = MemoryMount::Install("f/");
    // Glyphs of 4 x 4: 'A' red at x 0, 'V' green at x 4, U+FFFD blue at x 8.
    std::vector<u8> rgba;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 12; ++x)
            rgba.insert(rgba.end(), {u8(x < 4 ? 255 : 0), u8(x >= 4 && x < 8 ? 255 : 0), u8(x >= 8 ? 255 : 0), 255});
    mount->Add("font.png", EncodePngRgb(12, 4, rgba, true));
    mount->Add("font.xml", "<font><characters>" + Char(65, 0, 4, 4) + Char(86, 4, 4, 4) + Char(0xFFFD, 8, 4, 4) +
                               "</characters><kerning default='1'><pair left='65' right='86' distance='-1'/>"
                               "</kerning></font>");
    SmartPtr<FontEx> font(new FontEx("f/font.xml", "f/font.png"));
    ASSERT_TRUE(font->IsLoaded());

    EXPECT_EQ(4 - 1 + 4 + 1 + 4, DrawText(nullptr, *font, U"AVA", 0, 0));
    EXPECT_EQ(4 + 1 + 4, DrawText(nullptr, *font, U"Az", 0, 0));

    SmartPtr<Surface> target(new Surface(32, 8, PF_RGBA8888));
    target->FillRect(0, 0, 32, 8, Color{0, 0, 0, 255});
    DrawText(target.Get(), *font, U"AVAz", 2, 1);
    Image out = ReadPixels(target.Get());
    const u32 red = 0xFF0000FF, green = 0x00FF00FF, blue = 0x0000FFFF, black = 0x000000FF;
    // A at 2..5, V pulled left by one to 5..8, A at 10..13 after the default spacing, then the
    // replacement glyph for 'z' at 15..18.
    const u32 row[] = {black, black, red, red, red, green, green, green, green, black, red, red, red, red,
                       black, blue, blue, blue, blue, black};
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(row[x], out.Pixel(x, 1)) << "x " << x;
        EXPECT_EQ(row[x], out.Pixel(x, 4)) << "x " << x;
    }
    EXPECT_EQ(black, out.Pixel(3, 0));
    EXPECT_EQ(black, out.Pixel(3, 5));
    Vfs::Shutdown();
}
