#include "base/NarrowString.h"

#include <charconv>
#include <vector>

#include "base/WideString.h"
#include "system/Unicode.h"

namespace Vorn {

NarrowString::NarrowString(const WideString& text)
{
    if (text.empty())
        return;
    std::vector<u8> buffer(text.size() * Unicode::MAX_UTF8_BYTES + 1);
    s32 written = Unicode::WideToUtf8(buffer.data(), reinterpret_cast<const u32*>(text.data()),
                                      static_cast<u32>(text.size()));
    if (written > 0)
        assign(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(written));
}

namespace {

// Large enough for any value of the three formats: a float printed with "%f" has at most 39 integer
// digits, a sign, the point and six decimals.
const size_t NUMBER_BUFFER = 64;

template <class V>
void AppendFormatted(std::string& text, V value)
{
    char buffer[NUMBER_BUFFER];
    std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    text.append(buffer, result.ptr);
}

} // namespace

NarrowString& NarrowString::AppendInt(s32 value)
{
    AppendFormatted(*this, value);
    return *this;
}

NarrowString& NarrowString::AppendUInt(u32 value)
{
    AppendFormatted(*this, value);
    return *this;
}

NarrowString& NarrowString::AppendFloat(float value)
{
    // to_chars instead of "%f": the same digits, whatever locale the process has set.
    char buffer[NUMBER_BUFFER];
    std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer),
                                                static_cast<double>(value),
                                                std::chars_format::fixed, 6);
    if (result.ec == std::errc())
        append(buffer, result.ptr);
    return *this;
}

NarrowString& NarrowString::AppendChar(char c)
{
    push_back(c);
    return *this;
}

} // namespace Vorn
