#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "system/Unicode.h"

using namespace Vorn;

namespace {

std::vector<u32> Decode(const std::string& bytes, u32 capacity = 64)
{
    std::vector<u32> out(capacity + 1, 0xDEADBEEF);
    u32 n = Unicode::Utf8ToWide(out.data(), reinterpret_cast<const u8*>(bytes.c_str()), capacity);
    // Nothing beyond the reported count is written.
    EXPECT_EQ(0xDEADBEEFu, out[n]);
    out.resize(n);
    return out;
}

const u32 R = Unicode::REPLACEMENT_CHARACTER;

struct DecodeCase {
    const char* what;
    std::string bytes;
    std::vector<u32> expected;
};

} // namespace

TEST(Utf8ToWide, ValidAndMalformedSequences)
{
    const DecodeCase cases[] = {
        {"ascii", "Az", {'A', 'z'}},
        {"two bytes", "\xC3\xA9", {0xE9}},
        {"three bytes", "\xE2\x82\xAC", {0x20AC}},
        {"four bytes", "\xF0\x9F\x98\x80", {0x1F600}},
        {"highest code point", "\xF4\x8F\xBF\xBF", {0x10FFFF}},
        {"noncharacter FFFE decodes", "\xEF\xBF\xBE", {0xFFFE}},
        {"overlong slash", "\xC0\xAF", {R, R}},
        {"overlong NUL does not end the text", "\xC0\x80x", {R, R, 'x'}},
        {"overlong three-byte", "\xE0\x80\xAF", {R, R, R}},
        {"overlong four-byte", "\xF0\x8F\xBF\xBF", {R, R, R, R}},
        {"surrogate", "\xED\xA0\x80", {R, R, R}},
        {"above 10FFFF", "\xF4\x90\x80\x80", {R, R, R, R}},
        {"five-byte form", "\xF8\x88\x80\x80\x80", {R, R, R, R, R}},
        {"FF byte", "\xFF" "a", {R, 'a'}},
        {"stray continuation", "a\x80" "b", {'a', R, 'b'}},
        {"lead byte before ascii keeps the ascii", "\xC3" "ab", {R, 'a', 'b'}},
        {"truncated three-byte before ascii", "\xE2\x82" "x", {R, 'x'}},
        {"truncated four-byte at the end", "ok\xF0\x9F\x98", {'o', 'k', R}},
        {"lead byte at the end", "\xE2", {R}},
    };
    for (const DecodeCase& c : cases)
        EXPECT_EQ(c.expected, Decode(c.bytes)) << c.what;
}

TEST(Utf8ToWide, StopsAtNulAndAtTheCount)
{
    EXPECT_EQ(std::vector<u32>({'a'}), Decode(std::string("a\0b", 3)));
    EXPECT_EQ(std::vector<u32>({'a', 'b'}), Decode("abcdef", 2));
    EXPECT_TRUE(Decode("abc", 0).empty());
}

TEST(Utf8ToWide, NeverReadsPastTheTerminator)
{
    // The lead byte sits right before the NUL at the very end of an exactly sized heap block;
    // AddressSanitizer reports any read beyond it.
    const char bytes[] = {'\xF0', '\x9F', 0};
    std::vector<u8> exact(bytes, bytes + sizeof(bytes));
    u32 out[4];
    EXPECT_EQ(1u, Unicode::Utf8ToWide(out, exact.data(), 4));
    EXPECT_EQ(R, out[0]);
}

TEST(WideToUtf8, EncodesAndRejects)
{
    u8 out[64];
    const u32 euro[] = {0x20AC};
    ASSERT_EQ(3, Unicode::WideToUtf8(out, euro, 1));
    EXPECT_EQ(std::string("\xE2\x82\xAC"), std::string(reinterpret_cast<char*>(out), 3));

    const u32 smile[] = {0x1F600};
    ASSERT_EQ(4, Unicode::WideToUtf8(out, smile, 1));
    EXPECT_EQ(std::string("\xF0\x9F\x98\x80"), std::string(reinterpret_cast<char*>(out), 4));

    const u32 rejected[] = {0xD800, 0xDFFF, 0xFFFE, 0xFFFF, 0x110000, 0x7FFFFFFF, 0x80000000};
    for (u32 code : rejected) {
        const u32 text[] = {'a', code, 'b'};
        EXPECT_EQ(-1, Unicode::WideToUtf8(out, text, 3)) << std::hex << code;
        EXPECT_EQ('a', out[0]);
    }
}

TEST(WideToUtf8, NulEndsAndZeroCountWritesNothing)
{
    u8 out[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    const u32 text[] = {'a', 0, 'b'};
    EXPECT_EQ(0, Unicode::WideToUtf8(out, text, 0));
    EXPECT_EQ(9, out[0]);
    EXPECT_EQ(1, Unicode::WideToUtf8(out, text, 3));
    EXPECT_EQ('a', out[0]);
    EXPECT_EQ(0, out[1]);
    EXPECT_EQ(9, out[2]);
}

TEST(WideToUtf8, EveryScalarValueRoundTrips)
{
    std::vector<u32> all;
    for (u32 c = 1; c <= 0x10FFFF; ++c) {
        if ((c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF)
            continue;
        all.push_back(c);
    }
    std::vector<u8> bytes(all.size() * Unicode::MAX_UTF8_BYTES + 1);
    s32 n = Unicode::WideToUtf8(bytes.data(), all.data(), static_cast<u32>(all.size()));
    ASSERT_GT(n, 0);
    bytes[n] = 0;
    std::vector<u32> back(all.size());
    ASSERT_EQ(all.size(), Unicode::Utf8ToWide(back.data(), bytes.data(), static_cast<u32>(back.size())));
    EXPECT_TRUE(all == back);
}
