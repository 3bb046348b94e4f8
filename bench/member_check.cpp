// What `vorn-pak extract` does for each member named .png or .ogg: read it whole out of its archive,
// walk its chunks or pages, and write it to a file. Members made to cost the walk the most, 4 MiB
// each, side by side in alternating rounds timed by this thread's CPU time with a member of random
// bytes of the same size, and with the same bytes under a name that is not checked. Printed are
// the crafted member's time over the random one's, and over its own without the check.
//
//   bench_member_check
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "SideBySide.h"
#include "base/SmartPtr.h"
#include "graphics/image/PngImageLoader.h"
#include "pakwriter/PakWriter.h"
#include "sound/AudioOgg.h"
#include "vfs/PakMount.h"

using namespace Vorn;

namespace {

typedef std::vector<u8> Bytes;
const size_t SIZE = 4u << 20;

Bytes Repeat(const std::string& unit)
{
    Bytes out;
    while (out.size() + unit.size() <= SIZE)
        out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

u32 OggCrc(const Bytes& page)
{
    u32 crc = 0;
    for (u8 b : page) {
        crc ^= static_cast<u32>(b) << 24;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    return crc;
}

// A stream of intact pages of one serial, each with the given segments of random body.
Bytes OggPages(size_t segments, std::mt19937& rng)
{
    Bytes out;
    for (u32 sequence = 0;; ++sequence) {
        Bytes page = {'O', 'g', 'g', 'S', 0, static_cast<u8>(sequence == 0 ? 2 : 0)};
        page.resize(27, 0);
        page[14] = 7;
        std::memcpy(&page[18], &sequence, 4);
        page[26] = static_cast<u8>(segments);
        page.insert(page.end(), segments, 255);
        for (size_t i = 0; i < segments * 255; ++i)
            page.push_back(static_cast<u8>(rng()));
        if (out.size() + page.size() > SIZE)
            return out;
        const u32 crc = OggCrc(page);
        std::memcpy(&page[22], &crc, 4);
        out.insert(out.end(), page.begin(), page.end());
    }
}

struct Member {
    const char* what;
    std::string name;
    Bytes bytes;
};

// Reads the member out of the archive, checks it and writes it to out as vorn-pak does; the output
// is its size.
double Extract(PakMount& pak, const Member& member, Bytes& buffer, const std::string& out)
{
    SmartPtr<File> file(pak.Open(member.name.c_str()));
    if (!file)
        return 0;
    buffer.resize(file->GetSize());
    file->Read(buffer.data(), static_cast<u32>(buffer.size()));
    std::string why;
    auto named = [&](const char* ending) {
        return member.name.size() > 4 && member.name.compare(member.name.size() - 4, 4, ending) == 0;
    };
    if (named(".ogg"))
        AudioOgg::CheckPages(buffer.data(), buffer.size(), why);
    else if (named(".png"))
        PngImageLoader::CheckChunks(buffer.data(), buffer.size(), why);
    if (FILE* written = std::fopen(out.c_str(), "wb")) {
        std::fwrite(buffer.data(), 1, buffer.size(), written);
        std::fclose(written);
    }
    return static_cast<double>(buffer.size());
}

} // namespace

int main()
{
    std::mt19937 rng(3);
    Bytes random(SIZE);
    for (u8& b : random)
        b = static_cast<u8>(rng());
    const std::string end("\0\0\0\0IEND\xae\x42\x60\x82", 12);
    const std::string text("\0\0\0\0tEXt\x96\x42\xc5\x85", 12);  // an intact empty chunk
    std::vector<Member> members = {
        {"capture pattern with version 1 every 10 bytes", "v1.ogg", Repeat(std::string("OggS\x01\xff\xff\xff\xff\xff", 10))},
        {"capture pattern one byte off every 5 bytes", "near.ogg", Repeat(std::string("OggT\0", 5))},
        {"intact pages of 27 bytes", "tiny.ogg", OggPages(0, rng)},
        {"intact pages of 64 KiB", "large.ogg", OggPages(255, rng)},
        {"the end chunk but its last byte, end to end", "end.png", Repeat(end.substr(0, 11))},
        {"the end chunk's type and CRC, end to end", "type.png", Repeat(end.substr(4))},
        {"intact empty chunks behind the signature", "tiny.png", Repeat(text)},
    };
    std::memcpy(members.back().bytes.data(), "\x89PNG\r\n\x1a\n", 8);
    members.back().bytes.erase(members.back().bytes.begin() + 8, members.back().bytes.begin() + 12);

    char folder[] = "/tmp/bench_member_check.XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string archive = std::string(folder) + "/members.pak";
    VornTools::PakWriter writer;
    writer.AddFile("random.ogg", Bytes(random));
    writer.AddFile("random.png", Bytes(random));
    for (const Member& member : members) {
        writer.AddFile(member.name, Bytes(member.bytes));
        writer.AddFile(member.name + ".bin", Bytes(member.bytes));
    }
    int status = 0;
    if (!writer.Write(archive)) {
        std::fprintf(stderr, "cannot write the archive: %s\n", writer.GetError().c_str());
        status = 1;
    }
    SmartPtr<PakMount> pak(new PakMount(archive.c_str(), "", 0, PakMount::NATIVE_PATH));
    Bytes a, b;
    const std::string out = std::string(folder) + "/member";
    for (const Member& member : members) {
        if (status != 0)
            break;
        const Member plain = {"", "random" + member.name.substr(member.name.size() - 4), random};
        const Member unchecked = {"", member.name + ".bin", member.bytes};
        auto extract = [&](const Member& m, Bytes& buffer) { return [&] { return Extract(*pak, m, buffer, out); }; };
        const SideBySide::Ratio r = SideBySide::Compare(extract(plain, a), extract(member, b));
        const SideBySide::Ratio own = SideBySide::Compare(extract(unchecked, a), extract(member, b));
        std::printf("%s (%s): %.2f ms per MiB\n", member.what, member.name.c_str(), 1e3 * (1 << 20) / r.rateB);
        SideBySide::Print("  over a random member", r, "goal <= a few");
        SideBySide::Print("  over its bytes unchecked", own, "the check's share");
    }
    pak = nullptr;
    std::remove(out.c_str());
    std::remove(archive.c_str());
    rmdir(folder);
    return status;
}
