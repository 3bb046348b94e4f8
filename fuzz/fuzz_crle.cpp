// CRLE run-length images through the image loader factory, on the software and the GPU path.
#include "FuzzImage.h"
#include "graphics/image/RLEImageLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    VornFuzz::LoadImageBytes(data, size, &Vorn::RLEImageLoader::CanLoad);
    return 0;
}
