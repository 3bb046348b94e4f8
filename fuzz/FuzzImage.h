// Image bytes through the factory as the game loads them, when the format's own probe takes them
// (inputs of other formats belong to the other targets). Formats with a GPU path are loaded on
// both: without a GL context the GPU path stops at the texture's upload buffer.
#pragma once

#include <cstdint>

#include "graphics/OpenGL.h"
#include "graphics/image/ImageLoader.h"
#include "graphics/surface/Surface.h"
#include "vfs/CachedFile.h"

namespace VornFuzz {

inline void LoadImageBytes(const uint8_t* data, size_t size, bool (*canLoad)(Vorn::SeekableStream*))
{
    Vorn::SmartPtr<Vorn::CachedFile> file(new Vorn::CachedFile(data, static_cast<Vorn::u32>(size), false));
    if (!canLoad(file.Get()))
        return;
    for (auto mode : {Vorn::OpenGL::COMPRESSED_NONE, Vorn::OpenGL::COMPRESSED_ALL}) {
        Vorn::OpenGL::SetCompressedOverride(mode);
        Vorn::SmartPtr<Vorn::Surface> surface(Vorn::ImageLoader::Load(file.Get()));
    }
}

}  // namespace VornFuzz
