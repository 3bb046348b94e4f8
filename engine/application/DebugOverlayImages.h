// The debug overlay's built-in pictures, held as image text and made into surfaces on request
// (a GL context must be current).
#pragma once

#include <vector>

#include "base/NarrowString.h"

namespace Vorn {

class Surface;

namespace DebugOverlayImages {

// The console font: 512 x 16 pixels, 6 x 8 glyphs for the codes 0x20 to 0xB9, 85 to a row.
static constexpr int FONT_WIDTH = 512;
static constexpr int FONT_HEIGHT = 16;
static constexpr int GLYPH_WIDTH = 6;
static constexpr int GLYPH_HEIGHT = 8;
static constexpr int GLYPHS_PER_ROW = 85;
static constexpr int FIRST_CODE = 0x20;
static constexpr int LAST_CODE = 0xB9;

// The font as image text (header, colour lines, pixel rows).
std::vector<NarrowString> FontImageText();

// New surfaces (count 0): the font, keyed on opaque black but with keying off; the 32 x 32 disk
// and network icons, keyed on magenta with keying on.
Surface* CreateFont();
Surface* CreateDiskIcon();
Surface* CreateNetworkIcon();

} // namespace DebugOverlayImages
} // namespace Vorn
