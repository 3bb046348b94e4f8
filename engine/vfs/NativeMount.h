// Serves a mount point from a directory: of the install area, or with SAVE_STORAGE of the flat save
// area.
#pragma once

#include "vfs/VfsMount.h"

namespace Vorn {

class NativeMount : public VfsMount {
public:
    // Limits of the joined path: a directory or a joined path longer than these is refused (the
    // mount opens nothing for it) rather than cut, which would name another file.
    static const u32 MAX_DIRECTORY_LENGTH = 63;
    static const u32 MAX_PATH_LENGTH = 127;

    // directory ends in '/' (nothing is inserted between it and the relative path).
    NativeMount(const char* directory, const char* mountPoint, u32 flags);

    File* Open(const char* relativePath) override;
    File* OpenWrite(const char* relativePath) override;

    // A new, unopened file of the kind this mount makes.
    File* CreateFile() const;

    const std::string& GetDirectory() const { return m_directory; }

private:
    File* OpenWith(const char* relativePath, bool write);

    std::string m_directory;
};

} // namespace Vorn
