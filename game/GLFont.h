// The game's font: an engine bitmap font whose glyph picture is one image of the image table.
//
// Texts are measured with glyph widths plus kerning, and drawn glyph by glyph through the image
// cache in the theme's ink colour; y is the vertical centre of the line. Drawing advances by glyph
// widths only, while alignment uses the kerned width, so a centred text whose pairs kern sits a
// little off centre: the game's layouts are made with that.
#pragma once

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "base/WideString.h"
#include "graphics/FontEx.h"

class Graphics;

class GLFont : public Vorn::RefCounter {
public:
    // DrawText flags: centred on x (wins over RIGHT), right edge at x; neither: left edge at x.
    static constexpr int CENTER = 2;
    static constexpr int RIGHT = 4;

    explicit GLFont(int imageId);
    ~GLFont() override;

    // Loads the font of image imageId: glyph table "device/<name without extension>.xml" beside the
    // picture "device/<name>". Used again in place when the theme changes, so that text blocks
    // holding this font see the new id. An id outside the image table, or without a file name,
    // leaves no engine font: texts then measure 0 and draw nothing.
    void Load(int imageId);
    // The glyph table of image imageId, an id with a file name in the image table.
    static Vorn::NarrowString DescriptionPath(int imageId);

    int GetFontIndex() const { return fontIndex; }
    int GetLineHeight() const;
    int GetCharAdvance(wchar_t c) const;
    int GetKerning(wchar_t left, wchar_t right) const;
    int GetTextWidth(const Vorn::WideString& text) const;
    int GetTextWidthUtf8(const Vorn::NarrowString& text) const;

    void DrawText(const Vorn::SmartPtr<Graphics>& graphics, const Vorn::WideString& text, int x,
                  int y, int flags) const;
    void DrawTextCentered(const Vorn::SmartPtr<Graphics>& graphics, const Vorn::WideString& text,
                          int x, int y) const;

    static Vorn::WideString NumberToText(int number);
    int GetNumberWidth(int number) const;
    void DrawNumber(const Vorn::SmartPtr<Graphics>& graphics, int number, int x, int y) const;
    void DrawNumberCentered(const Vorn::SmartPtr<Graphics>& graphics, int number, int x, int y) const;

    // "1d 2h 3m 4s " (days shown), "2h 3m 4s", "3m 4s" or "4s": the largest non-zero unit decides,
    // and mode 2, 3 or 4 forces at least minutes, hours or days.
    static Vorn::WideString FormatTime(int seconds, int mode);
    int GetTimeWidth(int seconds, int mode) const;
    void DrawTime(const Vorn::SmartPtr<Graphics>& graphics, int seconds, int x, int y, int mode) const;

    Vorn::SmartPtr<Vorn::FontEx> font;
    int fontIndex;
};
