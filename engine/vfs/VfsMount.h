// One entry of the virtual file system's mount list: serves the paths that begin with its mount
// point.
#pragma once

#include <string>

#include "base/SmartPtr.h"
#include "vfs/File.h"

namespace Vorn {

class VfsMount : public RefCounter {
public:
    enum Flags {
        FALL_THROUGH = 1, // a path this mount cannot open is offered to the later mounts
        SAVE_STORAGE = 2  // directory mounts: files live in the flat save area
    };

    VfsMount(const char* mountPoint, u32 flags);
    ~VfsMount() override;

    // Both take the path below the mount point and return a new file with no reference taken, or
    // null.
    virtual File* Open(const char* relativePath) = 0;
    virtual File* OpenWrite(const char* relativePath) = 0;

    // The path begins with the mount point, compared without regard to ASCII case. An empty mount
    // point matches every path.
    bool Matches(const char* path) const;

    const char* GetMountPoint() const { return m_mountPoint.c_str(); }
    u32 GetMountPointLength() const { return static_cast<u32>(m_mountPoint.size()); }
    u32 GetFlags() const { return m_flags; }
    const SmartPtr<VfsMount>& GetNext() const { return m_next; }
    void SetNext(const SmartPtr<VfsMount>& next) { m_next = next; }

    // ASCII-only, so that lookups do not change with the process's locale.
    static int CompareNoCase(const char* a, const char* b);
    static bool HasPrefixNoCase(const char* text, const char* prefix, size_t length);
    // Text (a name from an archive, a path) as it may reach a terminal: control characters
    // (escape sequences, line breaks) and the backslash are written as C escapes, so that a name
    // can neither drive the terminal nor pass for two.
    static std::string Printable(const std::string& text);

private:
    std::string m_mountPoint;
    u32 m_flags;
    SmartPtr<VfsMount> m_next; // each mount holds the next, so the chain lives as long as its head
};

} // namespace Vorn
