#include <cmath>
#include <clocale>
#include <string>

#include <gtest/gtest.h>

#include "system/NumberParse.h"

using namespace Vorn;

namespace {

struct ParseCase {
    const char* text;
    double value;
    int consumed; // characters up to the end position
};

} // namespace

TEST(StrToDouble, ValuesAndEndPositions)
{
    const double tenth = 0.10000000149011612;
    const ParseCase cases[] = {
        {"  -12.5xyz", -(12 + 5 * tenth), 7},
        {"3.14159", 3.0 + 14159 * (tenth * tenth * tenth * tenth * tenth), 7},
        {"42", 42.0, 2},
        {"+7", 7.0, 2},
        {".", 0.0, 1},
        {".5", 5 * tenth, 2},
        {"5.", 5.0, 2},
        {"abc", 0.0, 0},
        {"-", -0.0, 1},
        {" \t\n+x", 0.0, 4},
        {"1e5", 1.0, 1},
        {"0x10", 0.0, 1},
        {"inf", 0.0, 0},
        {"4294967296", 4294967296.0, 10},
        {"12345678901234", 12345678901234.0, 14},
    };
    for (const ParseCase& c : cases) {
        const char* end = nullptr;
        double value = StrToDouble(c.text, &end);
        EXPECT_EQ(c.value, value) << c.text;
        EXPECT_EQ(c.consumed, end - c.text) << c.text;
    }
}

TEST(StrToDouble, FractionsNarrowToTheExpectedFloats)
{
    // The fraction is scaled by the single-precision tenth, so halves are not exact in double,
    // but every value narrows to the float the text names.
    EXPECT_EQ(-12.5f, static_cast<float>(StrToDouble("-12.5", nullptr)));
    EXPECT_EQ(0.1f, static_cast<float>(StrToDouble("0.1", nullptr)));
    EXPECT_EQ(123.456f, static_cast<float>(StrToDouble("123.456", nullptr)));
}

TEST(StrToDouble, LoneMinusIsNegativeZero)
{
    EXPECT_TRUE(std::signbit(StrToDouble("-", nullptr)));
}

TEST(StrToDouble, LongFractionsStayClose)
{
    // Digits far beyond double precision must neither wrap nor overflow the fraction.
    const char* text = "0.333333333333333333333333333333";
    const char* end = nullptr;
    double value = StrToDouble(text, &end);
    EXPECT_NEAR(1.0 / 3.0, value, 1e-7);
    EXPECT_EQ(static_cast<long>(std::string(text).size()), end - text);
}

TEST(StrToDouble, IgnoresTheProcessLocale)
{
    const char* previous = std::setlocale(LC_ALL, nullptr);
    std::string saved = previous ? previous : "C";
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    double value = StrToDouble("1.5", nullptr);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(1.5f, static_cast<float>(value));
}

TEST(HexParseByte, UpperCaseDigitsOnly)
{
    EXPECT_EQ(255, Hex::ParseByte("FF"));
    EXPECT_EQ(0, Hex::ParseByte("ff"));
    EXPECT_EQ(16, Hex::ParseByte("1G"));
    EXPECT_EQ(0xA5, Hex::ParseByte("A5"));
    EXPECT_EQ(0x09, Hex::ParseByte("09"));
}
