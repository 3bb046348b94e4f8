// A file on the native file system, through a stdio handle.
#pragma once

#include <cstdio>

#include "vfs/File.h"

namespace Vorn {

class PosixFile : public File {
public:
    PosixFile() : m_handle(nullptr) {}
    ~PosixFile() override;

    s32 Read(void* buffer, u32 count) override;
    u32 Write(const void* buffer, u32 count) override;
    bool IsOpen() override { return m_handle != nullptr; }
    bool Seek(int offset, int whence) override;
    u32 Tell() override;
    u32 GetSize() override;
    // Both open the path as given ("wb" and "rb"), closing what was open first.
    bool OpenWrite(const char* path) override;
    bool Open(const char* path) override;
    // Pushes buffered writes to the operating system; false when that failed.
    bool Flush() override;
    bool Close() override;

    // Opens a second handle on the very file other has open (its descriptor duplicated, for
    // reading), whatever has become of its path since: renamed over, removed or made unreadable.
    // False, with errno set, when other is not open or the descriptor cannot be duplicated.
    bool OpenDuplicate(const PosixFile& other);
    // Up to count bytes from offset, read on the descriptor without moving any position (pread):
    // handles duplicated from one another share a position, which concurrent reads would move
    // under each other. The count delivered, short only at the file's end or on an error; -1 when
    // nothing could be read because of an error (errno says which).
    s64 ReadAt(u64 offset, void* buffer, u32 count);

protected:
    bool OpenWithMode(const char* path, const char* mode);

    FILE* m_handle;
};

} // namespace Vorn
