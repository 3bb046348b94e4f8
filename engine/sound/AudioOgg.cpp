#include "sound/AudioOgg.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include <tremor/ivorbisfile.h>

#include "base/ByteReader.h"
#include "vfs/CachedFile.h"

namespace Vorn {

// The decoder reads 1 KiB at a time and seeks about while it opens. A file streaming from a pak
// archive shares one decompressing reader with every other file of the archive: several streams
// reading 1 KiB each in turn would make it decode its compressed blocks again for every read. So
// the source reads ahead, and answers small reads and near seeks from what it holds. Its reads end
// where the archive's blocks end: a read that stopped inside a block would leave the rest of that
// block to be decoded again from its start by the next read, once the other streams have moved
// the shared reader elsewhere.
struct AudioOgg::Input {
    static constexpr u32 READ_AHEAD = 64u << 10;
    // Archive blocks larger than this are read in pieces of READ_AHEAD.
    static constexpr u32 MAX_READ_AHEAD = 1u << 20;

    SmartPtr<File> file;
    bool buffered;
    std::vector<u8> buffer;
    u32 start;   // file position of buffer[0]
    u32 length;  // bytes held
    u32 offset;  // read position in the buffer

    explicit Input(const SmartPtr<File>& f)
        : file(f), buffered(dynamic_cast<CachedFile*>(f.Get()) == nullptr), start(f->Tell()), length(0), offset(0)
    {
    }

    // Bytes delivered, or -1 when the file failed before anything was delivered.
    s32 Read(u8* out, u32 bytes)
    {
        if (!buffered)
            return file->Read(out, bytes);
        u32 done = 0;
        while (done < bytes) {
            if (offset == length) {
                start += length;
                offset = length = 0;
                const u32 want = ReadAheadAt(start);
                if (buffer.size() < want)
                    buffer.resize(want);
                const s32 n = file->Read(buffer.data(), want);
                if (n < 0)
                    return done ? static_cast<s32>(done) : -1;
                if (n == 0)
                    break;
                length = static_cast<u32>(n);
            }
            const u32 n = std::min(bytes - done, length - offset);
            std::memcpy(out + done, buffer.data() + offset, n);
            offset += n;
            done += n;
        }
        return static_cast<s32>(done);
    }

    // How much to read from position: up to an archive block's end, whole blocks when they fit.
    u32 ReadAheadAt(u32 position)
    {
        u32 blockSize = 0;
        const u32 toEnd = file->BytesToBlockEnd(position, blockSize);
        if (toEnd == 0 || blockSize == 0 || blockSize > MAX_READ_AHEAD)
            return READ_AHEAD;
        // The tail of a block reached by a seek comes with the next block, unless that makes the
        // read too large.
        u64 want = toEnd;
        if (want < READ_AHEAD / 4 && want + blockSize <= MAX_READ_AHEAD)
            want += blockSize;
        return static_cast<u32>(want);
    }

    u32 Tell() { return buffered ? start + offset : file->Tell(); }

    bool Seek(s64 position, int whence)
    {
        if (!buffered)
            return position >= INT_MIN && position <= INT_MAX && file->Seek(static_cast<int>(position), whence);
        s64 target = position;
        if (whence == SeekableStream::FROM_CURRENT)
            target += Tell();
        else if (whence == SeekableStream::FROM_END)
            target += file->GetSize();
        else if (whence != SeekableStream::FROM_START)
            return false;
        if (target < 0 || target > 0x7fffffff)
            return false;
        if (target >= start && target <= static_cast<s64>(start) + length) {
            offset = static_cast<u32>(target - start);
            return true;
        }
        if (!file->Seek(static_cast<int>(target), SeekableStream::FROM_START))
            return false;
        start = static_cast<u32>(target);
        offset = length = 0;
        return true;
    }
};

namespace {

// Consecutive holes skipped within one read before the read gives up on the stream.
const int MAX_HOLES = 16;
// Audio decoded while opening, to prove the stream decodes.
const u32 LEAD_BYTES = 4096;

// The decoder's stream callbacks over the source's input. The source owns the file, so closing is
// left to it.

// Returns whole elements read. The decoder tells a clean end from a failure by errno when the
// result is 0, so errno is set either way.
size_t ReadCallback(void* destination, size_t size, size_t count, void* source)
{
    if (size == 0 || count == 0) {
        errno = 0;
        return 0;
    }
    size_t bytes = size * count;
    if (bytes / size != count || bytes > 0x7fffffff)
        bytes = 0x7fffffff - 0x7fffffff % size;
    const s32 n = static_cast<AudioOgg::Input*>(source)->Read(static_cast<u8*>(destination), static_cast<u32>(bytes));
    if (n < 0) {
        errno = EIO;
        return 0;
    }
    errno = 0;
    return static_cast<size_t>(n) / size;
}

// 0 on success, -1 when the file refuses the seek or the offset does not fit its 32-bit
// positions; the decoder then treats the stream as not seekable instead of decoding from a place
// it did not ask for.
int SeekCallback(void* source, ogg_int64_t offset, int whence)
{
    return static_cast<AudioOgg::Input*>(source)->Seek(offset, whence) ? 0 : -1;
}

int CloseCallback(void*)
{
    return 0;
}

long TellCallback(void* source)
{
    return static_cast<long>(static_cast<AudioOgg::Input*>(source)->Tell());
}

const ov_callbacks CALLBACKS = {&ReadCallback, &SeekCallback, &CloseCallback, &TellCallback};

// Decoder sample positions come from the file's granule positions: convert to bytes without
// overflowing for any value, negative results (errors) as 0.
u32 ToBytes(ogg_int64_t samples, u32 frameBytes)
{
    if (samples <= 0)
        return 0;
    if (samples >= static_cast<ogg_int64_t>(0xffffffffu / frameBytes))
        return 0xffffffffu - 0xffffffffu % frameBytes;
    return static_cast<u32>(samples) * frameBytes;
}

// Ogg's page CRC: polynomial 0x04c11db7 taken most significant bit first, starting from 0, with
// no final inversion (unlike zlib's).
u32 OggCrc(u32 crc, const u8* data, size_t size)
{
    static const std::array<u32, 256> TABLE = [] {
        std::array<u32, 256> table{};
        for (u32 i = 0; i < 256; ++i) {
            u32 r = i << 24;
            for (int k = 0; k < 8; ++k)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04c11db7u : r << 1;
            table[i] = r;
        }
        return table;
    }();
    for (size_t i = 0; i < size; ++i)
        crc = (crc << 8) ^ TABLE[(crc >> 24) ^ data[i]];
    return crc;
}

// A page: "OggS", version 0 (at 4), flags, granule position, serial, sequence number, CRC (at 22),
// the segment count (at 26), the segment table, then the body the table sizes.
const size_t PAGE_HEADER = 27;
const char PAGE_START[] = "OggS"; // with the version's 0 after it: five bytes
const size_t PAGE_START_SIZE = 5;

// The length of the page at data whose header is there (at least PAGE_HEADER bytes), or 0 when
// its segment table or body runs past size.
size_t PageLength(const u8* data, size_t size)
{
    const size_t segments = data[26];
    if (size - PAGE_HEADER < segments)
        return 0;
    size_t length = PAGE_HEADER + segments;
    for (size_t i = 0; i < segments; ++i)
        length += data[PAGE_HEADER + i];
    return length <= size ? length : 0;
}

// Whether the CRC of the page of length bytes at data matches, taken over a page start of its own
// ("OggS" and version 0), so that it also tells a page whose start alone is damaged.
bool PageCrcMatches(const u8* data, size_t length)
{
    const size_t CRC_AT = 22;
    static const u8 ZEROS[4] = {};
    u32 crc = OggCrc(0, reinterpret_cast<const u8*>(PAGE_START), PAGE_START_SIZE);
    crc = OggCrc(crc, data + PAGE_START_SIZE, CRC_AT - PAGE_START_SIZE);
    crc = OggCrc(crc, ZEROS, sizeof(ZEROS));
    crc = OggCrc(crc, data + CRC_AT + 4, length - CRC_AT - 4);
    return crc == LoadLE32(data + CRC_AT);
}

} // namespace

bool AudioOgg::CheckPages(const u8* data, size_t size, std::string& why)
{
    const ByteReader bytes(data, size);
    for (size_t at = 0; at < size;) {
        // Bytes where no page starts (a tag after the last page, padding) carry no check of their
        // own and are passed over, a byte at a time, up to where a page starts again.
        const size_t differing = bytes.DifferencesAt(at, PAGE_START, PAGE_START_SIZE);
        if (differing > 1) {
            ++at;
            continue;
        }
        const size_t length = size - at >= PAGE_HEADER ? PageLength(data + at, size - at) : 0;
        const bool matches = length > 0 && PageCrcMatches(data + at, length);
        if (differing == 0 && matches) {
            at += length;
            continue;
        }
        // A page whose CRC fails, or that runs past the end, is damage wherever it starts; so is
        // a page whose CRC matches once its first five bytes are a page start's.
        if (differing == 0 || matches) {
            why = "its Ogg page at byte " + std::to_string(at) +
                  (differing > 0 ? " has a damaged capture pattern or version"
                   : length > 0  ? " fails its CRC"
                                 : " runs past the end");
            return false;
        }
        ++at;
    }
    return true;
}

AudioOgg::AudioOgg()
    : m_decoder(nullptr), m_formatChanged(false), m_leadOffset(0), m_partialBytes(0), m_partialOffset(0)
{
}

AudioOgg* AudioOgg::Open(const SmartPtr<File>& file)
{
    if (!file)
        return nullptr;
    std::unique_ptr<Input> input(new Input(file));
    OggVorbis_File* decoder = new OggVorbis_File;
    std::memset(decoder, 0, sizeof(*decoder));
    if (ov_open_callbacks(input.get(), decoder, nullptr, 0, CALLBACKS) != 0) {
        // A failed open has already cleared what it made.
        delete decoder;
        file->ReportDamage("it does not open as Ogg Vorbis");
        return nullptr;
    }
    const vorbis_info* info = ov_info(decoder, -1);
    if (!info || info->channels < 1 || info->channels > 2 || info->rate <= 0 || info->rate > 0x7fffffffL) {
        ov_clear(decoder);
        delete decoder;
        return nullptr;
    }
    // A length the decoder cannot tell for a seekable stream means its pages are inconsistent.
    if (ov_seekable(decoder) && ov_pcm_total(decoder, -1) < 0) {
        ov_clear(decoder);
        delete decoder;
        file->ReportDamage("its Ogg pages do not tell its length");
        return nullptr;
    }
    // The decoder leaves a chained stream positioned in its last link after scanning the links;
    // playback starts at the beginning. A raw seek only moves in the file: unlike the sample seeks
    // it decodes nothing, so it is safe before the stream has shown that it decodes.
    if (ov_streams(decoder) > 1 && ov_seekable(decoder))
        ov_raw_seek(decoder, 0);
    AudioOgg* source = new AudioOgg;
    source->m_input = std::move(input);
    source->m_decoder = decoder;
    source->m_channels = static_cast<u32>(info->channels);
    source->m_sampleRate = static_cast<u32>(info->rate);
    // A setup header that was altered (and its page checksum made valid again) still opens, but
    // the decoder's sample seeks divide by values it took from it and kill the process. Such a
    // stream fails on its first audio packet: whatever does not decode its first audio is refused
    // here, before anything can seek in it. The audio decoded is kept, so no seek back is needed.
    source->m_lead.resize(LEAD_BYTES - LEAD_BYTES % source->GetFrameBytes());
    int holes = 0;
    long n;
    while ((n = source->Decode(source->m_lead.data(), static_cast<u32>(source->m_lead.size()))) == OV_HOLE &&
           ++holes <= MAX_HOLES) {
    }
    if (n <= 0) {
        delete source;
        return nullptr;
    }
    source->m_lead.resize(static_cast<size_t>(n));
    return source;
}

AudioOgg::~AudioOgg()
{
    if (m_decoder) {
        ov_clear(m_decoder);
        delete m_decoder;
    }
}

long AudioOgg::Decode(u8* out, u32 bytes)
{
    const int length = bytes > 0x7fffffffu ? 0x7fffffff : static_cast<int>(bytes);
    int link = -1;
    const long n = ov_read(m_decoder, reinterpret_cast<char*>(out), length, &link);
    // Every Ogg page carries a CRC, and a page that fails it is dropped by the decoder, which then
    // finds a hole in the stream: the only sign of damage to audio stored raw in an archive.
    if (n == OV_HOLE)
        m_input->file->ReportDamage("an Ogg page fails its CRC or is missing");
    else if (n < 0)
        m_input->file->ReportDamage("its Vorbis data does not decode");
    if (n > 0 && link > 0) {
        // The data of a chained stream's later link comes in that link's format.
        const vorbis_info* info = ov_info(m_decoder, link);
        if (!info || static_cast<u32>(info->channels) != m_channels || static_cast<u32>(info->rate) != m_sampleRate) {
            m_formatChanged = true;
            return 0;
        }
    }
    return n;
}

u32 AudioOgg::ReadPartialFrame(u8* out, u32 bytes)
{
    if (m_partialBytes == 0) {
        const u32 frame = GetFrameBytes();
        int holes = 0;
        long n;
        while ((n = Decode(m_partial, frame)) == OV_HOLE && ++holes <= MAX_HOLES) {
        }
        if (n != static_cast<long>(frame))
            return 0;
        m_partialBytes = frame;
        m_partialOffset = 0;
    }
    const u32 n = bytes < m_partialBytes ? bytes : m_partialBytes;
    std::memcpy(out, m_partial + m_partialOffset, n);
    m_partialOffset += n;
    m_partialBytes -= n;
    return n;
}

u32 AudioOgg::Read(void* buffer, u32 bytes)
{
    u8* out = static_cast<u8*>(buffer);
    u32 done = 0;
    if (LeadBytes() && bytes) {
        done = std::min(bytes, LeadBytes());
        std::memcpy(out, m_lead.data() + m_leadOffset, done);
        m_leadOffset += done;
    }
    if (m_partialBytes && done < bytes)
        done += ReadPartialFrame(out + done, bytes - done);
    const u32 frame = GetFrameBytes();
    int holes = 0;
    while (done < bytes && !m_formatChanged) {
        const u32 missing = bytes - done;
        if (missing < frame) {
            // The decoder hands out whole frames only; a request ending inside one is served
            // from a frame decoded aside.
            done += ReadPartialFrame(out + done, missing);
            break;
        }
        const long n = Decode(out + done, missing - missing % frame);
        if (n == OV_HOLE) {
            if (++holes > MAX_HOLES)
                break;
            continue;
        }
        if (n <= 0)
            break;
        holes = 0;
        done += static_cast<u32>(n);
    }
    return done;
}

void AudioOgg::ResetReadState()
{
    m_formatChanged = false;
    m_lead.clear();
    m_leadOffset = 0;
    m_partialBytes = 0;
    m_partialOffset = 0;
}

void AudioOgg::Rewind()
{
    ResetReadState();
    ov_time_seek(m_decoder, 0);
}

u32 AudioOgg::GetSize()
{
    return ToBytes(ov_pcm_total(m_decoder, -1), GetFrameBytes());
}

void AudioOgg::Seek(u32 position)
{
    ResetReadState();
    ov_pcm_seek(m_decoder, position / GetFrameBytes());
}

u32 AudioOgg::Tell()
{
    const u32 position = ToBytes(ov_pcm_tell(m_decoder), GetFrameBytes());
    const u32 held = m_partialBytes + LeadBytes();
    return position - (position >= held ? held : position);
}

} // namespace Vorn
