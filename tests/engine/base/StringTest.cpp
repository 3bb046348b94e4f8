#include <cfloat>
#include <climits>
#include <clocale>

#include <gtest/gtest.h>

#include "base/NarrowString.h"
#include "base/WideString.h"

using namespace Vorn;

TEST(NarrowString, NullPointerGivesEmptyString)
{
    NarrowString s(static_cast<const char*>(nullptr));
    EXPECT_TRUE(s.empty());
    NarrowString t("x");
    t = static_cast<const char*>(nullptr);
    EXPECT_TRUE(t.empty());
}

TEST(NarrowString, AppendsNumbers)
{
    NarrowString s("n=");
    s.AppendInt(-42).AppendChar(',').AppendUInt(4294967295u).AppendChar(',').AppendInt(INT_MIN);
    EXPECT_EQ("n=-42,4294967295,-2147483648", s);

    NarrowString f;
    f.AppendFloat(1.5f);
    EXPECT_EQ("1.500000", f);
    NarrowString g;
    g.AppendFloat(-0.25f);
    EXPECT_EQ("-0.250000", g);
}

TEST(NarrowString, AppendFloatOfTheLargestFloatKeepsEveryDigit)
{
    // 39 integer digits: more than a 32-byte buffer holds.
    NarrowString s("v");
    s.AppendFloat(FLT_MAX);
    EXPECT_EQ("v340282346638528859811704183484516925440.000000", s);
    NarrowString t;
    t.AppendFloat(-FLT_MAX);
    EXPECT_EQ(47u, t.size());
}

TEST(NarrowString, AppendFloatIgnoresTheProcessLocale)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    // A locale with a decimal comma, when the machine has one; the result must not change.
    bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    NarrowString s;
    s.AppendFloat(2.5f);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ("2.500000", s);
    if (!switched)
        GTEST_LOG_(INFO) << "no decimal-comma locale installed; checked in the C locale only";
}

TEST(StringConversion, EncodesToUtf8)
{
    EXPECT_EQ("\xE2\x82\xAC", NarrowString(WideString(L"\x20AC")));
    EXPECT_EQ("\xF0\x9F\x98\x80", NarrowString(WideString(L"\x1F600")));
    EXPECT_EQ("a\xC3\xA9z", NarrowString(WideString(L"a\xE9z")));
    EXPECT_EQ("", NarrowString(WideString()));
}

TEST(StringConversion, UnencodableCodePointGivesEmptyString)
{
    EXPECT_EQ("", NarrowString(WideString(L"ab\xD800")));
    EXPECT_EQ("", NarrowString(WideString(L"\xFFFE")));
    EXPECT_EQ("", NarrowString(WideString(1, static_cast<wchar_t>(0x110000))));
    EXPECT_EQ("", NarrowString(WideString(1, static_cast<wchar_t>(-1))));
}

TEST(StringConversion, LongestSequencesFitTheBuffer)
{
    // Every character at the widest encoding: the buffer is sized for the worst case.
    WideString wide(1000, static_cast<wchar_t>(0x10FFFF));
    NarrowString narrow(wide);
    ASSERT_EQ(4000u, narrow.size());
    EXPECT_EQ(wide, WideString(narrow));
}

TEST(StringConversion, DecodesUtf8AndStopsAtNul)
{
    EXPECT_EQ(WideString(L"\x20AC"), WideString(NarrowString("\xE2\x82\xAC")));
    EXPECT_EQ(WideString(L"a"), WideString(NarrowString(std::string("a\0b", 3))));
    EXPECT_TRUE(WideString(NarrowString("")).empty());
}

TEST(StringConversion, RoundTripsEveryPlaneSample)
{
    const wchar_t samples[] = {0x1, 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xE000, 0xFFFD,
                               0x10000, 0x1F600, 0x10FFFF};
    WideString all;
    for (wchar_t c : samples)
        all.push_back(c);
    EXPECT_EQ(all, WideString(NarrowString(all)));
}

TEST(WideString, EqualityComparesLengthAndCodePoints)
{
    EXPECT_TRUE(WideString(L"abc") == WideString(L"abc"));
    EXPECT_FALSE(WideString(L"abc") == WideString(L"abd"));
    EXPECT_FALSE(WideString(L"abc") == WideString(L"ab"));
    EXPECT_TRUE(WideString(L"abc") != WideString(L"abcd"));
}
