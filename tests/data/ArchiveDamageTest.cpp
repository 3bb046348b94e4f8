// One-bit flips in the archives the build produced, a few drawn in each region: each is caught at
// the start, or said when its member is loaded, or changes nothing the game shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ByteReader.h"
#include "base/SmartPtr.h"
#include "support/FlipProbe.h"
#include "support/Sandbox.h"
#include "vfs/CompressedFile.h"
#include "vfs/PakMount.h"

using namespace VornTest;

// The format has no checksum: only a coded block is checked, by its decoder. Every byte without a
// check of its own (the block table, the directory, every member but the pictures and sounds,
// which carry PNG and Ogg CRCs) lies in coded blocks.
TEST(ArchiveDamage, EveryByteWithoutACheckOfItsOwnIsInACodedBlock)
{
    for (const char* name : {"data_240.pak", "data_320.pak", "data_480.pak", "data_600.pak", "data_common.pak"}) {
        SCOPED_TRACE(name);
        const std::string path = std::string(VORN_BINARY_DIR) + "/data/" + name;
        if (!Exists(path))
            GTEST_SKIP() << "no " << path << " (data build switched off)";
        const std::vector<uint8_t> bytes = ReadBytes(path);
        ASSERT_GE(bytes.size(), 12u);
        EXPECT_GT(static_cast<Vorn::s32>(Vorn::LoadLE32(bytes.data() + 8)), 0) << "a coded block table";
        Vorn::CompressedFile container;
        ASSERT_TRUE(container.OpenNative(path.c_str()));
        auto coded = [&](Vorn::u64 contentOffset) {
            Vorn::u64 fileOffset = 0;
            Vorn::u32 stored = 0;
            bool isCoded = false;
            return container.GetBlockStorage(static_cast<Vorn::u32>(contentOffset / container.GetBlockSize()),
                                             fileOffset, stored, isCoded) && isCoded;
        };
        Vorn::SmartPtr<Vorn::PakMount> pak(new Vorn::PakMount(path.c_str(), "", 0, Vorn::PakMount::NATIVE_PATH));
        ASSERT_TRUE(pak->IsValid());
        Vorn::u64 directoryEnd = 8;
        for (Vorn::u32 i = 0; i < pak->GetEntryCount(); ++i)
            directoryEnd += 12 + std::string(pak->GetName(*pak->GetEntry(i))).size() + 1;
        for (Vorn::u64 at = 0; at < directoryEnd; at += container.GetBlockSize())
            EXPECT_TRUE(coded(at)) << "the directory at " << at;
        for (Vorn::u32 i = 0; i < pak->GetEntryCount(); ++i) {
            const Vorn::PakMount::Entry& entry = *pak->GetEntry(i);
            const std::string member = pak->GetName(entry);
            const std::string ending = member.substr(member.size() >= 4 ? member.size() - 4 : 0);
            if (ending == ".png" || ending == ".ogg")
                continue;
            for (Vorn::u64 at = entry.dataOffset; at < entry.dataOffset + Vorn::u64(entry.size); at += container.GetBlockSize())
                EXPECT_TRUE(coded(at)) << member;
            EXPECT_TRUE(entry.size == 0 || coded(entry.dataOffset + entry.size - 1)) << member;
        }
    }
}

TEST(ArchiveDamage, FlipsInTheBuiltArchivesAreSaidOrChangeNothing)
{
    for (const char* name : {"data_240.pak", "data_common.pak"}) {
        SCOPED_TRACE(name);
        const std::string path = std::string(VORN_BINARY_DIR) + "/data/" + name;
        if (!Exists(path))
            GTEST_SKIP() << "no " << path << " (data build switched off)";
        TempDir scratch;
        FlipCounts counts[REGION_COUNT];
        std::string error;
        ASSERT_TRUE(ProbeArchive(path, scratch.Path(), 6, 28, counts, error)) << error;
        for (int region = 0; region < REGION_COUNT; ++region) {
            const FlipCounts& c = counts[region];
            SCOPED_TRACE(RegionName(region));
            EXPECT_EQ(c.tries, c.bytes > 0 ? 6 : 0);
            // A flip LZMA's decoder lets through, or one that loses a sound's first audio page,
            // which the Vorbis decoder does not notice, can be drawn; more than one in six cannot
            // be chance.
            EXPECT_LE(c.silent, 1);
            // Nothing the game reads lies in raw blocks but what checks itself.
            if (region == REGION_RAW_OTHER) {
                EXPECT_EQ(c.harmless, c.tries);
            }
        }
        // The container and the directory are read at the start, or the flip lands where no
        // reader looks.
        for (int region : {REGION_HEADER, REGION_DIRECTORY})
            EXPECT_EQ(counts[region].start + counts[region].harmless, counts[region].tries) << RegionName(region);
    }
}
