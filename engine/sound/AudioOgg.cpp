#include "sound/AudioOgg.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>
#include <string>
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
// no final inversion (unlike zlib's). Eight bytes at a time, by eight tables: table k gives the
// CRC of a byte followed by k zero bytes.
u32 OggCrc(u32 crc, const u8* data, size_t size)
{
    static const std::array<std::array<u32, 256>, 8> TABLES = [] {
        std::array<std::array<u32, 256>, 8> tables{};
        for (u32 i = 0; i < 256; ++i) {
            u32 r = i << 24;
            for (int k = 0; k < 8; ++k)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04c11db7u : r << 1;
            tables[0][i] = r;
        }
        for (size_t k = 1; k < 8; ++k) {
            for (u32 i = 0; i < 256; ++i)
                tables[k][i] = (tables[k - 1][i] << 8) ^ tables[0][tables[k - 1][i] >> 24];
        }
        return tables;
    }();
    const auto& t = TABLES;
    for (; size >= 8; data += 8, size -= 8) {
        const u32 a = crc ^ (static_cast<u32>(data[0]) << 24 | static_cast<u32>(data[1]) << 16 |
                             static_cast<u32>(data[2]) << 8 | data[3]);
        crc = t[7][a >> 24] ^ t[6][(a >> 16) & 0xff] ^ t[5][(a >> 8) & 0xff] ^ t[4][a & 0xff] ^ t[3][data[4]] ^
              t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
    }
    for (; size > 0; ++data, --size)
        crc = (crc << 8) ^ t[0][(crc >> 24) ^ *data];
    return crc;
}

// A page: "OggS", version 0 (at 4), flags, granule position, serial, sequence number, CRC (at 22),
// the segment count (at 26), the segment table, then the body the table sizes.
const size_t PAGE_HEADER = 27;
const char PAGE_START[] = "OggS"; // with the version's 0 after it: five bytes
const size_t PAGE_START_SIZE = 5;

// The length of the page at data, or 0 when its header, segment table or body runs past size.
size_t PageLength(const u8* data, size_t size)
{
    if (size < PAGE_HEADER)
        return 0;
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

// The size of the ID3v2 tag that starts the data (its header, the size it gives in seven bits a
// byte, and a footer if flagged), or 0 when the data does not start with one that fits.
size_t Id3v2TagSize(const u8* data, size_t size)
{
    const size_t HEADER = 10;
    if (size < HEADER || std::memcmp(data, "ID3", 3) != 0 || ((data[6] | data[7] | data[8] | data[9]) & 0x80))
        return 0;
    const size_t tag = HEADER + (data[5] & 0x10 ? HEADER : 0) +
                       (static_cast<size_t>(data[6]) << 21 | static_cast<size_t>(data[7]) << 14 |
                        static_cast<size_t>(data[8]) << 7 | data[9]);
    return tag <= size ? tag : 0;
}

// The walk of CheckPages: where the pages start, each page in turn, and what follows the last.
class PageWalk {
public:
    PageWalk(const u8* data, size_t size, std::string& why) : m_data(data), m_size(size), m_bytes(data, size), m_why(why) {}

    // Where the first page lies: at the start (0, or the end of an ID3v2 tag, the one tag that
    // programs put before Ogg pages); the size when the data holds no Ogg stream (no page start,
    // or a first one that is no intact page: other data holding "OggS" by chance). False when the
    // start is damaged: a page start wiped or damaged (DamagedStart), or bytes before an intact
    // page.
    bool Start(size_t& first)
    {
        const size_t start = Id3v2TagSize(m_data, m_size);
        first = m_bytes.Find(start, PAGE_START, PAGE_START_SIZE);
        if (first == start)
            return true;
        if (!CutShort(start) && (m_bytes.IdWipedAt(start, PAGE_START, 4) || DamagedStart(start)))
            return Damaged(start, " has a damaged capture pattern or version");
        const size_t length = first < m_size ? PageLength(m_data + first, m_size - first) : 0;
        if (length > 0 && PageCrcMatches(m_data + first, length))
            return Damaged(start, " is damaged: the first intact page lies at byte " + std::to_string(first));
        first = m_size;
        return true;
    }

    bool PageStartsAt(size_t at) const { return at < m_size && m_bytes.IdAt(at, PAGE_START, PAGE_START_SIZE); }

    // Takes the page at at, of length bytes, into its stream; false (why says so) when it is
    // damaged or cannot follow the pages before it.
    bool Take(size_t at, size_t& length)
    {
        length = PageLength(m_data + at, m_size - at);
        if (length == 0)
            return Damaged(at, " runs past the end");
        if (!PageCrcMatches(m_data + at, length))
            return Damaged(at, " fails its CRC");
        const u8 flags = m_data[at + 5];
        const u32 serial = LoadLE32(m_data + at + 14);
        const u32 sequence = LoadLE32(m_data + at + 18);
        const bool last = (flags & LAST_PAGE) != 0;
        if (flags & FIRST_PAGE)
            return Begin(at, serial, sequence, last);
        m_linkData = true;
        const auto found = m_streams.find(serial);
        if (found == m_streams.end())
            return Damaged(at, " belongs to a stream whose first page is missing");
        // Pages may go on after the one flagged as their stream's last, numbered in turn: some
        // programs write them so, and players play them.
        if (sequence != found->second.next)
            return Damaged(at, " is out of sequence: a page of its stream is missing before it");
        found->second.next = sequence + 1;
        if (last && !found->second.ended) {
            found->second.ended = true;
            --m_open;
        }
        return true;
    }

    // Whether the bytes from at on may follow the last page: none, a page cut inside its first
    // bytes, or bytes that are no page (a tag, padding) once every stream has ended.
    bool End(size_t at)
    {
        if (at == m_size || CutShort(at))
            return true;
        if (DamagedStart(at))
            return Damaged(at, " has a damaged capture pattern or version");
        const size_t again = m_bytes.Find(at, PAGE_START, PAGE_START_SIZE);
        if (again < m_size)
            return Damaged(at, " is damaged: pages start again at byte " + std::to_string(again));
        if (m_open > 0)
            return Damaged(at, " is damaged: its stream has not ended and no page follows");
        return true;
    }

private:
    static const u8 FIRST_PAGE = 0x02;
    static const u8 LAST_PAGE = 0x04;
    // Streams in one link of a chain: no real file holds more than a few.
    static const size_t MOST_STREAMS = 1024;

    struct Stream {
        u32 next;  // the sequence number of its next page
        bool ended;
    };

    // A page flagged as its stream's first begins a stream, or the same stream again once it has
    // ended (a chain); one whose stream is open is damage (a page written twice). The first pages
    // of a link come before its other pages, and a link begins once every stream of the last one
    // has ended: a first page among a link's other pages is damage (a lost last page). The streams
    // of the last link are then forgotten, so that the streams held stay few whatever the serial
    // numbers are; they are held in a tree, whose every search takes the same few steps.
    bool Begin(size_t at, u32 serial, u32 sequence, bool last)
    {
        if (m_open == 0) {
            m_streams.clear();
            m_linkData = false;
        } else if (m_linkData) {
            return Damaged(at, " begins a stream while the streams of its link are open");
        }
        const auto found = m_streams.find(serial);
        if (found != m_streams.end() && !found->second.ended)
            return Damaged(at, " begins its stream again while it is open");
        if (found == m_streams.end() && m_streams.size() >= MOST_STREAMS)
            return Damaged(at, " opens more streams in one link than any real file does");
        m_streams[serial] = {sequence + 1, last};
        m_open += !last;
        return true;
    }

    bool Damaged(size_t at, const std::string& what)
    {
        m_why = "its Ogg page at byte " + std::to_string(at) + what;
        return false;
    }

    // The bytes from at to the end are a page cut inside its first four bytes, where no page
    // starts yet.
    bool CutShort(size_t at) const { return m_size - at < PAGE_START_SIZE && m_bytes.IdAt(at, PAGE_START, m_size - at); }

    // A page whose start alone is damaged: most of its first five bytes still there, or a CRC
    // that matches once they are put right. Taken only where a page must or may start (at the
    // start, and where the pages stop), so that no CRC is ever taken in vain and the work stays
    // linear.
    bool DamagedStart(size_t at) const
    {
        if (m_size - at < PAGE_START_SIZE)
            return false;
        if (m_bytes.DifferencesAt(at, PAGE_START, PAGE_START_SIZE) <= 2)
            return true;
        const size_t length = PageLength(m_data + at, m_size - at);
        return length > 0 && PageCrcMatches(m_data + at, length);
    }

    const u8* m_data;
    size_t m_size;
    ByteReader m_bytes;
    std::string& m_why;
    std::map<u32, Stream> m_streams;
    size_t m_open = 0;       // streams begun and not ended
    bool m_linkData = false; // a page of the link other than a first one has come
};

} // namespace

bool AudioOgg::CheckPages(const u8* data, size_t size, std::string& why)
{
    PageWalk walk(data, size, why);
    size_t at = 0;
    if (!walk.Start(at))
        return false;
    for (size_t length = 0; walk.PageStartsAt(at); at += length) {
        if (!walk.Take(at, length))
            return false;
    }
    return walk.End(at);
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
