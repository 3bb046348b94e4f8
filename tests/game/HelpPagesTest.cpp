// Help pages: paging, the scroll thumb and the first line shown.
#include <gtest/gtest.h>

#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "Game.h"
#include "Graphics.h"
#include "Help.h"
#include "Image.h"
#include "Images.h"
#include "StringDisplayer.h"
#include "StringTools.h"
#include "TextsManager.h"
#include "base/TextDict.h"
#include "support/GameFont.h"
#include "support/MemoryMount.h"
#include "vfs/Vfs.h"

using Vorn::SmartPtr;

namespace {

constexpr int FONT = 46;
constexpr int LINE_V = 35;
constexpr int LINE_H = 38;

std::string Lines(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += i + 1 < count ? "a\n" : "a";
    return text;
}

class HelpPages : public ::testing::Test {
protected:
    void SetUp() override
    {
        Consts::Init(480, 800, true);
        StringTools::Init();
        Images::Init();
        Game::theme = 0;
        Game::imgBackground = 15;
        game = new Game();
        game->twitch = false;
        // Cells: margin 0.25, a button row of 2 below, 5.5 rows in all: a frame 3 cells high
        // and text boxes 100 pixels high, ten lines of the 10-pixel test font.
        game->menuMargin = 0.25f;
        game->menuRowHeight = 2.0f;
        game->screenRows = 5.5f;
        game->screenColumns = 12.0f;

        mount = VornTest::MemoryMount::Install("device/");
        VornTest::AddTestFont(*mount, FONT, spec);
        VornTest::CacheTestFontImage(FONT, spec, false);
        for (int id : {15, LINE_V, LINE_H})
            Content::s_images[id] = new Image(480, 800);
        game->font = new GLFont(FONT);

        mount->Add("texts.xml", "<texts><string id='HELP_TEXT_1'>" + Lines(40) +
                                    "</string><string id='HELP_TEXT_2_IPAD'>short</string>"
                                    "<string id='HELP_TEXT_2'>old</string>"
                                    "<string id='HELP_TEXT_3'></string></texts>");
        TextsManager::Instance().ResetDictionary();
        ASSERT_TRUE(TextsManager::Instance().LoadTexts("device/texts.xml"));
        help = new Help();
        graphics = new Graphics(nullptr);
        graphics->StartRecording();
    }
    void TearDown() override
    {
        Consts::ALLOW_BLOCK_DRAWING = true;
        Content::s_images.clear();
        Game::instance = nullptr;
        Vorn::g_textDict = nullptr;
        Vorn::Vfs::Shutdown();
    }

    VornTest::TestFontSpec spec;
    VornTest::MemoryMount* mount = nullptr;
    SmartPtr<Game> game;
    SmartPtr<Help> help;
    SmartPtr<Graphics> graphics;
};

}  // namespace

TEST_F(HelpPages, FourPagesInAFrameOfTheMenuGeometry)
{
    EXPECT_EQ(4, help->pageCount);
    EXPECT_EQ(0, help->currentPage);
    EXPECT_FLOAT_EQ(0.25f, help->frame.x);
    EXPECT_FLOAT_EQ(0.25f, help->frame.y);
    EXPECT_FLOAT_EQ(11.5f, help->frame.width);
    EXPECT_FLOAT_EQ(3.0f, help->frame.height);
    for (int i = 4; i < Help::MAX_PAGES; ++i)
        EXPECT_FALSE(help->pages[i]);

    const StringDisplayer& first = *help->pages[0];
    EXPECT_EQ(40, first.GetLineCount());
    EXPECT_EQ(10, first.GetVisibleLineCount());
    EXPECT_EQ(20, first.GetX());
    EXPECT_EQ(20, first.GetY());
    EXPECT_EQ(std::vector<Vorn::WideString>{Vorn::WideString(L"short")}, help->pages[1]->GetLines());
    EXPECT_EQ(0, help->pages[2]->GetLineCount());
    // A key missing from the table shows as itself.
    EXPECT_EQ(std::vector<Vorn::WideString>{Vorn::WideString(L"HELP_TEXT_4")}, help->pages[3]->GetLines());

    Consts::ALLOW_BLOCK_DRAWING = false;
    SmartPtr<Help> old(new Help());
    EXPECT_EQ(std::vector<Vorn::WideString>{Vorn::WideString(L"old")}, old->pages[1]->GetLines());
}

TEST_F(HelpPages, PagingWrapsAroundAndResetsTheThumb)
{
    help->Scroll(-1.0f);
    EXPECT_GT(help->scrollPos, 0.0f);
    help->PreviousPage();
    EXPECT_EQ(3, help->currentPage);
    EXPECT_FLOAT_EQ(0.0f, help->scrollPos);
    help->NextPage();
    EXPECT_EQ(0, help->currentPage);
    help->NextPage();
    help->NextPage();
    help->NextPage();
    EXPECT_EQ(3, help->currentPage);
    help->NextPage();
    EXPECT_EQ(0, help->currentPage);
    help->NextPage();
    help->Scroll(-1.0f);
    help->FirstPage();
    EXPECT_EQ(0, help->currentPage);
    EXPECT_FLOAT_EQ(0.0f, help->scrollPos);
}

TEST_F(HelpPages, ThumbLengthAndScrollLimits)
{
    // 10 of 40 lines visible: a quarter of the track (frame height - 1).
    EXPECT_FLOAT_EQ(0.5f, help->thumbLength);
    EXPECT_EQ(0, help->GetFirstVisibleLine());

    help->Scroll(-0.75f);  // the finger moves up: the thumb goes down
    EXPECT_FLOAT_EQ(0.75f, help->scrollPos);
    EXPECT_EQ(15, help->GetFirstVisibleLine());
    help->Scroll(-10.0f);
    EXPECT_FLOAT_EQ(1.5f, help->scrollPos);  // frame height - thumb - 1
    EXPECT_EQ(30, help->GetFirstVisibleLine());
    help->Scroll(10.0f);
    EXPECT_FLOAT_EQ(0.0f, help->scrollPos);

    // A page that fits gets the whole track and cannot move; one without lines too.
    for (int page : {1, 2}) {
        help->currentPage = page;
        help->ResetPage();
        EXPECT_FLOAT_EQ(2.0f, help->thumbLength);
        help->Scroll(-1.0f);
        EXPECT_FLOAT_EQ(0.0f, help->scrollPos);
        EXPECT_EQ(0, help->GetFirstVisibleLine());
    }
}

TEST_F(HelpPages, DrawsFrameTrackThumbAndTheLinesFromTheThumb)
{
    help->Scroll(-10.0f);
    help->Draw(graphics);
    const auto& calls = graphics->GetRecord();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(15, calls[0].image);
    EXPECT_EQ(0, calls[0].x);
    EXPECT_EQ(0, calls[0].y);

    std::vector<Graphics::DrawCall> vertical, glyphs;
    for (const Graphics::DrawCall& call : calls) {
        if (call.image == LINE_V)
            vertical.push_back(call);
        if (call.image == FONT)
            glyphs.push_back(call);
    }
    // Two sides of the frame, the track and the thumb.
    ASSERT_EQ(4u, vertical.size());
    EXPECT_EQ(410, vertical[2].x);  // the track one cell inside the frame's right
    EXPECT_EQ(430, vertical[3].x);  // the thumb half a cell inside
    EXPECT_EQ(21, vertical[3].srcH);  // 0.5 cells and the line's overhang
    EXPECT_EQ(89, vertical[3].y);  // 0.25 + 1.5 + 0.5 cells, lifted a little
    // Lines 30 to 39 of the page: each a letter and its line feed, the last without.
    EXPECT_EQ(19u, glyphs.size());
    EXPECT_EQ(20, glyphs.front().y);

    // A page without lines draws its frame and no text.
    graphics->ClearRecord();
    help->currentPage = 2;
    help->ResetPage();
    help->Draw(graphics);
    for (const Graphics::DrawCall& call : graphics->GetRecord())
        EXPECT_NE(FONT, call.image);
}
