#include "vfs/VirtualFile.h"

#include <algorithm>

namespace Vorn {

VirtualFile::VirtualFile(PakMount* pak, const PakMount::Entry* entry)
    : m_pak(pak), m_entry(entry), m_position(0)
{
}

s32 VirtualFile::Read(void* buffer, u32 count)
{
    if (!m_entry)
        return 0;
    s32 n = m_pak->ReadEntry(*m_entry, m_position, buffer, count);
    if (n > 0)
        m_position += static_cast<u32>(n);
    return n;
}

bool VirtualFile::Seek(int offset, int whence)
{
    if (!m_entry)
        return false;
    s64 target;
    switch (whence) {
    case FROM_START: target = offset; break;
    case FROM_CURRENT: target = static_cast<s64>(m_position) + offset; break;
    case FROM_END: target = static_cast<s64>(m_entry->size) + offset; break;
    default: return true;
    }
    m_position = static_cast<u32>(std::max<s64>(0, std::min<s64>(target, m_entry->size)));
    return true;
}

u32 VirtualFile::BytesToBlockEnd(u32 position, u32& blockSize)
{
    blockSize = 0;
    return m_entry ? m_pak->BytesToBlockEnd(*m_entry, position, blockSize) : 0;
}

void VirtualFile::ReportDamage(const char* why)
{
    if (m_entry)
        m_pak->ReportDamage(*m_entry, why);
}

bool VirtualFile::Close()
{
    m_entry = nullptr;
    return true;
}

} // namespace Vorn
