// A block of text laid out in lines inside a box: word wrap at break characters, line feeds
// honoured, and as many lines drawn as the box height holds, from a chosen first line.
//
// The block lays itself out again when its font's image id changes (a theme change reloads the
// game's fonts in place), on the next draw.
#pragma once

#include <set>
#include <vector>

#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "base/WideString.h"
#include "system/Types.h"

class GLFont;
class Graphics;

class StringDisplayer : public Vorn::RefCounter {
public:
    enum Alignment { ALIGN_LEFT = 0, ALIGN_CENTER = 1, ALIGN_RIGHT = 2 };

    // x, y: the top-left corner of the box; width, height: its size in pixels. alignment: 0 left,
    // 1 centred, 2 right (other values are left). breakSetMode 1 does not break after hyphens.
    StringDisplayer(const Vorn::SmartPtr<GLFont>& font, const Vorn::WideString& text, int x, int y,
                    int width, int height, int alignment, int breakSetMode);
    ~StringDisplayer() override;

    // Stores width as the wrap width and lays text out; an empty text leaves no lines.
    void SetText(const Vorn::WideString& text, int width);
    void InitBreakCharacters();
    // Carriage returns become line feeds, then the wrap of the layout mode runs.
    void Layout(const Vorn::WideString& text);
    // Greedy word wrap at the break characters; a word wider than the box is not cut.
    void WrapWords(const Vorn::WideString& text, int maxWidth);
    // Breaks between any two characters, keeping the noLineStart set off line starts (the layout
    // of Korean and Chinese builds).
    void WrapCharacters(const Vorn::WideString& text, int maxWidth);

    // text with every occurrence of from replaced by to; inserted text is not searched again.
    static Vorn::WideString ReplaceAll(const Vorn::WideString& text, const Vorn::WideString& from,
                                       const Vorn::WideString& to);

    // Lays the text out again when the font's image id differs from the one laid out with.
    void Refresh();
    int GetLineCount() const { return m_lineCount; }
    // Lines the box shows: height / line height (0 for a font without height).
    int GetVisibleLineCount() const;
    void ScrollBy(int delta) { m_y += delta; }
    const std::vector<Vorn::WideString>& GetLines() const { return m_lines; }
    int GetX() const { return m_x; }
    int GetY() const { return m_y; }
    int GetLineHeight() const { return m_lineHeight; }

    void DrawLines(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawClipped(const Vorn::SmartPtr<Graphics>& graphics, int dy);
    // Draws the visible lines from line first (below 0 taken as 0).
    void Draw(const Vorn::SmartPtr<Graphics>& graphics, int first);
    void DrawShifted(const Vorn::SmartPtr<Graphics>& graphics, int first, int dy);

    int drawFlags;
    std::set<Vorn::u16> breakAfter;
    std::set<Vorn::u16> forcedBreak;
    std::set<Vorn::u16> dropAtBreak;
    std::set<Vorn::u16> noLineStart;
    int layoutMode;
    int breakSetMode;

private:
    bool In(const std::set<Vorn::u16>& set, wchar_t c) const;
    int Advance(wchar_t c) const;

    // Counted, so that a block never outlives the font it draws with.
    Vorn::SmartPtr<GLFont> m_font;
    std::vector<Vorn::WideString> m_lines;
    int m_lineCount;
    int m_x;
    int m_y;
    int m_width;
    int m_height;
    int m_lineHeight;
    int m_fontId;
    Vorn::WideString m_text;
};
