// A file of the application's read-only install area: reads are taken under "./app/native/".
#pragma once

#include "vfs/posix/PosixFile.h"

namespace Vorn {

class PlaybookFile : public PosixFile {
public:
    static const char* const INSTALL_ROOT;

    // Opens INSTALL_ROOT followed by path. Writing is not redirected: OpenWrite opens the path as
    // given, relative to the working directory.
    bool Open(const char* path) override;
};

} // namespace Vorn
