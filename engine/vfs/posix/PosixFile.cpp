#include "vfs/posix/PosixFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace Vorn {

PosixFile::~PosixFile()
{
    g_vfsAccess = true;
    if (m_handle)
        std::fclose(m_handle);
}

s32 PosixFile::Read(void* buffer, u32 count)
{
    if (!m_handle)
        return 0;
    g_vfsAccess = true;
    // The result is signed: never deliver more than it can express.
    if (count > 0x7FFFFFFFu)
        count = 0x7FFFFFFFu;
    if (count == 0)
        return 0;
    return static_cast<s32>(std::fread(buffer, 1, count, m_handle));
}

u32 PosixFile::Write(const void* buffer, u32 count)
{
    if (!m_handle)
        return 0;
    g_vfsAccess = true;
    if (count == 0)
        return 0;
    return static_cast<u32>(std::fwrite(buffer, 1, count, m_handle));
}

bool PosixFile::Seek(int offset, int whence)
{
    if (!m_handle)
        return false;
    g_vfsAccess = true;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END)
        return false;
    return std::fseek(m_handle, offset, whence) == 0;
}

u32 PosixFile::Tell()
{
    if (!m_handle)
        return 0;
    g_vfsAccess = true;
    long position = std::ftell(m_handle);
    return position < 0 ? 0 : static_cast<u32>(position);
}

u32 PosixFile::GetSize()
{
    if (!m_handle)
        return 0;
    g_vfsAccess = true;
    long saved = std::ftell(m_handle);
    if (saved < 0 || std::fseek(m_handle, 0, SEEK_END) != 0)
        return 0;
    long size = std::ftell(m_handle);
    std::fseek(m_handle, saved, SEEK_SET);
    return size < 0 ? 0 : static_cast<u32>(size);
}

bool PosixFile::OpenWithMode(const char* path, const char* mode)
{
    Close();
    if (!path)
        return false;
    m_handle = std::fopen(path, mode);
    if (!m_handle)
        return false;
    // stdio opens a directory for reading too; it would then claim a size it cannot deliver.
    struct stat status;
    if (fstat(fileno(m_handle), &status) != 0 || S_ISDIR(status.st_mode)) {
        const int why = S_ISDIR(status.st_mode) ? EISDIR : errno;
        std::fclose(m_handle);
        m_handle = nullptr;
        errno = why;
        return false;
    }
    return true;
}

bool PosixFile::OpenDuplicate(const PosixFile& other)
{
    Close();
    if (!other.m_handle) {
        errno = EBADF;
        return false;
    }
    const int fd = fcntl(fileno(other.m_handle), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return false;
    m_handle = fdopen(fd, "rb");
    if (m_handle)
        return true;
    const int why = errno;
    close(fd);
    errno = why;
    return false;
}

s64 PosixFile::ReadAt(u64 offset, void* buffer, u32 count)
{
    if (!m_handle) {
        errno = EBADF;
        return -1;
    }
    g_vfsAccess = true;
    if (offset > static_cast<u64>(LLONG_MAX) - count) {
        errno = EINVAL;
        return -1;
    }
    u8* out = static_cast<u8*>(buffer);
    u32 done = 0;
    while (done < count) {
        const ssize_t n = pread(fileno(m_handle), out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return done > 0 ? static_cast<s64>(done) : -1;
        if (n == 0)
            break;
        done += static_cast<u32>(n);
    }
    return done;
}

bool PosixFile::OpenWrite(const char* path)
{
    return OpenWithMode(path, "wb");
}

bool PosixFile::Open(const char* path)
{
    return OpenWithMode(path, "rb");
}

bool PosixFile::Flush()
{
    if (!m_handle)
        return false;
    g_vfsAccess = true;
    // ferror also catches a write that failed earlier without leaving anything buffered.
    return std::fflush(m_handle) == 0 && !std::ferror(m_handle);
}

bool PosixFile::Close()
{
    g_vfsAccess = true;
    if (!m_handle)
        return true;
    bool failedBefore = std::ferror(m_handle) != 0;
    int result = std::fclose(m_handle);
    m_handle = nullptr;
    return result == 0 && !failedBefore;
}

} // namespace Vorn
