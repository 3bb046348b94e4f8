// The byte stream every file, socket and decoder input of the engine implements.
#pragma once

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "system/Types.h"

namespace Vorn {

class IOStream : public RefCounter {
public:
    enum Status { STATUS_USABLE = 1, STATUS_FAILED = 2 };

    // Bytes delivered; 0 at the end of the data or when closed.
    virtual s32 Read(void* buffer, u32 count) = 0;
    // Bytes taken.
    virtual u32 Write(const void* buffer, u32 count) = 0;
    // One Write of the text's bytes, without a terminator; true when every byte was taken.
    virtual bool WriteString(const NarrowString& text);
    // Appends bytes to line up to a line feed (true), dropping carriage returns; false when the data
    // end first, with the bytes of the unterminated line already appended. The line is not cleared:
    // pass an empty string for each line.
    virtual bool ReadLine(NarrowString& line);
    virtual bool IsReady() { return true; }
    virtual bool IsOpen() { return true; }
    virtual int GetStatus() { return STATUS_USABLE; }
};

} // namespace Vorn
