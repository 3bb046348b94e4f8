// Serves a mount point from a pak archive: a block-compressed file whose content starts with a
// directory (u32 count, count entries of u32 nameOffset, dataOffset, size, u32 name table size,
// the NUL-terminated names) sorted by name without regard to ASCII case, followed by the files'
// bytes. Its files read through a few decompressing streams of the archive, each used by one read
// at a time: a read that finds every stream busy opens another (up to MAX_DECODERS), so a thread
// streaming music never waits for a block that another thread is decoding.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "vfs/CompressedFile.h"
#include "vfs/VfsMount.h"

namespace Vorn {

class VirtualFile;

class PakMount : public VfsMount {
public:
    struct Entry {
        u32 nameOffset;
        u32 dataOffset;
        u32 size;
    };

    static const u32 ENTRY_SIZE = 12;
    // Streams open on one archive at most; reads beyond that many at once wait for one.
    static const size_t MAX_DECODERS = 4;

    enum Location {
        INSTALL_AREA, // the path is taken under "./app/native/", as the game's archives are
        NATIVE_PATH   // the path is taken as it stands (tools)
    };

    // Opens the archive and reads its directory. A missing archive or a damaged directory leaves
    // the mount empty and IsValid false; Vfs::MountPak links only valid mounts.
    PakMount(const char* pakPath, const char* mountPoint, u32 flags,
             Location location = INSTALL_AREA);
    ~PakMount() override;

    // A new VirtualFile over the entry named relativePath, or null.
    File* Open(const char* relativePath) override;
    // Archives are read-only: always null.
    File* OpenWrite(const char* relativePath) override;

    bool IsValid() const { return m_valid; }
    const Entry* FindEntry(const char* name) const;
    u32 GetEntryCount() const { return m_entryCount; }
    const Entry* GetEntry(u32 index) const { return index < m_entryCount ? &m_entries[index] : nullptr; }
    const char* GetName(const Entry& entry) const { return m_names.get() + entry.nameOffset; }

private:
    friend class VirtualFile;

    bool ReadDirectory();
    // Reads count bytes of the directory into a buffer that grows only as bytes arrive, so that a
    // damaged count cannot make us allocate what the archive merely claims.
    bool ReadExactly(std::unique_ptr<u8[]>& out, u32 count, u32 extra);
    // Delivers up to count bytes of an entry from offset; the count delivered.
    s32 ReadEntry(const Entry& entry, u32 offset, void* buffer, u32 count);
    // Bytes from offset in the entry to the end of the archive block holding it.
    u32 BytesToBlockEnd(const Entry& entry, u32 offset, u32& blockSize) const;

    struct Decoder {
        CompressedFile* file;
        bool busy;
    };
    // An idle stream for a read at position, marked busy (null when none could be opened): the
    // one standing there when there is one, so that reading on continues its decoder.
    CompressedFile* TakeDecoder(u32 position);
    void GiveBack(CompressedFile* file);

    CompressedFile m_file;  // the directory's stream, and the first of m_decoders
    std::unique_ptr<Entry[]> m_entries;
    std::unique_ptr<char[]> m_names;
    u32 m_entryCount;
    u32 m_nameTableSize;
    bool m_valid;
    std::string m_path;
    Location m_location;
    std::vector<std::unique_ptr<CompressedFile>> m_extraFiles;
    std::mutex m_mutex; // guards m_decoders and m_extraFiles, never held across a read
    std::condition_variable m_decoderFree;
    std::vector<Decoder> m_decoders;
};

} // namespace Vorn
