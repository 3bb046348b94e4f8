#include "StringDisplayer.h"

#include <algorithm>

#include "GLFont.h"
#include "Graphics.h"
#include "Language.h"

namespace {

const Vorn::u16 BREAK_AFTER_WITH_HYPHEN[] = {0x20, 0x2D, 0x3F, 0x21, 0x3A};
const Vorn::u16 BREAK_AFTER_WITHOUT_HYPHEN[] = {0x20, 0x3F, 0x21, 0x3A};
const Vorn::u16 NO_LINE_START[] = {0x3002, 0xFF1F, 0xFF01, 0xFF1A, 0x002F,
                                   0x3001, 0xFF61, 0x002C, 0x300C, 0x300D};
constexpr Vorn::u16 LINE_FEED = 0x0A;
constexpr Vorn::u16 SPACE = 0x20;

}  // namespace

StringDisplayer::StringDisplayer(const Vorn::SmartPtr<GLFont>& font, const Vorn::WideString& text,
                                 int x, int y, int width, int height, int alignment,
                                 int setMode)
    : drawFlags(0),
      layoutMode(0),
      breakSetMode(setMode),
      m_font(font),
      m_lineCount(0),
      m_x(x),
      m_y(y),
      m_width(width),
      m_height(height),
      m_lineHeight(font ? font->GetLineHeight() : 0),
      m_fontId(font ? font->GetFontIndex() : -1),
      m_text(text)
{
    SetText(text, width);
    m_lineCount = static_cast<int>(m_lines.size());
    if (alignment == ALIGN_CENTER) {
        drawFlags = GLFont::CENTER;
        m_x = x + width / 2;
    } else if (alignment == ALIGN_RIGHT) {
        drawFlags = GLFont::RIGHT;
        m_x = x + width;
    }
}

StringDisplayer::~StringDisplayer() {}

void StringDisplayer::SetText(const Vorn::WideString& text, int width)
{
    m_width = width;
    if (text.empty()) {
        m_lines.clear();
        return;
    }
    layoutMode = (Language::KO || Language::CN) ? 1 : 0;
    InitBreakCharacters();
    Layout(text);
}

void StringDisplayer::InitBreakCharacters()
{
    breakAfter.clear();
    forcedBreak.clear();
    dropAtBreak.clear();
    noLineStart.clear();
    if (breakSetMode == 1)
        breakAfter.insert(std::begin(BREAK_AFTER_WITHOUT_HYPHEN), std::end(BREAK_AFTER_WITHOUT_HYPHEN));
    else
        breakAfter.insert(std::begin(BREAK_AFTER_WITH_HYPHEN), std::end(BREAK_AFTER_WITH_HYPHEN));
    if (layoutMode == 0)
        dropAtBreak.insert(SPACE);
    else
        noLineStart.insert(std::begin(NO_LINE_START), std::end(NO_LINE_START));
    forcedBreak.insert(LINE_FEED);
}

void StringDisplayer::Layout(const Vorn::WideString& text)
{
    const Vorn::WideString normalised = ReplaceAll(text, Vorn::WideString(L"\r"), Vorn::WideString(L"\n"));
    if (layoutMode == 1)
        WrapCharacters(normalised, m_width);
    else
        WrapWords(normalised, m_width);
}

bool StringDisplayer::In(const std::set<Vorn::u16>& set, wchar_t c) const
{
    return set.count(static_cast<Vorn::u16>(c)) != 0;
}

int StringDisplayer::Advance(wchar_t c) const
{
    return m_font ? m_font->GetCharAdvance(static_cast<wchar_t>(static_cast<Vorn::u16>(c))) : 0;
}

void StringDisplayer::WrapWords(const Vorn::WideString& text, int maxWidth)
{
    m_lines.clear();
    // Widths are summed wide: "past the box" is max + 1, which must exist for any box width.
    const long long max = maxWidth;
    Vorn::WideString rest = text;
    size_t i = 0;
    long long w = 0;
    long brk = -1;
    while (!rest.empty()) {
        const wchar_t c = rest[i];
        const bool last = i + 1 == rest.size();
        w += Advance(c);
        if (!last && m_font)
            w += m_font->GetKerning(static_cast<wchar_t>(static_cast<Vorn::u16>(c)), rest[i + 1]);
        if (In(forcedBreak, c) && !last) {
            brk = static_cast<long>(i);
            w = max + 1;
        }
        if (last) {
            if (w < max)
                brk = static_cast<long>(i);
            w = max + 1;
        }
        if (brk >= 0 && w > max && !(In(dropAtBreak, c) && !last)) {
            const size_t at = static_cast<size_t>(brk);
            const size_t keep = In(dropAtBreak, rest[at]) ? at : at + 1;
            m_lines.push_back(rest.substr(0, keep));
            rest.erase(0, at + 1);
            i = 0;
            w = 0;
            brk = -1;
            continue;
        }
        if (In(breakAfter, c))
            brk = static_cast<long>(i);
        if (last) {
            m_lines.push_back(rest);
            return;
        }
        ++i;
    }
}

void StringDisplayer::WrapCharacters(const Vorn::WideString& text, int maxWidth)
{
    m_lines.clear();
    const long long max = maxWidth;
    Vorn::WideString rest = text;
    size_t i = 0;
    long long w = 0;
    long brk = -1;
    while (!rest.empty()) {
        wchar_t c = rest[i];
        const bool last = i + 1 == rest.size();
        w += Advance(c);
        if (In(forcedBreak, c) && !last) {
            brk = static_cast<long>(i);
            w = max + 1;
        }
        if (last) {
            if (w < max)
                brk = static_cast<long>(i);
            w = max + 1;
        }
        if (brk >= 0 && w > max) {
            // c would begin the next line: move the end back while c may not start a line, but
            // keep at least one character on this one.
            if (brk < static_cast<long>(i)) {
                while (In(noLineStart, c) && brk >= 1) {
                    --i;
                    brk = static_cast<long>(i) - 1;
                    c = rest[i];
                }
            }
            const size_t at = static_cast<size_t>(brk);
            m_lines.push_back(rest.substr(0, at + 1));
            rest.erase(0, at + 1);
            i = 0;
            w = 0;
            brk = -1;
            continue;
        }
        if (last) {
            m_lines.push_back(rest);
            return;
        }
        brk = static_cast<long>(i);
        ++i;
    }
}

Vorn::WideString StringDisplayer::ReplaceAll(const Vorn::WideString& text,
                                             const Vorn::WideString& from,
                                             const Vorn::WideString& to)
{
    Vorn::WideString result = text;
    if (from.empty())
        return result;
    // Searching on after the inserted text: a replacement that holds what it replaces would
    // otherwise be found again for ever.
    for (size_t at = result.find(from); at != Vorn::WideString::npos;
         at = result.find(from, at + to.size())) {
        result.replace(at, from.size(), to);
    }
    return result;
}

void StringDisplayer::Refresh()
{
    if (!m_font || m_font->GetFontIndex() == m_fontId)
        return;
    m_fontId = m_font->GetFontIndex();
    m_lineHeight = m_font->GetLineHeight();
    SetText(m_text, m_width);
    m_lineCount = static_cast<int>(m_lines.size());
}

int StringDisplayer::GetVisibleLineCount() const
{
    return m_lineHeight > 0 ? m_height / m_lineHeight : 0;
}

void StringDisplayer::DrawLines(const Vorn::SmartPtr<Graphics>& graphics)
{
    DrawShifted(graphics, 0, 0);
}

void StringDisplayer::DrawClipped(const Vorn::SmartPtr<Graphics>& graphics, int dy)
{
    DrawShifted(graphics, 0, dy);
}

void StringDisplayer::Draw(const Vorn::SmartPtr<Graphics>& graphics, int first)
{
    DrawShifted(graphics, first, 0);
}

void StringDisplayer::DrawShifted(const Vorn::SmartPtr<Graphics>& graphics, int first, int dy)
{
    Refresh();
    if (!m_font || !graphics)
        return;
    const Vorn::SmartPtr<Graphics> held(graphics);
    first = std::max(first, 0);
    const int visible = GetVisibleLineCount();
    const int end = first < m_lineCount - visible ? first + visible : m_lineCount;
    const int top = m_y + dy;
    for (int k = first; k < end; ++k)
        m_font->DrawText(held, m_lines[k], m_x,
                         top + (k - first) * m_lineHeight + m_lineHeight / 2, drawFlags);
}
