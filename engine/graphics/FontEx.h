// A bitmap font: one image holding every glyph, and an XML description giving per character code
// the glyph's rectangle in the image, kerning distances for pairs of characters and a default
// spacing. The font measures and draws nothing itself: its users advance by glyph widths plus
// GetKerning and draw glyph rectangles from GetImage.
//
// Description: any root element; its first "characters" child holds "char" elements
// (code, x, y, width, height); its first "kerning" child has an optional "default" spacing and
// holds "pair" elements (left, right, distance). An element lacking one of its attributes, or with
// one empty, ends its list. All glyphs share one height; a glyph of another height than the first
// nonzero one fails the read. The first element of a code (or pair) wins.
#pragma once

#include <map>
#include <utility>

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SeekableStream.h"
#include "base/SmartPtr.h"
#include "base/WeakPtr.h"
#include "graphics/surface/Surface.h"
#include "system/Types.h"

namespace Vorn {

class FontEx final : public RefCounter, public WeakRefCounter {
public:
    struct Glyph {
        s32 x;
        s32 y;
        s32 width;  // also the advance
        s32 height;
    };

    // Reads the description at descriptionPath and loads the image; IsLoaded tells whether both
    // worked.
    FontEx(const NarrowString& descriptionPath, const NarrowString& imageName);
    ~FontEx() override;

    // Fills glyphs, kerning and default spacing from a description; true when no glyph height
    // disagreed and at least one glyph was stored. After a height mismatch the glyphs read before
    // it stay, and no kerning is read.
    bool ParseXml(SeekableStream* stream);
    // Takes the image: through the asset dictionary's named images when there is a dictionary
    // (shared with atlases and other fonts), else loaded from the file. True when one was found.
    bool LoadImage(const NarrowString& name);

    // The glyph of code; else that of U+FFFD; else that of the smallest code; a glyph of zeros
    // when the font has none.
    const Glyph& GetChar(u32 code) const;
    // 0 when left is 0; else the pair's distance, or the default spacing for unlisted pairs.
    s32 GetKerning(u32 left, u32 right) const;
    // The height the glyphs share (0 when the font has no glyph of nonzero height).
    s32 GetHeight() const { return m_lineHeight; }

    Surface* GetImage() const { return m_image.Get(); }
    bool IsLoaded() const { return m_parsed && m_image; }
    size_t GetGlyphCount() const { return m_glyphs.size(); }
    s32 GetDefaultSpacing() const { return m_defaultSpacing; }

    static constexpr u32 REPLACEMENT_CHARACTER = 0xFFFD;

private:
    std::map<u32, Glyph> m_glyphs;
    std::map<std::pair<u32, u32>, s32> m_kerning;
    s32 m_defaultSpacing;
    s32 m_lineHeight;
    SmartPtr<Surface> m_image;
    bool m_parsed;
};

}  // namespace Vorn
