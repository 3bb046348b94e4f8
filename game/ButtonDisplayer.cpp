#include "ButtonDisplayer.h"

#include "Consts.h"
#include "GLFont.h"
#include "Game.h"
#include "Graphics.h"
#include "Language.h"
#include "Sounds.h"

std::vector<Vorn::SmartPtr<ButtonDisplayer>>* ButtonDisplayer::s_displayers = nullptr;

ButtonDisplayer::ButtonDisplayer() : head(nullptr), count(0), pressed(NONE), hover(NONE)
{
    if (!s_displayers)
        s_displayers = new std::vector<Vorn::SmartPtr<ButtonDisplayer>>();
    s_displayers->push_back(Vorn::SmartPtr<ButtonDisplayer>(this));
}

ButtonDisplayer::~ButtonDisplayer()
{
    FreeAll();
}

void ButtonDisplayer::FreeAll()
{
    while (head) {
        ButtonRecord* next = head->next;
        delete head;
        head = next;
    }
    count = 0;
}

ButtonRecord* ButtonDisplayer::Add(int id, const Vorn::SmartPtr<GLFont>& font, float x, float y,
                                   float w, float h, float max, int icon)
{
    ButtonRecord* button = new ButtonRecord();
    button->x = x;
    button->y = y;
    button->w = w;
    button->h = h;
    button->highlight = 0.0f;
    button->max = max;
    button->extra = 0.0f;
    button->style = 1;
    button->id = id;
    button->font = font;
    button->icon = icon;
    button->next = head;
    head = button;
    ++count;
    return button;
}

void ButtonDisplayer::AddButton(int id, const Vorn::WideString& label,
                                const Vorn::SmartPtr<GLFont>& font, float x, float y, float w,
                                float h, float max, int icon)
{
    Add(id, font, x, y, w, h, max, icon)->label3 = label;
}

void ButtonDisplayer::AddButtonEx(int id, const Vorn::WideString& label,
                                  const Vorn::SmartPtr<GLFont>& font, float x, float y, float w,
                                  float h, float max, float extra, int style, int icon)
{
    ButtonRecord* button = Add(id, font, x, y, w, h, max, icon);
    button->label3 = label;
    button->extra = extra;
    button->style = style;
}

void ButtonDisplayer::AddTextButton(int id, const Vorn::WideString& text1,
                                    const Vorn::WideString& text2,
                                    const Vorn::SmartPtr<GLFont>& font, float x, float y, float w,
                                    float h, float max, int icon)
{
    ButtonRecord* button = Add(id, font, x, y, w, h, max, icon);
    button->label1 = text1;
    button->label2 = text2;
}

void ButtonDisplayer::SetRect(int id, float x, float y, float w, float h, float max)
{
    for (ButtonRecord* button = head; button; button = button->next) {
        if (button->id != id)
            continue;
        button->x = x;
        button->y = y;
        button->w = w;
        button->h = h;
        button->max = max;
    }
}

void ButtonDisplayer::SetText1(int id, const Vorn::WideString& text)
{
    for (ButtonRecord* button = head; button; button = button->next)
        if (button->id == id)
            button->label1 = text;
}

void ButtonDisplayer::SetText2(int id, const Vorn::WideString& text)
{
    for (ButtonRecord* button = head; button; button = button->next)
        if (button->id == id)
            button->label2 = text;
}

void ButtonDisplayer::SetText3(int id, const Vorn::WideString& text)
{
    for (ButtonRecord* button = head; button; button = button->next)
        if (button->id == id)
            button->label3 = text;
}

float ButtonDisplayer::GetButtonY(int id) const
{
    for (const ButtonRecord* button = head; button; button = button->next)
        if (button->id == id)
            return button->y;
    return 0.0f;
}

int ButtonDisplayer::HitTest(int x, int y) const
{
    const float px = static_cast<float>(x - Consts::DISPLAY_AREA_X);
    const float py = static_cast<float>(y - Consts::DISPLAY_AREA_Y);
    const float cell = static_cast<float>(Consts::CELL_SIZE);
    int hit = NONE;
    // The last match in list order is the earliest added of overlapping buttons: the one on top.
    for (const ButtonRecord* button = head; button; button = button->next) {
        if (cell * button->x <= px && px < cell * (button->x + button->w) && cell * button->y <= py &&
            py < cell * (button->y + button->h))
            hit = button->id;
    }
    return hit;
}

void ButtonDisplayer::TouchDown(int x, int y)
{
    pressed = hover = HitTest(x, y);
}

void ButtonDisplayer::TouchMove(int x, int y)
{
    hover = HitTest(x, y);
}

int ButtonDisplayer::TouchUp(int x, int y, bool silent)
{
    const int hit = HitTest(x, y);
    const bool same = hit == pressed;
    pressed = hover = NONE;
    if (!same)
        return NONE;
    if (hit != NONE && !silent)
        Sounds::PlayClick();
    return hit;
}

void ButtonDisplayer::Step(float step)
{
    for (ButtonRecord* button = head; button; button = button->next) {
        // A button without id (NONE) is a caption: it must not count as pressed while nothing is.
        if (pressed != NONE && button->id == pressed && hover == pressed)
            button->highlight += step;
        else
            button->highlight -= step;
        if (button->highlight < 0.0f)
            button->highlight = 0.0f;
        if (button->highlight > button->max)
            button->highlight = button->max;
    }
}

void ButtonDisplayer::Update(int dt)
{
    Step(static_cast<float>(dt) * HIGHLIGHT_STEP);
}

void ButtonDisplayer::UpdateFast(int dt, float factor)
{
    Step(static_cast<float>(dt) * factor * HIGHLIGHT_STEP_FAST);
}

void ButtonDisplayer::ResetHighlights()
{
    for (ButtonRecord* button = head; button; button = button->next)
        button->highlight = 0.0f;
}

void ButtonDisplayer::ResetAllHighlights()
{
    if (!s_displayers)
        return;
    for (const Vorn::SmartPtr<ButtonDisplayer>& displayer : *s_displayers)
        displayer->ResetHighlights();
}

void ButtonDisplayer::DrawButton(const Vorn::SmartPtr<Graphics>& graphics,
                                 const ButtonRecord& button, float dx, float dy)
{
    const float hl = button.highlight;
    const float x = button.x + hl + dx;
    const float y = button.y + hl + dy;
    const float w = button.w - 2.0f * hl;
    const float h = button.h - 2.0f * hl;
    if (!button.label1.empty())
        Game::DrawButtonTwoLabels(graphics, x, y, w, h, button.font, button.label1, button.label2,
                                  button.icon);
    else if (button.style == 1)
        Game::DrawButtonWithImage(graphics, x, y, w, h, button.font, button.label3, button.icon);
    else if (button.style == 0)
        Game::DrawButton(graphics, button.x, button.y, button.w, button.h, hl, dx, dy, button.font,
                         button.label3, button.extra);
}

void ButtonDisplayer::Draw(const Vorn::SmartPtr<Graphics>& graphics)
{
    DrawOffsetOnly(graphics, 0.0f, 0.0f, NONE);
}

void ButtonDisplayer::DrawOffset(const Vorn::SmartPtr<Graphics>& graphics, float dx, float dy)
{
    DrawOffsetOnly(graphics, dx, dy, NONE);
}

void ButtonDisplayer::DrawOnly(const Vorn::SmartPtr<Graphics>& graphics, int id)
{
    DrawOffsetOnly(graphics, 0.0f, 0.0f, id);
}

void ButtonDisplayer::DrawOffsetOnly(const Vorn::SmartPtr<Graphics>& graphics, float dx, float dy,
                                     int id)
{
    for (const ButtonRecord* button = head; button; button = button->next)
        if (id == NONE || button->id == id)
            DrawButton(graphics, *button, dx, dy);
}

void ButtonDisplayer::Clear()
{
    if (Language::EFIGS)
        FreeAll();
}
