// A JPGA description and the two JPEG files it may name, through the image loader factory.
// Input: u16 length of the description, the description, u16 length of the colour file, the
// colour file, then the alpha file. The files are m/c.jpg and m/a.jpg.
#include <cstdint>

#include "FuzzFiles.h"
#include "graphics/image/ImageLoader.h"
#include "graphics/surface/Surface.h"

using namespace Vorn;

namespace {

// The next length-prefixed part of the input; the rest of it when the length overshoots.
size_t TakePart(const uint8_t*& data, size_t& size)
{
    if (size < 2) {
        size = 0;
        return 0;
    }
    size_t length = static_cast<size_t>(data[0]) | static_cast<size_t>(data[1]) << 8;
    data += 2;
    size -= 2;
    return length < size ? length : size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    VornFuzz::MemoryMount& files = VornFuzz::Files();
    size_t length = TakePart(data, size);
    files.Set("d.jpga", data, length);
    data += length;
    size -= length;
    length = TakePart(data, size);
    files.Set("c.jpg", data, length);
    files.Set("a.jpg", data + length, size - length);
    SmartPtr<Surface> surface(ImageLoader::Load(NarrowString("m/d.jpga")));
    return 0;
}
