// DDS files (DXT1, DXT5, DX10 headers) through the image loader factory, on the software and the GPU path.
#include "FuzzImage.h"
#include "graphics/image/DdsImageLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    VornFuzz::LoadImageBytes(data, size, &Vorn::DdsImageLoader::CanLoad);
    return 0;
}
