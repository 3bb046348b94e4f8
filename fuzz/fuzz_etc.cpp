// ETC1 images in PVR files through the image loader factory, on the software and the GPU path.
#include "FuzzImage.h"
#include "graphics/image/EtcImageLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    VornFuzz::LoadImageBytes(data, size, &Vorn::EtcImageLoader::CanLoad);
    return 0;
}
