// PVR files of PVRTC images, versions 2 and 3 through the image loader factory, on the software and the GPU path.
#include "FuzzImage.h"
#include "graphics/image/PvrImageLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    VornFuzz::LoadImageBytes(data, size, &Vorn::PvrImageLoader::CanLoad);
    return 0;
}
