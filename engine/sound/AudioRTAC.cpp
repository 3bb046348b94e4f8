#include "sound/AudioRTAC.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/ByteReader.h"
#include "vfs/Vfs.h"

namespace Vorn {

namespace {

const u8 SHIFTS[4] = {9, 7, 5, 2};

// The value the decoder makes of code from the channel's running value: 16-bit arithmetic, so a
// step past a rail comes out at the other.
u16 Step(u16 value, u8 code)
{
    const u16 amount = static_cast<u16>((code & 0x3E) << SHIFTS[code >> 6]);
    return static_cast<u16>((code & 1) ? value + amount : value - amount);
}

// The code byte whose decoded value lies closest to target; running becomes that value. Every
// selector is tried, each with the two step counts on either side of the difference, toward
// target and, when the two lie more than half the range apart, also the other way round through
// the wrap, which is then the shorter (a square from 0 to 255 widened from 8 bits); nearer
// values never gain by it, as the largest step leaves them less than 1024 off and the way round
// more. Judging each candidate by what the decoder makes of it keeps a step that would wrap from
// being taken for one that lands beside the target, so no value comes out on the opposite rail.
// Ties go to the finest selector, which keeps a constant signal at zero steps (0xC1).
u8 EncodeStep(u16& running, s16 target)
{
    const s32 d = static_cast<s32>(target) - static_cast<s16>(running);
    const s32 goals[2] = {d, d < 0 ? d + 65536 : d - 65536};
    u8 best = 0;
    s32 bestError = 1 << 17;
    for (int g = 0; g < (d > -32768 && d < 32768 ? 1 : 2); ++g) {
        const s32 goal = goals[g];
        const u32 a = static_cast<u32>(goal < 0 ? -goal : goal);
        for (int selector = 3; selector >= 0; --selector) {
            // Steps come in units of 2 << shift, at most 31 of them (the magnitude's 5 bits).
            const u32 below = std::min<u32>(a >> (SHIFTS[selector] + 1), 31);
            for (u32 units = below; units <= std::min<u32>(below + 1, 31); ++units) {
                const u8 code = static_cast<u8>((units << 1) | (goal >= 0 ? 1 : 0) | (selector << 6));
                const s32 error = std::abs(static_cast<s16>(Step(running, code)) - target);
                if (error < bestError) {
                    best = code;
                    bestError = error;
                }
            }
        }
    }
    running = Step(running, best);
    return best;
}

// The format's plain rule: the selector by the bit length of the difference d (below 2^16 in
// magnitude), its magnitude cut to that selector's units.
u8 PlainCode(s32 d)
{
    const u32 a = static_cast<u32>(d < 0 ? -d : d);
    const int selector = a >= 1u << 12 ? 0 : a >= 1u << 10 ? 1 : a >= 1u << 8 ? 2 : 3;
    return static_cast<u8>(((a >> SHIFTS[selector]) & 0x3E) | (d >= 0 ? 1 : 0) | (selector << 6));
}

// How a channel's values are coded: the code whose decoded value lies nearest each value, or the
// plain rule on the difference taken modulo 2^16 or at most the largest step either way.
enum Rule { NEAREST, PLAIN_WRAPPING, PLAIN_CLAMPED, RULES };

// The code of target under rule from running, which becomes its decoded value; inRange is cleared
// when the true difference lies outside the largest step either way, the only case in which the
// two plain rules differ.
u8 CodeStep(Rule rule, u16& running, s16 target, bool& inRange)
{
    if (rule == NEAREST)
        return EncodeStep(running, target);
    const s32 d = target - static_cast<s16>(running);
    inRange = inRange && d >= -32767 && d <= 32767;
    const u8 code = PlainCode(rule == PLAIN_WRAPPING ? static_cast<s16>(d) : std::clamp(d, -32767, 32767));
    running = Step(running, code);
    return code;
}

// Codes one channel of a block (its values at values[channel + k * channels], the first raw) into
// out at the same places. A nearer code can leave a running value that serves the next values
// worse, so the nearest codes can lose to a plain rule over a block: each rule is tried, and the
// one leaving the least squared error is kept, ties to the nearest codes. Blocks start afresh,
// so no block codes worse than under either plain rule, at the cost of encoding time only.
void CodeChannel(const s16* values, u32 count, u32 channel, u32 channels, u8* out)
{
    u8 codes[RULES][AudioRTAC::BLOCK_BYTES / 2];
    u64 best = ~0ull;
    int kept = NEAREST;
    bool inRange = true;
    // Nothing beats no error, and the clamped rule codes as the wrapping one while every
    // difference is in range.
    for (int rule = NEAREST; rule < RULES && best > 0 && !(rule == PLAIN_CLAMPED && inRange); ++rule) {
        u16 running = static_cast<u16>(values[channel]);
        u64 error = 0;
        for (u32 i = channel + channels; i < count; i += channels) {
            codes[rule][i] = CodeStep(static_cast<Rule>(rule), running, values[i], inRange);
            const s64 off = static_cast<s16>(running) - values[i];
            error += static_cast<u64>(off * off);
        }
        if (error < best) {
            best = error;
            kept = rule;
        }
    }
    for (u32 i = channel + channels; i < count; i += channels)
        out[i] = codes[kept][i];
}

} // namespace

u64 AudioRTAC::CodedSize(u64 pcmBytes, u32 channels)
{
    return pcmBytes / 2 + static_cast<u64>(channels) * ((pcmBytes + BLOCK_BYTES - 1) / BLOCK_BYTES);
}

AudioRTAC::AudioRTAC(u32 channels, u32 sampleRate, u32 pcmSize)
    : m_pcmSize(pcmSize),
      m_dataOffset(0),
      m_pcmPosition(0),
      m_blockValue(0),
      m_blockValues(0),
      m_current{0, 0},
      m_halfPending(false),
      m_pendingByte(0)
{
    m_channels = channels;
    m_sampleRate = sampleRate;
}

AudioRTAC* AudioRTAC::Open(const NarrowString& path)
{
    SmartPtr<File> file(Vfs::Open(path.c_str()));
    return file ? Load(*file) : nullptr;
}

AudioRTAC* AudioRTAC::Load(File& file)
{
    u8 header[HEADER_BYTES];
    if (!file.Seek(0, SeekableStream::FROM_START) || file.Read(header, HEADER_BYTES) != static_cast<s32>(HEADER_BYTES))
        return nullptr;
    ByteReader in(header, HEADER_BYTES);
    const u32 channels = in.U32At(4);
    const u32 rate = in.U32At(8);
    const u32 pcmSize = in.U32At(12);
    if ((channels != 1 && channels != 2) || rate == 0 || pcmSize == 0 || pcmSize > MAX_PCM_BYTES ||
        pcmSize % (channels * 2) != 0)
        return nullptr;
    // The claim is checked against the bytes the file has before anything is allocated for it.
    const u64 coded = CodedSize(pcmSize, channels);
    const u32 fileSize = file.GetSize();
    if (fileSize < HEADER_BYTES || coded > fileSize - HEADER_BYTES)
        return nullptr;
    AudioRTAC* rtac = new AudioRTAC(channels, rate, pcmSize);
    rtac->m_data.resize(static_cast<size_t>(coded));
    if (file.Read(rtac->m_data.data(), static_cast<u32>(coded)) != static_cast<s32>(coded)) {
        delete rtac;
        return nullptr;
    }
    return rtac;
}

AudioRTAC* AudioRTAC::Encode(const SmartPtr<AudioSource>& source)
{
    if (!source)
        return nullptr;
    const u32 channels = source->GetChannels();
    if (channels != 1 && channels != 2)
        return nullptr;
    const u32 frame = channels * 2;
    // The size bounds the work (a module, which never ends, has none); the data is what the
    // source delivers up to it, and memory grows with that, not with the claim.
    const u32 frameAligned = std::min(source->GetSize(), MAX_PCM_BYTES);
    const u32 claim = frameAligned - frameAligned % frame;
    AudioRTAC* rtac = new AudioRTAC(channels, source->GetSampleRate(), 0);
    std::vector<u8>& out = rtac->m_data;
    out.reserve(static_cast<size_t>(CodedSize(std::min<u32>(claim, 1u << 20), channels)));

    // The source is read in pieces of whole blocks; a piece shorter than asked is its end.
    const u32 PIECE = 64 * BLOCK_BYTES;
    std::vector<u8> piece(PIECE);
    u32 total = 0;
    bool more = true;
    while (more && total < claim) {
        const u32 want = std::min(PIECE, claim - total);
        u32 got = std::min(source->Read(piece.data(), want), want);
        more = got == want;
        got -= got % frame;
        for (u32 start = 0; start < got; start += BLOCK_BYTES) {
            const u32 values = std::min(BLOCK_BYTES, got - start) / 2;
            s16 block[BLOCK_BYTES / 2];
            std::memcpy(block, piece.data() + start, values * 2);
            u8 codes[BLOCK_BYTES / 2];
            for (u32 c = 0; c < channels; ++c) {
                out.push_back(static_cast<u8>(block[c]));
                out.push_back(static_cast<u8>(static_cast<u16>(block[c]) >> 8));
                CodeChannel(block, values, c, channels, codes);
            }
            out.insert(out.end(), codes + channels, codes + values);
        }
        total += got;
    }
    if (total == 0) {
        delete rtac;
        return nullptr;
    }
    rtac->m_pcmSize = total;
    out.shrink_to_fit();
    return rtac;
}

std::vector<u8> AudioRTAC::Serialize() const
{
    std::vector<u8> out(HEADER_BYTES + m_data.size());
    std::memcpy(out.data(), "RTAC", 4);
    StoreLE32(out.data() + 4, m_channels);
    StoreLE32(out.data() + 8, m_sampleRate);
    StoreLE32(out.data() + 12, m_pcmSize);
    if (!m_data.empty())
        std::memcpy(out.data() + HEADER_BYTES, m_data.data(), m_data.size());
    return out;
}

s16 AudioRTAC::DecodeValue()
{
    if (m_blockValue == m_blockValues) {
        m_blockValue = 0;
        m_blockValues = std::min(BLOCK_BYTES, m_pcmSize - (m_pcmPosition & ~(BLOCK_BYTES - 1))) / 2;
    }
    const u32 channel = m_blockValue % m_channels;
    u16& value = m_current[channel];
    if (m_blockValue < m_channels) {
        value = LoadLE16(&m_data[m_dataOffset]);
        m_dataOffset += 2;
    } else {
        value = Step(value, m_data[m_dataOffset++]);
    }
    ++m_blockValue;
    return static_cast<s16>(value);
}

u32 AudioRTAC::Read(void* buffer, u32 bytes)
{
    u8* out = static_cast<u8*>(buffer);
    const u32 n = std::min(bytes, m_pcmSize - m_pcmPosition);
    u32 done = 0;
    if (m_halfPending && done < n) {
        out[done++] = m_pendingByte;
        m_halfPending = false;
        ++m_pcmPosition;
    }
    // m_pcmPosition is even from here on: the block of the next value is that of the position.
    while (n - done >= 2) {
        const u16 v = static_cast<u16>(DecodeValue());
        out[done] = static_cast<u8>(v);
        out[done + 1] = static_cast<u8>(v >> 8);
        done += 2;
        m_pcmPosition += 2;
    }
    if (done < n) {
        const u16 v = static_cast<u16>(DecodeValue());
        out[done++] = static_cast<u8>(v);
        m_pendingByte = static_cast<u8>(v >> 8);
        m_halfPending = true;
        ++m_pcmPosition;
    }
    return done;
}

void AudioRTAC::Rewind()
{
    m_dataOffset = 0;
    m_pcmPosition = 0;
    m_blockValue = 0;
    m_blockValues = 0;
    m_halfPending = false;
}

void AudioRTAC::Seek(u32 position)
{
    position = std::min(position, m_pcmSize);
    const u32 block = position / BLOCK_BYTES;
    m_dataOffset = (BLOCK_BYTES / 2 + m_channels) * block;
    m_pcmPosition = block * BLOCK_BYTES;
    m_blockValue = 0;
    m_blockValues = 0;
    m_halfPending = false;
    // Whole values and whole stereo pairs of the block are decoded without output; a position
    // inside a frame starts after that frame's first whole values.
    u32 skip = position % BLOCK_BYTES;
    skip -= skip % 2;
    for (u32 i = 0; i < skip; i += 2) {
        DecodeValue();
        m_pcmPosition += 2;
    }
    if (m_pcmPosition < position) {
        const u16 v = static_cast<u16>(DecodeValue());
        m_pendingByte = static_cast<u8>(v >> 8);
        m_halfPending = true;
        ++m_pcmPosition;
    }
}

} // namespace Vorn
