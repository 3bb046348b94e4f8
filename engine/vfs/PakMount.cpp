#include "vfs/PakMount.h"

#include <errno.h>  // program_invocation_short_name
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "base/ByteReader.h"
#include "vfs/PlatformFiles.h"
#include "vfs/VirtualFile.h"

namespace Vorn {

namespace {

// The archive's real path when it can be found, else the path as it was given.
std::string ArchiveName(const char* pakPath, PakMount::Location location)
{
    const std::string given = pakPath ? pakPath : "";
    const std::string path =
        location == PakMount::INSTALL_AREA ? PlatformFiles::InstallRoot() + given : given;
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

} // namespace

PakMount::PakMount(const char* pakPath, const char* mountPoint, u32 flags, Location location)
    : VfsMount(mountPoint, flags), m_entryCount(0), m_nameTableSize(0), m_valid(false),
      m_openError(0), m_damage(nullptr), m_archiveName(ArchiveName(pakPath, location)),
      m_decoderLimit(MAX_DECODERS)
{
    bool opened = location == NATIVE_PATH ? m_file.OpenNative(pakPath) : m_file.Open(pakPath);
    if (opened) {
        m_valid = ReadDirectory();
        if (!m_valid)
            m_damage = "its directory is damaged";
    } else {
        m_openError = m_file.GetOpenError();
        if (m_openError == 0)
            m_damage = "it is not a pak archive, or its header or block table is damaged";
    }
    if (!m_valid) {
        m_entries.reset();
        m_names.reset();
        m_entryCount = 0;
        m_nameTableSize = 0;
        m_file.Close();
    }
    m_reported.assign(m_entryCount, false);
    m_decoders.push_back(Decoder{&m_file, false});
}

PakMount::~PakMount() {}

bool PakMount::ReadExactly(std::unique_ptr<u8[]>& out, u32 count, u32 extra)
{
    const size_t step = 1u << 20;
    std::vector<u8> data;
    while (data.size() < count) {
        size_t used = data.size();
        size_t want = std::min<size_t>(step, count - used);
        data.resize(used + want);
        s32 got = m_file.Read(data.data() + used, static_cast<u32>(want));
        if (got != static_cast<s32>(want))
            return false;
    }
    out.reset(new (std::nothrow) u8[static_cast<size_t>(count) + extra]);
    if (!out)
        return false;
    if (count > 0)
        std::memcpy(out.get(), data.data(), count);
    std::memset(out.get() + count, 0, extra);
    return true;
}

bool PakMount::ReadDirectory()
{
    const u64 total = m_file.GetSize();
    u8 word[4];
    m_file.SeekTo(0);
    if (m_file.Read(word, 4) != 4)
        return false;
    const s32 count = static_cast<s32>(LoadLE32(word));
    if (count == 0)
        return true; // an empty archive
    if (count < 0 || 8 + static_cast<u64>(count) * ENTRY_SIZE > total)
        return false;

    std::unique_ptr<u8[]> records;
    if (!ReadExactly(records, static_cast<u32>(count) * ENTRY_SIZE, 0))
        return false;
    if (m_file.Read(word, 4) != 4)
        return false;
    const u32 nameTableSize = LoadLE32(word);
    const u64 directoryEnd = 8 + static_cast<u64>(count) * ENTRY_SIZE + nameTableSize;
    if (nameTableSize == 0 || directoryEnd > total)
        return false;
    // One byte more than stored: a table whose last name lacks its NUL still ends in one.
    std::unique_ptr<u8[]> names;
    if (!ReadExactly(names, nameTableSize, 1))
        return false;

    std::unique_ptr<Entry[]> entries(new (std::nothrow) Entry[count]);
    if (!entries)
        return false;
    const char* nameTable = reinterpret_cast<const char*>(names.get());
    for (s32 i = 0; i < count; ++i) {
        const u8* record = records.get() + static_cast<size_t>(i) * ENTRY_SIZE;
        Entry& e = entries[i];
        e.nameOffset = LoadLE32(record);
        e.dataOffset = LoadLE32(record + 4);
        e.size = LoadLE32(record + 8);
        if (e.nameOffset >= nameTableSize || static_cast<u64>(e.dataOffset) + e.size > total)
            return false;
        // The binary search depends on the order; an archive out of order would lose files at
        // random, so it is refused whole.
        if (i > 0 && CompareNoCase(nameTable + entries[i - 1].nameOffset, nameTable + e.nameOffset) > 0)
            return false;
    }

    m_entries = std::move(entries);
    m_names.reset(reinterpret_cast<char*>(names.release()));
    m_entryCount = static_cast<u32>(count);
    m_nameTableSize = nameTableSize;
    return true;
}

const PakMount::Entry* PakMount::FindEntry(const char* name) const
{
    if (!name || m_entryCount == 0)
        return nullptr;
    s64 low = 0;
    s64 high = static_cast<s64>(m_entryCount) - 1;
    while (low <= high) {
        s64 mid = low + (high - low) / 2;
        int c = CompareNoCase(name, m_names.get() + m_entries[mid].nameOffset);
        if (c == 0)
            return &m_entries[mid];
        if (c < 0)
            high = mid - 1;
        else
            low = mid + 1;
    }
    return nullptr;
}

File* PakMount::Open(const char* relativePath)
{
    const Entry* entry = FindEntry(relativePath);
    return entry ? new VirtualFile(this, entry) : nullptr;
}

File* PakMount::OpenWrite(const char*)
{
    return nullptr;
}

u32 PakMount::BytesToBlockEnd(const Entry& entry, u32 offset, u32& blockSize) const
{
    // The block size is fixed once the archive is open: no lock needed.
    blockSize = m_file.GetBlockSize();
    if (blockSize == 0)
        return 0;
    const u64 position = static_cast<u64>(entry.dataOffset) + offset;
    return blockSize - static_cast<u32>(position % blockSize);
}

CompressedFile* PakMount::TakeDecoder(u32 position)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        Decoder* idle = nullptr;
        for (Decoder& d : m_decoders) {
            if (d.busy)
                continue;
            // An idle stream is touched by nobody: its position can be read here.
            if (!idle || d.file->Tell() == position)
                idle = &d;
        }
        if (idle) {
            idle->busy = true;
            return idle->file;
        }
        if (m_decoders.size() < m_decoderLimit) {
            if (CompressedFile* opened = OpenDecoder(lock))
                return opened;
            // None could be opened (no descriptor left): the read waits for one of those there are.
            m_decoderLimit = m_decoders.size();
            continue;
        }
        m_decoderFree.wait(lock);
    }
}

CompressedFile* PakMount::OpenDecoder(std::unique_lock<std::mutex>& lock)
{
    // Opened outside the lock (it copies the block table); counted in m_decoders at once so that
    // no more than MAX_DECODERS are opened. The archive is not opened again by its path: that may
    // lead to another file by now, which this directory does not describe.
    m_decoders.push_back(Decoder{nullptr, true});
    lock.unlock();
    auto file = std::make_unique<CompressedFile>();
    const bool opened = file->OpenSibling(m_file);
    lock.lock();
    auto slot = std::find_if(m_decoders.begin(), m_decoders.end(),
                             [](const Decoder& d) { return d.file == nullptr; });
    if (!opened) {
        m_decoders.erase(slot);
        return nullptr;
    }
    slot->file = file.get();
    m_extraFiles.push_back(std::move(file));
    return slot->file;
}

void PakMount::GiveBack(CompressedFile* file)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (Decoder& d : m_decoders)
            if (d.file == file)
                d.busy = false;
    }
    m_decoderFree.notify_one();
}

s32 PakMount::ReadEntry(const Entry& entry, u32 offset, void* buffer, u32 count)
{
    if (offset >= entry.size)
        return 0;
    u32 n = std::min(count, entry.size - offset);
    const u32 position = entry.dataOffset + offset;
    CompressedFile* file = TakeDecoder(position);
    file->SeekTo(position);
    const s32 got = file->Read(buffer, n);
    const std::string failure = got < static_cast<s32>(n) ? file->DescribeFailure() : std::string();
    GiveBack(file);
    if (!failure.empty())
        ReportDamage(entry, failure.c_str());
    return got;
}

void PakMount::ReportDamage(const Entry& entry, const char* why)
{
    const size_t index = static_cast<size_t>(&entry - m_entries.get());
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (index >= m_reported.size() || m_reported[index])
            return;
        m_reported[index] = true;
    }
    std::fprintf(stderr, "%s: %s: %s is damaged (%s)\n", program_invocation_short_name,
                 Printable(m_archiveName).c_str(), Printable(GetName(entry)).c_str(),
                 why && *why ? why : "unknown reason");
}

bool PakMount::IsReportedDamaged(const Entry& entry) const
{
    const size_t index = static_cast<size_t>(&entry - m_entries.get());
    std::lock_guard<std::mutex> lock(m_mutex);
    return index < m_reported.size() && m_reported[index];
}

} // namespace Vorn
