#include "sound/AudioWave.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "vfs/Vfs.h"

namespace Vorn {

namespace {

const u32 HEADER_BYTES = 36;
const u32 CHUNK_HEADER_BYTES = 8;
// The engine's files seek with int offsets: nothing past this is reachable.
const u64 MAX_OFFSET = 0x7fffffff;

u16 U16(const u8* p)
{
    return static_cast<u16>(p[0] | (p[1] << 8));
}

u32 U32(const u8* p)
{
    return static_cast<u32>(p[0]) | (static_cast<u32>(p[1]) << 8) | (static_cast<u32>(p[2]) << 16) |
           (static_cast<u32>(p[3]) << 24);
}

bool ReadExactly(File& file, u8* out, u32 bytes)
{
    return file.Read(out, bytes) == static_cast<s32>(bytes);
}

} // namespace

u32 AudioWave::ReadHeader(File& file, Header& header)
{
    u8 raw[HEADER_BYTES];
    if (!file.Seek(0, SeekableStream::FROM_START) || !ReadExactly(file, raw, HEADER_BYTES))
        return 0;
    header.formatChunkSize = U32(raw + 16);
    header.formatTag = U16(raw + 20);
    header.channels = U16(raw + 22);
    header.sampleRate = U32(raw + 24);
    header.bitsPerSample = U16(raw + 34);
    if (header.formatTag != 1 || header.formatChunkSize < 16 || (header.channels != 1 && header.channels != 2) ||
        (header.bitsPerSample != 8 && header.bitsPerSample != 16) || header.sampleRate == 0)
        return 0;

    // Chunk positions are worked out in 64 bits against the file's size, so that a size of 2^31
    // or more is a chunk reaching past the end, not a seek backwards.
    const u64 fileSize = std::min<u64>(file.GetSize(), MAX_OFFSET);
    u64 offset = 20 + static_cast<u64>(header.formatChunkSize);
    for (;;) {
        if (offset + CHUNK_HEADER_BYTES > fileSize || !file.Seek(static_cast<int>(offset), SeekableStream::FROM_START))
            return 0;
        u8 chunk[CHUNK_HEADER_BYTES];
        if (!ReadExactly(file, chunk, CHUNK_HEADER_BYTES))
            return 0;
        offset += CHUNK_HEADER_BYTES;
        const u32 size = U32(chunk + 4);
        char id[4];
        for (int i = 0; i < 4; ++i)
            id[i] = static_cast<char>(std::toupper(chunk[i]));
        if (std::memcmp(id, "DATA", 4) == 0)
            return static_cast<u32>(std::min<u64>(size, fileSize - offset));
        offset += size;
    }
}

AudioWave::AudioWave(const SmartPtr<File>& file, u32 dataStart, u32 dataSize)
    : m_file(file), m_dataSize(dataSize), m_dataStart(dataStart), m_position(0)
{
}

AudioWave* AudioWave::Open(const NarrowString& path)
{
    return Open(SmartPtr<File>(Vfs::Open(path.c_str())));
}

AudioWave* AudioWave::Open(const SmartPtr<File>& file)
{
    if (!file)
        return nullptr;
    Header header;
    const u32 dataSize = ReadHeader(*file, header);
    if (dataSize == 0)
        return nullptr;
    AudioWave* wave = new AudioWave(file, file->Tell(), dataSize);
    wave->m_channels = header.channels;
    wave->m_sampleRate = header.sampleRate;
    return wave;
}

u32 AudioWave::Read(void* buffer, u32 bytes)
{
    const u32 want = std::min(bytes, m_dataSize - m_position);
    if (want == 0)
        return 0;
    const s32 got = m_file->Read(buffer, want);
    if (got <= 0)
        return 0;
    const u32 n = std::min(static_cast<u32>(got), want);
    m_position += n;
    return n;
}

void AudioWave::Rewind()
{
    Seek(0);
}

void AudioWave::Seek(u32 position)
{
    m_position = std::min(position, m_dataSize);
    // dataStart + dataSize lies inside the file, which ReadHeader limited to int offsets.
    m_file->Seek(static_cast<int>(m_dataStart + m_position), SeekableStream::FROM_START);
}

} // namespace Vorn
