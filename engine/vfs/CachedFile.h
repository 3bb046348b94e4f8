// A file held whole in memory: either the content of another file, read once, or a caller's buffer.
#pragma once

#include <vector>

#include "base/SmartPtr.h"
#include "vfs/File.h"

namespace Vorn {

class CachedFile : public File {
public:
    CachedFile();
    // copy: the file keeps its own copy of the bytes. Otherwise it reads the caller's buffer, which
    // must outlive the file.
    CachedFile(const void* buffer, u32 size, bool copy);
    ~CachedFile() override;

    s32 Read(void* buffer, u32 count) override;
    u32 Write(const void*, u32) override { return 0; }
    bool IsOpen() override { return m_data != nullptr; }
    // Positions below 0 are refused; positions past the end are allowed and read nothing.
    bool Seek(int offset, int whence) override;
    u32 Tell() override;
    u32 GetSize() override { return m_size; }
    bool OpenWrite(const char* path) override;
    // Reads the whole file at the virtual path. The size is what the read delivered, whatever the
    // file claimed beforehand.
    bool Open(const char* path) override;
    bool Flush() override { return true; }
    bool Close() override;
    // Passed on to the file the content was read from; nothing for a caller's buffer.
    void ReportDamage(const char* why) override;

private:
    // Keeps the buffer readable when the file is empty: IsOpen tests the data pointer.
    static const u8 s_empty[1];

    std::vector<u8> m_owned;
    SmartPtr<File> m_origin; // the file Open read, which knows where its bytes are stored
    const u8* m_data;
    u32 m_size;
    u32 m_position;
};

} // namespace Vorn
