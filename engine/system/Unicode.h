// UTF-8 <-> UTF-32 conversion.
#pragma once

#include "system/Types.h"

namespace Vorn {
namespace Unicode {

// Bytes one code point takes in UTF-8 at most: the encoder writes nothing above U+10FFFF.
const u32 MAX_UTF8_BYTES = 4;

// Decodes the NUL-terminated UTF-8 text `in` into at most `count` code points and returns how many
// were written; a NUL byte ends the text. A malformed sequence (a stray continuation byte, a lead
// byte without its continuation bytes, an overlong form, a surrogate, a value above U+10FFFF) gives
// one U+FFFD and decoding goes on at the first byte that does not belong to it, so nothing past the
// terminating NUL is ever read and no valid character is swallowed.
u32 Utf8ToWide(u32* out, const u8* in, u32 count);

// Encodes `count` code points into `out`, which must hold MAX_UTF8_BYTES bytes per code point.
// Returns the number of bytes written, or -1 at the first value that cannot be encoded (negative,
// a surrogate, 0xFFFE, 0xFFFF, above U+10FFFF); bytes written before it stay in the buffer. A code
// point 0 is written as a NUL byte and ends the conversion (not counted).
s32 WideToUtf8(u8* out, const u32* in, u32 count);

const u32 REPLACEMENT_CHARACTER = 0xFFFD;

} // namespace Unicode
} // namespace Vorn
