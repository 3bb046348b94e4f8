#include "Help.h"

#include "Consts.h"
#include "GLFont.h"
#include "Game.h"
#include "Graphics.h"
#include "StringDisplayer.h"
#include "TextsManager.h"

namespace {

// The last cell of the frame's height is the thumb's margin: the thumb runs over height - 1.
constexpr float TRACK_MARGIN = 1.0f;
// The text block leaves room for the scroll track at the frame's right edge.
constexpr float TRACK_WIDTH = 1.375f;

}  // namespace

Help::Help() : pageCount(0), currentPage(0), thumbLength(0.0f), scrollPos(0.0f), frame{}
{
    const float m = Game::instance ? Game::instance->menuMargin : 0.0f;
    const float rowHeight = Game::instance ? Game::instance->menuRowHeight : 0.0f;
    const float rows = Game::instance ? Game::instance->screenRows : 0.0f;
    const float columns = Game::instance ? Game::instance->screenColumns : 0.0f;
    frame = Frame{m, m, columns - 2.0f * m, rows - rowHeight - 2.0f * m};

    const float cell = static_cast<float>(Consts::CELL_SIZE);
    const int x = static_cast<int>(2.0f * m * cell);
    const int width = static_cast<int>((columns - TRACK_WIDTH - 4.0f * m) * cell);
    const int height = static_cast<int>((rows - 4.0f * m - rowHeight) * cell);
    const char* const keys[] = {
        "HELP_TEXT_1",
        Consts::ALLOW_BLOCK_DRAWING ? "HELP_TEXT_2_IPAD" : "HELP_TEXT_2",
        "HELP_TEXT_3",
        "HELP_TEXT_4",
    };
    const Vorn::SmartPtr<GLFont> font = Game::instance ? Game::instance->font : nullptr;
    for (const char* key : keys)
        pages[pageCount++] = new StringDisplayer(font, TextsManager::Instance().GetText(key), x, x, width, height,
                                                 StringDisplayer::ALIGN_LEFT, 0);
    currentPage = 0;
    ResetPage();
}

Help::~Help()
{
    for (int i = MAX_PAGES - 1; i >= 0; --i)
        pages[i] = nullptr;
}

void Help::ResetPage()
{
    scrollPos = 0.0f;
    const StringDisplayer* page = pages[currentPage].Get();
    const int visible = page ? page->GetVisibleLineCount() : 0;
    const int count = page ? page->GetLineCount() : 0;
    // A page that fits, or has no lines at all, gets the whole track as a thumb that cannot move.
    if (count <= 0 || visible >= count) {
        thumbLength = frame.height - TRACK_MARGIN;
        return;
    }
    const float r = static_cast<float>(visible) / static_cast<float>(count);
    thumbLength = frame.height * r - r;
}

void Help::FirstPage()
{
    currentPage = 0;
    ResetPage();
}

void Help::PreviousPage()
{
    if (pageCount > 0)
        currentPage = (pageCount + currentPage - 1) % pageCount;
    ResetPage();
}

void Help::NextPage()
{
    if (pageCount > 0)
        currentPage = (currentPage + 1) % pageCount;
    ResetPage();
}

void Help::Scroll(float delta)
{
    scrollPos -= delta;
    if (scrollPos < 0.0f)
        scrollPos = 0.0f;
    if (scrollPos + thumbLength > frame.height - TRACK_MARGIN)
        scrollPos = frame.height - thumbLength - TRACK_MARGIN;
}

int Help::GetFirstVisibleLine() const
{
    const StringDisplayer* page = pages[currentPage].Get();
    if (!page)
        return 0;
    const int hidden = page->GetLineCount() - page->GetVisibleLineCount();
    const float range = frame.height - thumbLength - TRACK_MARGIN;
    // A page that fits has no range to scroll over: it is shown from its start.
    if (hidden <= 0 || !(range > 0.0f))
        return 0;
    return static_cast<int>(static_cast<float>(hidden) * scrollPos / range);
}

void Help::Draw(const Vorn::SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    const Vorn::SmartPtr<Graphics> held(graphics);
    held->DrawImage(Game::imgBackground, 0, 0);
    const Vorn::SmartPtr<GLFont> font = Game::instance ? Game::instance->font : nullptr;
    Game::DrawTextBox(held, frame.x, frame.y, frame.width, frame.height, font, Vorn::WideString());
    Game::DrawHandVertical(held, frame.x + frame.width - 1.0f, frame.y, frame.height,
                           Consts::THEME_LINES_VERTICAL);
    Game::DrawHandVertical(held, frame.x + frame.width - 0.5f, frame.y + scrollPos + 0.5f,
                           thumbLength, Consts::THEME_LINES_VERTICAL);
    if (StringDisplayer* page = pages[currentPage].Get())
        page->Draw(held, GetFirstVisibleLine());
}
