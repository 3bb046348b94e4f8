#include "vfs/VfsMount.h"

namespace Vorn {

namespace {

int LowerAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

} // namespace

VfsMount::VfsMount(const char* mountPoint, u32 flags)
    : m_mountPoint(mountPoint ? mountPoint : ""), m_flags(flags)
{
}

VfsMount::~VfsMount() {}

bool VfsMount::Matches(const char* path) const
{
    return path && HasPrefixNoCase(path, m_mountPoint.c_str(), m_mountPoint.size());
}

int VfsMount::CompareNoCase(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        int d = LowerAscii(static_cast<unsigned char>(*a)) - LowerAscii(static_cast<unsigned char>(*b));
        if (d != 0 || *a == '\0')
            return d;
    }
}

bool VfsMount::HasPrefixNoCase(const char* text, const char* prefix, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\0' ||
            LowerAscii(static_cast<unsigned char>(text[i])) !=
                LowerAscii(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

std::string VfsMount::Printable(const std::string& text)
{
    static const char HEX[] = "0123456789abcdef";
    std::string shown;
    for (unsigned char c : text) {
        if (c == '\\') {
            shown += "\\\\";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            shown += "\\x";
            shown += HEX[c >> 4];
            shown += HEX[c & 15];
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown;
}

} // namespace Vorn
