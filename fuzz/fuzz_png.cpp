// PNG bytes through the image loader factory, as every image of the game is loaded; without a GL
// context the surface keeps its pixels in the upload buffer; and through both chunk walks.
#include <cstdint>

#include "graphics/image/ImageLoader.h"
#include "graphics/image/PngImageLoader.h"
#include "graphics/surface/Surface.h"
#include "vfs/CachedFile.h"

using namespace Vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string why;
    PngImageLoader::CheckChunks(data, size, why);
    PngImageLoader::CheckWhole(data, size, why);
    SmartPtr<CachedFile> file(new CachedFile(data, static_cast<u32>(size), false));
    // Inputs another loader would take belong to the other targets.
    if (!PngImageLoader::CanLoad(file.Get()))
        return 0;
    SmartPtr<Surface> surface(ImageLoader::Load(file.Get()));
    return 0;
}
