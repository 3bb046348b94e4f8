#include "sound/AudioWave.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/ByteReader.h"
#include "vfs/Vfs.h"

namespace Vorn {

namespace {

const u64 RIFF_HEADER_BYTES = 12;
const u32 CHUNK_HEADER_BYTES = 8;
const u32 FORMAT_BYTES = 16;
const u32 EXTENSIBLE_BYTES = 40;
const u16 TAG_PCM = 1;
const u16 TAG_EXTENSIBLE = 0xFFFE;
// The integer PCM subformat of an extensible format chunk, after its first two bytes (the tag 1).
const char PCM_SUBFORMAT_TAIL[] = "\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71";
const size_t PCM_SUBFORMAT_TAIL_BYTES = 14;
// The engine's files seek with int offsets: nothing past this is reachable.
const u64 MAX_OFFSET = 0x7fffffff;

struct Chunk {
    char id[4];  // upper-cased
    u32 size;
    u64 body;  // file offset of the chunk's first byte after its header
};

bool ReadExactly(File& file, u64 offset, u8* out, u32 bytes)
{
    return file.Seek(static_cast<int>(offset), SeekableStream::FROM_START) &&
           file.Read(out, bytes) == static_cast<s32>(bytes);
}

// The chunk whose header is at offset; false when the header is not inside the file. Positions
// are worked out in 64 bits against the file's size, so that a size of 2^31 or more is a chunk
// reaching past the end, not a seek backwards.
bool ReadChunk(File& file, u64 fileSize, u64 offset, Chunk& chunk)
{
    u8 raw[CHUNK_HEADER_BYTES];
    if (offset + CHUNK_HEADER_BYTES > fileSize || !ReadExactly(file, offset, raw, CHUNK_HEADER_BYTES))
        return false;
    for (int i = 0; i < 4; ++i)
        chunk.id[i] = static_cast<char>(std::toupper(raw[i]));
    chunk.size = ByteReader(raw, CHUNK_HEADER_BYTES).U32At(4);
    chunk.body = offset + CHUNK_HEADER_BYTES;
    return true;
}

bool IsChunk(const Chunk& chunk, const char* id)
{
    return std::memcmp(chunk.id, id, 4) == 0;
}

// How a walk steps over the byte after an odd-sized chunk.
enum class Pad {
    ALWAYS,     // as other readers do, whatever the byte holds
    WHEN_ZERO,  // for writers that leave the pad out: a written pad is 0, and no chunk id begins with 0
};

// Where the chunk after this one starts: past its body and, for an odd size, its pad byte.
u64 NextChunk(File& file, u64 fileSize, const Chunk& chunk, Pad pad)
{
    u64 next = chunk.body + chunk.size;
    if ((chunk.size & 1) == 0 || next >= fileSize)
        return next;
    u8 byte = 1;
    if (pad == Pad::ALWAYS || (ReadExactly(file, next, &byte, 1) && byte == 0))
        ++next;
    return next;
}

bool ReadFormat(File& file, u64 fileSize, const Chunk& chunk, AudioWave::Header& header)
{
    if (chunk.size < FORMAT_BYTES || chunk.body + FORMAT_BYTES > fileSize)
        return false;
    u8 raw[EXTENSIBLE_BYTES];
    const u32 bytes = static_cast<u32>(std::min<u64>({chunk.size, EXTENSIBLE_BYTES, fileSize - chunk.body}));
    if (!ReadExactly(file, chunk.body, raw, bytes))
        return false;
    ByteReader in(raw, bytes);
    header.formatTag = in.U16At(0);
    header.channels = in.U16At(2);
    header.sampleRate = in.U32At(4);
    header.bitsPerSample = in.U16At(14);
    // An extensible chunk names its subformat by a GUID; only integer PCM is taken.
    const bool pcm = header.formatTag == TAG_PCM ||
                     (header.formatTag == TAG_EXTENSIBLE && bytes == EXTENSIBLE_BYTES && in.U16At(24) == TAG_PCM &&
                      in.IdAt(26, PCM_SUBFORMAT_TAIL, PCM_SUBFORMAT_TAIL_BYTES));
    return pcm && (header.channels == 1 || header.channels == 2) &&
           (header.bitsPerSample == 8 || header.bitsPerSample == 16) && header.sampleRate != 0;
}

// The walk of ReadHeader, stepping over pad bytes as pad says.
u32 WalkChunks(File& file, Pad pad, AudioWave::Header& header)
{
    const u64 fileSize = std::min<u64>(file.GetSize(), MAX_OFFSET);
    bool haveFormat = false;
    Chunk first{};
    bool haveFirst = false;
    for (u64 offset = RIFF_HEADER_BYTES;;) {
        Chunk chunk;
        if (!ReadChunk(file, fileSize, offset, chunk))
            return 0;
        if (IsChunk(chunk, "DATA")) {
            // A file that names no format chunk has it first, where the canonical layout puts it.
            if (!haveFormat && !(haveFirst && ReadFormat(file, fileSize, first, header)))
                return 0;
            const u32 frame = header.channels * (header.bitsPerSample / 8u);
            u32 size = static_cast<u32>(std::min<u64>(chunk.size, fileSize - chunk.body));
            size -= size % frame;
            if (size == 0 || !file.Seek(static_cast<int>(chunk.body), SeekableStream::FROM_START))
                return 0;
            return size;
        }
        if (IsChunk(chunk, "FMT ")) {
            if (!ReadFormat(file, fileSize, chunk, header))
                return 0;
            haveFormat = true;
        } else if (offset == RIFF_HEADER_BYTES) {
            first = chunk;
            haveFirst = true;
        }
        offset = NextChunk(file, fileSize, chunk, pad);
    }
}

} // namespace

u32 AudioWave::ReadHeader(File& file, Header& header)
{
    // A walk that skipped a pad byte its writer left out is out of step with the chunks and finds
    // no data: the file is walked again the other way.
    const u32 size = WalkChunks(file, Pad::ALWAYS, header);
    return size ? size : WalkChunks(file, Pad::WHEN_ZERO, header);
}

AudioWave::AudioWave(const SmartPtr<File>& file, u32 dataStart, u32 dataSize, bool eightBit)
    : m_file(file), m_dataSize(dataSize), m_dataStart(dataStart), m_position(0), m_eightBit(eightBit), m_pendingHigh(0)
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
    // Below 2^31 bytes of data, twice that still fits.
    const bool eightBit = header.bitsPerSample == 8;
    AudioWave* wave = new AudioWave(file, file->Tell(), eightBit ? dataSize * 2 : dataSize, eightBit);
    wave->m_channels = header.channels;
    wave->m_sampleRate = header.sampleRate;
    return wave;
}

u32 AudioWave::Read(void* buffer, u32 bytes)
{
    const u32 want = std::min(bytes, m_dataSize - m_position);
    if (want == 0)
        return 0;
    u32 n = 0;
    if (m_eightBit) {
        n = ReadWidened(static_cast<u8*>(buffer), want);
    } else {
        const s32 got = m_file->Read(buffer, want);
        n = got <= 0 ? 0 : std::min(static_cast<u32>(got), want);
    }
    m_position += n;
    return n;
}

u32 AudioWave::ReadWidened(u8* out, u32 want)
{
    u32 done = 0;
    if (m_position & 1)
        out[done++] = m_pendingHigh;
    u8 samples[1024];
    while (done < want) {
        const u32 count = std::min<u32>((want - done + 1) / 2, sizeof samples);
        const s32 got = m_file->Read(samples, count);
        if (got <= 0)
            break;
        for (s32 i = 0; i < got && i < static_cast<s32>(count); ++i) {
            // (b - 128) << 8: the low byte is 0 and the high byte b - 128, which is b ^ 0x80.
            const u8 high = static_cast<u8>(samples[i] ^ 0x80);
            out[done++] = 0;
            if (done == want) {
                m_pendingHigh = high;
                break;
            }
            out[done++] = high;
        }
        if (static_cast<u32>(got) < count)
            break;
    }
    return done;
}

void AudioWave::Rewind()
{
    Seek(0);
}

void AudioWave::Seek(u32 position)
{
    m_position = std::min(position, m_dataSize);
    // dataStart + the data's size in the file lies inside the file, which ReadHeader limited to
    // int offsets.
    const u32 fileOffset = m_eightBit ? m_position / 2 : m_position;
    m_file->Seek(static_cast<int>(m_dataStart + fileOffset), SeekableStream::FROM_START);
    if (m_eightBit && (m_position & 1)) {
        u8 sample = 0x80;
        m_file->Read(&sample, 1);
        m_pendingHigh = static_cast<u8>(sample ^ 0x80);
    }
}

} // namespace Vorn
