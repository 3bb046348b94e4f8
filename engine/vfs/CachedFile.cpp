#include "vfs/CachedFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/SmartPtr.h"
#include "vfs/Vfs.h"

namespace Vorn {

const u8 CachedFile::s_empty[1] = {0};

CachedFile::CachedFile() : m_data(nullptr), m_size(0), m_position(0) {}

CachedFile::CachedFile(const void* buffer, u32 size, bool copy)
    : m_data(nullptr), m_size(0), m_position(0)
{
    if (!buffer && size > 0)
        return;
    if (copy && size > 0) {
        const u8* bytes = static_cast<const u8*>(buffer);
        m_owned.assign(bytes, bytes + size);
        m_data = m_owned.data();
    } else if (copy) {
        m_data = s_empty;
    } else {
        m_data = buffer ? static_cast<const u8*>(buffer) : s_empty;
    }
    m_size = size;
}

CachedFile::~CachedFile()
{
    Close();
}

s32 CachedFile::Read(void* buffer, u32 count)
{
    if (!m_data || m_position >= m_size)
        return 0;
    u32 available = m_size - m_position;
    u32 n = count < available ? count : available;
    if (n > 0x7FFFFFFFu)
        n = 0x7FFFFFFFu;
    if (n == 0)
        return 0;
    std::memcpy(buffer, m_data + m_position, n);
    m_position += n;
    return static_cast<s32>(n);
}

bool CachedFile::Seek(int offset, int whence)
{
    if (!m_data)
        return false;
    s64 target;
    switch (whence) {
    case FROM_START: target = offset; break;
    case FROM_CURRENT: target = static_cast<s64>(m_position) + offset; break;
    case FROM_END: target = static_cast<s64>(m_size) + offset; break;
    default: return false;
    }
    if (target < 0 || target > 0xFFFFFFFFll)
        return false;
    m_position = static_cast<u32>(target);
    return true;
}

u32 CachedFile::Tell()
{
    return m_data ? m_position : 0;
}

bool CachedFile::OpenWrite(const char*)
{
    Close();
    return false;
}

bool CachedFile::Open(const char* path)
{
    Close();
    SmartPtr<File> file(Vfs::Open(path));
    if (!file)
        return false;

    // The claimed size is only a first guess at the buffer (bounded, since a file can claim far more
    // than it holds); one spare byte lets the read that finds the end need no reallocation.
    const u32 guessLimit = 16u << 20;
    u32 claimed = file->GetSize();
    std::vector<u8> data;
    size_t used = 0;
    data.resize(static_cast<size_t>(claimed < guessLimit ? claimed : guessLimit) + 1);
    for (;;) {
        if (used == data.size()) {
            if (data.size() >= 0xFFFFFFFFu)
                return false;
            data.resize(std::min<size_t>(data.size() * 2, 0xFFFFFFFFu));
        }
        size_t room = std::min<size_t>(data.size() - used, 0x7FFFFFFFu);
        s32 n = file->Read(data.data() + used, static_cast<u32>(room));
        if (n <= 0)
            break;
        used += static_cast<size_t>(n);
    }
    data.resize(used);

    m_owned.swap(data);
    m_origin = file;
    m_data = m_owned.empty() ? s_empty : m_owned.data();
    m_size = static_cast<u32>(used);
    m_position = 0;
    return true;
}

void CachedFile::ReportDamage(const char* why)
{
    if (m_origin)
        m_origin->ReportDamage(why);
}

bool CachedFile::Close()
{
    std::vector<u8>().swap(m_owned);
    m_origin = nullptr;
    m_data = nullptr;
    m_size = 0;
    m_position = 0;
    return true;
}

} // namespace Vorn
