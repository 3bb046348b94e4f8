// What `vorn-pak extract` does for each PNG or Ogg member: read it whole out of its archive, check
// it by its chunks or pages, and write it to a file. Members made to cost the check the most, 4 MiB
// each, are timed side by side in alternating rounds by this thread's CPU time, like with like:
// - the check alone, in memory, over the check of a member of the same size that differs only in
//   what is crafted: random bytes for patterns that hold no page or chunk, the same pages with
//   random serial numbers for crafted ones, the largest pages for the smallest, a picture of the
//   same size for crafted chunks or image data (the check inflates a picture's image data, as
//   far as 64 times the member's size);
// - the extract, over the extract of the same bytes stored alike under another name and not
//   checked: the check's share.
//
//   bench_member_check
#include <stdlib.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "ContentCheck.h"
#include "SideBySide.h"
#include "base/SmartPtr.h"
#include "pakwriter/PakWriter.h"
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

Bytes RandomBytes(size_t n, std::mt19937& rng)
{
    Bytes out(n);
    for (u8& b : out)
        b = static_cast<u8>(rng());
    return out;
}

void Put32(Bytes& out, size_t at, u32 v, bool big)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<u8>(v >> (big ? 24 - 8 * i : 8 * i));
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

// Intact pages up to SIZE, of 255-byte segments of random body; serial(i) gives page i's stream
// and flags(i) its flags, each stream numbering its pages from 0.
template <typename Serial, typename Flags>
Bytes OggPages(size_t segments, std::mt19937& rng, Serial serial, Flags flags)
{
    Bytes out;
    std::unordered_map<u32, u32> sequences;
    for (u32 i = 0;; ++i) {
        Bytes page = {'O', 'g', 'g', 'S', 0, flags(i)};
        page.resize(27, 0);
        const u32 stream = serial(i);
        Put32(page, 14, stream, false);
        u32& sequence = sequences[stream];
        if (page[5] & 2)
            sequence = 0;
        Put32(page, 18, sequence++, false);
        page[26] = static_cast<u8>(segments);
        page.insert(page.end(), segments, 255);
        const Bytes body = RandomBytes(segments * 255, rng);
        page.insert(page.end(), body.begin(), body.end());
        if (out.size() + page.size() > SIZE)
            return out;
        Put32(page, 22, OggCrc(page), false);
        out.insert(out.end(), page.begin(), page.end());
    }
}

// Serial numbers that all fall in one bucket of a table of n of them that hashes a u32 to itself:
// multiples of the table's bucket count, as many as fit in 32 bits.
std::vector<u32> OneBucket(size_t n)
{
    for (;; n = n * 3 / 4) {
        std::unordered_map<u32, int> table;
        for (u32 i = 0; i < n; ++i)
            table[i] = 0;
        const u64 buckets = table.bucket_count();
        if (buckets * n <= 0xffffffffull) {
            std::vector<u32> serials(n);
            for (size_t i = 0; i < n; ++i)
                serials[i] = static_cast<u32>((i + 1) * buckets);
            return serials;
        }
    }
}

void PutChunk(Bytes& out, const char* type, const Bytes& data)
{
    const size_t at = out.size();
    out.resize(at + 8);
    Put32(out, at, static_cast<u32>(data.size()), true);
    std::memcpy(&out[at + 4], type, 4);
    out.insert(out.end(), data.begin(), data.end());
    out.resize(out.size() + 4);
    Put32(out, out.size() - 4, static_cast<u32>(crc32(0, &out[at + 4], static_cast<uInt>(4 + data.size()))), true);
}

// A grey PNG whose one IDAT chunk holds image data of rows that fill gives, deflated until it
// fills SIZE; then IEND.
template <typename Fill>
Bytes PngWithImageData(Fill fill)
{
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    Bytes header(13, 0);
    Put32(header, 0, 65535, true);
    Put32(header, 4, 65535, true);
    header[8] = 8;
    PutChunk(png, "IHDR", header);
    Bytes raw(1u << 20), deflated(SIZE - png.size() - 24);
    z_stream z{};
    deflateInit(&z, 9);
    z.next_out = deflated.data();
    z.avail_out = static_cast<uInt>(deflated.size() - 64);
    while (z.avail_out > 0) {
        fill(raw);
        z.next_in = raw.data();
        z.avail_in = static_cast<uInt>(raw.size());
        deflate(&z, Z_NO_FLUSH);
    }
    z.avail_out = 64;
    z.avail_in = 0;
    deflate(&z, Z_FINISH);
    deflated.resize(z.total_out);
    deflateEnd(&z);
    PutChunk(png, "IDAT", deflated);
    PutChunk(png, "IEND", Bytes());
    return png;
}

struct Member {
    const char* what;
    std::string name;
    Bytes bytes;
    const char* reference; // what it is compared with
    Bytes like;
    const char* goal = "goal <= a few";
};

bool Check(const Member& member, const Bytes& bytes)
{
    std::string why;
    return VornPak::CheckContent(member.name, bytes.data(), bytes.size(), why);
}

// Reads the member named name out of the archive, checks it (when checked) and writes it to out
// as vorn-pak does; the output is its size.
double Extract(PakMount& pak, const std::string& name, bool checked, Bytes& buffer, const std::string& out)
{
    SmartPtr<File> file(pak.Open(name.c_str()));
    if (!file)
        return 0;
    buffer.resize(file->GetSize());
    file->Read(buffer.data(), static_cast<u32>(buffer.size()));
    std::string why;
    if (checked)
        VornPak::CheckContent(name, buffer.data(), buffer.size(), why);
    if (FILE* written = std::fopen(out.c_str(), "wb")) {
        std::fwrite(buffer.data(), 1, buffer.size(), written);
        std::fclose(written);
    }
    return static_cast<double>(buffer.size());
}

std::vector<Member> Members()
{
    std::mt19937 rng(3);
    const Bytes random = RandomBytes(SIZE, rng);
    const std::string end("\0\0\0\0IEND\xae\x42\x60\x82", 12);
    auto one = [](u32) { return 7u; };
    auto first = [](u32 i) { return static_cast<u8>(i == 0 ? 2 : 0); };
    auto alone = [](u32) { return static_cast<u8>(6); };
    const std::vector<u32> bucket = OneBucket(SIZE / 27);
    const std::vector<u32> bucket1024 = OneBucket(1024);
    std::vector<u32> randomSerials(SIZE / 27), random1024(1024);
    for (u32& s : randomSerials)
        s = static_cast<u32>(rng());
    for (u32& s : random1024)
        s = static_cast<u32>(rng());
    auto of = [](const std::vector<u32>& serials) { return [&serials](u32 i) { return serials[i % serials.size()]; }; };
    auto open = [](u32 i) { return static_cast<u8>(i < 1024 ? 2 : 0); };
    // Behind the header chunk, empty chunks of two types in turn, so that none is a copy of the
    // one before it.
    Bytes chunks = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    PutChunk(chunks, "IHDR", Bytes(13, 1));
    for (bool text = true; chunks.size() + 12 <= SIZE; text = !text)
        PutChunk(chunks, text ? "tEXt" : "tIME", Bytes());
    auto zeros = [](Bytes&) {};
    // A picture's image data: samples of four levels, which inflate about three times.
    const Bytes picture = PngWithImageData([&rng](Bytes& raw) {
        for (u8& b : raw)
            b = static_cast<u8>(rng() % 4 * 60);
    });
    return {
        {"capture pattern with version 1 every 10 bytes", "v1.ogg", Repeat(std::string("OggS\x01\xff\xff\xff\xff\xff", 10)),
         "random bytes", random},
        {"capture pattern one byte off every 5 bytes", "near.ogg", Repeat(std::string("OggT\0", 5)), "random bytes",
         random},
        {"the capture pattern's first letter, end to end", "o.ogg", Bytes(SIZE, 'O'), "random bytes", random},
        {"intact pages of 27 bytes", "tiny.ogg", OggPages(0, rng, one, first), "intact pages of 64 KiB",
         OggPages(255, rng, one, first)},
        {"27-byte pages each a stream of its own, serials in one bucket", "alone.ogg",
         OggPages(0, rng, of(bucket), alone), "the same with random serials", OggPages(0, rng, of(randomSerials), alone)},
        {"1024 streams open, 27-byte pages of each in turn, serials in one bucket", "open.ogg",
         OggPages(0, rng, of(bucket1024), open), "the same with random serials",
         OggPages(0, rng, of(random1024), open)},
        {"the end chunk but its last byte, end to end", "end.png", Repeat(end.substr(0, 11)), "random bytes", random},
        {"the end chunk's type and CRC, end to end", "type.png", Repeat(end.substr(4)), "random bytes", random},
        {"intact empty chunks behind the header chunk", "tiny.png", chunks, "a picture of its size", picture},
        {"image data that inflates a thousand times", "deflated.png", PngWithImageData(zeros), "a picture of its size",
         picture, "bounded: inflated as far as 64 times its size"},
    };
}

} // namespace

int main()
{
    const std::vector<Member> members = Members();
    char folder[] = "/tmp/bench_member_check.XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string archive = std::string(folder) + "/members.pak";
    VornTools::PakWriter writer;
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
        auto check = [&](const Bytes& bytes) {
            return [&] {
                Check(member, bytes);
                return 1.0 * SIZE;
            };
        };
        const SideBySide::Ratio alone = SideBySide::Compare(check(member.like), check(member.bytes));
        auto extract = [&](const std::string& name, bool checked, Bytes& buffer) {
            return [&, name, checked] { return Extract(*pak, name, checked, buffer, out); };
        };
        const SideBySide::Ratio share =
            SideBySide::Compare(extract(member.name + ".bin", false, a), extract(member.name, true, b));
        std::printf("%s (%s): check %.2f ms per MiB, extract %.2f ms per MiB%s\n", member.what, member.name.c_str(),
                    1e3 * (1 << 20) / alone.rateB, 1e3 * (1 << 20) / share.rateB,
                    Check(member, member.bytes) ? "" : " (refused)");
        SideBySide::Print(("  check over " + std::string(member.reference)).c_str(), alone,
                          member.goal);
        SideBySide::Print("  extract over its bytes unchecked", share, "the check's share");
    }
    pak = nullptr;
    std::remove(out.c_str());
    std::remove(archive.c_str());
    rmdir(folder);
    return status;
}
