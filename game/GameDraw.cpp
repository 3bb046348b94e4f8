// The hand-drawn lines and framed boxes every screen shares.
//
// A themed line image is a long strip; each line shows a window of it as long as the line. With
// twitch on, the window starts at a new random place on every call, so lines flicker from frame
// to frame like a hand-drawn sketch.
#include <algorithm>
#include <cstdlib>

#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "Game.h"
#include "Graphics.h"
#include "Image.h"

namespace {

// The strip length in cells that a window may start within.
const float STRIP_CELLS = 29.03f;

int Jitter(float length)
{
    const int windows = static_cast<int>((STRIP_CELLS - length) * Consts::CELL_SIZE);
    const bool twitch = Game::instance ? Game::instance->twitch : true;
    return twitch && windows >= 1 ? std::rand() % windows : 0;
}

int ThemeImage(const int* table)
{
    return table ? table[Game::ThemeIndex()] : -1;
}

// A hand-drawn line along axis (0 across the screen, 1 down it) from cell (x, y), length cells
// long. Across the axis it is a cell wide, centred on the grid line; along it, it starts lead cells
// early and runs extra cells beyond its length.
void DrawHandLine(const Vorn::SmartPtr<Graphics>& graphics, int axis, float x, float y,
                  float length, float lead, float extra, const int* table)
{
    if (!graphics)
        return;
    const int s = Consts::CELL_SIZE;
    const int across = 1 - axis;
    const int origin[2] = {Consts::DISPLAY_AREA_X, Consts::DISPLAY_AREA_Y};
    const float at[2] = {x, y};
    int position[2], window[2], size[2];
    position[across] = static_cast<int>(origin[across] + s * at[across] - s / 2);
    position[axis] = static_cast<int>(origin[axis] + s * (at[axis] - lead));
    window[across] = 0;
    window[axis] = s / 2 + Jitter(length);
    size[across] = s;
    size[axis] = static_cast<int>(s * (length + extra));
    graphics->DrawImageEx(ThemeImage(table), position[0], position[1], window[0], window[1], size[0],
                          size[1], 1.0f, Game::COLOR_R, Game::COLOR_G, Game::COLOR_B, 1.0f);
}

} // namespace

void Game::DrawHandVertical(const Vorn::SmartPtr<Graphics>& graphics, float x, float y,
                            float length, const int* table)
{
    DrawHandLine(graphics, 1, x, y, length, 0.015f, 0.03f, table);
}

void Game::DrawHandHorizontal(const Vorn::SmartPtr<Graphics>& graphics, float x, float y,
                              float length, const int* table)
{
    DrawHandLine(graphics, 0, x, y, length, 0.03f, Consts::MAGIC_OFFSET_HORIZONTAL_LINE, table);
}

void Game::DrawThemedFrame(const Vorn::SmartPtr<Graphics>& graphics, float x, float y, float w,
                           float h)
{
    if (!graphics)
        return;
    const int s = Consts::CELL_SIZE;
    const int x0 = static_cast<int>(Consts::DISPLAY_AREA_X + x * s);
    const int y0 = static_cast<int>(Consts::DISPLAY_AREA_Y + y * s);
    const int width = static_cast<int>(w * s);
    const int height = static_cast<int>(h * s);
    const int c = s / 2;
    const int o = s % 2;
    const int horizontal = ThemeImage(Consts::THEME_LINES_HORIZONTAL);
    const int vertical = ThemeImage(Consts::THEME_LINES_VERTICAL);
    const int corners = ThemeImage(Consts::THEME_CORNERS);
    struct Piece {
        int image, x, y, srcX, srcY, srcW, srcH;
    };
    const Piece pieces[] = {
        {horizontal, x0 + c, y0 - c, s, 0, width + o - s, s},
        {horizontal, x0 + c, y0 - c + height, s, 0, width + o - s, s},
        {vertical, x0 - c, y0 + c, 0, s, s, height + o - s},
        {vertical, x0 - c + width, y0 + c, 0, s, s, height + o - s},
        {corners, x0 - c, y0 - c, 0, 0, s, s},
        {corners, x0 - c + width, y0 - c, s, 0, s, s},
        {corners, x0 - c + width, y0 - c + height, s, s, s, s},
        {corners, x0 - c, y0 - c + height, 0, s, s, s},
    };
    for (const Piece& piece : pieces)
        graphics->DrawImageEx(piece.image, piece.x, piece.y, piece.srcX, piece.srcY, piece.srcW,
                              piece.srcH, 1.0f, COLOR_R, COLOR_G, COLOR_B, 1.0f);
}

void Game::DrawTextBox(const Vorn::SmartPtr<Graphics>& graphics, float x, float y, float w,
                       float h, const Vorn::SmartPtr<GLFont>& textFont,
                       const Vorn::WideString& text)
{
    if (!graphics)
        return;
    if (ThemeImage(Consts::THEME_CORNERS) != -1) {
        DrawThemedFrame(graphics, x, y, w, h);
    } else {
        DrawHandVertical(graphics, x, y, h, Consts::THEME_LINES_VERTICAL);
        DrawHandVertical(graphics, x + w, y, h, Consts::THEME_LINES_VERTICAL);
        DrawHandHorizontal(graphics, x, y, w, Consts::THEME_LINES_HORIZONTAL);
        DrawHandHorizontal(graphics, x, y + h, w, Consts::THEME_LINES_HORIZONTAL);
    }
    if (textFont) {
        const int s = Consts::CELL_SIZE;
        textFont->DrawTextCentered(graphics, text,
                                   static_cast<int>((x + w * 0.5f) * s) + Consts::DISPLAY_AREA_X,
                                   static_cast<int>((y + h * 0.5f) * s) + Consts::DISPLAY_AREA_Y);
    }
}

void Game::DrawOutline(const Vorn::SmartPtr<Graphics>& graphics, float x, float y, float scale,
                       const Outline& outline)
{
    // The divisor shrinks a 12-cell board into a preview; one that is not a positive size has no
    // preview to give.
    if (!graphics || !(scale > 0.0f))
        return;
    const float f = 1.0f / scale;
    for (const OutlineSegment& segment : outline) {
        if (segment.direction != OutlineSegment::VERTICAL)
            DrawHandHorizontal(graphics, x + f * segment.x, y + f * segment.y, f * segment.length,
                               Consts::THEME_LEVEL_EDGES_HORIZONTAL);
        else
            DrawHandVertical(graphics, x + f * segment.x, y + f * segment.y, f * segment.length,
                             Consts::THEME_LEVEL_EDGES_VERTICAL);
    }
}

void Game::DrawLogo(const Vorn::SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    graphics->DrawImageCentered(ThemeImage(Consts::THEME_LOGOS),
                                Consts::DISPLAY_AREA_X + 6 * Consts::CELL_SIZE,
                                Consts::MAIN_MENU_Y / 2,
                                Graphics::ALIGN_CENTER_X | Graphics::ALIGN_CENTER_Y);
}

Vorn::SmartPtr<Image>& Game::GetImageSlot(int id)
{
    return Content::s_images[id];
}

void Game::CacheThemeFonts()
{
    const int current = ThemeImage(Consts::THEME_FONT);
    const int count = std::min(Consts::THEMES_COUNT, static_cast<int>(Consts::MAX_THEMES));
    for (int t = 0; t < count; ++t) {
        const int fontImage = Consts::THEME_FONT[t];
        if (fontImage == current || themeFontCache.count(fontImage))
            continue;
        Content::LoadImage(fontImage);
        themeFontCache[fontImage] = new GLFont(fontImage);
    }
}

void Game::DrawTextPieces(const Vorn::SmartPtr<Graphics>& graphics,
                          const Vorn::SmartPtr<GLFont>& font,
                          const std::vector<Vorn::WideString>& pieces, int x, int y, int flags)
{
    if (!graphics || !font)
        return;
    // Each piece is measured on its own, so the pieces meet exactly where the widths say.
    int total = 0;
    for (const Vorn::WideString& piece : pieces)
        total += font->GetTextWidth(piece);
    int left = x;
    if (flags & GLFont::CENTER)
        left -= total / 2;
    else if (flags & GLFont::RIGHT)
        left -= total;
    for (const Vorn::WideString& piece : pieces) {
        font->DrawText(graphics, piece, left, y, 0);
        left += font->GetTextWidth(piece);
    }
}
