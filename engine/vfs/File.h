// A named file: the stream type the virtual file system hands out.
#pragma once

#include <atomic>

#include "base/SeekableStream.h"

namespace Vorn {

// File activity flag: set by every stdio access of a PosixFile; the debug overlay shows a mark while
// it is set and clears it. Atomic because the audio thread reads files too.
extern std::atomic<bool> g_vfsAccess;

class File : public SeekableStream {
public:
    virtual bool OpenWrite(const char* path);
    // Opens for reading.
    virtual bool Open(const char* path);
    virtual bool Flush();
    // False when the close failed (the data may not have reached the disk).
    virtual bool Close() = 0;
};

} // namespace Vorn
