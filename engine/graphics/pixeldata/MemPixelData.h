// Pixels in CPU memory: what the image loaders produce and a surface copies into a GL texture.
#pragma once

#include <cstddef>
#include <cstdint>

#include "graphics/pixeldata/PixelData.h"

namespace Vorn {

class MemPixelData final : public PixelData {
public:
    // pitch = width * bytes of the format (0 for formats without plain CPU rows); the pixels are
    // pitch * height bytes, contents undefined. Negative sizes count as 0. A size whose byte count
    // does not fit the 32-bit pitch or the address space throws std::bad_alloc; loaders cap sizes
    // from files before they get here.
    MemPixelData(int32_t width, int32_t height, PixelFormat format);
    // A copy of another object's CPU pixels (size, pitch and format included); a source whose
    // pixels are gone (or a null source) gives an object without pixels.
    explicit MemPixelData(const PixelData* source);
    // An image from image text: line 0 "width height colours charsPerPixel", one line per colour
    // ("<key> c #RRGGBB"), then one line per row of keys. The result is PF_RGB888. lineCount is
    // the number of entries in lines: rows or colours beyond it, keys missing from the colour
    // lines and rows too short leave black pixels.
    MemPixelData(const char* const* lines, size_t lineCount);
    ~MemPixelData() override;

    uint8_t* Lock() override;
    const uint8_t* LockConst() const override;
    void Unlock() override;

    // Bytes held (pitch * height), 0 once unlocked.
    size_t GetSize() const { return m_pixels ? m_size : 0; }

private:
    void Allocate(int32_t w, int32_t h, PixelFormat f);

    uint8_t* m_pixels;
    size_t m_size;
};

}  // namespace Vorn
