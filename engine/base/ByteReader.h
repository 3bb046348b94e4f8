// Little-endian fields out of bytes read from a file: the one reader of the engine's loaders.
#pragma once

#include <cstddef>
#include <cstring>

#include "system/Types.h"

namespace Vorn {

// The little-endian word at p, for decoders that have checked their whole input beforehand.
inline u16 LoadLE16(const u8* p)
{
    return static_cast<u16>(p[0] | (p[1] << 8));
}

inline u32 LoadLE32(const u8* p)
{
    return static_cast<u32>(p[0]) | (static_cast<u32>(p[1]) << 8) | (static_cast<u32>(p[2]) << 16) |
           (static_cast<u32>(p[3]) << 24);
}

inline void StoreLE32(u8* p, u32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<u8>(v >> (8 * i));
}

// Reads fields from a block of bytes, never past its end: a field that does not fit whole reads
// as 0 and marks the reader failed (and the position stays where it was). Fields are taken in
// turn from the position, or at a fixed offset from the start without moving it.
class ByteReader {
public:
    ByteReader(const void* data, size_t size) : m_data(static_cast<const u8*>(data)), m_size(data ? size : 0) {}

    u8 U8() { return Take(1) ? m_data[m_position - 1] : 0; }
    u16 U16() { return Take(2) ? LoadLE16(m_data + m_position - 2) : 0; }
    u32 U32() { return Take(4) ? LoadLE32(m_data + m_position - 4) : 0; }

    u16 U16At(size_t offset) { return Fits(offset, 2) ? LoadLE16(m_data + offset) : 0; }
    u32 U32At(size_t offset) { return Fits(offset, 4) ? LoadLE32(m_data + offset) : 0; }

    // True when the n bytes at offset are there and equal to id.
    bool IdAt(size_t offset, const char* id, size_t n = 4) const
    {
        return offset <= m_size && n <= m_size - offset && std::memcmp(m_data + offset, id, n) == 0;
    }

    // How many of the n bytes at offset differ from id, those past the end counting as differing:
    // 1 where one damaged byte has changed a signature.
    size_t DifferencesAt(size_t offset, const char* id, size_t n) const
    {
        size_t differing = 0;
        for (size_t i = 0; i < n; ++i)
            differing += offset + i >= m_size || m_data[offset + i] != static_cast<u8>(id[i]);
        return differing;
    }

    // True when the n bytes at offset are id's, some or all of them wiped: zeroed (what a lost
    // sector, or a span zeroed from inside them, leaves of a signature) or set to 0xFF (erased
    // flash). No picture or sound format starts with a signature's worth of either.
    bool IdWipedAt(size_t offset, const char* id, size_t n) const
    {
        if (offset > m_size || n > m_size - offset || std::memcmp(m_data + offset, id, n) == 0)
            return false;
        const u8 FILLS[] = {0x00, 0xff};
        for (const u8 fill : FILLS) {
            size_t i = 0;
            while (i < n && (m_data[offset + i] == fill || m_data[offset + i] == static_cast<u8>(id[i])))
                ++i;
            if (i == n)
                return true;
        }
        return false;
    }

    // Where the n bytes of id first lie whole at or after offset, or the size when nowhere: in
    // time linear in the bytes searched, whatever they hold (a search for id's first byte alone
    // would stop at every byte of data made of it).
    size_t Find(size_t offset, const char* id, size_t n) const
    {
        if (n == 0 || offset > m_size || n > m_size - offset)
            return m_size;
        const void* found = memmem(m_data + offset, m_size - offset, id, n);
        return found ? static_cast<size_t>(static_cast<const u8*>(found) - m_data) : m_size;
    }

    // Moves the position forward by n bytes; false (and failed) when fewer are left.
    bool Skip(size_t n) { return Take(n); }

    size_t Position() const { return m_position; }
    size_t Remaining() const { return m_size - m_position; }
    // False once any field did not fit.
    bool Ok() const { return m_ok; }

private:
    bool Take(size_t n)
    {
        if (n > m_size - m_position) {
            m_ok = false;
            return false;
        }
        m_position += n;
        return true;
    }

    bool Fits(size_t offset, size_t n)
    {
        if (offset > m_size || n > m_size - offset) {
            m_ok = false;
            return false;
        }
        return true;
    }

    const u8* m_data;
    size_t m_size;
    size_t m_position = 0;
    bool m_ok = true;
};

}  // namespace Vorn
