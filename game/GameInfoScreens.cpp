// The information screens reached from the "more" menu: the help pages, the about screen with its
// scrolling text, and the statistics. Their button lists are built with the other menus
// (GameMenus.cpp); the touch handlers in GameTouch.cpp press, hover and release those lists and
// scroll these screens under the finger, and hand the help's buttons to TurnHelpPage here.
//
// The statistics screen: a pager that wraps around, the profile's totals on page 0 and one page
// for every game the profile started after it. Three records are read per frame (the page and its
// two neighbours); the last one read stays in statsRecord.
//
// x positions are cells from the display area's left plus the page's pixel shift; y positions
// are pixels.
#include <algorithm>
#include <climits>
#include <cmath>
#include <ctime>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "Game.h"
#include "Graphics.h"
#include "Help.h"
#include "Language.h"
#include "Stats.h"
#include "StringDisplayer.h"

namespace {

using Vorn::SmartPtr;
using Vorn::WideString;

constexpr int MAX_LEVELS_SHOWN = Game::LEVEL_COUNT;
// Bytes strftime may fill for a date or a time of day.
constexpr size_t TIME_TEXT_BYTES = 80;

struct PageLayout {
    const Game* game;
    SmartPtr<Graphics> graphics;
    int shift; // pixels

    int Left() const { return Consts::DISPLAY_AREA_X + Consts::CELL_SIZE + shift; }
    int Right() const { return Consts::DISPLAY_AREA_X + 11 * Consts::CELL_SIZE + shift; }
    int Centre() const { return Consts::SCREEN_WIDTH / 2 + shift; }

    void Label(const SmartPtr<GLFont>& font, const WideString& text, int y) const
    {
        if (font)
            font->DrawText(graphics, text, Left(), y, 0);
    }
    void RightText(const SmartPtr<GLFont>& font, const WideString& text, int right, int y) const
    {
        if (font)
            font->DrawText(graphics, text, right, y, GLFont::RIGHT);
    }
    void Title(const SmartPtr<GLFont>& font, const WideString& text, int y) const
    {
        if (font)
            font->DrawText(graphics, text, Centre(), y, GLFont::CENTER);
    }
    // A play time in milliseconds as days, hours, minutes and seconds ending at 11 cells.
    void Time(int64_t playTimeMs, int y) const
    {
        const SmartPtr<GLFont>& font = game->smallFont;
        if (!font)
            return;
        const int seconds =
            static_cast<int>(std::min<int64_t>(std::max<int64_t>(playTimeMs, 0) / 1000, INT_MAX));
        font->DrawTime(graphics, seconds, Right() - font->GetTimeWidth(seconds, 0) / 2, y, 0);
    }
};

WideString Number(long long value)
{
    return GLFont::NumberToText(static_cast<int>(std::min<long long>(std::max<long long>(value, INT_MIN), INT_MAX)));
}

WideString Narrow(const char* text)
{
    return WideString(Vorn::NarrowString(text));
}

void DrawTotals(const PageLayout& page, const Stats& totals)
{
    const Game& game = *page.game;
    const int h = static_cast<int>((Consts::SCREEN_HEIGHT - Consts::MAIN_MENU_Y) -
                                   Consts::CELL_SIZE * game.menuRowHeight);
    int step = static_cast<int>(h * 0.2f);
    int valueOffset = 0;
    if (Consts::STATS_DOUBLE_LINES) {
        step = static_cast<int>(h * 0.18181819f);
        valueOffset = step / 2;
    }
    const int y0 = Consts::MAIN_MENU_Y + step / 2;
    const SmartPtr<GLFont>& small = game.smallFont;

    page.Title(game.font, game.GetText("STATS"), y0);

    long long storedSolutions = 0;
    for (const SolutionTable& table : game.levelSolutions)
        storedSolutions += std::max(table.Count(), 0);
    const int solved = std::min(std::max(totals.levelsSolved, 0), MAX_LEVELS_SHOWN);
    struct Line {
        const char* label;
        std::vector<WideString> value;
    };
    const Line lines[] = {
        {"LEVELS_SOLVED", {Number(solved), L" / ", Number(MAX_LEVELS_SHOWN)}},
        {"SOLUTIONS_FOUND", {Number(totals.solutionsFound), L" / ", Number(storedSolutions)}},
        {"GAMES_PLAYED", {Number(totals.counters[Stats::COUNTER_GAMES_PLAYED])}},
    };
    int y = y0;
    for (const Line& line : lines) {
        y += step;
        page.Label(small, game.GetText(line.label), y);
        Game::DrawTextPieces(page.graphics, small, line.value, page.Right(), y + valueOffset,
                             GLFont::RIGHT);
    }
    y += step;
    page.Label(small, game.GetText("TIME_SPENT"), y);
    page.Time(totals.playTime, y + valueOffset);
}

void DrawGame(const PageLayout& page, const Stats& record)
{
    const Game& game = *page.game;
    const int h = static_cast<int>((Consts::SCREEN_HEIGHT - Consts::MAIN_MENU_Y) -
                                   Consts::CELL_SIZE * game.menuRowHeight);
    const int step = static_cast<int>(h * 0.16666667f);
    int y = Consts::MAIN_MENU_Y + step / 2;
    const SmartPtr<GLFont>& small = game.smallFont;

    // The number follows the centred heading directly.
    if (game.font) {
        const WideString heading = game.GetText("GAME_NUMBER");
        page.Title(game.font, heading, y);
        const int number = record.number < INT_MAX ? record.number + 1 : record.number;
        game.font->DrawNumberCentered(page.graphics, number,
                                      page.Centre() + game.font->GetTextWidth(heading) / 2 +
                                          game.font->GetNumberWidth(number) / 2,
                                      y);
    }

    y += step;
    const bool knownLevel = record.level >= 0 && record.level < Game::LEVEL_COUNT;
    if (knownLevel)
        page.Title(small, game.levelTitles[record.level], y);

    y += step;
    const time_t start = static_cast<time_t>(record.startTime);
    struct tm local;
    if (localtime_r(&start, &local)) {
        char date[TIME_TEXT_BYTES];
        char clock[TIME_TEXT_BYTES];
        if (std::strftime(date, sizeof date, "%x", &local) > 0)
            page.Label(small, Narrow(date), y);
        if (std::strftime(clock, sizeof clock, "%X", &local) > 0)
            page.RightText(small, Narrow(clock), page.Right(), y);
    }

    y += step;
    long long moves = 0;
    for (int count : record.pieces)
        moves += count;
    page.Label(small, game.GetText("MOVES"), y);
    page.RightText(small, Number(moves),
                   Consts::DISPLAY_AREA_X + static_cast<int>(5.5f * Consts::CELL_SIZE) + page.shift,
                   y);
    // The longer European words need a line of their own.
    if (Language::EFIGS) {
        y += step;
        page.Label(small, game.GetText("BLOCKS"), y);
    } else if (small) {
        small->DrawText(page.graphics, game.GetText("BLOCKS"),
                        Consts::DISPLAY_AREA_X + 6 * Consts::CELL_SIZE + page.shift, y, 0);
    }
    if (const LevelFile* file = knownLevel ? Content::GetLevel(record.level) : nullptr)
        page.RightText(small, Number(static_cast<long long>(file->tray.size())), page.Right(), y);

    y += step;
    page.Label(small, game.GetText("TIME_TAKEN"), y);
    page.Time(record.playTime, y);

    y += step;
    page.Label(small, game.GetText("SOLVED_STATS"), y);
    page.RightText(small,
                   game.GetText(record.found == Stats::NOT_SOLVED ? "QUESTION_NO" : "QUESTION_YES"),
                   page.Right(), y);
}

} // namespace

// --- Help ----------------------------------------------------------------------------------------

bool Game::TurnHelpPage(HelpButton button)
{
    if (button == HelpButton::PREVIOUS && help)
        help->PreviousPage();
    else if (button == HelpButton::NEXT && help)
        help->NextPage();
    return button == HelpButton::BACK;
}

void Game::DrawHelp(const Vorn::SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    if (help)
        help->Draw(graphics);
    if (menus[MENU_HELP])
        menus[MENU_HELP]->Draw(graphics);
}

// --- About ---------------------------------------------------------------------------------------

WideString Game::BuildAboutText() const
{
    // The credit texts carry their own line feeds; none goes between them.
    return GetText("ABOUT_GAME_TITLE_REGULAR") + L"\n" + GetText("ABOUT_VERSION") +
           WideString(s_appVersionName) + L"\n" + GetText("ABOUT_CREDITS_01") +
           GetText("ABOUT_CREDITS_02");
}

void Game::DrawAbout(const SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    const float m = menuMargin;
    const float rh = menuRowHeight;
    const float k = screenColumns;
    const float r = screenRows;
    graphics->DrawImage(imgBackground, 0, 0);
    DrawTextBox(graphics, m, m, k - 2.0f * m, r - 2.0f * m - rh, font, WideString());
    DrawHandVertical(graphics, k - m - 1.0f, m, r - 2.0f * m - rh, Consts::THEME_LINES_VERTICAL);
    DrawHandVertical(graphics, k - m - 0.5f, m + aboutScroll + 0.5f, aboutViewRows,
                     Consts::THEME_LINES_VERTICAL);

    if (aboutText) {
        // A theme change may have given the font new metrics: count lines as they will be drawn.
        aboutText->Refresh();
        // The thumb at the top of its track shows line 0, at the bottom the last full page. A text
        // that fits its box has no travel at all and always starts at line 0.
        const int hidden = aboutText->GetLineCount() - aboutText->GetVisibleLineCount();
        const float travel = aboutScrollRange - aboutViewRows;
        int first = 0;
        if (hidden > 0 && travel > 0.0f)
            first = std::min(std::max(static_cast<int>(static_cast<float>(hidden) * aboutScroll / travel), 0),
                             hidden);
        aboutText->Draw(graphics, first);
    }
    if (menus[MENU_ABOUT])
        menus[MENU_ABOUT]->Draw(graphics);
}

// --- Statistics ----------------------------------------------------------------------------------

void Game::RenderStats(const SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    graphics->DrawImage(imgBackground, 0, 0);
    if (stats) {
        // A counter below zero, which only a damaged file gives, is no games: one page.
        const long long pages = static_cast<long long>(std::max(stats->gameCounter, 0)) + 1;
        if (!std::isfinite(scrollPosition) || scrollPosition >= pages)
            scrollPosition = 0.0f;
        if (scrollPosition < 0.0f)
            scrollPosition = static_cast<float>(std::fmod(scrollPosition, static_cast<double>(pages)) + pages);
        if (scrollPosition >= pages)
            scrollPosition = 0.0f;
        const long long whole = static_cast<long long>(scrollPosition);
        for (int j = -1; j <= 1; ++j) {
            const long long number = (whole + 1 + j + pages - 1) % pages - 1;
            statsRecord = Stats::Load(static_cast<int>(number));
            PageLayout page{this, graphics,
                            static_cast<int>(12 * Consts::CELL_SIZE * (whole - scrollPosition + j))};
            DrawLogo(graphics);
            if (statsRecord->number == Stats::TOTALS)
                DrawTotals(page, *stats);
            else
                DrawGame(page, *statsRecord);
        }
    }
    if (menus[MENU_STATS])
        menus[MENU_STATS]->Draw(graphics);
}
