#include "sound/xm/ModuleSong.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/ByteReader.h"
#include "base/SmartPtr.h"
#include "vfs/Vfs.h"

namespace Vorn {
namespace ModulePlayer {

namespace {

// Reads the file through one cursor that knows the file's size: every field is checked against
// what is left, and a read past the end marks the reader failed instead of giving stale bytes.
// Modules are read as they stream in, not from a block in memory; the fields' byte order is the
// loaders' shared one.
class Reader {
public:
    explicit Reader(File& file) : m_file(file), m_size(file.GetSize()), m_offset(0), m_failed(false) {}

    bool Failed() const { return m_failed; }
    u32 Offset() const { return m_offset; }
    u32 Left() const { return m_offset < m_size ? m_size - m_offset : 0; }

    bool Bytes(void* out, u32 count)
    {
        if (m_failed || count > Left() || m_file.Read(out, count) != static_cast<s32>(count)) {
            m_failed = true;
            std::memset(out, 0, count);
            return false;
        }
        m_offset += count;
        return true;
    }
    u8 U8()
    {
        u8 v = 0;
        Bytes(&v, 1);
        return v;
    }
    u16 U16()
    {
        u8 b[2];
        Bytes(b, 2);
        return LoadLE16(b);
    }
    u32 U32()
    {
        u8 b[4];
        Bytes(b, 4);
        return LoadLE32(b);
    }
    std::string Text(u32 count)
    {
        std::string s(count, '\0');
        Bytes(&s[0], count);
        s.resize(std::strlen(s.c_str()));
        return s;
    }
    // Moves forward to offset (never back); false past the end.
    bool SkipTo(u64 offset)
    {
        if (m_failed || offset > m_size || offset > 0x7fffffff) {
            m_failed = true;
            return false;
        }
        if (offset > m_offset) {
            if (!m_file.Seek(static_cast<int>(offset), SeekableStream::FROM_START)) {
                m_failed = true;
                return false;
            }
            m_offset = static_cast<u32>(offset);
        }
        return true;
    }

private:
    File& m_file;
    u32 m_size;
    u32 m_offset;
    bool m_failed;
};

bool ReadPattern(Reader& in, ModulePattern& pattern)
{
    const u32 start = in.Offset();
    const u32 headerLength = in.U32();
    in.U8();   // packing type
    pattern.rows = in.U16();
    const u16 packedSize = in.U16();
    // A longer header than these nine bytes holds fields this reader does not know.
    if (in.Failed() || !in.SkipTo(std::max<u64>(static_cast<u64>(start) + headerLength, in.Offset())) ||
        pattern.rows > CModuleSong::MAX_ROWS || packedSize > in.Left())
        return false;
    if (pattern.rows == 0)
        pattern.rows = 1;
    pattern.packed.resize(packedSize);
    return packedSize == 0 || in.Bytes(pattern.packed.data(), packedSize);
}

// The instrument header's optional fields, each read while the header's size leaves bytes for it.
bool ReadInstrument(Reader& in, ModuleInstrument& instrument, u32& sampleHeaderSize)
{
    const u32 start = in.Offset();
    const u32 headerSize = in.U32();
    instrument.name = in.Text(22);
    instrument.type = in.U8();
    const u16 sampleCount = in.U16();
    if (in.Failed() || sampleCount > CModuleSong::MAX_SAMPLES)
        return false;
    sampleHeaderSize = 0;
    // Each field is read when the header holds all of it; what the header holds beyond the fields
    // is skipped.
    const u64 end = static_cast<u64>(start) + headerSize;
    auto room = [&](u32 bytes) { return in.Offset() + static_cast<u64>(bytes) <= end; };
    if (room(4))
        sampleHeaderSize = in.U32();
    if (room(sizeof(instrument.sampleMap)))
        in.Bytes(instrument.sampleMap, sizeof(instrument.sampleMap));
    if (room(48)) {
        for (EnvelopePoint& p : instrument.volumePoints) {
            p.x = in.U16();
            p.y = in.U16();
        }
    }
    if (room(48)) {
        u8 panning[48];
        in.Bytes(panning, sizeof(panning));
    }
    u8 counts[14] = {};
    if (room(sizeof(counts)))
        in.Bytes(counts, sizeof(counts));
    instrument.volumePointCount = std::min<u8>(counts[0], ModuleInstrument::MAX_POINTS);
    instrument.volumeSustain = counts[2];
    instrument.volumeLoopStart = counts[3];
    instrument.volumeLoopEnd = counts[4];
    instrument.volumeType = counts[8];
    if (room(2))
        instrument.fadeout = in.U16();
    if (in.Failed() || !in.SkipTo(std::max<u64>(end, in.Offset())))
        return false;
    instrument.samples.resize(sampleCount);
    return sampleCount == 0 || sampleHeaderSize > 0;
}

const u32 SAMPLE_HEADER_BYTES = 40;

bool ReadSampleHeader(Reader& in, ModuleSample& sample, u32 headerSize)
{
    u8 raw[SAMPLE_HEADER_BYTES] = {};
    const u32 n = std::min(headerSize, SAMPLE_HEADER_BYTES);
    if (!in.Bytes(raw, n) || !in.SkipTo(static_cast<u64>(in.Offset()) + (headerSize - n)))
        return false;
    sample.length = LoadLE32(raw);
    sample.loopStart = LoadLE32(raw + 4);
    sample.loopLength = LoadLE32(raw + 8);
    sample.volume = std::min<u8>(raw[12], 64);
    sample.finetune = static_cast<s8>(raw[13]);
    sample.type = raw[14];
    sample.panning = raw[15];
    sample.relativeNote = static_cast<s8>(raw[16]);
    const double pitch = 4096.0 * std::pow(1.0594631, sample.relativeNote + sample.finetune * 0.0078125);
    sample.step = static_cast<u32>(pitch);
    return true;
}

// Delta-coded data: each value is the running sum of the stored differences, wrapping in its width.
bool ReadSampleData(Reader& in, ModuleSample& sample)
{
    const bool wide = (sample.type & 0x10) != 0;
    const u32 bytes = sample.length;
    if (bytes > in.Left())
        return false;
    std::vector<u8> raw(bytes);
    if (bytes && !in.Bytes(raw.data(), bytes))
        return false;
    if (wide) {
        sample.length /= 2;
        sample.loopStart /= 2;
        sample.loopLength /= 2;
        sample.data.resize(sample.length);
        u16 sum = 0;
        for (u32 i = 0; i < sample.length; ++i) {
            sum = static_cast<u16>(sum + LoadLE16(&raw[2 * i]));
            sample.data[i] = static_cast<s16>(sum);
        }
    } else {
        sample.data.resize(sample.length);
        u8 sum = 0;
        for (u32 i = 0; i < sample.length; ++i) {
            sum = static_cast<u8>(sum + raw[i]);
            sample.data[i] = static_cast<s16>(static_cast<u16>(sum) << 8);
        }
    }
    // A loop reaching past the sample is cut to it; one that is left empty plays as no loop.
    sample.loopStart = std::min(sample.loopStart, sample.length);
    sample.loopLength = std::min(sample.loopLength, sample.length - sample.loopStart);
    return true;
}

} // namespace

void CModuleSong::Clear()
{
    name.clear();
    tracker.clear();
    songLength = restart = channels = flags = speed = bpm = 0;
    std::memset(orders, 0, sizeof(orders));
    patterns.clear();
    instruments.clear();
}

bool CModuleSong::Load(const char* path)
{
    Clear();
    SmartPtr<File> file(Vfs::Open(path));
    return file && Load(*file);
}

bool CModuleSong::Load(File& file)
{
    Clear();
    if (!file.Seek(0, SeekableStream::FROM_START))
        return false;
    Reader in(file);
    in.Text(17);
    name = in.Text(20);
    in.U8();
    tracker = in.Text(20);
    in.U16();  // version
    const u32 headerSize = in.U32();
    songLength = in.U16();
    restart = in.U16();
    channels = in.U16();
    const u16 patternCount = in.U16();
    const u16 instrumentCount = in.U16();
    flags = in.U16();
    speed = in.U16();
    bpm = in.U16();
    in.Bytes(orders, ORDER_COUNT);
    bool ok = !in.Failed() && songLength >= 1 && songLength <= ORDER_COUNT && channels >= 1 &&
              channels <= MAX_CHANNELS && patternCount <= MAX_PATTERNS && instrumentCount <= MAX_INSTRUMENTS;

    // The header's size counts from its own field; a larger one than the standard holds more
    // than this reader knows, and the patterns follow it.
    const u32 HEADER_SIZE_AT = 60;
    if (ok && headerSize > HEADER_BYTES - HEADER_SIZE_AT + ORDER_COUNT)
        ok = in.SkipTo(HEADER_SIZE_AT + static_cast<u64>(headerSize));
    if (ok) {
        patterns.resize(patternCount);
        for (ModulePattern& pattern : patterns) {
            if (!(ok = ReadPattern(in, pattern)))
                break;
        }
    }
    if (ok) {
        instruments.resize(instrumentCount);
        for (ModuleInstrument& instrument : instruments) {
            u32 sampleHeaderSize = 0;
            ok = ReadInstrument(in, instrument, sampleHeaderSize);
            for (size_t i = 0; ok && i < instrument.samples.size(); ++i)
                ok = ReadSampleHeader(in, instrument.samples[i], sampleHeaderSize);
            for (size_t i = 0; ok && i < instrument.samples.size(); ++i)
                ok = ReadSampleData(in, instrument.samples[i]);
            if (!ok)
                break;
        }
    }
    if (!ok) {
        Clear();
        return false;
    }
    m_missing.rows = MISSING_PATTERN_ROWS;
    return true;
}

const ModulePattern& CModuleSong::OrderPattern(u32 order) const
{
    const u32 index = order < ORDER_COUNT ? orders[order] : ORDER_COUNT;
    return index < patterns.size() ? patterns[index] : m_missing;
}

} // namespace ModulePlayer
} // namespace Vorn
