// Memory-held files for fuzz targets whose input names other files through the virtual file
// system (JPGA descriptions, atlas and font descriptions).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "vfs/CachedFile.h"
#include "vfs/Vfs.h"
#include "vfs/VfsMount.h"

namespace VornFuzz {

class MemoryMount final : public Vorn::VfsMount {
public:
    MemoryMount() : Vorn::VfsMount("m/", 0) {}

    void Set(const std::string& path, const uint8_t* data, size_t size) { m_files[path].assign(data, data + size); }

    Vorn::File* Open(const char* relativePath) override
    {
        const auto found = m_files.find(relativePath);
        if (found == m_files.end())
            return nullptr;
        return new Vorn::CachedFile(found->second.data(), static_cast<Vorn::u32>(found->second.size()), true);
    }
    Vorn::File* OpenWrite(const char*) override { return nullptr; }

private:
    std::map<std::string, std::vector<uint8_t>> m_files;
};

// The mount on "m/", made once per process.
inline MemoryMount& Files()
{
    static MemoryMount* s_mount = [] {
        Vorn::Vfs::Init();
        MemoryMount* mount = new MemoryMount();
        Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), mount);
        return mount;
    }();
    return *s_mount;
}

// A 2 x 2 RGBA PNG, the image beside fuzzed atlas and font descriptions.
const uint8_t SMALL_PNG[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x72, 0xB6, 0x0D,
    0x24, 0x00, 0x00, 0x00, 0x12, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0,
    0x1F, 0x08, 0x1B, 0x18, 0x60, 0x0C, 0x00, 0x40, 0x57, 0x06, 0xFB, 0xAC, 0x0E, 0x17, 0x5A, 0x00,
    0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82,
};

}  // namespace VornFuzz
