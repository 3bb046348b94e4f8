// Atlas descriptions through the asset dictionary, which loads atlases for the game, over a small
// fixed image; every frame and piece made is then read.
#include <cstdint>

#include "FuzzFiles.h"
#include "base/AssetDict.h"
#include "graphics/surface/Atlas.h"

using namespace Vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    VornFuzz::MemoryMount& files = VornFuzz::Files();
    files.Set("ui.png", VornFuzz::SMALL_PNG, sizeof VornFuzz::SMALL_PNG);
    files.Set("ui.xml", data, size);
    g_assetDict = new AssetDict();
    if (g_assetDict->LoadAtlas("m/ui.xml@ck")) {
        s64 sum = 0;
        for (const auto& frame : g_assetDict->GetAtlases().begin()->second->GetFrames()) {
            const AtlasSurface* surface = frame.second.Get();
            sum += surface->GetWidth() + surface->GetHeight() + surface->GetTextureOriginX();
            for (u32 i = 0; i < surface->GetPieceCount(); ++i)
                sum += surface->GetPieces()[i].dx + surface->GetPieces()[i].w;
            if (!g_assetDict->FindAsset<Surface>(frame.first))
                __builtin_trap();  // every frame is named while its atlas is loaded
        }
        (void)sum;
    }
    g_assetDict = nullptr;
    return 0;
}
