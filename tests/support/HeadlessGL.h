// A GL context for tests: the headless stand-in's screen window with its display, made once per
// process, and read-back of what surfaces hold.
#pragma once

#include <functional>
#include <vector>

#include "support/GLDriver.h"
#include "system/Types.h"

namespace Vorn {
class PlaybookSurface;
class Surface;
}  // namespace Vorn

namespace VornTest {

// The screen surface of a headless display (VORN_SCREEN or 480 x 800), made on first call with
// its EGL context current and g_batcher installed; null when no GL is available.
Vorn::PlaybookSurface* HeadlessScreen();

// Pixels read back as R, G, B, A bytes, top row first.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Vorn::u8> rgba;

    const Vorn::u8* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    // 0xRRGGBBAA
    Vorn::u32 Pixel(int x, int y) const
    {
        const Vorn::u8* p = At(x, y);
        return (Vorn::u32(p[0]) << 24) | (Vorn::u32(p[1]) << 16) | (Vorn::u32(p[2]) << 8) | p[3];
    }
};

// Draws what the batcher holds and reads the surface's pixels (an offscreen surface or the
// screen) within its logical size.
Image ReadPixels(Vorn::Surface* surface);

// A surface (count 0) of an RGBA8888 image whose pixel (x, y) is pixel(x, y) as 0xRRGGBBAA.
Vorn::Surface* MakeRgbaSurface(int width, int height,
                               const std::function<Vorn::u32(int x, int y)>& pixel);

// True when every channel of (x, y) is within tolerance of the expected 0xRRGGBBAA.
bool Near(const Image& image, int x, int y, Vorn::u32 expected, int tolerance = 1);

}  // namespace VornTest
