// One entry of a pak archive, read through the archive's streams. A virtual file keeps its archive
// alive.
#pragma once

#include "base/SmartPtr.h"
#include "vfs/File.h"
#include "vfs/PakMount.h"

namespace Vorn {

class VirtualFile : public File {
public:
    VirtualFile(PakMount* pak, const PakMount::Entry* entry);

    s32 Read(void* buffer, u32 count) override;
    u32 Write(const void*, u32) override { return 0; }
    bool IsOpen() override { return m_entry != nullptr; }
    // Clamps the target to [0, size]; an unknown whence leaves the position. False only when closed.
    bool Seek(int offset, int whence) override;
    u32 Tell() override { return m_position; }
    // 0 once closed.
    u32 GetSize() override { return m_entry ? m_entry->size : 0; }
    // Forgets the entry; the archive stays referenced until the file is destroyed.
    bool Close() override;
    // The archive's blocks, as they lie under this entry.
    u32 BytesToBlockEnd(u32 position, u32& blockSize) override;
    // Said once per entry by the archive (PakMount::ReportDamage).
    void ReportDamage(const char* why) override;

private:
    SmartPtr<PakMount> m_pak;
    const PakMount::Entry* m_entry;
    u32 m_position;
};

} // namespace Vorn
