// The button painters of the button lists: a piece of clean background inside the box's frame,
// with the label, two labels, or an icon and a label. Positions and sizes are cells from the
// display area's corner; a cell value v is the pixel (int)(origin + v * S), S = Consts::CELL_SIZE.
#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "Game.h"
#include "Graphics.h"
#include "Image.h"

namespace {

// Gap between a button's icon and its text, in cells.
constexpr float ICON_GAP = 0.3f;

float CellF()
{
    return static_cast<float>(Consts::CELL_SIZE);
}

int PixelX(float x)
{
    return static_cast<int>(static_cast<float>(Consts::DISPLAY_AREA_X) + x * CellF());
}

int PixelY(float y)
{
    return static_cast<int>(static_cast<float>(Consts::DISPLAY_AREA_Y) + y * CellF());
}

// The frame of a box: the theme's image frame when it has corner pictures, else four lines; a
// text box without font draws exactly that.
void DrawFrame(const Vorn::SmartPtr<Graphics>& graphics, float x, float y, float w, float h)
{
    Game::DrawTextBox(graphics, x, y, w, h, nullptr, Vorn::WideString());
}

// Clean background under the box, so that it hides whatever was drawn there.
void FillBox(const Vorn::SmartPtr<Graphics>& graphics, float x, float y, float w, float h)
{
    const int px = PixelX(x);
    const int py = PixelY(y);
    graphics->DrawImageScaled(Consts::THEME_BACKGROUND[Game::ThemeIndex()], px, py, px, py,
                              static_cast<int>(w * CellF()), static_cast<int>(h * CellF()), 0.0f,
                              0.0f, 0.0f, 1.0f);
}

void CentreOf(float x, float y, float w, float h, int& cx, int& cy)
{
    cx = static_cast<int>((x + w / 2.0f) * CellF()) + Consts::DISPLAY_AREA_X;
    cy = static_cast<int>((y + h / 2.0f) * CellF()) + Consts::DISPLAY_AREA_Y;
}

// An icon and a text centred together on (cx, cy) as one group.
void DrawIconAndText(const Vorn::SmartPtr<Graphics>& graphics, const Vorn::SmartPtr<GLFont>& font,
                     const Vorn::WideString& text, int icon, int cx, int cy)
{
    const int tw = font ? font->GetTextWidth(text) : 0;
    Content::LoadImage(icon);
    const Image* picture = Graphics::FindImage(icon);
    const int iw = picture ? picture->width : 0;
    const int ih = picture ? picture->height : 0;
    const int gap = iw + static_cast<int>(ICON_GAP * CellF());
    const int x0 = cx - (tw + gap) / 2;
    // The icon takes entry THEME_COLORS[theme] of the colour table, not the first word of that
    // row: themes other than 0 show their icons in one of the first row's piece colours.
    const unsigned colour = Consts::COLORS[Consts::THEME_COLORS[Game::ThemeIndex()]];
    graphics->DrawImageColored(icon, x0, cy - ih / 2, static_cast<float>((colour >> 16) & 0xFF) / 255.0f,
                               static_cast<float>((colour >> 8) & 0xFF) / 255.0f,
                               static_cast<float>(colour & 0xFF) / 255.0f, 1.0f);
    if (font)
        font->DrawText(graphics, text, x0 + gap, cy, 0);
}

}  // namespace

void Game::DrawButton(const Vorn::SmartPtr<Graphics>& graphics, float x, float y, float w, float h,
                      float inset, float dx, float dy, const Vorn::SmartPtr<GLFont>& font,
                      const Vorn::WideString& label, float labelX)
{
    if (!graphics)
        return;
    const float bx = inset + x + dx;
    const float by = inset + y + dy;
    const float bw = w - 2.0f * inset;
    const float bh = h - 2.0f * inset;
    FillBox(graphics, bx, by, bw, bh);
    DrawFrame(graphics, bx, by, bw, bh);
    // The label keeps its horizontal place while the button shrinks; it stays centred vertically.
    if (font)
        font->DrawTextCentered(graphics, label,
                               static_cast<int>((dx + x + labelX) * CellF()) + Consts::DISPLAY_AREA_X,
                               static_cast<int>((by + bh * 0.5f) * CellF()) + Consts::DISPLAY_AREA_Y);
}

void Game::DrawButtonWithImage(const Vorn::SmartPtr<Graphics>& graphics, float x, float y, float w,
                               float h, const Vorn::SmartPtr<GLFont>& font,
                               const Vorn::WideString& text, int icon)
{
    if (!graphics)
        return;
    FillBox(graphics, x, y, w, h);
    DrawFrame(graphics, x, y, w, h);
    int cx = 0;
    int cy = 0;
    CentreOf(x, y, w, h, cx, cy);
    if (icon != -1)
        DrawIconAndText(graphics, font, text, icon, cx, cy);
    else if (font)
        font->DrawTextCentered(graphics, text, cx, cy);
}

void Game::DrawButtonTwoLabels(const Vorn::SmartPtr<Graphics>& graphics, float x, float y,
                               float w, float h, const Vorn::SmartPtr<GLFont>& font,
                               const Vorn::WideString& text1, const Vorn::WideString& text2,
                               int icon)
{
    if (!graphics)
        return;
    FillBox(graphics, x, y, w, h);
    DrawFrame(graphics, x, y, w, h);
    int cx = 0;
    int cy = 0;
    CentreOf(x, y, w, h, cx, cy);
    if (icon != -1) {
        DrawIconAndText(graphics, font, text1, icon, cx, cy);
        return;
    }
    if (!font)
        return;
    const float lineHeight = static_cast<float>(font->GetLineHeight());
    font->DrawTextCentered(graphics, text1, cx, static_cast<int>(static_cast<float>(cy) - lineHeight * 0.5f));
    font->DrawTextCentered(graphics, text2, cx, static_cast<int>(static_cast<float>(cy) + lineHeight * 0.5f));
}
