// Locale-free number parsing.
#pragma once

#include "system/Types.h"

namespace Vorn {

// Parses an optionally signed decimal number with an optional fraction after '.' (no exponent, no
// hexadecimal, no infinity or NaN), after leading white space; "1e5" reads as 1 and ends at the 'e'.
// Never fails: without digits the result is 0. When end is not null it receives the position after
// the last character consumed (past the white space and the sign even when no digit followed).
// Each fraction digit scales by the single-precision value of 0.1, so results match the engine's
// stored data; digits beyond double precision are consumed and ignored.
double StrToDouble(const char* text, const char** end);

namespace Hex {
// Value of two upper-case hexadecimal digits; any other character counts as 0.
u8 ParseByte(const char* two);
} // namespace Hex

} // namespace Vorn
