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
    // For a file stored in blocks that decode from their start (an entry of a pak archive): the
    // bytes from position to the end of the block holding it, and the blocks' size in blockSize.
    // A reader that stops its reads at block ends decodes every block once. 0 (and blockSize 0)
    // for files that read as cheaply from anywhere.
    virtual u32 BytesToBlockEnd(u32 position, u32& blockSize)
    {
        (void)position;
        blockSize = 0;
        return 0;
    }
};

} // namespace Vorn
