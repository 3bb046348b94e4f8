// Button lists: hit testing, press and release, the highlight animation and drawing by style.
#include <gtest/gtest.h>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "Game.h"
#include "Graphics.h"
#include "Image.h"
#include "Images.h"
#include "StringTools.h"
#include "support/GameFont.h"
#include "support/MemoryMount.h"
#include "vfs/Vfs.h"

using Vorn::SmartPtr;
using Vorn::WideString;

namespace {

constexpr float MAX = 0.2f;

class ButtonLists : public ::testing::Test {
protected:
    void SetUp() override
    {
        Consts::Init(480, 800, true);  // cells of 40 pixels
        list = new ButtonDisplayer();
    }

    // A button of id at cells (x, y, w, h).
    void Add(int id, float x, float y, float w, float h)
    {
        list->AddButton(id, WideString(L"label"), nullptr, x, y, w, h, MAX, -1);
    }

    float Highlight(int id) const
    {
        for (const ButtonRecord* b = list->GetHead(); b; b = b->next)
            if (b->id == id)
                return b->highlight;
        return -1.0f;
    }

    SmartPtr<ButtonDisplayer> list;
};

}  // namespace

TEST_F(ButtonLists, HitTestIsHalfOpenAndPrefersTheFirstAdded)
{
    EXPECT_EQ(ButtonDisplayer::NONE, list->HitTest(0, 0));
    EXPECT_EQ(ButtonDisplayer::NONE, list->TouchUp(0, 0, true));

    Add(1, 1.0f, 1.0f, 3.0f, 2.0f);  // pixels 40..159 x 40..119
    EXPECT_EQ(1, list->HitTest(40, 40));
    EXPECT_EQ(1, list->HitTest(159, 119));
    EXPECT_EQ(ButtonDisplayer::NONE, list->HitTest(160, 50));
    EXPECT_EQ(ButtonDisplayer::NONE, list->HitTest(50, 120));
    EXPECT_EQ(ButtonDisplayer::NONE, list->HitTest(39, 50));

    Add(2, 2.0f, 2.0f, 4.0f, 4.0f);  // overlaps button 1 at 80..159 x 80..119
    EXPECT_EQ(1, list->HitTest(100, 100));
    EXPECT_EQ(2, list->HitTest(200, 200));
    EXPECT_EQ(2, list->GetCount());
}

TEST_F(ButtonLists, HitTestIsRelativeToTheDisplayArea)
{
    Consts::Init(320, 480, true);  // cells of 26, the area at (0, 0) and 4 pixels of margin
    Add(1, 1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(1, list->HitTest(26, 26));
    EXPECT_EQ(1, list->HitTest(51, 51));
    EXPECT_EQ(ButtonDisplayer::NONE, list->HitTest(52, 51));
}

TEST_F(ButtonLists, ReleaseFiresOnlyOnThePressedButton)
{
    Add(1, 0.0f, 0.0f, 2.0f, 2.0f);
    Add(2, 4.0f, 0.0f, 2.0f, 2.0f);

    // Down on 1, slide to 2 and lift: nothing fires.
    list->TouchDown(10, 10);
    EXPECT_EQ(1, list->GetPressed());
    EXPECT_EQ(1, list->GetHover());
    list->TouchMove(170, 10);
    EXPECT_EQ(1, list->GetPressed());
    EXPECT_EQ(2, list->GetHover());
    EXPECT_EQ(ButtonDisplayer::NONE, list->TouchUp(170, 10, true));
    EXPECT_EQ(ButtonDisplayer::NONE, list->GetPressed());
    EXPECT_EQ(ButtonDisplayer::NONE, list->GetHover());

    // Down on 1, off and back on: 1 fires.
    list->TouchDown(10, 10);
    list->TouchMove(300, 300);
    EXPECT_EQ(ButtonDisplayer::NONE, list->GetHover());
    list->TouchMove(20, 20);
    EXPECT_EQ(1, list->TouchUp(20, 20, true));
    EXPECT_EQ(ButtonDisplayer::NONE, list->GetPressed());

    // A release without a press, and a press on nothing released on nothing.
    EXPECT_EQ(ButtonDisplayer::NONE, list->TouchUp(10, 10, true));
    list->TouchDown(300, 300);
    EXPECT_EQ(ButtonDisplayer::NONE, list->TouchUp(300, 300, false));
}

TEST_F(ButtonLists, HighlightFollowsTheFingerAndIsClamped)
{
    Add(1, 0.0f, 0.0f, 2.0f, 2.0f);
    Add(2, 4.0f, 0.0f, 2.0f, 2.0f);
    list->TouchDown(10, 10);
    for (int frame = 0; frame < 9; ++frame)
        list->Update(16);
    EXPECT_NEAR(9 * 16 * ButtonDisplayer::HIGHLIGHT_STEP, Highlight(1), 1e-5f);
    EXPECT_LT(Highlight(1), MAX);
    list->Update(16);
    EXPECT_FLOAT_EQ(MAX, Highlight(1));  // full after 10 frames of 16 ms
    list->Update(1000);
    EXPECT_FLOAT_EQ(MAX, Highlight(1));
    EXPECT_FLOAT_EQ(0.0f, Highlight(2));

    // Sliding off lets it grow back, without going below 0.
    list->TouchMove(170, 10);
    list->Update(16);
    EXPECT_NEAR(MAX - 16 * ButtonDisplayer::HIGHLIGHT_STEP, Highlight(1), 1e-5f);
    EXPECT_FLOAT_EQ(0.0f, Highlight(2));  // hovered but not the pressed one
    list->Update(1000);
    EXPECT_FLOAT_EQ(0.0f, Highlight(1));

    list->TouchMove(10, 10);
    list->UpdateFast(11, 1.0f);
    EXPECT_FLOAT_EQ(MAX, Highlight(1));
    list->UpdateFast(5, 0.5f);
    EXPECT_FLOAT_EQ(MAX, Highlight(1));

    // A caption without id stays as it is while nothing is pressed.
    Add(ButtonDisplayer::NONE, 8.0f, 8.0f, 1.0f, 1.0f);
    list->TouchUp(10, 10, true);
    list->Update(100);
    EXPECT_FLOAT_EQ(0.0f, Highlight(ButtonDisplayer::NONE));

    SmartPtr<ButtonDisplayer> other(new ButtonDisplayer());
    other->AddButton(7, WideString(), nullptr, 0.0f, 0.0f, 1.0f, 1.0f, MAX, -1);
    other->TouchDown(5, 5);
    other->Update(100);
    ButtonDisplayer::ResetAllHighlights();
    EXPECT_FLOAT_EQ(0.0f, Highlight(1));
    EXPECT_FLOAT_EQ(0.0f, other->GetHead()->highlight);
}

TEST_F(ButtonLists, ChangesActOnEveryButtonOfTheId)
{
    list->AddTextButton(3, WideString(L"a"), WideString(L"b"), nullptr, 0.0f, 1.0f, 2.0f, 1.0f, MAX, -1);
    list->AddTextButton(3, WideString(L"c"), WideString(L"d"), nullptr, 0.0f, 5.0f, 2.0f, 1.0f, MAX, -1);
    Add(4, 0.0f, 9.0f, 1.0f, 1.0f);
    list->SetText2(3, WideString(L"both"));
    list->SetText1(9, WideString(L"nobody"));
    int changed = 0;
    for (const ButtonRecord* b = list->GetHead(); b; b = b->next) {
        if (b->id == 3) {
            EXPECT_EQ(WideString(L"both"), b->label2);
            ++changed;
        }
    }
    EXPECT_EQ(2, changed);
    // The first from the head is the one added last.
    EXPECT_FLOAT_EQ(5.0f, list->GetButtonY(3));
    EXPECT_FLOAT_EQ(0.0f, list->GetButtonY(12));

    list->SetRect(4, 6.0f, 6.0f, 2.0f, 2.0f, 0.1f);
    EXPECT_EQ(4, list->HitTest(6 * 40, 6 * 40));
    EXPECT_EQ(ButtonDisplayer::NONE, list->HitTest(0, 9 * 40));
    list->SetText3(4, WideString(L"new"));
    EXPECT_EQ(WideString(L"new"), list->GetHead()->label3);

    list->Clear();
    EXPECT_EQ(0, list->GetCount());
    EXPECT_EQ(nullptr, list->GetHead());
    EXPECT_EQ(ButtonDisplayer::NONE, list->HitTest(0, 40));
}

namespace {

constexpr int FONT = 46;
constexpr int BACKGROUND = 15;
constexpr int LINE_V = 35;
constexpr int LINE_H = 38;
constexpr int ICON = 57;

class ButtonDrawing : public ButtonLists {
protected:
    void SetUp() override
    {
        ButtonLists::SetUp();
        StringTools::Init();
        Images::Init();
        Game::theme = 0;
        game = new Game();
        game->twitch = false;
        mount = VornTest::MemoryMount::Install("device/");
        VornTest::AddTestFont(*mount, FONT, spec);
        VornTest::CacheTestFontImage(FONT, spec, false);
        for (int id : {BACKGROUND, LINE_V, LINE_H})
            Content::s_images[id] = new Image(480, 800);
        Content::s_images[ICON] = new Image(20, 16);
        font = new GLFont(FONT);
        graphics = new Graphics(nullptr);
        graphics->StartRecording();
    }
    void TearDown() override
    {
        Content::s_images.clear();
        Game::instance = nullptr;
        Vorn::Vfs::Shutdown();
    }

    std::vector<Graphics::DrawCall> Calls(int image) const
    {
        std::vector<Graphics::DrawCall> calls;
        for (const Graphics::DrawCall& call : graphics->GetRecord())
            if (call.image == image)
                calls.push_back(call);
        return calls;
    }

    VornTest::TestFontSpec spec;
    VornTest::MemoryMount* mount = nullptr;
    SmartPtr<Game> game;
    SmartPtr<GLFont> font;
    SmartPtr<Graphics> graphics;
};

}  // namespace

TEST_F(ButtonDrawing, PressedButtonIsInsetByItsHighlight)
{
    // A highlight of a quarter cell keeps the inset box on whole pixels.
    list->AddButton(1, WideString(L"ab"), font, 1.0f, 2.0f, 4.0f, 1.0f, 0.25f, -1);
    list->TouchDown(50, 90);
    list->Update(1000);
    list->Draw(graphics);

    // Clean background under the inset box: (1.25, 2.25) to (4.75, 2.75) cells.
    const auto fills = Calls(BACKGROUND);
    ASSERT_EQ(1u, fills.size());
    EXPECT_EQ(Graphics::Call::SCALED, fills[0].call);
    EXPECT_EQ(50, fills[0].x);
    EXPECT_EQ(90, fills[0].y);
    EXPECT_EQ(50, fills[0].srcX);
    EXPECT_EQ(90, fills[0].srcY);
    EXPECT_EQ(140, fills[0].srcW);
    EXPECT_EQ(20, fills[0].srcH);
    // The frame: two vertical and two horizontal lines.
    EXPECT_EQ(2u, Calls(LINE_V).size());
    EXPECT_EQ(2u, Calls(LINE_H).size());
    // The label centred in the box: "ab" is 20 wide around x = 120, y = 100.
    const auto glyphs = Calls(FONT);
    ASSERT_EQ(2u, glyphs.size());
    EXPECT_EQ(110, glyphs[0].x);
    EXPECT_EQ(95, glyphs[0].y);
}

TEST_F(ButtonDrawing, StylesChooseThePainter)
{
    list->AddButtonEx(1, WideString(L"x"), font, 0.0f, 0.0f, 2.0f, 1.0f, 0.25f, 0.5f, 0, -1);
    list->AddButtonEx(2, WideString(L"y"), font, 0.0f, 2.0f, 2.0f, 1.0f, MAX, 0.0f, 7, -1);
    list->AddTextButton(3, WideString(L"top"), WideString(L"low"), font, 0.0f, 4.0f, 4.0f, 2.0f, MAX, -1);
    list->AddButton(4, WideString(L"i"), font, 0.0f, 8.0f, 4.0f, 2.0f, MAX, ICON);

    // The plain painter keeps its label in place while the box shrinks.
    list->TouchDown(10, 10);
    list->Update(1000);
    list->DrawOnly(graphics, 1);
    auto glyphs = Calls(FONT);
    ASSERT_EQ(1u, glyphs.size());
    EXPECT_EQ(20 - 5, glyphs[0].x);  // label x 0.5 cells, the glyph centred on it
    EXPECT_EQ(10, Calls(BACKGROUND)[0].x);
    EXPECT_EQ(15, glyphs[0].y);

    // Other styles draw nothing.
    graphics->ClearRecord();
    list->DrawOnly(graphics, 2);
    EXPECT_TRUE(graphics->GetRecord().empty());

    // Two labels one above the other around the centre (80, 200).
    graphics->ClearRecord();
    list->DrawOnly(graphics, 3);
    glyphs = Calls(FONT);
    ASSERT_EQ(6u, glyphs.size());
    EXPECT_EQ(65, glyphs[0].x);
    EXPECT_EQ(200 - 5 - 5, glyphs[0].y);
    EXPECT_EQ(200 + 5 - 5, glyphs[3].y);

    // Icon and text centred as a group: 20 + 12 pixels of icon and gap, 10 of text.
    graphics->ClearRecord();
    list->DrawOnly(graphics, 4);
    const auto icons = Calls(ICON);
    ASSERT_EQ(1u, icons.size());
    EXPECT_EQ(Graphics::Call::COLORED, icons[0].call);
    EXPECT_EQ(80 - 21, icons[0].x);
    EXPECT_EQ(360 - 8, icons[0].y);
    glyphs = Calls(FONT);
    ASSERT_EQ(1u, glyphs.size());
    EXPECT_EQ(80 - 21 + 32, glyphs[0].x);

    // Draw order: from the head, so the first added is drawn last, on top.
    graphics->ClearRecord();
    list->DrawOffset(graphics, 1.0f, 0.0f);
    const auto fills = Calls(BACKGROUND);
    ASSERT_EQ(3u, fills.size());
    EXPECT_EQ(320, fills[0].y);  // button 4 first
    EXPECT_EQ(50, fills[2].x);   // button 1 last, moved one cell
}
