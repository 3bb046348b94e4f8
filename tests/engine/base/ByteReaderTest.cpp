#include "base/ByteReader.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Vorn;

// Over blocks of every length up to 12 bytes, each field either fits whole and reads the
// little-endian value, or reads 0 and marks the reader failed; nothing past the end is touched
// (each block is its own allocation, so a sanitizer build sees any over-read).
TEST(ByteReader, FieldsReadWholeOrNotAtAll)
{
    const u8 all[12] = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x1b};
    for (size_t size = 0; size <= 12; ++size) {
        SCOPED_TRACE(size);
        const std::vector<u8> bytes(all, all + size);
        for (size_t at = 0; at <= 13; ++at) {
            ByteReader fixed(bytes.data(), size);
            const bool fits = at + 4 <= size;
            EXPECT_EQ(fixed.U32At(at), fits ? LoadLE32(bytes.data() + at) : 0u) << at;
            EXPECT_EQ(fixed.U16At(at), at + 2 <= size ? LoadLE16(bytes.data() + at) : 0u) << at;
            EXPECT_EQ(fixed.Ok(), at + 2 <= size && fits) << at;
            EXPECT_EQ(fixed.IdAt(at, "\x10\x11\x12\x13"), at == 0 && fits);
        }
        ByteReader in(bytes.data(), size);
        const u8 first = in.U8();
        const u16 second = in.U16();
        const u32 third = in.U32();
        EXPECT_EQ(first, size >= 1 ? 0x10 : 0);
        EXPECT_EQ(second, size >= 3 ? 0x1211 : 0);
        EXPECT_EQ(third, size >= 7 ? 0x16151413u : 0u);
        EXPECT_EQ(in.Ok(), size >= 7);
        EXPECT_EQ(in.Position() + in.Remaining(), size);
    }
}
