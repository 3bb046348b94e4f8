// Serves a mount point from a pak archive: a block-compressed file whose content starts with a
// directory (u32 count, count entries of u32 nameOffset, dataOffset, size, u32 name table size,
// the NUL-terminated names) sorted by name without regard to ASCII case, followed by the files'
// bytes. Its files read through a few decompressing streams of the archive, each used by one read
// at a time: a read that finds every stream busy opens another (up to MAX_DECODERS), so a thread
// streaming music never waits for a block that another thread is decoding. Every stream reads the
// file that was mounted, on a duplicate of its descriptor, whatever has become of its path since.
//
// A member that cannot be read, or that its reader finds damaged, is said once on stderr, naming
// the archive and the member.
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
    // the mount empty and IsValid false (GetOpenError and GetDamage say why); Vfs::MountPak links
    // only valid mounts.
    PakMount(const char* pakPath, const char* mountPoint, u32 flags,
             Location location = INSTALL_AREA);
    ~PakMount() override;

    // A new VirtualFile over the entry named relativePath, or null.
    File* Open(const char* relativePath) override;
    // Archives are read-only: always null.
    File* OpenWrite(const char* relativePath) override;

    bool IsValid() const { return m_valid; }
    // For a mount that is not valid: the error of opening the archive (errno), or 0 when it
    // opened; then GetDamage says what of it was refused.
    int GetOpenError() const { return m_openError; }
    const char* GetDamage() const { return m_damage; }
    // The archive's file as messages name it: its real path when that can be found.
    const std::string& GetArchiveName() const { return m_archiveName; }

    // Says on stderr, once for the entry however often it is called, that the entry cannot be
    // read or is damaged, and why: "PROGRAM: ARCHIVE: NAME is damaged (WHY)". Any thread.
    void ReportDamage(const Entry& entry, const char* why);
    // Whether the entry has been said to be damaged.
    bool IsReportedDamaged(const Entry& entry) const;
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
    // An idle stream for a read at position, marked busy: the one standing there when there is
    // one, so that reading on continues its decoder.
    CompressedFile* TakeDecoder(u32 position);
    // A new stream, marked busy; null when none could be opened. Called and returns with lock held.
    CompressedFile* OpenDecoder(std::unique_lock<std::mutex>& lock);
    void GiveBack(CompressedFile* file);

    CompressedFile m_file;  // the directory's stream, and the first of m_decoders
    std::unique_ptr<Entry[]> m_entries;
    std::unique_ptr<char[]> m_names;
    u32 m_entryCount;
    u32 m_nameTableSize;
    bool m_valid;
    int m_openError;
    const char* m_damage;
    std::string m_archiveName;
    std::vector<std::unique_ptr<CompressedFile>> m_extraFiles;
    mutable std::mutex m_mutex; // guards m_decoders, m_extraFiles and m_reported, never held across a read
    std::condition_variable m_decoderFree;
    std::vector<Decoder> m_decoders;
    size_t m_decoderLimit; // MAX_DECODERS, or fewer once a stream could not be opened
    std::vector<bool> m_reported; // per entry: said to be damaged
};

} // namespace Vorn
