#include "art/ArtPreview.h"

#include "Command.h"
#include "Files.h"
#include "TextTable.h"
#include "art/ArtBuild.h"
#include "art/ArtCharacters.h"
#include "art/Drawing.h"
#include "ImageTable.h"
#include "art/Noise.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace DataBuild {

namespace {

std::vector<uint32_t> Decode(const std::string& utf8)
{
    std::vector<uint32_t> codes;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length && i + k < utf8.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        codes.push_back(code);
        i += length;
    }
    return codes;
}

// Draws like the game's renderer: a theme, its images, its fonts, its ink.
class MockScreen {
public:
    MockScreen(const ArtSize& size, const ArtImages& art, int theme, const TextTable& texts)
        : m_size(size), m_art(art), m_theme(ImageTable::THEME_ROWS[theme]), m_colours(ImageTable::COLOR_ROWS[theme]), m_texts(texts),
          m_rng(MixSeed(theme, size.width)), m_s(size.cell)
    {
        const unsigned ink = m_colours[0];
        m_ink = Colour::Rgb(ink);
    }

    const Canvas& Image(int id) const
    {
        static const Canvas s_none;
        const auto found = m_art.images.find(id);
        if (found != m_art.images.end())
            return found->second;
        const auto font = m_art.fonts.find(id);
        return font != m_art.fonts.end() ? font->second.image : s_none;
    }
    const FontSheet& Font(bool small) const
    {
        return m_art.fonts.at(small ? m_theme.fontSmall : m_theme.font);
    }
    std::string Text(const std::string& key) const
    {
        const TextEntry* entry = m_texts.Find(key);
        return entry ? entry->text : key;
    }
    Colour Ink() const { return m_ink; }
    Colour PieceColour(int slot) const
    {
        return Colour::Rgb(m_colours[1 + slot % 6]);
    }
    // The tint of the tray's pieces and of a piece carried from it.
    Colour TrayTint() const { return Colour::Rgb(m_colours[7]); }

    void Background(Canvas& target) const
    {
        CompositePart(target, Image(m_theme.background), 0, 0, 0, 0, m_size.width, m_size.height, 1.0,
                      Colour{1, 1, 1, 1}, 1.0);
    }

    int TextWidth(const FontSheet& font, const std::string& text) const
    {
        int width = 0;
        for (uint32_t code : Decode(text))
            width += GlyphOf(font, code).width;
        return width;
    }

    // The game's text drawing: flags 2 centre, 4 right; y is the line's centre.
    void DrawText(Canvas& target, bool small, const std::string& text, int x, int y, int flags) const
    {
        const FontSheet& font = Font(small);
        const int width = TextWidth(font, text);
        if (flags & 2)
            x -= width / 2;
        else if (flags & 4)
            x -= width;
        for (uint32_t code : Decode(text)) {
            const Glyph& g = GlyphOf(font, code);
            CompositePart(target, font.image, x, y - g.height / 2, g.x, g.y, g.width, g.height, 1.0, m_ink, 1.0);
            x += g.width;
        }
    }

    void HandVertical(Canvas& target, double x, double y, double length)
    {
        const int s = m_s;
        const int n = static_cast<int>((29.03f - static_cast<float>(length)) * s);
        const int r = n >= 1 ? m_rng.Below(n) : 0;
        CompositePart(target, Image(m_theme.linesVertical), static_cast<int>(s * x - s / 2),
                      static_cast<int>(s * (y - 0.015)), 0, s / 2 + r, s,
                      static_cast<int>(s * (length + 0.03)), 1.0, m_ink, 1.0);
    }

    void HandHorizontal(Canvas& target, double x, double y, double length)
    {
        const int s = m_s;
        const int n = static_cast<int>((29.03f - static_cast<float>(length)) * s);
        const int r = n >= 1 ? m_rng.Below(n) : 0;
        CompositePart(target, Image(m_theme.linesHorizontal), static_cast<int>(s * (x - 0.03)),
                      static_cast<int>(s * y - s / 2), s / 2 + r, 0,
                      static_cast<int>(s * (length + 0.09)), s, 1.0, m_ink, 1.0);
    }

    void Box(Canvas& target, double x, double y, double w, double h)
    {
        HandVertical(target, x, y, h);
        HandVertical(target, x + w, y, h);
        HandHorizontal(target, x, y, w);
        HandHorizontal(target, x, y + h, w);
    }

    void Button(Canvas& target, double x, double y, double w, double h, const std::string& caption,
                bool small = true)
    {
        CompositePart(target, Image(m_theme.background), static_cast<int>(x * m_s),
                      static_cast<int>(y * m_s), static_cast<int>(x * m_s), static_cast<int>(y * m_s),
                      static_cast<int>(w * m_s), static_cast<int>(h * m_s), 1.0, Colour{1, 1, 1, 1}, 1.0);
        Box(target, x, y, w, h);
        DrawText(target, small, caption, static_cast<int>((x + w / 2) * m_s),
                 static_cast<int>((y + h / 2) * m_s), 2);
    }

    void Logo(Canvas& target) const
    {
        const Canvas& logo = Image(m_theme.logo);
        Composite(target, logo, 6 * m_s - logo.Width() / 2, m_size.menuTop / 2 - logo.Height() / 2);
    }

private:
    const Glyph& GlyphOf(const FontSheet& font, uint32_t code) const
    {
        for (const Glyph& g : font.glyphs)
            if (g.code == code)
                return g;
        for (const Glyph& g : font.glyphs)
            if (g.code == 0xFFFD)
                return g;
        return font.glyphs.front();
    }

    const ArtSize& m_size;
    const ArtImages& m_art;
    const ImageTable::Theme& m_theme;
    const unsigned* m_colours;
    const TextTable& m_texts;
    Rng m_rng;
    int m_s;
    Colour m_ink;
};

Canvas MainMenu(const ArtSize& size, MockScreen& mock)
{
    Canvas screen(size.width, size.height, Canvas::COLOUR);
    mock.Background(screen);
    mock.Logo(screen);
    const double c = size.cell;
    const double rh = (size.height - size.menuTop) / (4 * c), y0 = size.menuTop / c;
    const double k = size.width / c;
    // As the game lays it out: rows of 0.8 of a menu row, the third one left free.
    const double row = 0.8 * rh;
    const std::pair<double, std::string> rows[] = {
        {0, mock.Text("PLAY")}, {1, mock.Text("MENU_MORE")},
        {3, mock.Text("MENU_VISIT_WEBSITE")}, {4, mock.Text("PROFILE") + " " + mock.Text("GUEST")}};
    for (const auto& r : rows)
        mock.Button(screen, 0.2, y0 + 0.2 + r.first * row, k - 0.4, row - 0.4, r.second);
    return screen;
}

// The mock play screen's board: 8 x 9 cells with a notch and a hole, at column 2, row 1.
const int MOCK_BOARD_W = 8, MOCK_BOARD_H = 9, MOCK_BOARD_X = 2, MOCK_BOARD_Y = 1;

bool InMockBoard(int x, int y)
{
    if (x < 0 || y < 0 || x >= MOCK_BOARD_W || y >= MOCK_BOARD_H)
        return false;
    if (y < 2 && x >= 5)
        return false;
    if (x == 3 && y == 5)
        return false;
    return true;
}

// The board in the theme's frame tiles, its corner (ox, oy) in pixels.
void DrawFramedBoard(Canvas& screen, MockScreen& mock, const ImageTable::Theme& theme, int s, int ox, int oy)
{
    const int bw = MOCK_BOARD_W, bh = MOCK_BOARD_H;
    auto inside = InMockBoard;
    const Canvas& sheet = mock.Image(theme.ingame);
    static const int tiles[16][2] = {{1, 1}, {4, 1}, {3, 1}, {1, 0}, {4, 0}, {0, 1}, {4, 2}, {0, 0},
                                     {3, 0}, {3, 2}, {2, 1}, {2, 0}, {1, 2}, {0, 2}, {2, 2}, {-1, -1}};
    for (int pass = 0; pass < 2; ++pass) {
        for (int vx = 0; vx <= bw; ++vx) {
            for (int vy = 0; vy <= bh; ++vy) {
                const int code = (!inside(vx - 1, vy - 1) ? 1 : 0) | (!inside(vx, vy - 1) ? 2 : 0) |
                                 (!inside(vx - 1, vy) ? 4 : 0) | (!inside(vx, vy) ? 8 : 0);
                const bool edgeOrFill = code == 0 || code == 3 || code == 5 || code == 10 || code == 12;
                if (code == 15 || edgeOrFill != (pass == 1))
                    continue;
                const int half = pass == 0 ? s / 2 : (s + 1) / 2;
                CompositePart(screen, sheet, ox + vx * s - half, oy + vy * s - half, tiles[code][0] * s,
                              tiles[code][1] * s, s, s, 1.0, Colour{1, 1, 1, 1}, 1.0);
            }
        }
    }
}

// The board drawn by hand: drag guides, the hole's hatching and the outline.
void DrawSketchedBoard(Canvas& screen, MockScreen& mock, int s, int ox, int oy, double top)
{
    const int bw = MOCK_BOARD_W, bh = MOCK_BOARD_H, bx = MOCK_BOARD_X, by = MOCK_BOARD_Y;
    auto inside = InMockBoard;
    // The drag guides over the puzzle cells, under a piece being dragged to column 4, row 3.
    for (int y = 0; y < bh; ++y) {
        for (int x = 0; x < bw; ++x) {
            if (!inside(x, y))
                continue;
            if (x >= 4 && x < 6)
                CompositePart(screen, mock.Image(ImageTable::GUIDE_VERTICAL), ox + x * s, oy + y * s,
                              (x - 4) * s, y * s, s, s, 1.0, mock.Ink(), 0.5);
            if (y >= 3 && y < 6)
                CompositePart(screen, mock.Image(ImageTable::GUIDE_HORIZONTAL), ox + x * s, oy + y * s,
                              x * s, (y - 3) * s, s, s, 1.0, mock.Ink(), 0.5);
        }
    }
    // Hatching of the hole, then the outline.
    for (int k = 0; k < 3; ++k) {
        mock.HandVertical(screen, bx + 3 + 0.33 * k, by + top + 5, 1);
        mock.HandHorizontal(screen, bx + 3, by + top + 5 + 0.33 * k, 1);
    }
    for (int y = 0; y <= bh; ++y)
        for (int x = 0; x <= bw; ++x) {
            if (y < bh && inside(x, y) != inside(x - 1, y))
                mock.HandVertical(screen, bx + x, by + top + y, 1);
            if (x < bw && inside(x, y) != inside(x, y - 1))
                mock.HandHorizontal(screen, bx + x, by + top + y, 1);
        }
}

Canvas Play(const ArtSize& size, MockScreen& mock, const ImageTable::Theme& theme)
{
    Canvas screen(size.width, size.height, Canvas::COLOUR);
    const int s = size.cell;
    const double rows = static_cast<double>(size.height) / s, top = (rows - 16.0) * 0.5;
    mock.Background(screen);
    CompositePart(screen, mock.Image(ImageTable::GRID), 0, 0, 0, 0, size.width, size.height, 1.0, mock.Ink(), 0.2);
    const int ox = MOCK_BOARD_X * s, oy = static_cast<int>((MOCK_BOARD_Y + top) * s);
    if (theme.ingame != ImageTable::NO_IMAGE)
        DrawFramedBoard(screen, mock, theme, s, ox, oy);
    else
        DrawSketchedBoard(screen, mock, s, ox, oy, top);
    // Placed pieces.
    const struct {
        int type, x, y;
    } placed[] = {{0, 0, 0}, {2, 0, 2}, {20, 2, 0}, {19, 4, 3}, {8, 0, 6}, {27, 7, 3}, {13, 5, 7}};
    int slot = 0;
    for (const auto& piece : placed) {
        Composite(screen, mock.Image(theme.blocks + piece.type), ox + piece.x * s, oy + piece.y * s,
                  mock.PieceColour(slot++));
    }
    // The tray, two of its pieces taken out, and a dragged piece at full size.
    const int tray[] = {3, 11, 15, 26, 22, 1, 17, 24};
    const float scale = size.width == 240 ? 0.48f : size.width == 600 ? 0.5f : 0.45f;
    for (int i = 0; i < 8; ++i) {
        const int type = tray[i];
        const double cx = (1.4 + (i % 4) * 3.0) * s, cy = (12.2 + (i / 4) * 2.1 + top) * s;
        const Canvas& image = mock.Image(theme.blocks + type);
        const double alpha = (i == 2 || i == 5) ? theme.blockAlpha : 1.0;
        CompositePart(screen, image, static_cast<int>(cx - static_cast<int>(image.Width() * scale * 0.5)),
                      static_cast<int>(cy - static_cast<int>(image.Height() * scale * 0.5)), 0, 0,
                      image.Width(), image.Height(), scale, mock.TrayTint(), alpha);
    }
    // The dragged piece keeps its tray tint and grows to full size.
    Composite(screen, mock.Image(theme.blocks + 16), ox + 4 * s + s / 3, oy + 3 * s + s / 4, mock.TrayTint(), 1.0);
    mock.DrawText(screen, false, mock.Text("BEGINNER_HOURGLASS"), 6 * s, static_cast<int>((s + top * s) * 0.5), 2);
    const double r = rows;
    mock.DrawText(screen, false, mock.Text("MENU"), s / 4, static_cast<int>((r - 0.5) * s), 0);
    mock.DrawText(screen, false, mock.Text("BUTTON_HINTS"), 12 * s - s / 4, static_cast<int>((r - 0.5) * s), 4);
    return screen;
}

Canvas Settings(const ArtSize& size, MockScreen& mock, const ImageTable::Theme& theme)
{
    Canvas screen(size.width, size.height, Canvas::COLOUR);
    mock.Background(screen);
    const int s = size.cell;
    const double r = static_cast<double>(size.height) / s;
    mock.DrawText(screen, true, mock.Text("CHOOSE_LEVEL_PACK"), 6 * s, s, 2);
    // Two pack rows.
    const char* const packs[] = {"PACK_BEGINNER", "PACK_LETTERS"};
    for (int i = 0; i < 2; ++i) {
        const double y = 2.2 + 3.0 * i;
        mock.DrawText(screen, false, mock.Text(packs[i]), 6 * s, static_cast<int>((y + 0.75) * s), 2);
        mock.DrawText(screen, true, mock.Text("SOLVED") + " " + std::to_string(3 + 9 * i) + "/27", 6 * s,
                      static_cast<int>((y + 2.25) * s), 2);
        mock.HandHorizontal(screen, 0.2, y + 3.0, 11.6);
    }
    mock.Box(screen, 0.2, 2.2, 11.6, 6.0);
    // Volume bars in their boxes, as the settings panel shows them.
    const double barY = 9.2;
    for (int i = 0; i < 2; ++i) {
        const double x = 0.5 + 6 * i;
        const int volume = i == 0 ? 7 : 10;
        mock.DrawText(screen, true, mock.Text(i == 0 ? "SFX" : "MUSIC"), static_cast<int>((x + 2.5) * s),
                      static_cast<int>((barY - 0.5) * s), 2);
        const bool tinted = theme.progressBar != 33;
        CompositePart(screen, mock.Image(theme.progressBar), static_cast<int>(x * s), static_cast<int>(barY * s), 0, 0,
                      static_cast<int>(s * 0.58823526 * volume), s, 0.85,
                      tinted ? mock.Ink() : Colour{1, 1, 1, 1}, 1.0);
        mock.HandVertical(screen, x + volume / 2.0, barY, 0.8);
        mock.Box(screen, x, barY, 5.0, 0.8);
    }
    // Status icons: the lock of a locked level and the small marks under the outlines.
    Composite(screen, mock.Image(ImageTable::LOCKED), static_cast<int>(0.5 * s), static_cast<int>(10.6 * s));
    const int icons[] = {ImageTable::LOCKED_SMALL, ImageTable::BULB_SMALL, ImageTable::DONE_SMALL};
    for (int i = 0; i < 3; ++i)
        Composite(screen, mock.Image(icons[i]), static_cast<int>((3.2 + 1.1 * i) * s), static_cast<int>(11.2 * s));
    // Keys of the name keyboard.
    const char* const keys[] = {"a", "B", "7", "?"};
    for (int i = 0; i < 4; ++i)
        mock.Button(screen, 6.15 + 2 * (i % 2) + 0.0, 10.65 + 2 * (i / 2) - 0.5, 1.7, 1.7, keys[i], false);
    mock.Button(screen, 0.15, 13.2, 3.7, 1.7, mock.Text("KEY_SPACE"), false);
    // A paragraph of help text in the small font, wrapped at spaces and line feeds.
    const FontSheet& font = mock.Font(true);
    const std::string help = mock.Text("HELP_TEXT_1") + "\n";
    std::string line, word;
    double y = 15.6;
    for (char c : help) {
        if (c != ' ' && c != '\n') {
            word += c;
            continue;
        }
        const std::string joined = line.empty() ? word : line + " " + word;
        if (mock.TextWidth(font, joined) > 11.2 * s && !line.empty()) {
            mock.DrawText(screen, true, line, static_cast<int>(0.4 * s), static_cast<int>(y * s), 0);
            y += static_cast<double>(font.lineHeight) / s;
            line = word;
        } else {
            line = joined;
        }
        word.clear();
        if (c == '\n') {
            mock.DrawText(screen, true, line, static_cast<int>(0.4 * s), static_cast<int>(y * s), 0);
            y += static_cast<double>(font.lineHeight) / s;
            line.clear();
        }
        if (y > r - 0.5)
            break;
    }
    return screen;
}

Canvas Checker(int width, int height)
{
    Canvas canvas(width, height, Canvas::COLOUR);
    ShadePixels(canvas, [](double x, double y) {
        const bool dark = (static_cast<int>(x / 8) + static_cast<int>(y / 8)) % 2;
        const double v = dark ? 0.78 : 0.9;
        return Colour{v, v, v, 1};
    });
    return canvas;
}

bool WriteSheet(const std::string& path, const Canvas& sheet, std::string& error)
{
    std::vector<uint8_t> bytes;
    if (!EncodePng(sheet, bytes, error)) {
        error = path + ": " + error;
        return false;
    }
    return WriteWholeFile(path, bytes, error);
}

std::vector<Canvas> MockScreens(const ArtSize& size, const ArtImages& art, int themeIndex, const TextTable& texts)
{
    const ImageTable::Theme& theme = ImageTable::THEME_ROWS[themeIndex];
    MockScreen mock(size, art, themeIndex, texts);
    std::vector<Canvas> screens;
    screens.push_back(MainMenu(size, mock));
    screens.push_back(Play(size, mock, theme));
    screens.push_back(Settings(size, mock, theme));
    return screens;
}

Canvas ContactSheet(const ArtSize& size, const ArtImages& art, int themeIndex, const TextTable& texts)
{
    const ImageTable::Theme& theme = ImageTable::THEME_ROWS[themeIndex];
    MockScreen mock(size, art, themeIndex, texts);
    const int gap = 16, s = size.cell;
    const std::vector<Canvas> screens = MockScreens(size, art, themeIndex, texts);
    const int width = 3 * size.width + 4 * gap;
    // Below the screens: the pieces plain and tinted, the masks, the icons and frame sheet, the
    // fonts, the logo and the splash images.
    const int piecesHeight = 2 * (size.spans[3] + gap);
    const Canvas& fontMain = art.fonts.at(theme.font).image;
    const Canvas& fontSmall = art.fonts.at(theme.fontSmall).image;
    const int height = gap + size.height + gap + piecesHeight + 4 * s + gap +
                       std::max(fontMain.Height() + fontSmall.Height() + gap, 3 * s) + gap +
                       mock.Image(theme.logo).Height() + 2 * gap + size.height / 2 + gap;
    Canvas sheet(width, height, Canvas::COLOUR);
    {
        Painter p(sheet);
        cairo_set_source_rgb(p, 0.3, 0.3, 0.32);
        cairo_paint(p);
    }
    for (int i = 0; i < 3; ++i)
        Composite(sheet, screens[i], gap + i * (size.width + gap), gap);
    int y = 2 * gap + size.height;
    // Pieces: a row on a checker, then a row tinted on the background.
    Canvas ground(width - 2 * gap, piecesHeight, Canvas::COLOUR);
    {
        Canvas checker = Checker(width - 2 * gap, size.spans[3] + gap / 2);
        Composite(ground, checker, 0, 0);
        for (int x = 0; x < ground.Width(); x += size.width)
            CompositePart(ground, mock.Image(theme.background), x, size.spans[3] + gap, 0, 0, size.width,
                          size.spans[3] + gap, 1.0, Colour{1, 1, 1, 1}, 1.0);
    }
    const int rowY[2] = {4, size.spans[3] + gap + 4};
    for (int type = 0, column = 4; type < 28; ++type) {
        const Canvas& piece = mock.Image(theme.blocks + type);
        if (column + piece.Width() > ground.Width())
            break;
        Composite(ground, piece, column, rowY[0]);
        Composite(ground, piece, column, rowY[1], mock.PieceColour(type));
        column += piece.Width() + 4;
    }
    Composite(sheet, ground, gap, y);
    y += piecesHeight + gap;
    // Masks tinted on the background: line strips (a stretch), guides, progress bar.
    Canvas strip(width - 2 * gap, 4 * s, Canvas::COLOUR);
    for (int bx = 0; bx < strip.Width(); bx += size.width)
        CompositePart(strip, mock.Image(theme.background), bx, 0, 0, 0, size.width, 4 * s, 1.0, Colour{1, 1, 1, 1}, 1.0);
    CompositePart(strip, mock.Image(theme.linesHorizontal), 0, 0, 0, 0, std::min(strip.Width(), mock.Image(theme.linesHorizontal).Width()), s, 1.0, mock.Ink(), 1.0);
    CompositePart(strip, mock.Image(ImageTable::GUIDE_HORIZONTAL), 0, s, 0, 0, 8 * s, 2 * s, 1.0, mock.Ink(), 0.5);
    CompositePart(strip, mock.Image(theme.progressBar), 9 * s, s, 0, 0, mock.Image(theme.progressBar).Width(), s, 1.0,
                  theme.progressBar == 33 ? Colour{1, 1, 1, 1} : mock.Ink(), 1.0);
    Composite(strip, mock.Image(ImageTable::LOCKED), 17 * s, s);
    if (theme.ingame != ImageTable::NO_IMAGE)
        Composite(strip, mock.Image(theme.ingame), 20 * s, 0);
    Composite(sheet, strip, gap, y);
    y += 4 * s + gap;
    // Fonts.
    Canvas fonts(width - 2 * gap, std::max(fontMain.Height() + fontSmall.Height() + gap, 3 * s), Canvas::COLOUR);
    for (int bx = 0; bx < fonts.Width(); bx += size.width)
        for (int by = 0; by < fonts.Height(); by += size.height)
            CompositePart(fonts, mock.Image(theme.background), bx, by, 0, 0, size.width, size.height, 1.0, Colour{1, 1, 1, 1}, 1.0);
    Composite(fonts, fontMain, 0, 0, mock.Ink());
    Composite(fonts, fontSmall, 0, fontMain.Height() + gap, mock.Ink());
    Composite(sheet, fonts, gap, y);
    y += fonts.Height() + gap;
    Canvas checker = Checker(mock.Image(theme.logo).Width(), mock.Image(theme.logo).Height());
    Composite(sheet, checker, gap, y);
    Composite(sheet, mock.Image(theme.logo), gap, y);
    y += mock.Image(theme.logo).Height() + gap;
    // The splash images at half size.
    CompositePart(sheet, art.images.at(ImageTable::SPLASH_ENGINE), gap, y, 0, 0, size.width, size.height, 0.5, Colour{1, 1, 1, 1}, 1.0);
    CompositePart(sheet, art.images.at(ImageTable::SPLASH_GAME), 2 * gap + size.width / 2, y, 0, 0, size.width, size.height, 0.5, Colour{1, 1, 1, 1}, 1.0);
    return sheet;
}

} // namespace

int RunArtPreview(const std::vector<std::string>& args)
{
    const Command& self = *FindCommand("preview");
    if (args.size() < 3 || args[0] != "art")
        return UsageError(self);
    const std::string textsDir = args[1], outDir = args[2];
    std::vector<int> widths, themes;
    std::string language = "en";
    bool separateScreens = false;
    for (size_t i = 3; i < args.size(); ++i) {
        if (args[i] == "--screens") {
            separateScreens = true;
            continue;
        }
        if (args[i] == "--size" && i + 1 < args.size())
            widths.push_back(std::atoi(args[++i].c_str()));
        else if (args[i] == "--theme" && i + 1 < args.size()) {
            const std::string& name = args[++i];
            int theme = -1;
            const char* end = name.data() + name.size();
            const auto parsed = std::from_chars(name.data(), end, theme);
            if (name.empty() || parsed.ec != std::errc() || parsed.ptr != end || theme < 0 ||
                theme >= ImageTable::THEMES) {
                std::fprintf(stderr, "databuild: preview: no theme '%s' (the themes are 0 to %d)\n",
                             name.c_str(), ImageTable::THEMES - 1);
                return UsageError(self);
            }
            themes.push_back(theme);
        }
        else if (args[i] == "--language" && i + 1 < args.size())
            language = args[++i];
        else
            return UsageError(self);
    }
    if (widths.empty())
        widths = ArtSize::Widths();
    if (themes.empty())
        for (int t = 0; t < ImageTable::THEMES; ++t)
            themes.push_back(t);
    std::vector<uint32_t> characters;
    std::string error;
    if (!LoadFontCharacters(textsDir, characters, error))
        return Fail(error);
    TextTable texts;
    std::vector<std::string> errors;
    if (!LoadTextTable(textsDir + "/" + language + ".xml", texts, errors))
        return Fail(errors.empty() ? "preview: cannot read " + language : errors[0]);
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    for (int width : widths) {
        ArtSize size;
        if (!ArtSize::ForWidth(width, size))
            return Fail("preview: no base size of width " + std::to_string(width));
        // Only the images of the chosen themes.
        const std::vector<int> ids = ImageTable::UsedIds(themes);
        ArtImages art;
        if (!DrawArtImages(size, ids, characters, 0, art, error))
            return Fail("preview: " + error);
        std::vector<Canvas> sheets(themes.size());
        RunParallel(themes.size(), 0, [&](size_t i) { sheets[i] = ContactSheet(size, art, themes[i], texts); });
        for (size_t i = 0; i < themes.size(); ++i) {
            const std::string path = outDir + "/art_" + std::to_string(themes[i]) + "_" + std::to_string(width) + ".png";
            if (!WriteSheet(path, sheets[i], error))
                return Fail(error);
            std::printf("%s\n", path.c_str());
            if (!separateScreens)
                continue;
            const std::vector<Canvas> screens = MockScreens(size, art, themes[i], texts);
            const char* const names[] = {"menu", "play", "settings"};
            for (size_t k = 0; k < screens.size(); ++k) {
                const std::string screenPath = outDir + "/art_" + std::to_string(themes[i]) + "_" +
                                               std::to_string(width) + "_" + names[k] + ".png";
                if (!WriteSheet(screenPath, screens[k], error))
                    return Fail(error);
            }
        }
    }
    return 0;
}

} // namespace DataBuild
