// Font descriptions through the font's constructor, as the game makes its fonts, then every
// question a text drawer asks of the font.
#include <cstdint>

#include "FuzzFiles.h"
#include "graphics/FontEx.h"

using namespace Vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    VornFuzz::MemoryMount& files = VornFuzz::Files();
    files.Set("font.png", VornFuzz::SMALL_PNG, sizeof VornFuzz::SMALL_PNG);
    files.Set("font.xml", data, size);
    SmartPtr<FontEx> font(new FontEx("m/font.xml", "m/font.png"));
    s64 sum = font->GetHeight();
    const u32 codes[] = {0, 32, 65, 86, 0xFFFD, 0x10FFFF, 0xFFFFFFFF};
    for (u32 left : codes) {
        sum += font->GetChar(left).width;
        for (u32 right : codes)
            sum += font->GetKerning(left, right);
    }
    (void)sum;
    return 0;
}
