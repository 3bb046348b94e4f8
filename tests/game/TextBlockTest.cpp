// Game fonts and text blocks, measured and drawn through a recording Graphics (no GL).
#include <gtest/gtest.h>

#include "Content.h"
#include "GLFont.h"
#include "GeometryTypes.h"
#include "Game.h"
#include "Graphics.h"
#include "Image.h"
#include "Images.h"
#include "StringDisplayer.h"
#include "StringTools.h"
#include "support/GameFont.h"
#include "support/MemoryMount.h"
#include "vfs/Vfs.h"

using Vorn::SmartPtr;
using Vorn::WideString;

namespace {

constexpr int FONT = 46;        // the theme's main font picture
constexpr int OTHER_FONT = 52;  // another theme's font picture

class TextBlocks : public ::testing::Test {
protected:
    void SetUp() override
    {
        StringTools::Init();
        Images::Init();
        spec.kerning = {{'A', 'V', -5}, {'T', 'o', -3}};
        spec.widths = {{'i', 4}, {0xFFFD, 7}};
        mount = VornTest::MemoryMount::Install("device/");
        VornTest::AddTestFont(*mount, FONT, spec);
        VornTest::CacheTestFontImage(FONT, spec, false);
        font = new GLFont(FONT);
        graphics = new Graphics(nullptr);
        graphics->StartRecording();
        Game::COLOR_R = 0.25f;
        Game::COLOR_G = 0.5f;
        Game::COLOR_B = 1.0f;
    }
    void TearDown() override
    {
        Content::s_images.clear();
        Vorn::Vfs::Shutdown();
    }

    std::vector<WideString> Wrap(const wchar_t* text, int width, int breakSetMode = 0)
    {
        SmartPtr<StringDisplayer> block(
            new StringDisplayer(font, WideString(text), 0, 0, width, 100, 0, breakSetMode));
        EXPECT_EQ(static_cast<int>(block->GetLines().size()), block->GetLineCount());
        return block->GetLines();
    }

    // x of each glyph drawn, in order.
    std::vector<int> GlyphXs() const
    {
        std::vector<int> xs;
        for (const Graphics::DrawCall& call : graphics->GetRecord())
            xs.push_back(call.x);
        return xs;
    }

    VornTest::TestFontSpec spec;
    VornTest::MemoryMount* mount = nullptr;
    SmartPtr<GLFont> font;
    SmartPtr<Graphics> graphics;
};

using Lines = std::vector<WideString>;

}  // namespace

TEST_F(TextBlocks, FontMeasuresWithKerning)
{
    EXPECT_EQ(FONT, font->GetFontIndex());
    EXPECT_EQ(10, font->GetLineHeight());
    EXPECT_EQ(4, font->GetCharAdvance(L'i'));
    EXPECT_EQ(7, font->GetCharAdvance(0x4E2D));  // no glyph: the replacement glyph
    EXPECT_EQ(-5, font->GetKerning(L'A', L'V'));
    EXPECT_EQ(0, font->GetKerning(L'V', L'A'));
    EXPECT_EQ(0, font->GetTextWidth(WideString()));
    EXPECT_EQ(15, font->GetTextWidth(WideString(L"AV")));
    EXPECT_EQ(38, font->GetTextWidth(WideString(L"Vii A")));  // 10 + 4 + 4 + 10 + 10
    EXPECT_EQ(15, font->GetTextWidthUtf8("AV"));
    EXPECT_EQ(20, font->GetNumberWidth(-5));
}

TEST_F(TextBlocks, DrawingAdvancesByGlyphWidthsButAlignsByKernedWidth)
{
    font->DrawText(graphics, WideString(L"AV"), 100, 50, 0);
    // The second glyph follows the first one's width: drawing applies no kerning.
    EXPECT_EQ((std::vector<int>{100, 110}), GlyphXs());
    const Graphics::DrawCall& glyph = graphics->GetRecord()[1];
    EXPECT_EQ(FONT, glyph.image);
    EXPECT_EQ(Graphics::Call::EX, glyph.call);
    EXPECT_EQ(45, glyph.y);  // y is the line's centre
    EXPECT_EQ(10, glyph.srcW);
    EXPECT_EQ(10, glyph.srcH);
    EXPECT_FLOAT_EQ(0.25f, glyph.r);
    EXPECT_FLOAT_EQ(1.0f, glyph.b);
    EXPECT_FLOAT_EQ(1.0f, glyph.a);

    graphics->ClearRecord();
    font->DrawText(graphics, WideString(L"AV"), 100, 50, GLFont::RIGHT);
    EXPECT_EQ((std::vector<int>{85, 95}), GlyphXs());

    // Centred wins over right-aligned; halves round toward zero.
    graphics->ClearRecord();
    font->DrawText(graphics, WideString(L"AV"), 100, 50, GLFont::CENTER | GLFont::RIGHT);
    EXPECT_EQ((std::vector<int>{93, 103}), GlyphXs());
    graphics->ClearRecord();
    font->DrawTextCentered(graphics, WideString(L"\u4E2D"), 100, 50);
    EXPECT_EQ((std::vector<int>{97}), GlyphXs());

    graphics->ClearRecord();
    font->DrawText(graphics, WideString(), 100, 50, 0);
    font->DrawNumberCentered(graphics, 42, 100, 50);
    EXPECT_EQ((std::vector<int>{90, 100}), GlyphXs());
}

TEST_F(TextBlocks, FontOfAnIdWithoutPictureIsEmpty)
{
    for (int id : {-1, 420, 59, 100000}) {
        SmartPtr<GLFont> none(new GLFont(id));
        EXPECT_EQ(id, none->GetFontIndex());
        EXPECT_EQ(0, none->GetLineHeight());
        EXPECT_EQ(0, none->GetTextWidth(WideString(L"abc")));
        none->DrawText(graphics, WideString(L"abc"), 0, 0, 0);
    }
    EXPECT_TRUE(graphics->GetRecord().empty());
}

TEST_F(TextBlocks, TimesUseTheLargestUnitOrTheForcedOne)
{
    EXPECT_EQ(WideString(L"59s"), GLFont::FormatTime(59, 0));
    EXPECT_EQ(WideString(L"1m 0s"), GLFont::FormatTime(60, 0));
    EXPECT_EQ(WideString(L"1h 0m 0s"), GLFont::FormatTime(3600, 0));
    EXPECT_EQ(WideString(L"1h 1m 0s"), GLFont::FormatTime(3660, 0));
    EXPECT_EQ(WideString(L"1d 1h 1m 1s "), GLFont::FormatTime(90061, 0));
    EXPECT_EQ(WideString(L"0m 0s"), GLFont::FormatTime(0, 2));
    EXPECT_EQ(WideString(L"0h 0m 0s"), GLFont::FormatTime(0, 3));
    EXPECT_EQ(WideString(L"0d 0h 0m 0s "), GLFont::FormatTime(0, 4));
    EXPECT_EQ(WideString(L"-7"), GLFont::NumberToText(-7));
    EXPECT_EQ(font->GetTextWidth(WideString(L"1m 0s")), font->GetTimeWidth(60, 0));
}

TEST_F(TextBlocks, WordWrap)
{
    EXPECT_EQ((Lines{L"ab cd"}), Wrap(L"ab cd", 100));
    EXPECT_EQ((Lines{L"abc", L"def"}), Wrap(L"abc def", 50));  // the blank is dropped
    EXPECT_EQ((Lines{L"well-", L"known"}), Wrap(L"well-known", 60));
    EXPECT_EQ((Lines{L"well-known"}), Wrap(L"well-known", 60, 1));  // no hyphen breaks
    EXPECT_EQ((Lines{L"why?", L"yes!"}), Wrap(L"why?yes!", 60));
    // A line feed ends its line and stays at its end; a CR LF pair makes an empty line between.
    EXPECT_EQ((Lines{L"ab\n", L"cd"}), Wrap(L"ab\ncd", 100));
    EXPECT_EQ((Lines{L"ab\n", L"\n", L"cd"}), Wrap(L"ab\r\ncd", 100));
    // A word wider than the box is not cut.
    EXPECT_EQ((Lines{L"abcdefghij"}), Wrap(L"abcdefghij", 50));
    EXPECT_EQ((Lines{L"ab", L"abcdefghij", L"ab"}), Wrap(L"ab abcdefghij ab", 50));
    // The final piece is taken whole only when strictly narrower than the box.
    EXPECT_EQ((Lines{L"ab", L"cd"}), Wrap(L"ab cd", 50));
    EXPECT_EQ((Lines{L"ab cd"}), Wrap(L"ab cd", 51));
    // A line may be exactly as wide as the box inside the text.
    EXPECT_EQ((Lines{L"ab cd", L"ef"}), Wrap(L"ab cd ef", 50));
    // Kerning counts: "AV AV" is 40 wide, not 50.
    EXPECT_EQ((Lines{L"AV AV"}), Wrap(L"AV AV", 41));
    EXPECT_EQ((Lines{}), Wrap(L"", 100));
    EXPECT_EQ((Lines{L"a"}), Wrap(L"a", 0));
    EXPECT_EQ((Lines{L"ab\n", L"cd"}), Wrap(L"ab\ncd", 2147483647));
}

TEST_F(TextBlocks, PerCharacterLayoutKeepsPunctuationOffLineStarts)
{
    SmartPtr<StringDisplayer> block(new StringDisplayer(font, WideString(L"x"), 0, 0, 25, 100, 0, 0));
    block->layoutMode = 1;
    block->InitBreakCharacters();
    block->WrapCharacters(WideString(L"ab,cd"), 25);
    EXPECT_EQ((Lines{L"a", L"b,", L"cd"}), block->GetLines());
    // A line keeps at least one character, even when the next ones may not start a line.
    block->WrapCharacters(WideString(L"a,,,b"), 15);
    EXPECT_EQ((Lines{L"a", L",", L",", L",", L"b"}), block->GetLines());
    block->WrapCharacters(WideString(L"ab\ncd"), 100);
    EXPECT_EQ((Lines{L"ab\n", L"cd"}), block->GetLines());
}

TEST_F(TextBlocks, ReplaceAllDoesNotSearchInsertedText)
{
    EXPECT_EQ(WideString(L"a\nb\n"), StringDisplayer::ReplaceAll(WideString(L"a\rb\r"), WideString(L"\r"), WideString(L"\n")));
    EXPECT_EQ(WideString(L"xxaxxa"), StringDisplayer::ReplaceAll(WideString(L"xaxa"), WideString(L"x"), WideString(L"xx")));
    EXPECT_EQ(WideString(L"abc"), StringDisplayer::ReplaceAll(WideString(L"abc"), WideString(), WideString(L"z")));
}

TEST_F(TextBlocks, DrawsTheVisibleLinesFromTheFirstAsked)
{
    // Ten one-letter lines in a box three lines high.
    SmartPtr<StringDisplayer> block(new StringDisplayer(
        font, WideString(L"a\nb\nc\nd\ne\nf\ng\nh\ni\nj"), 20, 100, 200, 35, 0, 0));
    ASSERT_EQ(10, block->GetLineCount());
    EXPECT_EQ(3, block->GetVisibleLineCount());

    block->Draw(graphics, 8);
    // Each line is its letter and its line feed (drawn as the font's fallback glyph).
    ASSERT_EQ(3u, graphics->GetRecord().size());
    EXPECT_EQ(100, graphics->GetRecord()[0].y);  // 100 + 5 - 10 / 2
    EXPECT_EQ(110, graphics->GetRecord()[2].y);
    EXPECT_EQ(20, graphics->GetRecord()[2].x);

    graphics->ClearRecord();
    block->Draw(graphics, -2);
    ASSERT_EQ(6u, graphics->GetRecord().size());
    EXPECT_EQ(100, graphics->GetRecord()[0].y);
    EXPECT_EQ(120, graphics->GetRecord()[4].y);

    graphics->ClearRecord();
    block->DrawShifted(graphics, 9, -40);
    ASSERT_EQ(1u, graphics->GetRecord().size());
    EXPECT_EQ(60, graphics->GetRecord()[0].y);
    graphics->ClearRecord();
    block->Draw(graphics, 10);
    block->Draw(graphics, 2147483647);
    EXPECT_TRUE(graphics->GetRecord().empty());

    SmartPtr<StringDisplayer> empty(new StringDisplayer(font, WideString(), 0, 0, 100, 100, 0, 0));
    EXPECT_EQ(0, empty->GetLineCount());
    empty->DrawLines(graphics);
    EXPECT_TRUE(graphics->GetRecord().empty());
}

TEST_F(TextBlocks, AlignmentMovesTheAnchor)
{
    SmartPtr<StringDisplayer> centred(new StringDisplayer(font, WideString(L"ab"), 10, 0, 100, 10, 1, 0));
    centred->DrawLines(graphics);
    EXPECT_EQ((std::vector<int>{50, 60}), GlyphXs());
    graphics->ClearRecord();
    SmartPtr<StringDisplayer> right(new StringDisplayer(font, WideString(L"ab"), 10, 0, 100, 10, 2, 0));
    right->DrawLines(graphics);
    EXPECT_EQ((std::vector<int>{90, 100}), GlyphXs());
}

TEST_F(TextBlocks, FontWithoutHeightShowsNoLines)
{
    VornTest::TestFontSpec flat;
    flat.height = 0;
    VornTest::AddTestFont(*mount, OTHER_FONT, flat);
    SmartPtr<GLFont> thin(new GLFont(OTHER_FONT));
    SmartPtr<StringDisplayer> block(new StringDisplayer(thin, WideString(L"a b c"), 0, 0, 15, 30, 0, 0));
    EXPECT_EQ(0, block->GetVisibleLineCount());
    block->Draw(graphics, 0);
    EXPECT_TRUE(graphics->GetRecord().empty());
}

TEST_F(TextBlocks, AFontReloadedInPlaceLaysTheBlockOutAgain)
{
    VornTest::TestFontSpec wide;
    wide.advance = 20;
    wide.height = 16;
    VornTest::AddTestFont(*mount, OTHER_FONT, wide);
    VornTest::CacheTestFontImage(OTHER_FONT, wide, false);

    SmartPtr<StringDisplayer> block(new StringDisplayer(font, WideString(L"ab cd"), 0, 0, 60, 40, 0, 0));
    EXPECT_EQ(1, block->GetLineCount());
    EXPECT_EQ(4, block->GetVisibleLineCount());

    font->Load(OTHER_FONT);
    EXPECT_EQ(1, block->GetLineCount());  // nothing happens until the next draw
    block->DrawLines(graphics);
    EXPECT_EQ(2, block->GetLineCount());
    EXPECT_EQ(2, block->GetVisibleLineCount());
    ASSERT_EQ(4u, graphics->GetRecord().size());
    EXPECT_EQ(OTHER_FONT, graphics->GetRecord()[0].image);
    EXPECT_EQ(16 + 8 - 8, graphics->GetRecord()[2].y);
}

TEST(GeometryTypes, IntegerPointsTruncateTowardZero)
{
    EXPECT_EQ(IntPoint(2, -2), IntPoint(FloatPoint(2.9f, -2.9f)));
    IntPoint p(7, -7);
    p /= 2.0f;
    EXPECT_EQ(IntPoint(3, -3), p);
    p += IntPoint(1, 1);
    EXPECT_EQ(IntPoint(8, -4), p * 2);
    FloatPoint f(1.0f, 2.0f);
    f /= 4.0f;
    EXPECT_FLOAT_EQ(0.5f, (f + FloatPoint(0.25f, 0.0f)).x);
    EXPECT_FLOAT_EQ(0.5f, f.y);
}
