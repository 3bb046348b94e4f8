#include "support/FlipProbe.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "Content.h"
#include "DataCheck.h"
#include "LevelFile.h"
#include "Mounts.h"
#include "base/SmartPtr.h"
#include "base/Xml.h"
#include "graphics/image/ImageLoader.h"
#include "sound/AudioOgg.h"
#include "vfs/CompressedFile.h"
#include "vfs/PakMount.h"
#include "vfs/Vfs.h"

namespace VornTest {

namespace {

using Vorn::PakMount;
using Vorn::SmartPtr;

struct Member {
    std::string name;
    uint64_t offset; // in the archive's content
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> shown; // as its reader makes it of the intact bytes
};

struct Block {
    uint64_t fileOffset;
    uint32_t stored;
    bool coded;
};

// File byte ranges of one region.
typedef std::vector<std::pair<uint64_t, uint64_t>> Ranges;

bool EndsWith(const std::string& name, const char* ending)
{
    const std::string tail(ending);
    return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}

// stderr goes nowhere while it lives: every flip the probe catches is said there.
class QuietStderr {
public:
    QuietStderr() : m_saved(dup(2))
    {
        std::fflush(stderr);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            dup2(null, 2);
            close(null);
        }
    }
    ~QuietStderr()
    {
        std::fflush(stderr);
        if (m_saved >= 0) {
            dup2(m_saved, 2);
            close(m_saved);
        }
    }

private:
    int m_saved;
};

bool ReadWhole(Vorn::File* file, std::vector<uint8_t>& bytes)
{
    bytes.assign(file->GetSize(), 0);
    size_t used = 0;
    while (used < bytes.size()) {
        const Vorn::s32 got = file->Read(bytes.data() + used, static_cast<Vorn::u32>(bytes.size() - used));
        if (got <= 0)
            break;
        used += static_cast<size_t>(got);
    }
    bytes.resize(used);
    return used == file->GetSize();
}

// What the game shows of a member: decoded by the game's reader of its kind (pixels, samples), so
// that a damage the reader finds is said; the bytes themselves for the other kinds. A sound stops
// decoding once said returns true: what it would show after that no longer matters.
std::vector<uint8_t> Shown(const SmartPtr<Vorn::File>& file, const std::string& name,
                           const std::function<bool()>& said = [] { return false; })
{
    std::vector<uint8_t> shown;
    file->Seek(0, Vorn::SeekableStream::FROM_START);
    if (EndsWith(name, ".png")) {
        SmartPtr<Vorn::ImageLoader> loader(Vorn::ImageLoader::GetLoader(file.Get()));
        std::unique_ptr<Vorn::MemPixelData> pixels(loader ? loader->ReadPixels() : nullptr);
        if (pixels)
            shown.assign(pixels->LockConst(), pixels->LockConst() + pixels->GetSize());
    } else if (EndsWith(name, ".ogg")) {
        SmartPtr<Vorn::AudioSource> sound(Vorn::AudioOgg::Open(file));
        std::vector<uint8_t> buffer(1 << 16);
        Vorn::u32 n;
        while (sound && !said() && (n = sound->Read(buffer.data(), static_cast<Vorn::u32>(buffer.size()))) > 0)
            shown.insert(shown.end(), buffer.begin(), buffer.begin() + n);
    } else {
        ReadWhole(file.Get(), shown);
        file->Seek(0, Vorn::SeekableStream::FROM_START);
        LevelFile level;
        if (EndsWith(name, ".xml"))
            Vorn::Xml::CreateFromStream(file.Get());
        else if (EndsWith(name, ".bin") && !level.Parse(shown.data(), shown.size()))
            file->ReportDamage("it is not a valid level file");
    }
    return shown;
}

// The archive as the probe sees it: its blocks, its members, and the regions of its file.
struct Layout {
    uint32_t blockSize = 0;
    uint64_t directoryEnd = 0;
    std::vector<Block> blocks;
    std::vector<Member> members;
    Ranges regions[REGION_COUNT];

    bool Read(const std::string& path, std::string& error);
    // The members a flip at a file offset can change: all of them when it lands in the header,
    // the block table or a block of the directory; otherwise those with bytes in its block.
    std::vector<const Member*> Reachable(uint64_t fileOffset) const;

private:
    void AddRawBytes(const Block& block, uint64_t contentStart);
};

bool Layout::Read(const std::string& path, std::string& error)
{
    Vorn::CompressedFile container;
    if (!container.OpenNative(path.c_str())) {
        error = path + ": not a pak archive";
        return false;
    }
    blockSize = container.GetBlockSize();
    for (Vorn::u32 b = 0; b < container.GetBlockCount(); ++b) {
        Block block;
        container.GetBlockStorage(b, block.fileOffset, block.stored, block.coded);
        blocks.push_back(block);
    }
    SmartPtr<PakMount> pak(new PakMount(path.c_str(), "", 0, PakMount::NATIVE_PATH));
    if (!pak->IsValid() || blocks.empty()) {
        error = path + ": does not mount";
        return false;
    }
    Vorn::Vfs::Init();
    Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), pak.Get());
    uint64_t nameBytes = 0;
    for (Vorn::u32 i = 0; i < pak->GetEntryCount(); ++i) {
        const PakMount::Entry& entry = *pak->GetEntry(i);
        Member member{pak->GetName(entry), entry.dataOffset, {}, {}};
        nameBytes += member.name.size() + 1;
        SmartPtr<Vorn::File> file(Vorn::Vfs::Open(member.name.c_str()));
        if (!file || !ReadWhole(file.Get(), member.bytes)) {
            error = path + ": " + member.name + " does not read";
            return false;
        }
        member.shown = Shown(file, member.name);
        members.push_back(std::move(member));
    }
    Vorn::Vfs::Shutdown();
    directoryEnd = 8 + 12 * members.size() + nameBytes;
    std::sort(members.begin(), members.end(),
              [](const Member& a, const Member& b) { return a.offset < b.offset; });

    regions[REGION_HEADER].push_back({0, blocks[0].fileOffset});
    for (size_t b = 0; b < blocks.size(); ++b) {
        const Block& block = blocks[b];
        const uint64_t contentStart = b * static_cast<uint64_t>(blockSize);
        if (contentStart < directoryEnd && block.coded)
            regions[REGION_DIRECTORY].push_back({block.fileOffset, block.fileOffset + block.stored});
        else if (block.coded)
            regions[REGION_CODED].push_back({block.fileOffset, block.fileOffset + block.stored});
        else
            AddRawBytes(block, contentStart);
    }
    return true;
}

void Layout::AddRawBytes(const Block& block, uint64_t contentStart)
{
    // Byte by byte of content, in runs of one kind: the directory, a member, or padding.
    uint64_t at = 0;
    while (at < block.stored) {
        const uint64_t content = contentStart + at;
        int region = REGION_RAW_OTHER;
        uint64_t runEnd = block.stored;
        if (content < directoryEnd) {
            region = REGION_DIRECTORY;
            runEnd = std::min<uint64_t>(runEnd, directoryEnd - contentStart);
        } else {
            for (const Member& member : members) {
                const uint64_t end = member.offset + member.bytes.size();
                if (member.offset <= content && content < end) {
                    region = EndsWith(member.name, ".png") ? REGION_RAW_PNG
                             : EndsWith(member.name, ".ogg") ? REGION_RAW_OGG : REGION_RAW_OTHER;
                    runEnd = std::min<uint64_t>(runEnd, end - contentStart);
                    break;
                }
                if (member.offset > content) {
                    runEnd = std::min<uint64_t>(runEnd, member.offset - contentStart);
                    break;
                }
            }
        }
        regions[region].push_back({block.fileOffset + at, block.fileOffset + runEnd});
        at = runEnd;
    }
}

std::vector<const Member*> Layout::Reachable(uint64_t fileOffset) const
{
    std::vector<const Member*> reached;
    uint64_t first = 0, last = ~0ull; // content bytes the flip can change
    for (size_t b = 0; b < blocks.size(); ++b) {
        if (blocks[b].fileOffset <= fileOffset && fileOffset < blocks[b].fileOffset + blocks[b].stored) {
            first = b * static_cast<uint64_t>(blockSize);
            last = first + blockSize;
        }
    }
    const bool everything = first < directoryEnd;
    for (const Member& member : members) {
        if (everything || (member.offset < last && member.offset + member.bytes.size() > first))
            reached.push_back(&member);
    }
    return reached;
}

// What became of the members a flip can reach: whether any is shown differently from the intact
// archive's (or is missing), whether a damage was said, and whether one shown wrong was not.
struct Outcome {
    bool wrong = false;
    bool said = false;
    bool wrongUnsaid = false;
};

Outcome ReadMembers(PakMount& pak, const std::vector<const Member*>& reachable)
{
    Outcome outcome;
    for (const Member* member : reachable) {
        const std::string path = std::string(pak.GetMountPoint()) + member->name;
        SmartPtr<Vorn::File> file(Vorn::Vfs::Open(path.c_str()));
        std::vector<uint8_t> bytes;
        if (file && ReadWhole(file.Get(), bytes) && bytes == member->bytes)
            continue;
        // A member the flip took out of the directory is missing, which nothing but the start's
        // check of the members the game needs would say.
        const PakMount::Entry* entry = pak.FindEntry(member->name.c_str());
        auto reported = [&] { return entry && pak.IsReportedDamaged(*entry); };
        const bool wrong = !file || Shown(file, member->name, reported) != member->shown;
        const bool said = file && reported();
        outcome.wrong |= wrong;
        outcome.said |= said;
        outcome.wrongUnsaid |= wrong && !said;
    }
    return outcome;
}

bool FlipBit(int fd, uint64_t offset, int bit)
{
    uint8_t byte = 0;
    if (pread(fd, &byte, 1, static_cast<off_t>(offset)) != 1)
        return false;
    byte ^= static_cast<uint8_t>(1u << bit);
    return pwrite(fd, &byte, 1, static_cast<off_t>(offset)) == 1;
}

} // namespace

const char* RegionName(int region)
{
    static const char* const NAMES[REGION_COUNT] = {"header and block table", "directory",
                                                    "coded blocks", "raw PNG", "raw Ogg",
                                                    "raw other"};
    return region >= 0 && region < REGION_COUNT ? NAMES[region] : "";
}

bool ProbeArchive(const std::string& path, const std::string& scratchDir, int samples,
                  uint32_t seed, FlipCounts counts[REGION_COUNT], std::string& error)
{
    const std::string base = std::filesystem::path(path).filename().string();
    const bool common = base == "data_common.pak";
    int width = 0;
    if (!common && std::sscanf(base.c_str(), "data_%d.pak", &width) != 1) {
        error = path + ": not one of the game's archives (data_common.pak, data_<width>.pak)";
        return false;
    }
    const char* mountPoint = common ? Tessela::COMMON_MOUNT : Tessela::DEVICE_MOUNT;
    Layout layout;
    if (!layout.Read(path, error))
        return false;
    const std::string copy = scratchDir + "/" + base;
    std::error_code ec;
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing, ec);
    const int fd = ec ? -1 : open(copy.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = copy + ": cannot be written";
        return false;
    }

    QuietStderr quiet;
    Content::SetLevelPath(Tessela::LEVEL_DIRECTORY);
    std::mt19937 random(seed);
    for (int region = 0; region < REGION_COUNT; ++region) {
        FlipCounts& c = counts[region];
        c = FlipCounts();
        for (const auto& range : layout.regions[region])
            c.bytes += range.second - range.first;
        for (int n = 0; n < samples && c.bytes > 0; ++n) {
            // The nth drawn byte of the region, found among its ranges.
            uint64_t pick = std::uniform_int_distribution<uint64_t>(0, c.bytes - 1)(random);
            const int bit = static_cast<int>(random() % 8);
            uint64_t offset = 0;
            for (const auto& range : layout.regions[region]) {
                if (pick < range.second - range.first) {
                    offset = range.first + pick;
                    break;
                }
                pick -= range.second - range.first;
            }
            if (!FlipBit(fd, offset, bit)) {
                error = copy + ": cannot flip a bit";
                close(fd);
                return false;
            }
            Vorn::Vfs::Init();
            SmartPtr<PakMount> pak(new PakMount(copy.c_str(), mountPoint, 0, PakMount::NATIVE_PATH));
            const bool mounted = pak->IsValid();
            bool started = false;
            Outcome outcome;
            if (mounted) {
                Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), pak.Get());
                started = common ? DataCheck::CheckCommonArchive() : DataCheck::CheckDeviceArchive(width);
                // What the start would not have read is looked at as the game loads it; the
                // members the old game needed are read again, as it read them.
                outcome = ReadMembers(*pak, layout.Reachable(offset));
            }
            ++c.tries;
            if (!mounted || !started)
                ++c.start;
            else if (outcome.wrongUnsaid)
                ++c.silent;
            else if (outcome.said)
                ++c.load;
            else
                ++c.harmless;
            if (!mounted)
                ++c.oldStart;
            else if (outcome.wrong)
                ++c.oldSilent;
            else
                ++c.oldHarmless;
            Vorn::Vfs::Shutdown();
            pak = nullptr;
            FlipBit(fd, offset, bit);
        }
    }
    close(fd);
    return true;
}

} // namespace VornTest
