// The engine's narrow string: a standard string whose bytes are UTF-8 by convention.
#pragma once

#include <string>

#include "system/Types.h"

namespace Vorn {

class WideString;

class NarrowString : public std::string {
public:
    NarrowString() {}
    // A null pointer gives an empty string.
    NarrowString(const char* text) : std::string(text ? text : "") {}
    NarrowString(const char* text, size_t length) : std::string(text ? text : "", text ? length : 0) {}
    NarrowString(size_t count, char c) : std::string(count, c) {}
    NarrowString(const std::string& text) : std::string(text) {}
    NarrowString(std::string&& text) : std::string(std::move(text)) {}
    // UTF-8 encoding of the code points; empty when one of them cannot be encoded (a surrogate,
    // 0xFFFE, 0xFFFF or a value above 0x10FFFF).
    explicit NarrowString(const WideString& text);

    NarrowString& operator=(const char* text)
    {
        assign(text ? text : "");
        return *this;
    }

    // Number formatting is locale-independent ("%i", "%u" and "%f" as in the C locale).
    NarrowString& AppendInt(s32 value);
    NarrowString& AppendUInt(u32 value);
    NarrowString& AppendFloat(float value); // six decimals
    NarrowString& AppendChar(char c);
};

} // namespace Vorn
