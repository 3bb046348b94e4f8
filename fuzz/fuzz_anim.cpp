// Animation descriptions through the image loader factory. The input is m/anim.xml; frames may
// name it (nesting) or m/p.png, a small PNG. Scripts can only name those two files, neither of
// which runs as Lua, so no script runs unbounded.
#include <cstdint>

#include "FuzzFiles.h"
#include "graphics/image/AnimImageLoader.h"
#include "graphics/image/ImageLoader.h"
#include "graphics/surface/AnimatedSurface.h"
#include "vfs/CachedFile.h"

using namespace Vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    VornFuzz::MemoryMount& files = VornFuzz::Files();
    files.Set("p.png", VornFuzz::SMALL_PNG, sizeof VornFuzz::SMALL_PNG);
    files.Set("anim.xml", data, size);
    SmartPtr<CachedFile> probe(new CachedFile(data, static_cast<u32>(size), false));
    if (!AnimImageLoader::CanLoad(probe.Get()))
        return 0;
    SmartPtr<Surface> surface(ImageLoader::Load(NarrowString("m/anim.xml")));
    if (surface) {
        surface->Update(0.05f);
        surface->Update(1.0f);
        if (auto anim = dynamic_cast<AnimatedSurface*>(surface.Get())) {
            AnimatedSurface copy(*anim);
            copy.Update(0.5f);
        }
    }
    return 0;
}
