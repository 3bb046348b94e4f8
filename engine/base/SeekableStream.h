// A stream with a position: the base of every file.
#pragma once

#include "base/IOStream.h"

namespace Vorn {

class SeekableStream : public IOStream {
public:
    // whence as for fseek: 0 from the start, 1 from the current position, 2 from the end.
    enum Whence { FROM_START = 0, FROM_CURRENT = 1, FROM_END = 2 };

    virtual bool Seek(int offset, int whence) = 0;
    virtual u32 Tell() = 0;
    virtual u32 GetSize() = 0;
};

} // namespace Vorn
