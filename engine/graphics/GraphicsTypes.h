// Small value types shared by the surface, the batcher and the sprite drawing.
#pragma once

#include "system/Types.h"

namespace Vorn {

// Integer rectangle: clip and source rectangles, in pixels, origin top left.
struct Rect {
    s32 x;
    s32 y;
    s32 w;
    s32 h;
};

inline bool operator==(const Rect& a, const Rect& b)
{
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}
inline bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }

// Drawing colour, 0..255 per channel.
struct Color {
    u8 r;
    u8 g;
    u8 b;
    u8 a;
};

}  // namespace Vorn
