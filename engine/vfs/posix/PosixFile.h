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

protected:
    bool OpenWithMode(const char* path, const char* mode);

    FILE* m_handle;
};

} // namespace Vorn
