// The menu screens drawn through the recording context: the volume sliders follow the volumes,
// the twitch box shows the option, the about text scrolls with its thumb, the sliding lists move,
// and the panel and the small texts.
#include <algorithm>
#include <map>

#include "ButtonDisplayer.h"
#include "GLFont.h"
#include "Graphics.h"
#include "Image.h"
#include "SaveDataFixture.h"
#include "Sounds.h"
#include "StringDisplayer.h"
#include "StringTools.h"
#include "audio/SoundManager.h"
#include "support/GameFont.h"
#include "support/SoundRecorder.h"

using namespace SaveDataTest;
using Vorn::SmartPtr;
using Vorn::WideString;
using Call = Graphics::Call;

namespace {

constexpr int BACKGROUND = 15;
constexpr int LOGO = 2;
constexpr int BAR = 29;
constexpr int LINE_V = 35;
constexpr int LINE_H = 38;
constexpr int TWITCH_OFF = 56;
constexpr int TWITCH_ON = 58;

class MenuScreens : public SaveDataFixture {
protected:
    void SetUp() override
    {
        SaveDataFixture::SetUp();
        StringTools::Init();
        VornTest::InstallSoundRecorder();
        // Beside the fixture's mounts: Install would start a new mount list.
        m_device = new VornTest::MemoryMount("device/");
        ASSERT_TRUE(Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), m_device.Get()));
        m_font = Consts::THEME_FONT[0];
        m_smallFont = Consts::THEME_FONT_SMALL[0];
        for (int id : {m_font, m_smallFont}) {
            VornTest::AddTestFont(*m_device, id, m_spec);
            VornTest::CacheTestFontImage(id, m_spec, false);
        }
        m_game->font = new GLFont(m_font);
        m_game->smallFont = new GLFont(m_smallFont);
        m_game->languageApplied = true;
        m_game->CreateMenus();
        // Lines drawn without jitter, so a line's source start is fixed.
        m_game->twitch = false;
        Game::imgBackground = BACKGROUND;
        for (int id : {BACKGROUND, LOGO})
            Content::s_images[id] = new Image(480, 800);
        for (int id : {BAR, LINE_V, LINE_H})
            Content::s_images[id] = new Image(1200, 1200);
        Content::s_images[TWITCH_OFF] = new Image(30, 20);
        Content::s_images[TWITCH_ON] = new Image(30, 20);
        m_graphics = new Graphics(nullptr);
        m_graphics->StartRecording();
    }

    void TearDown() override
    {
        VornTest::RemoveSoundRecorder();
        SaveDataFixture::TearDown();
        Content::s_images.clear();
        Game::theme = 0;
        Consts::Init(480, 800, true);
        Images::Init();
    }

    std::vector<Graphics::DrawCall> Calls(int image, Call call) const
    {
        std::vector<Graphics::DrawCall> found;
        for (const Graphics::DrawCall& c : m_graphics->GetRecord())
            if (c.image == image && c.call == call)
                found.push_back(c);
        return found;
    }

    // The text the fonts drew, one string per line position, top to bottom: the test font lays
    // its glyphs side by side from code 32, ten pixels each.
    std::vector<std::string> DrawnLines(int fontImage, int belowY = 1 << 30) const
    {
        std::map<int, std::vector<std::pair<int, char>>> rows;
        for (const Graphics::DrawCall& c : m_graphics->GetRecord())
            if (c.image == fontImage && c.y < belowY)
                rows[c.y].push_back({c.x, static_cast<char>(32 + c.srcX / m_spec.advance)});
        std::vector<std::string> lines;
        for (auto& row : rows) {
            std::sort(row.second.begin(), row.second.end());
            std::string line;
            for (const auto& glyph : row.second)
                line += glyph.second;
            // A line feed has no glyph: it draws as the font's first, a space.
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    // The x pixels of vertical lines of the given length (cells) drawn with their top at y cells.
    std::vector<int> VerticalLinesAt(float y, float length) const
    {
        std::vector<int> xs;
        for (const Graphics::DrawCall& c : Calls(LINE_V, Call::EX))
            if (c.y == static_cast<int>(40 * (y - 0.015f)) &&
                c.srcH == static_cast<int>(40 * (length + 0.03f)))
                xs.push_back(c.x);
        std::sort(xs.begin(), xs.end());
        return xs;
    }

    // A line as the text block holds it, without the line feed that ended it.
    static std::string Plain(const WideString& line)
    {
        std::string text(Vorn::NarrowString(line).c_str());
        text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
        return text;
    }

    // The about box ends at 3M + R - 4M - Rh cells; the BACK caption lies below it.
    static constexpr int ABOUT_BOX_BOTTOM = 654;

    VornTest::TestFontSpec m_spec;
    SmartPtr<VornTest::MemoryMount> m_device;
    int m_font = 0;
    int m_smallFont = 0;
    SmartPtr<Graphics> m_graphics;
};

TEST_F(MenuScreens, VolumeBarsAndKnobsFollowTheVolumes)
{
    // Slider row: Ys = 20 - 3 * 3.4375; the bars start 2.5 cells left of the quarter points.
    const float sy = 20.0f - 3.0f * 3.4375f + 3.4375f * 2.0f / 3.0f - 0.4f;
    const struct {
        int sfx, music;
    } cases[] = {{50, 20}, {0, 100}, {100, 0}};
    for (const auto& v : cases) {
        Sounds::SetSoundVolume(v.sfx);
        Sounds::SetMusicVolume(v.music);
        m_graphics->ClearRecord();
        m_game->DrawOptions(m_graphics);

        const std::vector<Graphics::DrawCall> bars = Calls(BAR, Call::EX);
        ASSERT_EQ(bars.size(), 2u);
        EXPECT_EQ(bars[0].x, 20);
        EXPECT_EQ(bars[1].x, 260);
        EXPECT_EQ(bars[0].y, static_cast<int>(sy * 40.0f));
        EXPECT_FLOAT_EQ(bars[0].scale, 0.85f);
        // 0.85 x the source: a full bar is 5 cells, half a bar 2.5.
        EXPECT_EQ(bars[0].srcW, static_cast<int>(40.0f * 0.058823526f * static_cast<float>(v.sfx)));
        EXPECT_EQ(bars[1].srcW, static_cast<int>(40.0f * 0.058823526f * static_cast<float>(v.music)));
        EXPECT_NEAR(bars[0].srcW * 0.85f / 40.0f, v.sfx * 0.05f, 0.03f);
        EXPECT_FLOAT_EQ(bars[0].r, Game::COLOR_R);

        // Knobs and the slider frames' edges: the frames at 0.5 .. 5.5 and 6.5 .. 11.5 cells.
        const float sfxKnob = 0.5f + v.sfx * 0.05f;
        const float musicKnob = 6.5f + v.music * 0.05f;
        std::vector<int> expected = {0, 200, 240, 440, static_cast<int>(40 * sfxKnob) - 20,
                                     static_cast<int>(40 * musicKnob) - 20};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(VerticalLinesAt(sy, 0.8f), expected) << v.sfx << " " << v.music;
    }
}

TEST_F(MenuScreens, TheSummerThemeDrawsItsBarsUntinted)
{
    Game::theme = 4;
    Content::s_images[Consts::THEME_PROGRESS_BARS[4]] = new Image(1200, 40);
    Sounds::SetSoundVolume(40);
    m_game->DrawOptions(m_graphics);
    const std::vector<Graphics::DrawCall> bars = Calls(Consts::THEME_PROGRESS_BARS[4], Call::EX);
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_FLOAT_EQ(bars[0].r, 1.0f);
    EXPECT_FLOAT_EQ(bars[0].g, 1.0f);
    EXPECT_FLOAT_EQ(bars[0].b, 1.0f);
}

TEST_F(MenuScreens, TheTwitchBoxShowsTheOption)
{
    // Centred on the TWITCH button's middle: y = 6.25 + 3.4375 / 2 cells.
    const int ty = static_cast<int>((6.45f + 3.4375f / 2.0f - 0.2f) * 40.0f);
    // On: image 58 in the box; off: image 56, in the same place.
    for (bool on : {true, false}) {
        m_game->twitch = on;
        m_graphics->ClearRecord();
        m_game->DrawOptions(m_graphics);
        EXPECT_TRUE(Calls(on ? TWITCH_OFF : TWITCH_ON, Call::CENTERED).empty()) << on;
        const std::vector<Graphics::DrawCall> shown =
            Calls(on ? TWITCH_ON : TWITCH_OFF, Call::CENTERED);
        ASSERT_EQ(shown.size(), 1u) << on;
        EXPECT_EQ(shown[0].x, static_cast<int>((9.0f - 2.15f) * 40.0f));
        EXPECT_EQ(shown[0].y, ty - 10);
    }
    // Its frame is 1.55 box widths wide and 1.4 box heights high, from 0.75 K - 2.3 cells.
    EXPECT_EQ(VerticalLinesAt(6.45f + 3.4375f / 2.0f - 0.2f - 0.35f, 0.7f),
              (std::vector<int>{248, 294}));
}

// Both language lists tick the language in use, on its own button's row, and only that one.
TEST_F(MenuScreens, TheLanguageListsMarkTheLanguageInUse)
{
    for (int language : {0, 3}) {
        m_game->language = language;
        for (bool first : {false, true}) {
            m_graphics->ClearRecord();
            if (first)
                m_game->DrawFirstLanguageMenu(m_graphics);
            else
                m_game->DrawLanguageMenu(m_graphics);
            const std::vector<Graphics::DrawCall> ticks = Calls(TWITCH_ON, Call::CENTERED);
            ASSERT_EQ(ticks.size(), 1u) << language << first;
            const ButtonRecord* button = nullptr;
            for (const ButtonRecord* b =
                     m_game->menus[first ? Game::MENU_FIRST_LANGUAGE : Game::MENU_LANGUAGE]->GetHead();
                 b; b = b->next)
                if (b->id == language)
                    button = b;
            ASSERT_TRUE(button);
            const float middle = (button->y + button->h / 2.0f) * 40.0f;
            EXPECT_NEAR(ticks[0].y + 10, middle, 1.5f);
            EXPECT_GE(ticks[0].x, static_cast<int>(button->x * 40.0f));
        }
    }
}

TEST_F(MenuScreens, TheAboutTextScrollsWithItsThumb)
{
    std::string credits;
    for (int line = 0; line < 150; ++line)
        credits += static_cast<char>('A' + line % 26) + std::string("\n");
    m_common->Add("texts/long.xml", "<texts><string id='ABOUT_GAME_TITLE_REGULAR'>Top</string>"
                                    "<string id='ABOUT_CREDITS_01'>" + credits + "</string></texts>");
    ASSERT_TRUE(TextsManager::Instance().LoadTexts("common/texts/long.xml"));
    m_game->CreateMenus();
    const SmartPtr<StringDisplayer>& about = m_game->aboutText;
    const int hidden = about->GetLineCount() - about->GetVisibleLineCount();
    ASSERT_GT(hidden, 0);
    const float travel = Game::aboutScrollRange - m_game->aboutViewRows;

    m_game->DrawAbout(m_graphics);
    std::vector<std::string> lines = DrawnLines(m_smallFont, ABOUT_BOX_BOTTOM);
    ASSERT_EQ(static_cast<int>(lines.size()), about->GetVisibleLineCount());
    EXPECT_EQ(lines[0], "Top");

    // The thumb at the bottom of its track shows the last full page.
    m_game->aboutScroll = travel;
    m_graphics->ClearRecord();
    m_game->DrawAbout(m_graphics);
    lines = DrawnLines(m_smallFont, ABOUT_BOX_BOTTOM);
    ASSERT_EQ(static_cast<int>(lines.size()), about->GetVisibleLineCount());
    EXPECT_EQ(lines.back(), "ABOUT_CREDITS_02");
    EXPECT_EQ(lines[0], Plain(about->GetLines()[hidden]));
    // The thumb moved with it: drawn at M + scroll + 0.5, as long as the view.
    const std::vector<int> thumb = VerticalLinesAt(0.2f + travel + 0.5f, m_game->aboutViewRows);
    EXPECT_EQ(thumb, std::vector<int>{static_cast<int>(40.0f * (12.0f - 0.2f - 0.5f)) - 20});
}

TEST_F(MenuScreens, AnAboutTextThatFitsNeverScrolls)
{
    m_common->Add("texts/short.xml", "<texts><string id='ABOUT_GAME_TITLE_REGULAR'>Top</string></texts>");
    ASSERT_TRUE(TextsManager::Instance().LoadTexts("common/texts/short.xml"));
    m_game->CreateMenus();
    ASSERT_FLOAT_EQ(m_game->aboutViewRows, Game::aboutScrollRange);
    for (float scroll : {0.0f, 4.0f, -3.0f}) {
        m_game->aboutScroll = scroll;
        m_graphics->ClearRecord();
        m_game->DrawAbout(m_graphics);
        const std::vector<std::string> lines = DrawnLines(m_smallFont, ABOUT_BOX_BOTTOM);
        ASSERT_EQ(lines.size(), 3u) << scroll;
        EXPECT_EQ(lines[0], "Top") << scroll;
    }
}

TEST_F(MenuScreens, SlidingListsMoveWithTheSlide)
{
    using Painter = void (Game::*)(const SmartPtr<Graphics>&);
    const Painter painters[] = {&Game::DrawMoreMenu, &Game::DrawLanguageMenu,
                                &Game::DrawFirstLanguageMenu};
    for (Painter paint : painters) {
        for (float slide : {0.0f, 12.0f}) {
            m_game->menuSlide = slide;
            m_graphics->ClearRecord();
            (m_game.Get()->*paint)(m_graphics);
            // Under every button a piece of clean background, at its slid place.
            int minX = 1 << 30;
            for (const Graphics::DrawCall& c : Calls(BACKGROUND, Call::SCALED))
                minX = std::min(minX, c.x);
            EXPECT_EQ(minX, static_cast<int>((0.2f + slide) * 40.0f)) << slide;
            const std::vector<Graphics::DrawCall> logo = Calls(LOGO, Call::CENTERED);
            ASSERT_EQ(logo.size(), 1u);
            EXPECT_EQ(logo[0].x, 240 - 240);
            EXPECT_EQ(logo[0].y, 125 - 400);
            EXPECT_EQ(Calls(BACKGROUND, Call::IMAGE).size(), 1u);
        }
    }
}

TEST_F(MenuScreens, APanelIsCleanBackgroundInItsFrame)
{
    Game::DrawPanel(m_graphics, 1.0f, 2.0f, 4.0f, 3.0f, m_game->font, WideString(L"Hi"));
    const std::vector<Graphics::DrawCall> fill = Calls(BACKGROUND, Call::SCALED);
    ASSERT_EQ(fill.size(), 1u);
    EXPECT_EQ(fill[0].x, 40);
    EXPECT_EQ(fill[0].srcX, 40);
    EXPECT_EQ(fill[0].srcY, 80);
    EXPECT_EQ(fill[0].srcW, 160);
    EXPECT_EQ(fill[0].srcH, 120);
    EXPECT_EQ(Calls(LINE_V, Call::EX).size(), 2u);
    EXPECT_EQ(Calls(LINE_H, Call::EX).size(), 2u);
    EXPECT_EQ(DrawnLines(m_font), std::vector<std::string>{"Hi"});

    // A theme with corner pictures draws the image frame instead of four lines.
    const int corners = 40;
    Content::s_images[corners] = new Image(80, 80);
    Consts::THEME_CORNERS[0] = corners;
    m_graphics->ClearRecord();
    Game::DrawPanel(m_graphics, 1.0f, 2.0f, 4.0f, 3.0f, nullptr, WideString(L"Hi"));
    EXPECT_EQ(Calls(corners, Call::EX).size(), 4u);
    EXPECT_TRUE(DrawnLines(m_font).empty());
}

TEST_F(MenuScreens, ThemeNamesAboutTextAndNumbers)
{
    EXPECT_EQ(m_game->GetThemeName(0), Text("NOTEBOOK"));
    EXPECT_EQ(m_game->GetThemeName(2), Text("THEME_WOOD"));
    EXPECT_EQ(m_game->GetThemeName(7), Text("THEME_ZOMBIE"));
    EXPECT_EQ(m_game->GetThemeName(9), Text("NOTEBOOK"));
    EXPECT_EQ(m_game->GetThemeName(-1), Text("NOTEBOOK"));

    const WideString about = m_game->BuildAboutText();
    EXPECT_EQ(about.find(Text("ABOUT_GAME_TITLE_REGULAR") + L"\n" + Text("ABOUT_VERSION") + L"1.0\n"),
              0u);
    EXPECT_NE(about.find(Text("ABOUT_CREDITS_01") + Text("ABOUT_CREDITS_02")), WideString::npos);

    EXPECT_EQ(Game::FormatNumber(42), WideString(L"42"));
    EXPECT_EQ(Game::FormatNumber(-7), WideString(L"-7"));
    EXPECT_EQ(Game::FormatNumber(0), WideString(L"0"));
}

TEST_F(MenuScreens, PaintersWithoutMenusDrawTheBackdropOnly)
{
    for (SmartPtr<ButtonDisplayer>& list : m_game->menus)
        list = nullptr;
    m_game->aboutText = nullptr;
    m_game->DrawOptions(m_graphics);
    m_game->DrawAbout(m_graphics);
    m_game->DrawMoreMenu(m_graphics);
    EXPECT_EQ(Calls(BACKGROUND, Call::IMAGE).size(), 3u);
    m_game->DrawOptions(nullptr);
}

} // namespace
