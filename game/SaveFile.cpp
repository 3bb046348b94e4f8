#include "SaveFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>

#include <unistd.h>

#include "Mounts.h"
#include "system/Thread.h"
#include "vfs/PlatformFiles.h"
#include "vfs/Vfs.h"

using Vorn::u32;
using Vorn::u64;
using Vorn::u8;

namespace {

// Files are read in pieces of this size, so a reader never allocates more than it has been given.
const u32 READ_CHUNK = 4096;
// A damaged file is copied aside up to this size; no save of the game comes near it.
const u32 MAX_DAMAGED_COPY = 1u << 20;
const int MAX_DAMAGED_COPIES = 9;

std::atomic<bool> s_failureReported{false};
// The damaged files met in this run (main thread): each is said once, and a file whose bytes were
// set aside already is not copied again, however often it is read.
struct DamagedFiles {
    std::set<Vorn::NarrowString> said;
    std::map<Vorn::NarrowString, std::vector<u8>> setAside;
};

DamagedFiles& Damaged()
{
    static DamagedFiles* s_damaged = new DamagedFiles;
    return *s_damaged;
}

struct BackgroundWrite {
    Vorn::NarrowString path;
    std::vector<u8> bytes;
};

// The writes handed to the background, and the thread that makes them while there are any.
struct Background {
    std::mutex mutex;
    std::condition_variable done;
    std::deque<BackgroundWrite> waiting;
    // The thread of the last writes; it is joined before the next one starts and by every wait.
    std::unique_ptr<Vorn::ThreadRecord> worker;
    bool working = false;
};

// Never destroyed: a write may still be waited for while the process ends.
Background& GetBackground()
{
    static Background* s_background = new Background;
    return *s_background;
}

// Set on the save thread only: the writers it opens must not wait for it.
thread_local bool t_onSaveThread = false;

void Write(const BackgroundWrite& write)
{
    SaveWriter writer(write.path);
    writer.PutBytes(write.bytes.data(), write.bytes.size());
    writer.Finish();
}

void MakeBackgroundWrites()
{
    Background& background = GetBackground();
    std::unique_lock<std::mutex> lock(background.mutex);
    while (!background.waiting.empty()) {
        BackgroundWrite write = std::move(background.waiting.front());
        background.waiting.pop_front();
        lock.unlock();
        Write(write);
        lock.lock();
    }
    background.working = false;
    background.done.notify_all();
}

void* SaveThreadEntry(void*)
{
    t_onSaveThread = true;
    MakeBackgroundWrites();
    return nullptr;
}

// The save folder as the player finds it on disk; once it is gone (deleted or moved while the
// game runs), the place it had in the working directory, which stays where the game made it.
std::string SaveFolder()
{
    const std::string root = Vorn::PlatformFiles::SaveRoot();
    const std::string folder = root.substr(0, root.size() - 1);
    char buffer[PATH_MAX];
    if (realpath(folder.c_str(), buffer))
        return buffer;
    if (folder[0] != '/' && getcwd(buffer, sizeof buffer)) {
        const bool here = folder.compare(0, 2, "./") == 0;
        return std::string(buffer) + "/" + (here ? folder.substr(2) : folder);
    }
    return folder;
}

void ReportFailure(int error)
{
    if (s_failureReported.exchange(true))
        return;
    std::fprintf(stderr, "%s: cannot save the game in %s: %s\n", program_invocation_short_name, SaveFolder().c_str(),
                 std::strerror(error ? error : EIO));
}

// The part of a save path below the save mount.
Vorn::NarrowString BelowMount(const Vorn::NarrowString& path)
{
    const size_t mount = std::strlen(Tessela::SAVE_MOUNT);
    return path.compare(0, mount, Tessela::SAVE_MOUNT) == 0 ? Vorn::NarrowString(path.substr(mount))
                                                            : path;
}

// The name of the copy number copy of a damaged file: ".damaged", then ".damaged2" and on.
Vorn::NarrowString DamagedCopy(const Vorn::NarrowString& path, int copy)
{
    Vorn::NarrowString aside = path + ".damaged";
    if (copy > 1)
        aside.AppendInt(copy);
    return aside;
}

} // namespace

bool SaveWriter::FailureReported()
{
    return s_failureReported;
}

void SaveWriter::ResetFailureReport()
{
    s_failureReported = false;
    Damaged().said.clear();
    Damaged().setAside.clear();
}

void SaveWriter::WriteInBackground(const Vorn::NarrowString& path, std::vector<u8> bytes)
{
    Background& background = GetBackground();
    std::unique_lock<std::mutex> lock(background.mutex);
    // A waiting write of the same path is dropped and the newer one joins the end of the queue:
    // replaced in its place, it would land before writes given ahead of it.
    for (auto write = background.waiting.begin(); write != background.waiting.end(); ++write) {
        if (write->path == path) {
            background.waiting.erase(write);
            break;
        }
    }
    background.waiting.push_back(BackgroundWrite{path, std::move(bytes)});
    if (background.working)
        return;
    // The thread of the last writes has ended its loop; it is joined before the next starts.
    if (background.worker)
        background.worker->Join();
    background.worker.reset(new Vorn::ThreadRecord);
    background.working = background.worker->Start(SaveThreadEntry, nullptr, 0);
    if (background.working)
        return;
    // Without a thread of its own the save is made here, late rather than never.
    std::deque<BackgroundWrite> writes;
    writes.swap(background.waiting);
    lock.unlock();
    for (const BackgroundWrite& write : writes)
        Write(write);
}

void SaveWriter::WaitForBackgroundWrites()
{
    // The save thread's own writers find it working: they must not wait for it.
    if (t_onSaveThread)
        return;
    Background& background = GetBackground();
    std::unique_lock<std::mutex> lock(background.mutex);
    background.done.wait(lock, [&] { return !background.working; });
    // A thread that has ended is joined here too, so none is left behind when the process ends.
    if (background.worker)
        background.worker->Join();
}

SaveWriter::SaveWriter(const Vorn::NarrowString& path)
{
    Open(path);
}

SaveWriter::~SaveWriter()
{
    Finish();
}

bool SaveWriter::Open(const Vorn::NarrowString& path)
{
    Finish();
    m_bytes.clear();
    WaitForBackgroundWrites();
    errno = 0;
    m_file = Vorn::Vfs::OpenWrite(path.c_str());
    m_openError = m_file ? 0 : errno;
    m_opened = true;
    return IsOpen();
}

void SaveWriter::PutU32(u32 value)
{
    for (int shift = 0; shift < 32; shift += 8)
        m_bytes.push_back(static_cast<u8>(value >> shift));
}

void SaveWriter::PutI32(Vorn::s32 value)
{
    PutU32(static_cast<u32>(value));
}

void SaveWriter::PutF32(float value)
{
    static_assert(sizeof(float) == sizeof(u32), "floats are stored as 32-bit words");
    u32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    PutU32(bits);
}

void SaveWriter::PutU64(u64 value)
{
    PutU32(static_cast<u32>(value));
    PutU32(static_cast<u32>(value >> 32));
}

void SaveWriter::PutText(const Vorn::NarrowString& text)
{
    PutU32(static_cast<u32>(text.size()));
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
}

void SaveWriter::PutBytes(const void* data, size_t size)
{
    const u8* bytes = static_cast<const u8*>(data);
    m_bytes.insert(m_bytes.end(), bytes, bytes + size);
}

bool SaveWriter::Finish()
{
    if (!m_opened)
        return false;
    m_opened = false;
    if (!m_file) {
        ReportFailure(m_openError);
        return false;
    }
    Vorn::SmartPtr<Vorn::File> file(std::move(m_file));
    u32 size = static_cast<u32>(m_bytes.size());
    errno = 0;
    bool written = size == 0 || file->Write(m_bytes.data(), size) == size;
    // Close explicitly: the save area only replaces the old file when every byte reached the disk,
    // and only an explicit close tells us whether it did.
    written = file->Close() && written;
    if (!written)
        ReportFailure(errno);
    return written;
}

bool SaveReader::Open(const Vorn::NarrowString& path, u32 maxBytes)
{
    SaveWriter::WaitForBackgroundWrites();
    m_bytes.clear();
    m_position = 0;
    Vorn::SmartPtr<Vorn::File> file(Vorn::Vfs::Open(path.c_str()));
    m_open = static_cast<bool>(file);
    if (!m_open)
        return false;
    while (m_bytes.size() < maxBytes) {
        u32 want = maxBytes - static_cast<u32>(m_bytes.size());
        if (want > READ_CHUNK)
            want = READ_CHUNK;
        size_t old = m_bytes.size();
        m_bytes.resize(old + want);
        Vorn::s32 got = file->Read(m_bytes.data() + old, want);
        if (got <= 0) {
            m_bytes.resize(old);
            break;
        }
        m_bytes.resize(old + static_cast<size_t>(got));
    }
    return true;
}

void SaveReader::SetBytes(const u8* data, size_t size)
{
    m_bytes.assign(data, data + size);
    m_position = 0;
    m_open = true;
}

bool SaveReader::Take(void* out, u32 count)
{
    if (Remaining() < count)
        return false;
    std::memcpy(out, m_bytes.data() + m_position, count);
    m_position += count;
    return true;
}

bool SaveReader::GetU32(u32& value)
{
    u8 bytes[4];
    if (!Take(bytes, sizeof bytes))
        return false;
    value = static_cast<u32>(bytes[0]) | static_cast<u32>(bytes[1]) << 8 |
            static_cast<u32>(bytes[2]) << 16 | static_cast<u32>(bytes[3]) << 24;
    return true;
}

bool SaveReader::GetI32(Vorn::s32& value)
{
    u32 bits;
    if (!GetU32(bits))
        return false;
    value = static_cast<Vorn::s32>(bits);
    return true;
}

bool SaveReader::GetF32(float& value)
{
    u32 bits;
    if (!GetU32(bits))
        return false;
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

bool SaveReader::GetU64(u64& value)
{
    if (Remaining() < 8)
        return false;
    u32 low = 0, high = 0;
    GetU32(low);
    GetU32(high);
    value = static_cast<u64>(high) << 32 | low;
    return true;
}

bool SaveReader::GetText(Vorn::NarrowString& text, u32 maxBytes)
{
    u32 start = m_position;
    u32 count;
    if (!GetU32(count))
        return false;
    if (count > maxBytes || count > Remaining()) {
        m_position = start;
        return false;
    }
    text.assign(reinterpret_cast<const char*>(m_bytes.data()) + m_position, count);
    m_position += count;
    return true;
}

Vorn::NarrowString SaveFileOnDisk(const Vorn::NarrowString& path)
{
    const std::string flat = Vorn::PlatformFiles::SaveFileOf(("./" + BelowMount(path)).c_str());
    const std::string root = Vorn::PlatformFiles::SaveRoot();
    return SaveFolder() + "/" + flat.substr(root.size());
}

bool SaveFileExists(const Vorn::NarrowString& path)
{
    return static_cast<bool>(Vorn::SmartPtr<Vorn::File>(Vorn::Vfs::Open(path.c_str())));
}

bool KeepDamagedSave(const Vorn::NarrowString& path, const Vorn::NarrowString& kept)
{
    SaveReader damaged;
    if (!damaged.Open(path, MAX_DAMAGED_COPY))
        return false;
    DamagedFiles& files = Damaged();
    const auto setAside = files.setAside.find(path);
    if (setAside != files.setAside.end() && setAside->second == damaged.Bytes())
        return true;
    // The first free name; with every one taken the last copy is replaced, never the first, the
    // one most likely to hold the player's real progress.
    int copy = 1;
    while (copy < MAX_DAMAGED_COPIES && SaveFileExists(DamagedCopy(path, copy)))
        ++copy;
    const Vorn::NarrowString aside = DamagedCopy(path, copy);
    const bool replacing = SaveFileExists(aside);
    SaveWriter writer(aside);
    writer.PutBytes(damaged.Bytes().data(), damaged.Bytes().size());
    const bool copied = writer.Finish();
    if (copied)
        files.setAside[path] = damaged.Bytes();
    const Vorn::NarrowString onDisk = SaveFileOnDisk(aside);
    const char* asideName = onDisk.c_str() + onDisk.rfind('/') + 1;
    if (!files.said.insert(path).second)
        return copied;
    if (!copied)
        std::fprintf(stderr, "%s: save file %s is damaged; could not set it aside as %s, so it is "
                             "left as it is; kept: %s\n",
                     program_invocation_short_name, SaveFileOnDisk(path).c_str(), asideName, kept.c_str());
    else
        std::fprintf(stderr, "%s: save file %s is damaged; set aside as %s%s; kept: %s\n",
                     program_invocation_short_name, SaveFileOnDisk(path).c_str(), asideName,
                     replacing ? ", replacing the older copy of that name" : "", kept.c_str());
    return copied;
}

Vorn::NarrowString Counted(int count, const char* one, const char* many)
{
    Vorn::NarrowString text;
    text.AppendInt(count);
    return text + " " + (count == 1 ? one : many);
}

std::vector<Vorn::NarrowString> ListSaveFiles(const char* ending)
{
    const size_t length = std::strlen(ending);
    std::vector<Vorn::NarrowString> paths;
    for (const std::string& name : Vorn::PlatformFiles::ListSaveFiles())
        if (name.size() >= length && name.compare(name.size() - length, length, ending) == 0)
            paths.push_back(Vorn::NarrowString(Tessela::SAVE_MOUNT) + name);
    return paths;
}
