// PVR+ files (a colour and an alpha image of PNG, PVR or ETC) through the image loader factory, on the software and the GPU path.
#include "FuzzImage.h"
#include "graphics/image/PvrPlusImageLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    VornFuzz::LoadImageBytes(data, size, &Vorn::PvrPlusImageLoader::CanLoad);
    return 0;
}
