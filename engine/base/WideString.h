// The engine's wide string: one 32-bit Unicode code point per character (UTF-32). Every text shown
// to the player is wide.
#pragma once

#include <string>

#include "base/NarrowString.h"

namespace Vorn {

static_assert(sizeof(wchar_t) == 4, "wide characters must hold a whole code point");

class WideString : public std::wstring {
public:
    WideString() {}
    WideString(const wchar_t* text) : std::wstring(text ? text : L"") {}
    WideString(const wchar_t* text, size_t length) : std::wstring(text, length) {}
    WideString(size_t count, wchar_t c) : std::wstring(count, c) {}
    WideString(const std::wstring& text) : std::wstring(text) {}
    WideString(std::wstring&& text) : std::wstring(std::move(text)) {}
    // UTF-8 decoding up to the first NUL; malformed sequences become U+FFFD.
    explicit WideString(const NarrowString& text);

    WideString& operator=(const wchar_t* text)
    {
        assign(text ? text : L"");
        return *this;
    }

    bool operator==(const WideString& other) const
    {
        return size() == other.size() && compare(other) == 0;
    }
    bool operator!=(const WideString& other) const { return !(*this == other); }
};

} // namespace Vorn
