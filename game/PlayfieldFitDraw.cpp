// One frame of the board layer of the play screen. The board's state is only read here.
#include <cstdlib>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "GLFont.h"
#include "Game.h"
#include "Graphics.h"
#include "PlayfieldFit.h"

namespace {

struct Layout {
    int cell;
    float top;     // G: the board's top row
    float rows;    // R
    float columns; // K
    int theme;
    bool framed;   // the theme draws frame tiles instead of hand-drawn outlines
};

Layout CurrentLayout()
{
    const Game* game = Game::instance.Get();
    Layout layout;
    layout.cell = Playfield::CellSize();
    layout.top = game ? game->boardTopRows : 0.0f;
    layout.rows = game ? game->screenRows : 0.0f;
    layout.columns = game ? game->screenColumns : 0.0f;
    layout.theme = Game::ThemeIndex();
    layout.framed = Consts::THEME_INGAME[layout.theme] != -1;
    return layout;
}

Vorn::SmartPtr<GLFont> MainFont()
{
    return Game::instance ? Game::instance->font : Vorn::SmartPtr<GLFont>();
}

Vorn::SmartPtr<GLFont> SmallFont()
{
    return Game::instance ? Game::instance->smallFont : Vorn::SmartPtr<GLFont>();
}

void DrawText(const Vorn::SmartPtr<Graphics>& graphics, const Vorn::SmartPtr<GLFont>& font,
              const Vorn::WideString& text, int x, int y, int flags)
{
    if (font)
        font->DrawText(graphics, text, x, y, flags);
}

Vorn::WideString Text(const char* key)
{
    return Game::instance ? Game::instance->GetText(key) : Vorn::WideString();
}

// Frame tile (column, row) of the theme's frame sheet for a corner point whose four cells around
// it are outside the puzzle as the bits of code say (1 up-left, 2 up-right, 4 down-left, 8
// down-right). Corners go in the first pass, edges and the fill in the second.
struct Tile {
    int code;
    int column;
    int row;
};
const Tile CORNER_TILES[] = {
    {1, 4, 1}, {2, 3, 1}, {4, 4, 0}, {8, 3, 0},   // one cell outside: concave corners
    {7, 0, 0}, {11, 2, 0}, {13, 0, 2}, {14, 2, 2}, // three cells outside: convex corners
    {9, 3, 2}, {6, 4, 2},                           // two diagonal cells outside
};
const Tile EDGE_TILES[] = {
    {0, 1, 1}, {3, 1, 0}, {5, 0, 1}, {10, 2, 1}, {12, 1, 2},
};

} // namespace

void PlayfieldFit::DrawFrameTiles(const Vorn::SmartPtr<Graphics>& graphics)
{
    const Layout layout = CurrentLayout();
    const int cell = layout.cell;
    const int sheet = Consts::THEME_INGAME[layout.theme];
    auto outside = [this](int x, int y) {
        return x < 0 || y < 0 || x >= width || y >= height || grid[x][y] > 99;
    };
    auto code = [&outside](int vx, int vy) {
        return (outside(vx - 1, vy - 1) ? 1 : 0) | (outside(vx, vy - 1) ? 2 : 0) |
               (outside(vx - 1, vy) ? 4 : 0) | (outside(vx, vy) ? 8 : 0);
    };
    // Tiles are centred on their corner point; the second pass rounds the half cell up.
    const int halves[2] = {cell / 2, (cell + 1) / 2};
    const Tile* passes[2] = {CORNER_TILES, EDGE_TILES};
    const size_t counts[2] = {sizeof CORNER_TILES / sizeof(Tile), sizeof EDGE_TILES / sizeof(Tile)};
    for (int pass = 0; pass < 2; ++pass) {
        for (int vx = 0; vx <= width; ++vx) {
            for (int vy = 0; vy <= height; ++vy) {
                const int corner = code(vx, vy);
                for (size_t i = 0; i < counts[pass]; ++i) {
                    const Tile& tile = passes[pass][i];
                    if (tile.code != corner)
                        continue;
                    graphics->DrawImageEx(sheet, originX + vx * cell - halves[pass],
                                          originY + vy * cell - halves[pass], tile.column * cell,
                                          tile.row * cell, cell, cell, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
                    break;
                }
            }
        }
    }
}

void PlayfieldFit::DrawTray(const Vorn::SmartPtr<Graphics>& graphics)
{
    const Layout layout = CurrentLayout();
    const int cell = layout.cell;
    const float scale = Consts::BLOCK_SCALE;
    for (const Vorn::SmartPtr<Block>& entry : tray) {
        const int type = entry->type;
        const int centreX = static_cast<int>((entry->x + 1) * cell) + Consts::DISPLAY_AREA_X;
        const int centreY =
            static_cast<int>((entry->y + layout.top + 1) * cell) + Consts::DISPLAY_AREA_Y;
        // Pieces taken out stay visible in their place as faint shadows.
        const float alpha =
            entry->trayState == -1.0f ? Consts::THEME_BLOCK_ALPHA[layout.theme] : 1.0f;
        graphics->DrawImageEx(Game::BASE_BLOCK + type,
                              centreX - static_cast<int>(Block::blocksWidth[type] * scale * 0.5f),
                              centreY - static_cast<int>(Block::blocksHeight[type] * scale * 0.5f),
                              0, 0, Block::blocksWidth[type], Block::blocksHeight[type], scale,
                              Game::COLOR_BLOCK_R, Game::COLOR_BLOCK_G, Game::COLOR_BLOCK_B, alpha);
    }
}

void PlayfieldFit::DrawDraggedPiece(const Vorn::SmartPtr<Graphics>& graphics)
{
    const Layout layout = CurrentLayout();
    const int cell = layout.cell;
    // The piece glides from where it was picked up to the finger and grows to full size.
    const float f = dragFade;
    const float scale = f + (1.0f - f) * dragStartScale;
    const int x = static_cast<int>(dragStartX * (1.0f - f) + f * dragX * cell) +
                  Consts::DISPLAY_AREA_X;
    const int y = Consts::DISPLAY_AREA_Y +
                  static_cast<int>(dragStartY * (1.0f - f) + (layout.top + f * dragY) * cell);
    int tx = 0, ty = 0;
    DragTargetCell(tx, ty);
    const bool fits = CanPlaceBlock(dragType, tx, ty);
    const float faint = Consts::THEME_BLOCK_ALPHA[layout.theme];
    // Carried pieces wear the tray's tint, wherever they were picked up; a piece lifted off the
    // board takes its own colour again when it is placed.
    const float r = Game::COLOR_BLOCK_R, g = Game::COLOR_BLOCK_G, b = Game::COLOR_BLOCK_B;
    const int image = Game::BASE_BLOCK + dragType;
    const int w = Block::blocksWidth[dragType], h = Block::blocksHeight[dragType];
    // Where it will land: a faint copy on the cells a release would cover.
    if (fits)
        graphics->DrawImageEx(image, originX + tx * cell, originY + ty * cell, 0, 0, w, h, 1.0f, r,
                              g, b, faint);
    graphics->DrawImageEx(image, x, y, 0, 0, w, h, scale, r, g, b, fits ? 1.0f : faint);
}

void PlayfieldFit::DrawHintPanel(const Vorn::SmartPtr<Graphics>& graphics)
{
    const Layout layout = CurrentLayout();
    const int cell = layout.cell;
    Game* game = Game::instance.Get();
    if (hintButtonEnabled && !paused && game && game->menus[Game::MENU_HINT])
        game->menus[Game::MENU_HINT]->Draw(graphics);
    const int used = HintsUsed();
    for (int k = 0; k < used && game; ++k) {
        const int type = game->GetSolutionPiece(level, 0, k);
        if (type < 0 || type >= Block::TYPE_COUNT)
            continue;
        const float* colour = Block::blockColors[k % 6];
        graphics->DrawImageColored(
            Game::BASE_BLOCK + type,
            game->GetSolutionX(level, 0, k) * cell + halfCellShift + Consts::DISPLAY_AREA_X,
            static_cast<int>(game->GetSolutionY(level, 0, k) * cell + Consts::DISPLAY_AREA_Y +
                             layout.top * cell),
            colour[0], colour[1], colour[2], colour[3]);
    }
    const int centreX = Consts::DISPLAY_AREA_X + 6 * cell;
    DrawText(graphics, SmallFont(), hintLine1, centreX,
             static_cast<int>((layout.top + 12.5f) * cell), GLFont::CENTER);
    DrawText(graphics, MainFont(), Text("HINT_VIEW_MODE"), centreX,
             static_cast<int>((cell + layout.top * cell) * 0.5f), GLFont::CENTER);
}

void PlayfieldFit::DrawCompletionPanel(const Vorn::SmartPtr<Graphics>& graphics)
{
    const Layout layout = CurrentLayout();
    const int cell = layout.cell;
    Game* game = Game::instance.Get();
    if (!game)
        return;
    const int pack = game->currentPack;
    int openCount = 0, solvedCount = 0, packSize = 0;
    if (pack >= 0 && pack < Game::PACK_COUNT) {
        for (int packLevel : game->packLevels[pack]) {
            openCount += game->LevelRecord(packLevel) != 0;
            solvedCount += game->LevelRecord(packLevel) >= 2;
        }
        packSize = game->packSizes[pack];
    }
    const float panelTop = layout.top + 11.5f;
    const int margin = Consts::SCREEN_WIDTH == 240 ? 5 : cell + 5;
    const Vorn::SmartPtr<GLFont> small = SmallFont();

    Game::DrawButtonWithImage(graphics, -1.0f, panelTop, 14.0f,
                              layout.rows + layout.top + 1.0f - panelTop, small, Vorn::WideString(),
                              -1);
    Game::DrawTextBox(graphics, 1.0f, panelTop + 1.0f, 10.0f, 1.0f, small, Vorn::WideString());
    // The bars need a pack to measure against.
    if (packSize > 0) {
        const int barX = Consts::DISPLAY_AREA_X + cell;
        const int barY = static_cast<int>((panelTop + 1.0f) * cell);
        auto bar = [&](int count) {
            const int barWidth = cell * 10 * count / packSize;
            for (int offset : {0, cell / 2})
                graphics->DrawImageEx(IMAGE_GUIDE_HORIZONTAL, barX, barY, offset, 0, barWidth,
                                      cell, 1.0f, Game::COLOR_R, Game::COLOR_G, Game::COLOR_B,
                                      1.0f);
        };
        Game::DrawHandVertical(graphics, 1.0f + 10.0f * solvedCount / packSize, panelTop + 1.0f,
                               1.0f, Consts::THEME_LINES_VERTICAL);
        DrawText(graphics, small, solvedLine, Consts::DISPLAY_AREA_X + margin,
                 static_cast<int>((panelTop + 0.5f) * cell), 0);
        bar(solvedCount);
        Game::DrawHandVertical(graphics, 1.0f + 10.0f * openCount / packSize, panelTop + 1.0f,
                               1.0f, Consts::THEME_LINES_VERTICAL);
        const float unlockedRow = Consts::PROGRESS_IN_ONE_LINE ? panelTop + 0.5f : panelTop + 2.5f;
        DrawText(graphics, small, unlockedLine, Consts::SCREEN_WIDTH - margin,
                 static_cast<int>(unlockedRow * cell), GLFont::RIGHT);
        bar(openCount);
    }
    if (!paused && game->menus[Game::MENU_NOTICE])
        game->menus[Game::MENU_NOTICE]->Draw(graphics);
}

void PlayfieldFit::DrawDropGuides(const Vorn::SmartPtr<Graphics>& graphics)
{
    const int cell = CurrentLayout().cell;
    int tx = 0, ty = 0;
    DragTargetCell(tx, ty);
    graphics->DrawImageEx(IMAGE_GUIDE_VERTICAL, originX + tx * cell, originY, 0, 0,
                          Block::blocksWidth[dragType], height * cell, 1.0f, Game::COLOR_R,
                          Game::COLOR_G, Game::COLOR_B, 0.5f);
    graphics->DrawImageEx(IMAGE_GUIDE_HORIZONTAL, originX, originY + ty * cell, 0, 0,
                          width * cell, Block::blocksHeight[dragType], 1.0f, Game::COLOR_R,
                          Game::COLOR_G, Game::COLOR_B, 0.5f);
}

void PlayfieldFit::DrawSurroundings(const Vorn::SmartPtr<Graphics>& graphics)
{
    const int cell = CurrentLayout().cell;
    const int boardWidth = width * cell;
    const int boardHeight = height * cell;
    DrawBackground(graphics, 0, 0, originX, Consts::SCREEN_HEIGHT);
    DrawBackground(graphics, originX, 0, boardWidth, originY);
    DrawBackground(graphics, originX + boardWidth, 0, Consts::SCREEN_WIDTH - (originX + boardWidth),
                   Consts::SCREEN_HEIGHT);
    DrawBackground(graphics, originX, originY + boardHeight, boardWidth,
                   Consts::SCREEN_HEIGHT - (originY + boardHeight));
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            if (grid[x][y] == BoardCell::HOLE || grid[x][y] == BoardCell::OUTSIDE)
                DrawBackground(graphics, originX + x * cell, originY + y * cell, cell, cell);
}

void PlayfieldFit::DrawHoleHatching(const Vorn::SmartPtr<Graphics>& graphics)
{
    const Layout layout = CurrentLayout();
    const int cell = layout.cell;
    const float left = boardX0 + static_cast<float>(halfCellShift) / cell;
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            if (grid[x][y] != BoardCell::HOLE)
                continue;
            const float cx = x + left;
            const float cy = y + layout.top + boardY0;
            for (float step : {0.0f, 0.33f, 0.66f}) {
                Game::DrawHandVertical(graphics, cx + step, cy, 1.0f, Consts::THEME_LINES_VERTICAL);
                Game::DrawHandHorizontal(graphics, cx, cy + step, 1.0f,
                                         Consts::THEME_LINES_HORIZONTAL);
            }
        }
    }
}

void PlayfieldFit::DrawLevelTitle(const Vorn::SmartPtr<Graphics>& graphics)
{
    const Layout layout = CurrentLayout();
    const int cell = layout.cell;
    if (Game::instance && level >= 0 && level < Game::LEVEL_COUNT)
        DrawText(graphics, MainFont(), Game::instance->levelTitles[level],
                 Consts::DISPLAY_AREA_X + 6 * cell,
                 static_cast<int>((cell + layout.top * cell) * 0.5f), GLFont::CENTER);
}

void PlayfieldFit::DrawCornerLabels(const Vorn::SmartPtr<Graphics>& graphics)
{
    const Layout layout = CurrentLayout();
    const int cell = layout.cell;
    const int labelY = static_cast<int>((layout.rows - 0.5f) * cell);
    DrawText(graphics, SmallFont(), Text("MENU"), static_cast<int>(cell * 0.25f), labelY, 0);
    const int right = static_cast<int>(layout.columns * cell - cell * 0.25f);
    if (!hintPanelOpen && playTimer > 0)
        DrawText(graphics, SmallFont(), Text("BUTTON_HINTS"), right, labelY, GLFont::RIGHT);
    else if (hintPanelOpen)
        DrawText(graphics, SmallFont(), Text("BACK"), right, labelY, GLFont::RIGHT);
}

void PlayfieldFit::DrawOutline(const Vorn::SmartPtr<Graphics>& graphics)
{
    for (const OutlineSegment& segment : outline) {
        if (segment.direction == OutlineSegment::VERTICAL)
            Game::DrawHandVertical(graphics, segment.x, segment.y, segment.length,
                                   Consts::THEME_LINES_VERTICAL);
        else
            Game::DrawHandHorizontal(graphics, segment.x, segment.y, segment.length,
                                     Consts::THEME_LINES_HORIZONTAL);
    }
}

void PlayfieldFit::Draw(const Vorn::SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    const bool framed = CurrentLayout().framed;

    // Guides first: the background below covers them everywhere but on the puzzle's cells.
    if (dragging && !framed)
        DrawDropGuides(graphics);

    DrawSurroundings(graphics);
    if (!framed)
        DrawHoleHatching(graphics); // holes the puzzle encloses are hatched
    else
        DrawFrameTiles(graphics);

    if (!hintPanelOpen) {
        DrawPlacedBlocks(graphics);
        DrawLevelTitle(graphics);
    } else {
        DrawHintPanel(graphics);
    }

    if (!hintPanelOpen && !solved)
        DrawTray(graphics);

    if (!paused)
        DrawCornerLabels(graphics);

    if (!framed)
        DrawOutline(graphics);

    if (dragging)
        DrawDraggedPiece(graphics);
    if (solved)
        DrawCompletionPanel(graphics);
}
