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
    // Told by a reader whose check of the bytes failed (a checksum, a malformed structure): the
    // content is damaged, for the reason given. A member of an archive says so once on stderr,
    // naming the archive and the member; a stream that stores nothing of its own says nothing.
    virtual void ReportDamage(const char* why) { (void)why; }
};

} // namespace Vorn
