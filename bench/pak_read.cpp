// Reading through a pak mount: against decoding the same blocks with liblzma directly, and this
// build's archives against another build's.
//
// Against liblzma (Google Benchmark cases, on an archive made here), each iteration doing the same
// work both ways: "sequential" reads every file of the archive in 64 KiB reads (and decodes every
// block once, for the baseline); "random" reads 4 KiB at random offsets of random files (and
// decodes, for the baseline, each block from its start up to the wanted bytes, as any LZMA reader
// must). The counter "ratio" is the pak's throughput divided by the baseline's: 1.0 means the
// mount costs nothing over bare decoding.
//
// Against another build's archives, when --baseline=DIR names a folder of them (an older commit's
// build/data): this build's (--archives=DIR, by default the build's own) and those, both read by
// this build's mount, freshly mounted for every pass, in alternating rounds timed by this thread's
// CPU time:
//   game:       the device archive at 480x800 as the game's loading stages read it: each atlas's
//               picture as the picture decoder reads it (the signature, then each chunk's head,
//               its data in pieces of at most 8 KiB, and its checksum) and then its description
//               whole, then each font's description; timed are the descriptions alone, the
//               pictures alone, and the whole pass with the mount.
//   sequential: every member of an archive in directory order, in 64 KiB reads, with the mount.
// Printed is the time of this build's archives over the baseline's, as the median over the rounds
// with its lowest and highest round.
//
//   bench_pak_read [--baseline=DIR] [--archives=DIR] [Google Benchmark options]
#include <benchmark/benchmark.h>

#include <lzma.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Game.h"
#include "SideBySide.h"
#include "base/SmartPtr.h"
#include "pakwriter/PakWriter.h"
#include "support/Sandbox.h"
#include "vfs/PakMount.h"
#include "vfs/Vfs.h"

using namespace Vorn;

namespace {

const size_t READ_SIZE = 64 * 1024;
const size_t RANDOM_READ = 4096;
const int RANDOM_READS = 400;

u32 GetU32(const u8* at)
{
    u32 v;
    std::memcpy(&v, at, 4);
    return v;
}

// The archive, its files and its raw bytes, made once.
struct Archive {
    VornTest::Sandbox sandbox;
    std::vector<std::string> names;           // in directory order
    std::vector<u32> sizes;
    std::vector<u32> offsets;                 // of each file in the decoded content
    std::vector<u8> bytes;                    // the pak file
    u32 blockSize = 0, dataOffset = 0;
    std::vector<u32> table;
    lzma_options_lzma options;

    Archive()
    {
        VornTools::PakWriter writer;
        std::mt19937 rng(7);
        for (int i = 0; i < 40; ++i) {
            size_t size = 20000 + rng() % 600000;
            std::vector<uint8_t> data = (i % 8 == 7) ? VornTest::RandomBytes(size, i)
                                                     : VornTest::TextBytes(size, i);
            writer.AddFile("files/f" + std::to_string(i), std::move(data));
        }
        writer.Write(VornTest::Sandbox::Native("bench.pak"));
        Vfs::MountPak("bench.pak", "pak/", 0);
        bytes = VornTest::ReadBytes(VornTest::Sandbox::Native("bench.pak"));

        // Header and table (the writer stores the table raw or coded; decode either way).
        blockSize = GetU32(&bytes[4]);
        dataOffset = GetU32(&bytes[0]);
        s32 tableBytes = static_cast<s32>(GetU32(&bytes[8]));
        lzma_filter filter = {LZMA_FILTER_LZMA1, nullptr};
        lzma_properties_decode(&filter, nullptr, &bytes[12], 5);
        options = *static_cast<lzma_options_lzma*>(filter.options);
        free(filter.options);
        u32 count = static_cast<u32>(tableBytes < 0 ? -tableBytes : tableBytes) / 4;
        table.resize(count);
        if (tableBytes < 0) {
            std::memcpy(table.data(), &bytes[17], count * 4);
        } else {
            lzma_stream s = LZMA_STREAM_INIT;
            Decode(s, &bytes[17], dataOffset - 17, reinterpret_cast<u8*>(table.data()), count * 4);
            lzma_end(&s);
        }

        // The directory gives each file's offset in the content.
        std::vector<u8> head(blockSize);
        lzma_stream s = LZMA_STREAM_INIT;
        DecodeBlock(s, 0, head.data(), blockSize);
        lzma_end(&s);
        u32 n = GetU32(head.data());
        const u8* entries = head.data() + 4;
        const char* nameTable = reinterpret_cast<const char*>(entries + 12 * n + 4);
        for (u32 i = 0; i < n; ++i) {
            names.push_back(nameTable + GetU32(entries + 12 * i));
            offsets.push_back(GetU32(entries + 12 * i + 4));
            sizes.push_back(GetU32(entries + 12 * i + 8));
        }
    }

    void Decode(lzma_stream& s, const u8* in, size_t inSize, u8* out, size_t outSize)
    {
        lzma_options_lzma o = options;
        lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &o}, {LZMA_VLI_UNKNOWN, nullptr}};
        if (lzma_raw_decoder(&s, filters) != LZMA_OK)
            return;
        s.next_in = in;
        s.avail_in = inSize;
        s.next_out = out;
        s.avail_out = outSize;
        while (s.avail_out > 0 && lzma_code(&s, LZMA_RUN) == LZMA_OK) {
        }
    }

    // The first outSize bytes of block i.
    void DecodeBlock(lzma_stream& s, u32 i, u8* out, size_t outSize)
    {
        u32 start = i == 0 ? 0 : (table[i - 1] & 0x7FFFFFFFu);
        u32 end = table[i] & 0x7FFFFFFFu;
        const u8* in = &bytes[dataOffset + start];
        if (table[i] & 0x80000000u)
            Decode(s, in, end - start, out, outSize);
        else
            std::memcpy(out, in, outSize);
    }
};

Archive& GetArchive()
{
    // Destroyed at exit, which removes its temporary directory.
    static Archive s_archive;
    return s_archive;
}

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

void Report(benchmark::State& state, double pakBytes, double pakSeconds, double directBytes,
            double directSeconds)
{
    double pakRate = pakBytes / pakSeconds, directRate = directBytes / directSeconds;
    state.counters["pak_MBps"] = pakRate / 1e6;
    state.counters["direct_MBps"] = directRate / 1e6;
    state.counters["ratio"] = pakRate / directRate;
}

void Sequential(benchmark::State& state)
{
    Archive& a = GetArchive();
    std::vector<u8> buffer(std::max<size_t>(READ_SIZE, a.blockSize));
    double pakBytes = 0, pakSeconds = 0, directBytes = 0, directSeconds = 0;
    lzma_stream s = LZMA_STREAM_INIT;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        for (u32 i = 0; i < a.table.size(); ++i) {
            a.DecodeBlock(s, i, buffer.data(), a.blockSize);
            benchmark::DoNotOptimize(buffer.data());
        }
        auto t1 = std::chrono::steady_clock::now();
        directBytes += static_cast<double>(a.table.size()) * a.blockSize;
        for (const std::string& name : a.names) {
            SmartPtr<File> file(Vfs::Open(("pak/" + name).c_str()));
            s32 got;
            while ((got = file->Read(buffer.data(), READ_SIZE)) > 0)
                pakBytes += got;
            benchmark::DoNotOptimize(buffer.data());
        }
        auto t2 = std::chrono::steady_clock::now();
        directSeconds += Seconds(t1 - t0);
        pakSeconds += Seconds(t2 - t1);
    }
    lzma_end(&s);
    Report(state, pakBytes, pakSeconds, directBytes, directSeconds);
}

void Random(benchmark::State& state)
{
    Archive& a = GetArchive();
    std::vector<SmartPtr<File>> files;
    for (const std::string& name : a.names)
        files.push_back(Vfs::Open(("pak/" + name).c_str()));
    std::mt19937 rng(11);
    struct Probe {
        u32 file, offset;
    };
    std::vector<Probe> probes;
    for (int i = 0; i < RANDOM_READS; ++i) {
        u32 f = rng() % a.names.size();
        probes.push_back({f, static_cast<u32>(rng() % (a.sizes[f] - RANDOM_READ))});
    }
    std::vector<u8> buffer(a.blockSize), out(RANDOM_READ);
    double pakBytes = 0, pakSeconds = 0, directBytes = 0, directSeconds = 0;
    lzma_stream s = LZMA_STREAM_INIT;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        for (const Probe& p : probes) {
            // Decode each block the read touches from its start up to the last wanted byte.
            u32 begin = a.offsets[p.file] + p.offset, end = begin + static_cast<u32>(RANDOM_READ);
            for (u32 at = begin; at < end;) {
                u32 block = at / a.blockSize, within = at % a.blockSize;
                u32 take = std::min(end - at, a.blockSize - within);
                a.DecodeBlock(s, block, buffer.data(), within + take);
                std::memcpy(out.data() + (at - begin), buffer.data() + within, take);
                at += take;
            }
            benchmark::DoNotOptimize(out.data());
        }
        auto t1 = std::chrono::steady_clock::now();
        for (const Probe& p : probes) {
            files[p.file]->Seek(static_cast<int>(p.offset), SeekableStream::FROM_START);
            files[p.file]->Read(out.data(), RANDOM_READ);
            benchmark::DoNotOptimize(out.data());
        }
        auto t2 = std::chrono::steady_clock::now();
        directSeconds += Seconds(t1 - t0);
        pakSeconds += Seconds(t2 - t1);
        directBytes += static_cast<double>(probes.size()) * RANDOM_READ;
        pakBytes += static_cast<double>(probes.size()) * RANDOM_READ;
    }
    lzma_end(&s);
    Report(state, pakBytes, pakSeconds, directBytes, directSeconds);
}

// Side by side with another build's archives.

const int GAME_WIDTH = 480;
const u32 PICTURE_PIECE = 8192;
const int ROUNDS = 9;
const double ROUND_SECONDS = 0.2;

SmartPtr<PakMount> MountAt(const std::string& path)
{
    return SmartPtr<PakMount>(new PakMount(path.c_str(), "", 0, PakMount::NATIVE_PATH));
}

void ReadWhole(PakMount& pak, const char* name, std::vector<u8>& buffer)
{
    SmartPtr<File> file(pak.Open(name));
    if (!file)
        return;
    buffer.resize(file->GetSize());
    file->Read(buffer.data(), static_cast<u32>(buffer.size()));
}

// As the picture decoder reads a PNG: a probe of its first bytes, the signature, then chunk by chunk.
void ReadPicture(PakMount& pak, const std::string& name, std::vector<u8>& buffer)
{
    SmartPtr<File> file(pak.Open(name.c_str()));
    u8 head[8];
    if (!file || file->Read(head, 4) != 4 || !file->Seek(0, SeekableStream::FROM_START) ||
        file->Read(head, 8) != 8)
        return;
    buffer.resize(PICTURE_PIECE);
    bool end = false;
    while (!end && file->Read(head, 8) == 8) {
        end = std::memcmp(head + 4, "IEND", 4) == 0;
        u32 left = static_cast<u32>(head[0]) << 24 | head[1] << 16 | head[2] << 8 | head[3];
        while (left > 0) {
            const u32 piece = std::min(left, PICTURE_PIECE);
            if (file->Read(buffer.data(), piece) != static_cast<s32>(piece))
                return;
            left -= piece;
        }
        if (file->Read(head, 4) != 4)
            return;
    }
}

enum GamePart { GAME_DESCRIPTIONS, GAME_PICTURES, GAME_ALL, GAME_PARTS };

double GamePass(const std::string& archive, std::vector<double>& parts)
{
    using SideBySide::ThreadSeconds;
    const double start = ThreadSeconds();
    SmartPtr<PakMount> pak(MountAt(archive));
    std::vector<u8> buffer;
    for (const char* atlas : Game::AtlasFiles(GAME_WIDTH)) {
        const double t0 = ThreadSeconds();
        ReadPicture(*pak, std::string(atlas, std::strlen(atlas) - 3) + "png", buffer);
        const double t1 = ThreadSeconds();
        ReadWhole(*pak, atlas, buffer);
        parts[GAME_PICTURES] += t1 - t0;
        parts[GAME_DESCRIPTIONS] += ThreadSeconds() - t1;
    }
    for (u32 i = 0; i < pak->GetEntryCount(); ++i) {
        const std::string name = pak->GetName(*pak->GetEntry(i));
        if (name.compare(0, 6, "fonts/") != 0 || name.compare(name.size() - 4, 4, ".xml") != 0)
            continue;
        const double t0 = ThreadSeconds();
        ReadWhole(*pak, name.c_str(), buffer);
        parts[GAME_DESCRIPTIONS] += ThreadSeconds() - t0;
    }
    parts[GAME_ALL] += ThreadSeconds() - start;
    return 1;
}

double SequentialPass(const std::string& archive, std::vector<double>& parts)
{
    const double start = SideBySide::ThreadSeconds();
    SmartPtr<PakMount> pak(MountAt(archive));
    std::vector<u8> buffer(READ_SIZE);
    for (u32 i = 0; i < pak->GetEntryCount(); ++i) {
        SmartPtr<File> file(pak->Open(pak->GetName(*pak->GetEntry(i))));
        while (file && file->Read(buffer.data(), READ_SIZE) > 0)
            benchmark::DoNotOptimize(buffer.data());
    }
    parts[0] += SideBySide::ThreadSeconds() - start;
    return 1;
}

// The ratio of rates (passes per second) of this build's archives to the baseline's, as times.
void PrintTimes(const std::string& what, const SideBySide::Ratio& r, const char* goal)
{
    std::printf("  %-36s %.2f (rounds %.2f to %.2f; %.3f ms against %.3f ms a pass; %s)\n",
                what.c_str(), 1 / r.median, 1 / r.high, 1 / r.low, 1e3 / r.rateA, 1e3 / r.rateB, goal);
}

bool Mounts(const std::string& path)
{
    if (MountAt(path)->IsValid())
        return true;
    std::fprintf(stderr, "bench_pak_read: %s: not an archive that mounts\n", path.c_str());
    return false;
}

int CompareWithBaseline(const std::string& archives, const std::string& baseline)
{
    const std::string device = "/data_" + std::to_string(GAME_WIDTH) + ".pak";
    const char* const all[] = {"data_240.pak", "data_320.pak", "data_480.pak", "data_600.pak",
                               "data_common.pak"};
    for (const char* name : all)
        if (!Mounts(archives + "/" + name) || !Mounts(baseline + "/" + name))
            return 1;
    // Both sets go through this build's reader: what differs is how the archives are laid out.
    std::printf("\nThis build's archives (%s) against the baseline's (%s), both read by this build's "
                "reader: the ratios compare the archives' layouts, not the readers (time this / "
                "baseline):\n",
                archives.c_str(), baseline.c_str());
    const std::vector<SideBySide::Ratio> game = SideBySide::CompareParts(
        [&](std::vector<double>& p) { return GamePass(archives + device, p); },
        [&](std::vector<double>& p) { return GamePass(baseline + device, p); }, GAME_PARTS, ROUNDS,
        ROUND_SECONDS);
    PrintTimes("game's reads, descriptions", game[GAME_DESCRIPTIONS], "goal <= 1.1");
    PrintTimes("game's reads, pictures", game[GAME_PICTURES], "goal <= 1.05");
    PrintTimes("game's reads, all with the mount", game[GAME_ALL], "goal <= 1.05");
    for (const char* name : all) {
        const SideBySide::Ratio r = SideBySide::CompareParts(
            [&](std::vector<double>& p) { return SequentialPass(archives + "/" + name, p); },
            [&](std::vector<double>& p) { return SequentialPass(baseline + "/" + name, p); }, 1,
            ROUNDS, ROUND_SECONDS)[0];
        PrintTimes(std::string("sequential, ") + name, r, "goal <= 1.05");
    }
    return 0;
}

} // namespace

BENCHMARK(Sequential)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Random)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv)
{
    std::string archives = VORN_GAME_DATA, baseline;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--baseline=", 11) == 0)
            baseline = argv[i] + 11;
        else if (std::strncmp(argv[i], "--archives=", 11) == 0)
            archives = argv[i] + 11;
        else
            rest.push_back(argv[i]);
    }
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (baseline.empty()) {
        std::printf("\nGive --baseline=DIR (another build's data folder) to compare the layout of its "
                    "archives with this build's, both read by this build's reader.\n");
        return 0;
    }
    return CompareWithBaseline(archives, baseline);
}
