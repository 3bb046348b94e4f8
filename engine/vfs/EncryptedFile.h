// A file held in memory as plaintext and stored enciphered: a marker byte 1, then the plaintext
// padded with N bytes of value N (1 to 8) and enciphered in 8-byte Blowfish blocks. Opened by
// virtual path; nothing is written until Flush (or Close, or destruction).
#pragma once

#include <vector>

#include "base/RawCrypto.h"
#include "base/SmartPtr.h"
#include "vfs/File.h"

namespace Vorn {

class EncryptedFile : public File {
public:
    static const u8 MARKER = 1;
    static const u32 GROWTH_STEP = 128;

    EncryptedFile();
    explicit EncryptedFile(const NarrowString& key);
    // A file open for writing is written out.
    ~EncryptedFile() override;

    // Works in either mode.
    s32 Read(void* buffer, u32 count) override;
    // Only in write mode; a gap left by a seek past the end is filled with zero bytes.
    u32 Write(const void* buffer, u32 count) override;
    bool IsOpen() override { return m_mode != MODE_CLOSED; }
    // Positions below 0 are refused; positions past the end are allowed.
    bool Seek(int offset, int whence) override;
    u32 Tell() override { return m_mode != MODE_CLOSED ? m_position : 0; }
    u32 GetSize() override { return m_length; }
    // Starts an empty file that Flush will write to path.
    bool OpenWrite(const char* path) override;
    // Reads and deciphers the whole file; false for a missing file, a wrong marker, a length that
    // is not whole blocks, or bad padding (which a wrong key usually gives).
    bool Open(const char* path) override;
    // In write mode: writes the whole content out again. The content in memory is unchanged.
    bool Flush() override;
    bool Close() override;

    // Grows the buffer (in GROWTH_STEP steps) to hold at least size bytes.
    bool Reserve(u32 size);

private:
    enum Mode { MODE_CLOSED = 0, MODE_READ = 1, MODE_WRITE = 2 };

    void Pad();
    bool Unpad();

    std::vector<u8> m_buffer; // the plaintext; its size is the capacity
    u32 m_length;
    u32 m_position;
    Mode m_mode;
    NarrowString m_path;
    SmartPtr<RawCrypto> m_cipher;
};

} // namespace Vorn
