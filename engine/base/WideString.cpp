#include "base/WideString.h"

#include <vector>

#include "system/Unicode.h"

namespace Vorn {

WideString::WideString(const NarrowString& text)
{
    if (text.empty())
        return;
    // Never more code points than bytes.
    std::vector<u32> buffer(text.size());
    u32 count = Unicode::Utf8ToWide(buffer.data(), reinterpret_cast<const u8*>(text.c_str()),
                                    static_cast<u32>(buffer.size()));
    assign(reinterpret_cast<const wchar_t*>(buffer.data()), count);
}

} // namespace Vorn
