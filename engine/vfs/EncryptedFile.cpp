#include "vfs/EncryptedFile.h"

#include <algorithm>
#include <cstring>

#include "vfs/Vfs.h"

namespace Vorn {

EncryptedFile::EncryptedFile()
    : m_length(0), m_position(0), m_mode(MODE_CLOSED), m_cipher(new RawCrypto())
{
}

EncryptedFile::EncryptedFile(const NarrowString& key)
    : m_length(0), m_position(0), m_mode(MODE_CLOSED), m_cipher(new RawCrypto(key))
{
}

EncryptedFile::~EncryptedFile()
{
    Flush();
}

bool EncryptedFile::Reserve(u32 size)
{
    if (size <= m_buffer.size())
        return true;
    u64 capacity = m_buffer.size();
    while (capacity < size)
        capacity += GROWTH_STEP;
    if (capacity > 0xFFFFFFFFu)
        return false;
    m_buffer.resize(static_cast<size_t>(capacity), 0);
    return true;
}

s32 EncryptedFile::Read(void* buffer, u32 count)
{
    if (m_mode == MODE_CLOSED || m_position >= m_length)
        return 0;
    u32 n = std::min(count, m_length - m_position);
    n = std::min<u32>(n, 0x7FFFFFFFu);
    if (n == 0)
        return 0;
    std::memcpy(buffer, m_buffer.data() + m_position, n);
    m_position += n;
    return static_cast<s32>(n);
}

u32 EncryptedFile::Write(const void* data, u32 count)
{
    if (m_mode != MODE_WRITE)
        return 0;
    if (count == 0)
        return 0;
    u64 end = static_cast<u64>(m_position) + count;
    // Room for the padding Flush appends, so that the length stays within 32 bits.
    if (end + RawCrypto::BLOCK_SIZE > 0xFFFFFFFFu || !Reserve(static_cast<u32>(end)))
        return 0;
    if (m_position > m_length)
        std::memset(m_buffer.data() + m_length, 0, m_position - m_length);
    std::memcpy(m_buffer.data() + m_position, data, count);
    m_position = static_cast<u32>(end);
    m_length = std::max(m_length, m_position);
    return count;
}

bool EncryptedFile::Seek(int offset, int whence)
{
    if (m_mode == MODE_CLOSED)
        return false;
    s64 target;
    switch (whence) {
    case FROM_START: target = offset; break;
    case FROM_CURRENT: target = static_cast<s64>(m_position) + offset; break;
    case FROM_END: target = static_cast<s64>(m_length) + offset; break;
    default: return false;
    }
    if (target < 0 || target > 0xFFFFFFFFll)
        return false;
    m_position = static_cast<u32>(target);
    return true;
}

bool EncryptedFile::OpenWrite(const char* path)
{
    Close();
    if (!path)
        return false;
    m_path = path;
    m_buffer.assign(GROWTH_STEP, 0);
    m_length = 0;
    m_position = 0;
    m_mode = MODE_WRITE;
    return true;
}

bool EncryptedFile::Open(const char* path)
{
    Close();
    SmartPtr<File> file(Vfs::Open(path));
    if (!file)
        return false;
    u8 marker = 0;
    if (file->Read(&marker, 1) != 1 || marker != MARKER)
        return false;

    // The ciphertext is what the file delivers, however large it claims to be.
    std::vector<u8> cipherText;
    u8 chunk[16384];
    for (;;) {
        s32 n = file->Read(chunk, sizeof chunk);
        if (n <= 0)
            break;
        if (cipherText.size() + static_cast<size_t>(n) > 0xFFFFFFF0u)
            return false;
        cipherText.insert(cipherText.end(), chunk, chunk + n);
    }
    file.Reset();
    if (cipherText.empty() || cipherText.size() % RawCrypto::BLOCK_SIZE != 0)
        return false;

    const u32 length = static_cast<u32>(cipherText.size());
    m_buffer.resize(length);
    m_cipher->Decrypt(cipherText.data(), length, m_buffer.data());
    m_length = length;
    m_position = 0;
    m_mode = MODE_READ;
    if (!Unpad()) {
        Close();
        return false;
    }
    return true;
}

void EncryptedFile::Pad()
{
    u32 n = RawCrypto::BLOCK_SIZE - m_length % RawCrypto::BLOCK_SIZE;
    Reserve(m_length + n);
    std::memset(m_buffer.data() + m_length, static_cast<int>(n), n);
    m_length += n;
}

bool EncryptedFile::Unpad()
{
    if (m_length == 0)
        return false;
    u32 n = m_buffer[m_length - 1];
    // 0 and 1 are taken as they are; longer padding must repeat its value. A value of 128 or more
    // never matches: the bytes compare as signed.
    if (n <= 1) {
        m_length -= n;
        return true;
    }
    if (n > m_length)
        return false;
    for (u32 i = m_length - n; i < m_length - 1; ++i) {
        if (static_cast<s8>(m_buffer[i]) != static_cast<s32>(n))
            return false;
    }
    m_length -= n;
    return true;
}

bool EncryptedFile::Flush()
{
    if (m_mode != MODE_WRITE)
        return true;
    Pad();
    std::vector<u8> cipherText(m_length);
    m_cipher->Encrypt(m_buffer.data(), m_length, cipherText.data());
    bool written = false;
    SmartPtr<File> file(Vfs::OpenWrite(m_path.c_str()));
    if (file) {
        const u8 marker = MARKER;
        written = file->Write(&marker, 1) == 1 &&
                  file->Write(cipherText.data(), m_length) == m_length;
        // Closing is part of writing: a save file commits here.
        written = file->Close() && written;
    }
    Unpad();
    return written;
}

bool EncryptedFile::Close()
{
    bool result = Flush();
    std::vector<u8>().swap(m_buffer);
    m_mode = MODE_CLOSED;
    m_length = 0;
    m_position = 0;
    return result;
}

} // namespace Vorn
