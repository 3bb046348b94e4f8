#include "support/MemoryMount.h"

#include "vfs/CachedFile.h"
#include "vfs/Vfs.h"

namespace VornTest {

Vorn::File* MemoryMount::Open(const char* relativePath)
{
    const auto found = m_files.find(relativePath);
    if (found == m_files.end())
        return nullptr;
    return new Vorn::CachedFile(found->second.data(), static_cast<Vorn::u32>(found->second.size()), true);
}

MemoryMount* MemoryMount::Install(const char* mountPoint)
{
    Vorn::Vfs::Init();
    MemoryMount* mount = new MemoryMount(mountPoint);
    Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), mount);
    return mount;
}

}  // namespace VornTest
