#include "base/IOStream.h"

namespace Vorn {

bool IOStream::WriteString(const NarrowString& text)
{
    if (text.size() > 0xFFFFFFFFu)
        return false;
    u32 length = static_cast<u32>(text.size());
    return Write(text.data(), length) == length;
}

bool IOStream::ReadLine(NarrowString& line)
{
    char c;
    while (Read(&c, 1) >= 1) {
        if (c == '\n')
            return true;
        if (c != '\r')
            line.push_back(c);
    }
    return false;
}

} // namespace Vorn
