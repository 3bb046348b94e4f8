// The way from the main menu into a game: the pack list and the level pages, with their button
// lists, their touches and their painting (the start of a level is GameLevels.cpp's).
//
// The pack list shows one row per pack with a strip of level outlines sliding behind a veil; the
// level pages are a horizontal pager with one level per page and a strip of small outlines below.
// Everything is read from Game every frame; only the preview clock runs on.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "Block.h"
#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "Game.h"
#include "GameMenuKit.h"
#include "Graphics.h"
#include "PlayfieldFit.h"

namespace {

using Vorn::SmartPtr;
using Vorn::WideString;

// A pack list tap: the finger may wander this many pixels in all before it counts as a drag.
constexpr int PACK_TAP_TRAVEL = 10;
// A level page tap: shorter than this, moving at most TAP_TRAVEL pixels, inside the preview.
constexpr int LEVEL_TAP_MS = 150;
constexpr int LEVEL_TAP_TRAVEL = 9;
constexpr float LEVEL_TAP_COLUMNS = 10.0f;
constexpr float LEVEL_TAP_ROWS = 12.0f;
// The finger rested this many frames before lifting: the page does not coast.
constexpr int RESTING_FRAMES = 2;
// A swipe across the whole screen moves the level page this many entries.
constexpr float LEVEL_SWIPE_ENTRIES = 6.0f;

constexpr int IMAGE_LOCKED = 54;
constexpr int IMAGE_LOCKED_SMALL = 56;
constexpr int IMAGE_BULB_SMALL = 57;
constexpr int IMAGE_DONE_SMALL = 58;
// Preview clock steps per millisecond and drawn row.
constexpr float PREVIEW_CLOCK_RATE = 0.00012f;
constexpr int PREVIEWS_PER_ROW = 5;
// A pack row's layers, bottom first: the previews, the veil, the texts.
constexpr int PACK_ROW_LAYERS = 3;
constexpr float VEIL_ALPHA = 0.85f;
constexpr float CLOSED_VEIL_ALPHA = 0.95f;
// The board's width in cells, which previews shrink to a row's height.
constexpr float BOARD_COLUMNS = 12.0f;
// The strip of small outlines on the level pages, in cells from the board's top row: each outline
// stands on its slot's middle with its foot at STRIP_FOOT, its status mark right under it, and the
// bracket under the centred slot below both. An outline is shrunk a sixth, as the board is in a
// slot, or further until it fits a box of STRIP_WIDTH x STRIP_HEIGHT: so it stays under the line
// above the strip and leaves most of a cell between neighbours two cells apart.
constexpr float STRIP_LINE = 12.0f;
constexpr float STRIP_FOOT = 13.25f;
constexpr float STRIP_MARK = 13.32f;
constexpr float STRIP_DIVISOR = 6.0f;
constexpr float STRIP_WIDTH = 1.2f;
constexpr float STRIP_HEIGHT = 1.1f;
constexpr float STRIP_SLOT = 2.0f;

int PixelX(float x)
{
    return static_cast<int>(Consts::DISPLAY_AREA_X + x * Consts::CELL_SIZE);
}

int PixelY(float y)
{
    return static_cast<int>(Consts::DISPLAY_AREA_Y + y * Consts::CELL_SIZE);
}

int Cells(float cells)
{
    return static_cast<int>(cells * Consts::CELL_SIZE);
}

// The level's record as far as it can be true: only the bits of the level's stored solutions.
uint64_t Record(const Game& game, int level)
{
    return game.LevelRecord(level) & game.LevelRecordMask(level);
}

void DrawMenu(const Game& game, const SmartPtr<Graphics>& graphics, int index)
{
    if (game.menus[index])
        game.menus[index]->Draw(graphics);
}

// A picture of the image table at a cell position, loaded on first use.
void DrawMark(const SmartPtr<Graphics>& graphics, int image, float x, float y)
{
    Content::LoadImage(image);
    graphics->DrawImage(image, PixelX(x), PixelY(y));
}

// The background in place over a pixel rectangle. Alpha 1 is given on purpose: the veils leave
// their alpha on the background picture, and every later plain draw of it would show through.
void CopyBackground(const SmartPtr<Graphics>& graphics, int x, int y, int w, int h, float alpha)
{
    if (w > 0 && h > 0)
        graphics->DrawImageEx(Game::imgBackground, x, y, x, y, w, h, 1.0f, 1.0f, 1.0f, 1.0f,
                              alpha);
}

int PackSize(const Game& game, int pack)
{
    if (pack < 0 || pack >= Game::PACK_COUNT)
        return 0;
    return std::min(game.packSizes[pack], static_cast<int>(game.packLevels[pack].size()));
}

// The box an outline's lines span, in its own cells.
struct OutlineBox {
    float left, top, right, bottom;
};

OutlineBox BoxOf(const Outline& outline)
{
    OutlineBox box{0.0f, 0.0f, 0.0f, 0.0f};
    bool first = true;
    for (const OutlineSegment& segment : outline) {
        const bool vertical = segment.direction == OutlineSegment::VERTICAL;
        const float right = segment.x + (vertical ? 0.0f : segment.length);
        const float bottom = segment.y + (vertical ? segment.length : 0.0f);
        if (first) {
            box = OutlineBox{segment.x, segment.y, right, bottom};
            first = false;
            continue;
        }
        box.left = std::min(box.left, segment.x);
        box.top = std::min(box.top, segment.y);
        box.right = std::max(box.right, right);
        box.bottom = std::max(box.bottom, bottom);
    }
    return box;
}

// The rank-th found solution (counting from 0 in bit order) of a record, as a solution index.
int NthFoundSolution(uint64_t record, int count, int rank)
{
    for (int bit = 1; bit <= count && bit < 64; ++bit) {
        if (!((record >> bit) & 1))
            continue;
        if (rank-- == 0)
            return bit - 1;
    }
    return -1;
}

} // namespace

// --- Lists -----------------------------------------------------------------------------------------

void MenuKit::BuildPackScreenLists(Game& game, const MenuLayout& l, const ListSizes& s)
{
    const SmartPtr<GLFont>& font = game.smallFont;
    const float k = l.columns;
    ReplaceList(game.menus[Game::MENU_PACKS],
                MakeList(game,
                         {Key(Game::BackButton::BACK, "BACK", 0.2f, s.top + 3.0f * l.rowHeight,
                              s.full, s.row)},
                         font, s.max));

    // On short screens the level page's buttons move up into a thinner row, leaving room for the
    // level preview above them.
    float levelY = s.top + 3.0f * l.rowHeight;
    float levelH = s.row;
    if (Consts::SCREEN_HEIGHT / Consts::CELL_SIZE <= 17 && l.rowHeight > 2.0f) {
        levelY = s.top + 4.0f * l.rowHeight - 2.0f;
        levelH = 1.6f;
    }
    using L = Game::LevelButton;
    ReplaceList(game.menus[Game::MENU_LEVELS],
                MakeList(game,
                         {Key(L::PLAY_LEVEL, "PLAY_LEVEL", 0.2f, levelY, 0.6f * k - 0.4f, levelH),
                          Key(L::BACK, "BACK", 0.6f * k + 0.2f, levelY, 0.4f * k - 0.4f, levelH)},
                         font, s.max));
}

// --- Touches ---------------------------------------------------------------------------------------

int Game::ShownLevelEntry() const
{
    if (currentPack < 0 || currentPack >= PACK_COUNT)
        return 0;
    const int size = std::min(packSizes[currentPack], static_cast<int>(packLevels[currentPack].size()));
    const float entry = scrollPosition + 0.2f;
    // Coasting can carry the position past either end (or, with a broken swipe, make it NaN).
    if (size <= 0 || !(entry >= 0.0f))
        return 0;
    if (entry >= static_cast<float>(size))
        return size - 1;
    return static_cast<int>(entry);
}

int Game::ShownLevel() const
{
    if (currentPack < 0 || currentPack >= PACK_COUNT || packLevels[currentPack].empty())
        return -1;
    return packLevels[currentPack][ShownLevelEntry()];
}

bool Game::InPackRows(float cellX, float cellY) const
{
    // Between the title band (two rows) and the BACK row, inside the margins.
    const float m = menuMargin;
    return IsInside(cellX, cellY, m, m + 2.0f, screenColumns - 2.0f * m,
                    screenRows - menuRowHeight - 2.0f * m - 2.0f);
}

int Game::PackAt(float cellX, float cellY) const
{
    const float m = menuMargin;
    if (!InPackRows(cellX, cellY))
        return -1;
    if (!(packRowHeight > 0.0f))
        return -1;
    // Floor rather than truncation: a point above the first row (the list dragged down) is no row.
    const float row = std::floor((cellY - packScroll - m - 2.0f) / packRowHeight);
    if (!(row >= 0.0f) || row >= static_cast<float>(PACK_COUNT))
        return -1;
    const int pack = packOrder[static_cast<int>(row)];
    return pack >= 0 && pack < PACK_COUNT ? pack : -1;
}

void Game::OnPackListTouchMove(float cellX, float cellY, float dy, int y)
{
    currentPack = PackAt(cellX, cellY);
    if (InPackRows(cellX, cellY))
        packScroll += dy;
    packDragDistance += std::abs(y - touchLastY);
}

void Game::OnLevelPageSwipe(int x)
{
    const float screenWidth = static_cast<float>(Consts::SCREEN_WIDTH > 0 ? Consts::SCREEN_WIDTH : 1);
    scrollVelocity = static_cast<float>(touchLastX - x) * LEVEL_SWIPE_ENTRIES / screenWidth;
    scrollPosition += scrollVelocity;
}

void Game::OnPackListTouchUp(BackButton button, float cellX, float cellY)
{
    const int pack = PackAt(cellX, cellY);
    currentPack = pack;
    const bool tapped = pack >= 0 && pack == pressedPack && packDragDistance < PACK_TAP_TRAVEL &&
                        !packLevels[pack].empty() && LevelRecord(packLevels[pack][0]) != 0;
    if (tapped)
        SelectFirstOpenLevel();
    else if (button == BackButton::BACK)
        screenState = STATE_MAIN_MENU;
    pressedPack = -1;
}

void Game::OnLevelPageTouchUp(LevelButton button, float cellX, float cellY, int x, int y)
{
    if (button == LevelButton::BACK) {
        currentPack = -1;
        screenState = STATE_PACKS;
        return;
    }
    const int entry = ShownLevelEntry();
    const int level = ShownLevel();
    if (button == LevelButton::PLAY_LEVEL) {
        // Played from where the page shows it, so the next-level search starts there.
        scrollPosition = static_cast<float>(entry);
        scrollVelocity = 0.0f;
        if (level >= 0)
            StartLevel(level);
        return;
    }
    if (framesSinceMove > RESTING_FRAMES)
        scrollVelocity = 0.0f;
    const int travel = std::abs(touchDownY - y) + std::abs(touchDownX - x);
    if (touchTime < LEVEL_TAP_MS && cellX >= 0.0f && cellX < LEVEL_TAP_COLUMNS && cellY >= 0.0f &&
        cellY < LEVEL_TAP_ROWS && travel <= LEVEL_TAP_TRAVEL && level >= 0) {
        fingerUp = false;
        scrollVelocity = 0.0f;
        scrollPosition = static_cast<float>(entry);
        StartLevel(level);
    }
}

// --- Pack list -----------------------------------------------------------------------------------

void Game::RenderPackSelect(const SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    packRowHeight = Consts::PACK_HEIGHT;
    graphics->DrawImage(imgBackground, 0, 0);

    const float m = menuMargin;
    const float top = m + 2.0f;
    const float bottom = screenRows - menuRowHeight - m;
    const float area = bottom - top;
    const float inner = screenColumns - 2.0f * m;
    const float lowest = area - PACK_COUNT * packRowHeight;
    // Written this way round so that a position that is not a number ends up in range too.
    if (!(packScroll >= lowest))
        packScroll = lowest;
    if (!(packScroll <= 0.0f))
        packScroll = 0.0f;

    const int fitting = static_cast<int>(area / Consts::PACK_HEIGHT);
    const bool allFit = fitting >= PACK_COUNT;
    float textX = 6.0f;
    float rowWidth = inner;
    if (allFit) {
        packRowHeight = area / PACK_COUNT;
    } else {
        // One cell is left for the scroll bar.
        textX = 5.5f;
        rowWidth = inner - 1.0f;
    }
    const float rowHeight = packRowHeight;
    const int first = static_cast<int>(-packScroll / rowHeight);
    const float offset = packScroll + first * rowHeight;
    int rows = PACK_COUNT;
    if (!allFit) {
        rows = fitting + 1;
        if (area - (fitting + 1) * Consts::PACK_HEIGHT > offset)
            ++rows;
        rows = std::min(rows, static_cast<int>(PACK_COUNT));
    }

    // The preview clock moves on once for each row drawn, before that row's slide is taken.
    std::vector<int> positions;
    std::vector<float> rowTops, clocks;
    bool pressed = false;
    for (int i = 0; i < rows; ++i) {
        const int position = first + i;
        if (position < 0 || position >= PACK_COUNT)
            continue;
        packPreviewClock += std::max(lastFrameMs, 0) * PREVIEW_CLOCK_RATE;
        positions.push_back(position);
        rowTops.push_back(top + offset + i * rowHeight);
        clocks.push_back(packPreviewClock);
        const int pack = packOrder[position];
        pressed = pressed || (currentPack == pack && pressedPack == pack);
    }
    auto drawLayer = [&](size_t row, int layer) {
        RenderPackRow(graphics, positions[row], rowTops[row], textX, clocks[row], layer);
    };
    // Each row draws within its own band, so the rows can be drawn layer by layer: the previews of
    // every row, then their veils, then their texts. Each layer draws from one texture, and the
    // list breaks its batches three times instead of twice a row. A pressed row puts its layers
    // the other way round, its previews over the neighbours' veils: then each row is drawn whole.
    if (pressed) {
        for (size_t row = 0; row < positions.size(); ++row)
            for (int layer = 0; layer < PACK_ROW_LAYERS; ++layer)
                drawLayer(row, layer);
    } else {
        for (int layer = 0; layer < PACK_ROW_LAYERS; ++layer)
            for (size_t row = 0; row < positions.size(); ++row)
                drawLayer(row, layer);
    }
    for (int k = 1; k <= rows; ++k)
        DrawHandHorizontal(graphics, m, top + offset + k * rowHeight, rowWidth,
                           Consts::THEME_LINES_HORIZONTAL);
    RenderPackListFrame(graphics, top, bottom, rowWidth);
}

void Game::RenderPackRow(const SmartPtr<Graphics>& graphics, int position, float rowTop,
                         float textX, float previewClock, int layer)
{
    if (position < 0 || position >= PACK_COUNT)
        return;
    const float m = menuMargin;
    const float inner = screenColumns - 2.0f * m;
    const float rowHeight = packRowHeight;
    const int pack = packOrder[position];
    const int size = PackSize(*this, pack);

    const int whole = static_cast<int>(previewClock);
    float slide = (previewClock - whole) * rowHeight;
    int firstPreview = size > 0 ? whole % size : 0;
    // Neighbouring rows slide in opposite directions.
    if (position % 2 == 1) {
        slide = Consts::PACK_HEIGHT - slide;
        firstPreview = size > 0 ? (size - firstPreview) % size : 0;
    }

    int solved = 0;
    for (int k = 0; k < size; ++k)
        solved += Record(*this, packLevels[pack][k]) > RECORD_OPEN;
    const bool closed = size <= 0 || Record(*this, packLevels[pack][0]) == 0;
    const bool pressed = currentPack == pack && pressedPack == pack;

    auto previews = [&]() {
        for (int k = 0; k < PREVIEWS_PER_ROW && size > 0; ++k) {
            const int level = packLevels[pack][(firstPreview + k) % size];
            if (level >= 0 && level < LEVEL_COUNT)
                DrawOutline(graphics, 1.0f - slide + k * rowHeight, rowTop,
                            BOARD_COLUMNS / rowHeight, levelOutlines[level]);
        }
    };
    auto veil = [&]() {
        CopyBackground(graphics, Cells(m), Cells(rowTop), Cells(inner), Cells(rowHeight),
                       closed && !pressed ? CLOSED_VEIL_ALPHA : VEIL_ALPHA);
    };
    auto text = [&]() {
        if (closed) {
            DrawTextAt(graphics, font, packLockedTexts[pack], textX, rowTop + rowHeight / 2.0f);
            return;
        }
        DrawTextAt(graphics, font, packNames[pack], textX, rowTop + rowHeight / 4.0f);
        DrawTextPieces(graphics, smallFont,
                       {GetText("SOLVED"), L" ", GLFont::NumberToText(solved), L"/",
                        GLFont::NumberToText(size)},
                       PixelX(textX), PixelY(rowTop + 3.0f * rowHeight / 4.0f), GLFont::CENTER);
    };
    // A pressed pack brings its previews to the front.
    switch (pressed ? PACK_ROW_LAYERS - 1 - layer : layer) {
    case 0: previews(); break;
    case 1: veil(); break;
    default: text(); break;
    }
}

void Game::RenderPackListFrame(const SmartPtr<Graphics>& graphics, float top, float bottom,
                               float rowWidth)
{
    const float m = menuMargin;
    const float area = bottom - top;
    const float inner = screenColumns - 2.0f * m;
    // Whatever of the rows lies outside the list area is hidden under clean background.
    const int right = Cells(rowWidth + m);
    const int below = Cells(bottom);
    CopyBackground(graphics, 0, 0, Cells(m), Consts::SCREEN_HEIGHT, 1.0f);
    CopyBackground(graphics, right, 0, Consts::SCREEN_WIDTH + 2 - right, Consts::SCREEN_HEIGHT,
                   1.0f);
    CopyBackground(graphics, 0, 0, Consts::SCREEN_WIDTH, Cells(top), 1.0f);
    CopyBackground(graphics, 0, below, Consts::SCREEN_WIDTH, Consts::SCREEN_HEIGHT - below, 1.0f);

    DrawMenu(*this, graphics, MENU_PACKS);
    const bool smallTitle = Consts::SCREEN_WIDTH == 600 || Consts::SCREEN_WIDTH <= 320;
    DrawTextAt(graphics, smallTitle ? smallFont : font, GetText("CHOOSE_LEVEL_PACK"), 6.0f,
               (m + 2.0f) / 2.0f);
    DrawTextBox(graphics, m, top, inner, area, smallFont, WideString());
    if (rowWidth < inner) {
        const float listHeight = PACK_COUNT * packRowHeight;
        DrawHandVertical(graphics, rowWidth + m, top, area, Consts::THEME_LINES_VERTICAL);
        DrawHandVertical(graphics, rowWidth + m + 0.5f,
                         top + 0.5f + (area - 1.0f) * -packScroll / listHeight,
                         area * (area - 1.0f) / listHeight, Consts::THEME_LINES_VERTICAL);
    }
}

// --- Level pages ---------------------------------------------------------------------------------

void Game::RenderLevelSelect(const SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    graphics->DrawImage(imgBackground, 0, 0);
    const int pack = currentPack;
    const int size = PackSize(*this, pack);
    if (size <= 0) {
        DrawMenu(*this, graphics, MENU_LEVELS);
        return;
    }
    if (std::isnan(scrollPosition))
        scrollPosition = 0.0f;
    if (scrollPosition > size - 1)
        scrollPosition = static_cast<float>(size - 1);
    const int centre = ShownLevelEntry();
    const int level = packLevels[pack][centre];
    const float shift = centre - scrollPosition;
    const float t = boardTopRows;

    // The strip of small outlines with their status marks.
    for (int k = -3; k <= 3; ++k) {
        const int entry = centre + k;
        if (entry < 0 || entry >= size)
            continue;
        const int stripLevel = packLevels[pack][entry];
        if (stripLevel < 0 || stripLevel >= LEVEL_COUNT || levelOutlines[stripLevel].empty())
            continue;
        // Each outline centred on its slot whatever its place on the board, standing on its mark,
        // so that neighbours never touch and a mark never covers an outline.
        const float middle = STRIP_SLOT * (shift + k) + 5.0f + STRIP_SLOT / 2.0f;
        const OutlineBox box = BoxOf(levelOutlines[stripLevel]);
        const float divisor = std::max({STRIP_DIVISOR, (box.right - box.left) / STRIP_WIDTH,
                                        (box.bottom - box.top) / STRIP_HEIGHT});
        DrawOutline(graphics, middle - (box.left + box.right) / (2.0f * divisor),
                    t + STRIP_FOOT - box.bottom / divisor, divisor, levelOutlines[stripLevel]);
        const uint64_t record = Record(*this, stripLevel);
        const int mark = record == 0 ? IMAGE_LOCKED_SMALL
                                     : (record == RECORD_OPEN ? IMAGE_BULB_SMALL : IMAGE_DONE_SMALL);
        Content::LoadImage(mark);
        graphics->DrawImageCentered(mark, PixelX(middle), PixelY(t + STRIP_MARK),
                                    Graphics::ALIGN_CENTER_X);
    }

    for (int j = -1; j <= 1; ++j)
        RenderLevelPage(graphics, level + j, centre + j, shift + j);

    // The bracket under the centred outline.
    DrawHandVertical(graphics, 5.0f, t + 13.65f, 0.4f, Consts::THEME_LINES_VERTICAL);
    DrawHandVertical(graphics, 7.0f, t + 13.65f, 0.4f, Consts::THEME_LINES_VERTICAL);
    DrawHandHorizontal(graphics, 5.0f, t + 14.0f, 2.0f, Consts::THEME_LINES_HORIZONTAL);
    DrawMenu(*this, graphics, MENU_LEVELS);
}

void Game::RenderLevelPage(const SmartPtr<Graphics>& graphics, int level, int entry, float page)
{
    if (level < 0 || level >= LEVEL_COUNT)
        return;
    const float t = boardTopRows;
    const float x0 = BOARD_COLUMNS * page;
    const bool inPack = entry >= 0 && entry < PackSize(*this, currentPack);
    const uint64_t record = Record(*this, level);
    const SolutionTable& table = levelSolutions[level];
    const int found = CountFoundSolutions(level);
    const LevelFile* file = Content::GetLevel(level);

    DrawTextAt(graphics, smallFont, levelTitles[level], x0 + 6.0f, (t + 1.0f) / 2.0f);

    const int textY = PixelY(t + 11.5f);
    if (record > RECORD_OPEN) {
        // With no found solution left after masking there is nothing to choose from.
        const int solution =
            found > 0 ? NthFoundSolution(record, table.Count(), (solutionCycleMs / 1000) % found)
                      : -1;
        if (solution >= 0) {
            const int halfShift = inPack && file ? file->ShiftPixels(Consts::CELL_SIZE) : 0;
            for (int k = 0; k < table.PiecesPerSolution(); ++k) {
                const int type = GetSolutionPiece(level, solution, k);
                if (type < 0 || type >= Block::TYPE_COUNT)
                    continue;
                const float* colour = Block::blockColors[k % 6];
                graphics->DrawImageColored(
                    BASE_BLOCK + type,
                    static_cast<int>(Consts::DISPLAY_AREA_X + x0 * Consts::CELL_SIZE + halfShift +
                                     GetSolutionX(level, solution, k) * Consts::CELL_SIZE),
                    static_cast<int>(Consts::DISPLAY_AREA_Y +
                                     (GetSolutionY(level, solution, k) + t) * Consts::CELL_SIZE),
                    colour[0], colour[1], colour[2], colour[3]);
            }
        }
        if (smallFont) {
            smallFont->DrawText(graphics, GetText("SOLUTIOINS"), PixelX(x0 + 0.5f), textY, 0);
            smallFont->DrawNumber(graphics, PlayfieldFit::GetSolutionCount(level),
                                  PixelX(x0 + 5.5f), textY);
            smallFont->DrawText(graphics, GetText("FOUND"), PixelX(x0 + 7.5f), textY, 0);
            smallFont->DrawNumber(graphics, found, PixelX(x0 + 11.0f), textY);
        }
    } else if (smallFont) {
        smallFont->DrawTextCentered(
            graphics, GetText(record == RECORD_OPEN ? "NO_SOLUTIONS" : "LEVEL_LOCKED"),
            static_cast<int>(Consts::DISPLAY_AREA_X + Consts::OFFSET_X +
                             (x0 + 6.0f) * Consts::CELL_SIZE),
            textY);
    }

    DrawHandHorizontal(graphics, -1.0f, t + STRIP_LINE, 14.0f, Consts::THEME_LINES_HORIZONTAL);

    if (!inPack || levelOutlines[level].empty())
        return;
    if (record != 0) {
        DrawOutline(graphics, x0, t, 1.0f, levelOutlines[level]);
        return;
    }
    // Locked: the board at half size, centred on the page, with the lock over it.
    DrawOutline(graphics, x0 + 3.0f, t + 3.0f, 2.0f, levelOutlines[level]);
    if (file)
        DrawMark(graphics, IMAGE_LOCKED, x0 + 5.0f,
                 t + 2.0f + file->originY / 2.0f + file->height / 4.0f);
}
