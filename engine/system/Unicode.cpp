#include "system/Unicode.h"

namespace Vorn {
namespace Unicode {

namespace {

bool IsContinuation(u8 byte) { return (byte & 0xC0) == 0x80; }

// Length of the sequence a lead byte starts and the payload bits it carries; 0 for bytes that can
// never start a sequence (continuation bytes, 0xC0/0xC1 which only start overlong forms, and 0xF5
// and above which only start values beyond U+10FFFF).
u32 SequenceLength(u8 lead, u32& bits)
{
    if (lead >= 0xC2 && lead <= 0xDF) {
        bits = lead & 0x1F;
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        bits = lead & 0x0F;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        bits = lead & 0x07;
        return 4;
    }
    return 0;
}

// The range the second byte must lie in, which rules out overlong forms, surrogates and values
// above U+10FFFF as early as the second byte (so a bad sequence swallows only its lead byte).
void SecondByteRange(u8 lead, u8& low, u8& high)
{
    low = 0x80;
    high = 0xBF;
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;
}

} // namespace

u32 Utf8ToWide(u32* out, const u8* in, u32 count)
{
    u32 written = 0;
    while (written < count) {
        u8 lead = *in;
        if (lead == 0)
            break;
        if (lead < 0x80) {
            out[written++] = lead;
            ++in;
            continue;
        }
        u32 code;
        u32 length = SequenceLength(lead, code);
        ++in;
        if (length == 0) {
            out[written++] = REPLACEMENT_CHARACTER;
            continue;
        }
        u8 low, high;
        SecondByteRange(lead, low, high);
        u32 taken = 1;
        // The terminating NUL is not a continuation byte, so this never reads past it.
        while (taken < length) {
            u8 byte = *in;
            bool valid = taken == 1 ? (byte >= low && byte <= high) : IsContinuation(byte);
            if (!valid)
                break;
            code = (code << 6) | (byte & 0x3F);
            ++in;
            ++taken;
        }
        out[written++] = taken == length ? code : REPLACEMENT_CHARACTER;
    }
    return written;
}

s32 WideToUtf8(u8* out, const u32* in, u32 count)
{
    s32 written = 0;
    for (u32 i = 0; i < count; ++i) {
        u32 code = in[i];
        if (code == 0) {
            out[written] = 0;
            return written;
        }
        if (code < 0x80) {
            out[written++] = static_cast<u8>(code);
        } else if (code < 0x800) {
            out[written++] = static_cast<u8>(0xC0 | (code >> 6));
            out[written++] = static_cast<u8>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            if ((code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF)
                return -1;
            out[written++] = static_cast<u8>(0xE0 | (code >> 12));
            out[written++] = static_cast<u8>(0x80 | ((code >> 6) & 0x3F));
            out[written++] = static_cast<u8>(0x80 | (code & 0x3F));
        } else if (code <= 0x10FFFF) {
            out[written++] = static_cast<u8>(0xF0 | (code >> 18));
            out[written++] = static_cast<u8>(0x80 | ((code >> 12) & 0x3F));
            out[written++] = static_cast<u8>(0x80 | ((code >> 6) & 0x3F));
            out[written++] = static_cast<u8>(0x80 | (code & 0x3F));
        } else {
            return -1;
        }
    }
    return written;
}

} // namespace Unicode
} // namespace Vorn
