// C565 raw 16-bit images through the image loader factory, on the software and the GPU path.
#include "FuzzImage.h"
#include "graphics/image/ImageLoader565.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    VornFuzz::LoadImageBytes(data, size, &Vorn::ImageLoader565::CanLoad);
    return 0;
}
