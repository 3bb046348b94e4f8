// Shared by the loader tests: decode bytes through the factory on the CPU path.
#pragma once

#include <vector>

#include "base/SmartPtr.h"
#include "graphics/image/ImageLoader.h"
#include "graphics/pixeldata/MemPixelData.h"
#include "vfs/CachedFile.h"

namespace VornTest {

inline Vorn::SmartPtr<Vorn::CachedFile> MemoryFile(const std::vector<Vorn::u8>& bytes)
{
    return Vorn::SmartPtr<Vorn::CachedFile>(
        new Vorn::CachedFile(bytes.data(), static_cast<Vorn::u32>(bytes.size()), true));
}

// The pixels the factory's loader makes of bytes, or null.
inline Vorn::SmartPtr<Vorn::MemPixelData> Decode(const std::vector<Vorn::u8>& bytes)
{
    Vorn::SmartPtr<Vorn::CachedFile> file = MemoryFile(bytes);
    Vorn::SmartPtr<Vorn::ImageLoader> loader(Vorn::ImageLoader::GetLoader(file.Get()));
    if (!loader)
        return nullptr;
    return Vorn::SmartPtr<Vorn::MemPixelData>(loader->ReadPixels());
}

inline std::vector<Vorn::u8> Bytes(const Vorn::MemPixelData& pixels)
{
    const Vorn::u8* p = pixels.LockConst();
    return std::vector<Vorn::u8>(p, p + pixels.GetSize());
}

}  // namespace VornTest
