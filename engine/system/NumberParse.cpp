#include "system/NumberParse.h"

namespace Vorn {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Only the C locale's white space, whatever locale the process has set.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Exactly representable integers only: beyond this the fraction digits no longer change the value.
const u64 FRACTION_LIMIT = 100000000000000000ull;

const double SINGLE_PRECISION_TENTH = 0.10000000149011612;

} // namespace

double StrToDouble(const char* text, const char** end)
{
    const char* p = text;
    while (IsSpace(*p))
        ++p;
    char sign = *p;
    if (sign == '+' || sign == '-')
        ++p;

    // Accumulated in double rather than a 32-bit integer, so large integers keep their value
    // instead of wrapping.
    double value = 0.0;
    while (IsDigit(*p))
        value = value * 10.0 + (*p++ - '0');

    if (*p == '.') {
        ++p;
        u64 fraction = 0;
        double scale = 1.0;
        while (IsDigit(*p)) {
            if (fraction < FRACTION_LIMIT) {
                fraction = fraction * 10 + static_cast<u64>(*p - '0');
                scale *= SINGLE_PRECISION_TENTH;
            }
            ++p;
        }
        value += static_cast<double>(fraction) * scale;
    }

    if (end)
        *end = p;
    return sign == '-' ? -value : value;
}

namespace Hex {

namespace {
u8 Nibble(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<u8>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<u8>(c - 'A' + 10);
    return 0;
}
} // namespace

u8 ParseByte(const char* two) { return static_cast<u8>((Nibble(two[0]) << 4) | Nibble(two[1])); }

} // namespace Hex

} // namespace Vorn
