#include "support/FlipProbe.h"

#include <fcntl.h>
#include <gtest/gtest.h>
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
#include "graphics/image/PngImageLoader.h"
#include "sound/AudioOgg.h"
#include "support/Sandbox.h"
#include "vfs/CompressedFile.h"
#include "vfs/PakMount.h"
#include "vfs/Vfs.h"

namespace VornTest {

namespace {

using Vorn::PakMount;
using Vorn::SmartPtr;
typedef std::vector<uint8_t> Bytes;

struct Member {
    std::string name;
    uint64_t offset; // in the archive's content
    Bytes bytes;
    Bytes shown; // as its reader makes it of the intact bytes
};

struct Block {
    uint64_t fileOffset;
    uint32_t stored;
    bool coded;
};

// The archive as the probe sees it: its blocks, its members, and the file offsets of each
// region's bytes, in order.
struct Layout {
    uint32_t blockSize = 0;
    uint64_t directoryEnd = 0;
    std::vector<Block> blocks;
    std::vector<Member> members;
    std::vector<uint32_t> regions[REGION_COUNT];
};

std::string Kind(const std::string& name)
{
    return std::filesystem::path(name).extension().string();
}

bool ReadWhole(Vorn::File& file, Bytes& bytes)
{
    bytes.assign(file.GetSize(), 0);
    size_t used = 0;
    Vorn::s32 got;
    while (used < bytes.size() &&
           (got = file.Read(&bytes[used], static_cast<Vorn::u32>(bytes.size() - used))) > 0)
        used += static_cast<size_t>(got);
    bytes.resize(used);
    return used == file.GetSize();
}

// What the game shows of a member: decoded by the game's reader of its kind (pixels, samples), so
// that a damage the reader finds is said; the bytes themselves for the other kinds. A sound stops
// decoding once said returns true: what it would show after that no longer matters.
Bytes Shown(const SmartPtr<Vorn::File>& file, const std::string& name,
            const std::function<bool()>& said = [] { return false; })
{
    Bytes shown;
    file->Seek(0, Vorn::SeekableStream::FROM_START);
    if (Kind(name) == ".png") {
        SmartPtr<Vorn::ImageLoader> loader(Vorn::ImageLoader::GetLoader(file.Get()));
        std::unique_ptr<Vorn::MemPixelData> pixels(loader ? loader->ReadPixels() : nullptr);
        if (pixels)
            shown.assign(pixels->LockConst(), pixels->LockConst() + pixels->GetSize());
    } else if (Kind(name) == ".ogg") {
        SmartPtr<Vorn::AudioSource> sound(Vorn::AudioOgg::Open(file));
        Bytes buffer(1 << 16);
        Vorn::u32 n;
        while (sound && !said() && (n = sound->Read(buffer.data(), static_cast<Vorn::u32>(buffer.size()))) > 0)
            shown.insert(shown.end(), buffer.begin(), buffer.begin() + n);
    } else {
        ReadWhole(*file, shown);
        file->Seek(0, Vorn::SeekableStream::FROM_START);
        LevelFile level;
        if (Kind(name) == ".xml")
            Vorn::Xml::CreateFromStream(file.Get());
        else if (Kind(name) == ".bin" && !level.Parse(shown.data(), shown.size()))
            file->ReportDamage("it is not a valid level file");
    }
    return shown;
}

bool ReadLayout(const std::string& path, Layout& layout, std::string& error)
{
    Vorn::CompressedFile container;
    SmartPtr<PakMount> pak(new PakMount(path.c_str(), "", 0, PakMount::NATIVE_PATH));
    if (!container.OpenNative(path.c_str()) || !pak->IsValid() || container.GetBlockCount() == 0) {
        error = path + ": not a pak archive that mounts";
        return false;
    }
    layout.blockSize = container.GetBlockSize();
    layout.blocks.resize(container.GetBlockCount());
    for (Vorn::u32 b = 0; b < layout.blocks.size(); ++b) {
        Block& block = layout.blocks[b];
        container.GetBlockStorage(b, block.fileOffset, block.stored, block.coded);
    }
    Vorn::Vfs::Init();
    Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), pak.Get());
    layout.directoryEnd = 8;
    for (Vorn::u32 i = 0; i < pak->GetEntryCount(); ++i) {
        const PakMount::Entry& entry = *pak->GetEntry(i);
        Member member{pak->GetName(entry), entry.dataOffset, {}, {}};
        layout.directoryEnd += 12 + member.name.size() + 1;
        SmartPtr<Vorn::File> file(Vorn::Vfs::Open(member.name.c_str()));
        if (!file || !ReadWhole(*file, member.bytes)) {
            error = path + ": " + member.name + " does not read";
            return false;
        }
        member.shown = Shown(file, member.name);
        layout.members.push_back(std::move(member));
    }
    Vorn::Vfs::Shutdown();

    // The region of each byte of the content, were it stored raw: the directory, a member's, or
    // padding.
    std::vector<uint8_t> raw(layout.blocks.size() * static_cast<uint64_t>(layout.blockSize), REGION_RAW_OTHER);
    std::fill(raw.begin(), raw.begin() + std::min<uint64_t>(layout.directoryEnd, raw.size()), REGION_DIRECTORY);
    for (const Member& m : layout.members) {
        const std::string kind = Kind(m.name);
        std::fill(raw.begin() + m.offset, raw.begin() + m.offset + m.bytes.size(),
                  kind == ".png" ? REGION_RAW_PNG : kind == ".ogg" ? REGION_RAW_OGG : REGION_RAW_OTHER);
    }
    for (uint32_t at = 0; at < layout.blocks[0].fileOffset; ++at)
        layout.regions[REGION_HEADER].push_back(at);
    for (size_t b = 0; b < layout.blocks.size(); ++b) {
        const Block& block = layout.blocks[b];
        const uint64_t start = b * layout.blockSize;
        for (uint32_t i = 0; i < block.stored; ++i) {
            const int region = !block.coded ? static_cast<int>(raw[start + i])
                               : start < layout.directoryEnd ? REGION_DIRECTORY : REGION_CODED;
            layout.regions[region].push_back(static_cast<uint32_t>(block.fileOffset + i));
        }
    }
    return true;
}

// What became of the members a flip at a file offset can reach (all of them when it lands in the
// header, the block table or a block of the directory; otherwise those with bytes in its block):
// whether any is shown differently from the intact archive's (or is missing), whether a damage was
// said, and whether one shown wrong was not.
struct Outcome {
    bool wrong = false, said = false, wrongUnsaid = false, extractUnsaid = false;
};

Outcome ReadMembers(PakMount& pak, const Layout& layout, uint64_t fileOffset)
{
    uint64_t first = 0, last = ~0ull; // content bytes the flip can change
    for (size_t b = 0; b < layout.blocks.size(); ++b) {
        const Block& block = layout.blocks[b];
        if (block.fileOffset <= fileOffset && fileOffset < block.fileOffset + block.stored) {
            first = b * static_cast<uint64_t>(layout.blockSize);
            last = first + layout.blockSize;
        }
    }
    Outcome outcome;
    for (const Member& member : layout.members) {
        const bool reached = member.offset < last && member.offset + member.bytes.size() > first;
        if (first >= layout.directoryEnd && !reached)
            continue;
        const std::string path = std::string(pak.GetMountPoint()) + member.name;
        SmartPtr<Vorn::File> file(Vorn::Vfs::Open(path.c_str()));
        Bytes bytes;
        if (file && ReadWhole(*file, bytes) && bytes == member.bytes)
            continue;
        // What vorn-pak extract refuses, naming it: a member that reads short or fails its format's check.
        std::string why;
        const std::string kind = Kind(member.name);
        outcome.extractUnsaid |=
            !file || !(bytes.size() != member.bytes.size() ||
                       (kind == ".png" && !Vorn::PngImageLoader::CheckChunks(bytes.data(), bytes.size(), why)) ||
                       (kind == ".ogg" && !Vorn::AudioOgg::CheckPages(bytes.data(), bytes.size(), why)));
        // A member the flip took out of the directory is missing, which nothing but the start's
        // check of the members the game needs would say.
        const PakMount::Entry* entry = pak.FindEntry(member.name.c_str());
        auto reported = [&] { return entry && pak.IsReportedDamaged(*entry); };
        const bool wrong = !file || Shown(file, member.name, reported) != member.shown;
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

const char* const REGION_NAMES[REGION_COUNT] = {"header and block table", "directory", "coded blocks",
                                                "raw PNG", "raw Ogg", "raw other"};

bool ProbeArchive(const std::string& path, int samples, uint32_t seed, FlipCounts counts[REGION_COUNT],
                  std::string& error)
{
    const std::string base = std::filesystem::path(path).filename().string();
    const bool common = base == "data_common.pak";
    int width = 0;
    if (!common && std::sscanf(base.c_str(), "data_%d.pak", &width) != 1) {
        error = path + ": not one of the game's archives (data_common.pak, data_<width>.pak)";
        return false;
    }
    Layout layout;
    if (!ReadLayout(path, layout, error))
        return false;
    TempDir scratch;
    const std::string copy = scratch.Path() + "/" + base;
    std::error_code ec;
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing, ec);
    const int fd = ec ? -1 : open(copy.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = copy + ": cannot be written";
        return false;
    }

    testing::internal::CaptureStderr(); // where every flip the game catches is said
    Content::SetLevelPath(Tessela::LEVEL_DIRECTORY);
    std::mt19937 random(seed);
    bool flipped = true;
    for (int region = 0; region < REGION_COUNT; ++region) {
        const std::vector<uint32_t>& bytes = layout.regions[region];
        FlipCounts& c = counts[region];
        c = FlipCounts();
        c.bytes = bytes.size();
        for (int n = 0; n < samples && !bytes.empty() && flipped; ++n) {
            const uint64_t offset = bytes[std::uniform_int_distribution<uint64_t>(0, bytes.size() - 1)(random)];
            const int bit = static_cast<int>(random() % 8);
            if (!(flipped = FlipBit(fd, offset, bit)))
                break;
            Vorn::Vfs::Init();
            SmartPtr<PakMount> pak(new PakMount(copy.c_str(), common ? Tessela::COMMON_MOUNT : Tessela::DEVICE_MOUNT,
                                                0, PakMount::NATIVE_PATH));
            const bool mounted = pak->IsValid();
            bool started = false;
            Outcome outcome;
            if (mounted) {
                Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), pak.Get());
                started = common ? DataCheck::CheckCommonArchive() : DataCheck::CheckDeviceArchive(width);
                // What the start would not have read is looked at as the game loads it; the
                // members the old game needed are read again, as it read them.
                outcome = ReadMembers(*pak, layout, offset);
            }
            ++c.tries;
            ++c.outcomes[!started              ? NOW_START
                         : outcome.wrongUnsaid ? NOW_SILENT
                         : outcome.said        ? NOW_LOAD
                                               : NOW_HARMLESS];
            ++c.outcomes[!mounted ? OLD_START : outcome.wrong ? OLD_SILENT : OLD_HARMLESS];
            c.extractSilent += outcome.extractUnsaid;
            Vorn::Vfs::Shutdown();
            pak = nullptr;
            FlipBit(fd, offset, bit);
        }
    }
    testing::internal::GetCapturedStderr();
    close(fd);
    if (!flipped)
        error = copy + ": cannot flip a bit";
    return flipped;
}

} // namespace VornTest
