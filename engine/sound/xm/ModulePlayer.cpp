#include "sound/xm/ModulePlayer.h"

#include <algorithm>
#include <cmath>

namespace Vorn {
namespace ModulePlayer {

namespace {

const u32 MAX_VOLUME = 65535;
// Portamento up multiplies the step on every tick: beyond this (65,536 source samples per output
// sample) it stops growing, so the products below stay in range.
const u32 MAX_STEP = 16u << 24;
// Samples per tick times BPM: a tick lasts 2.5 / BPM seconds.
const u32 TICK_SAMPLES_BPM = ModulePlayer::RATE * 5 / 2;
// Mixed values carry 8 bits below the sample's; the output drops them and 2 more, the headroom of
// four full-scale channels.
const int MIX_FRACTION = 8;
const int HEADROOM = 2;

s32 ClampVolume(s64 v)
{
    return static_cast<s32>(v < 0 ? 0 : (v > MAX_VOLUME ? MAX_VOLUME : v));
}

} // namespace

ModulePlayer::ModulePlayer()
    : m_song(nullptr),
      m_noteSteps(),
      m_speed(8),
      m_bpm(120),
      m_samplesPerTick(459),
      m_tickRemainder(0),
      m_tick(0),
      m_tickSamplesLeft(0),
      m_order(0),
      m_row(0),
      m_packedPosition(0),
      m_startOrder(-1),
      m_endOrder(-1)
{
}

void ModulePlayer::Init(const CModuleSong* song)
{
    m_song = song;
    for (u32 n = 0; n < NOTE_STEPS; ++n)
        m_noteSteps[n] = static_cast<u32>(4096.0 * std::pow(1.0594631, static_cast<double>(n) - 66.15));
    m_channels.assign(song ? song->channels : 0, Channel());
    m_tick = 0;
    m_tickSamplesLeft = 0;
    m_packedPosition = 0;
    m_order = m_row = 0;
    m_startOrder = m_endOrder = -1;
    // A speed of 0 would never reach a row.
    m_speed = song && song->speed ? song->speed : 8;
    SetTempo(song ? song->bpm : 120);
}

void ModulePlayer::SetTempo(u32 bpm)
{
    m_bpm = bpm;
    m_tickRemainder = 0;
    // Tempos below 3 BPM have one tick a second; at least one sample per tick, or rendering would
    // never move on.
    m_samplesPerTick = bpm < 3 ? RATE : std::max<u32>(TICK_SAMPLES_BPM / bpm, 1);
}

u32 ModulePlayer::NextTickLength()
{
    if (m_bpm < 3 || m_bpm > TICK_SAMPLES_BPM)
        return m_samplesPerTick;
    // The fraction of a sample each tick leaves is carried into the next.
    m_tickRemainder += TICK_SAMPLES_BPM % m_bpm;
    const u32 extra = m_tickRemainder >= m_bpm ? 1 : 0;
    m_tickRemainder -= extra * m_bpm;
    return m_samplesPerTick + extra;
}

void ModulePlayer::SetPosition(int startOrder, int endOrder)
{
    if (!m_song)
        return;
    const int last = static_cast<int>(m_song->songLength) - 1;
    m_startOrder = startOrder < 0 ? 0 : std::min(startOrder, last);
    m_endOrder = endOrder < 0 || endOrder > last ? last : endOrder;
    m_endOrder = std::max(m_endOrder, m_startOrder);
    m_order = static_cast<u32>(m_startOrder);
    m_row = 0;
    m_packedPosition = 0;
}

u32 ModulePlayer::GetPosition() const
{
    if (!m_song)
        return 0;
    const u32 rows = m_song->OrderPattern(m_order).rows;
    return (m_order << 16) + (rows ? (m_row << 16) / rows : 0);
}

void ModulePlayer::NextOrder()
{
    m_row = 0;
    m_packedPosition = 0;
    m_order = static_cast<int>(m_order) + 1 > m_endOrder ? static_cast<u32>(m_startOrder) : m_order + 1;
}

u8 ModulePlayer::PackedByte(const ModulePattern& pattern)
{
    // Data that ends before the pattern's rows do reads as empty notes.
    if (m_packedPosition >= pattern.packed.size())
        return 0;
    return pattern.packed[m_packedPosition++];
}

ModulePlayer::Cell ModulePlayer::ReadCell(const ModulePattern& pattern)
{
    Cell cell;
    u8 mask = PackedByte(pattern);
    if (mask & 0x80) {
        if (mask & 1)
            cell.note = PackedByte(pattern);
    } else {
        cell.note = mask;
        mask = 0x1F;
    }
    cell.instrument = (mask & 2) ? PackedByte(pattern) : 0;
    cell.volume = (mask & 4) ? PackedByte(pattern) : 0;
    cell.effect = (mask & 8) ? PackedByte(pattern) : 0;
    cell.hasParameter = (mask & 16) != 0;
    cell.parameter = cell.hasParameter ? PackedByte(pattern) : 0;
    return cell;
}

void ModulePlayer::ApplyVolumeColumn(Channel& channel, u8 volume)
{
    if (volume >= 0x10 && volume <= 0x50)
        channel.volume = (volume - 0x10) * 1024;
    else if (volume >= 0x60 && volume <= 0x6F)
        channel.volume = ClampVolume(channel.volume - (volume - 0x60) * 1024);
    else if (volume >= 0x70 && volume <= 0x7F)
        channel.volume = ClampVolume(channel.volume + (volume - 0x70) * 1024);
    else if (volume >= 0x80 && volume <= 0x8F)
        channel.volume = ClampVolume(channel.volume - (volume - 0x80) * 4);
    else if (volume >= 0x90 && volume <= 0x9F)
        channel.volume = ClampVolume(channel.volume + (volume - 0x90) * 4);
    channel.volume = ClampVolume(channel.volume);
}

void ModulePlayer::ApplyTempo(const Cell& cell)
{
    // Speed 0 would stop the song: such a parameter is ignored.
    if (cell.effect != 15 || !cell.hasParameter || !cell.parameter)
        return;
    if (cell.parameter < 32)
        m_speed = cell.parameter;
    else
        SetTempo(cell.parameter);
}

void ModulePlayer::StartNote(Channel& channel, const Cell& cell)
{
    const std::vector<ModuleInstrument>& instruments = m_song->instruments;
    channel.note = cell.note;
    const u32 index = std::min<u32>(cell.note, NOTE_STEPS - 1);
    const ModuleInstrument* instrument =
        channel.instrument < instruments.size() ? &instruments[channel.instrument] : nullptr;
    channel.currentInstrument = instrument;
    const ModuleSample* sample = nullptr;
    if (instrument) {
        const u32 mapped = instrument->sampleMap[std::min<u32>(cell.note - 1u, 95)];
        if (mapped < instrument->samples.size())
            sample = &instrument->samples[mapped];
    }
    const u64 step = sample ? (static_cast<u64>(sample->step) * m_noteSteps[index]) / 4096 : 0;
    channel.target = static_cast<u32>(std::min<u64>(step, MAX_STEP));
    if (cell.effect == 3)
        return;
    // Whatever the channel still sounds fades out while the new note fades in, so that a note
    // starting on a silent channel does not step to its level either (a drum's first sample is
    // often its loudest).
    StartTail(channel);
    channel.sample = sample;
    channel.position = 0;
    channel.envelope = 64;
    channel.envelopeTick = 0;
    channel.envelopePoint = 0;
    channel.keyOff = false;
    channel.step = channel.target;
    channel.mixGain = 0;
    channel.gainTarget = 0;
    channel.rampLeft = 0;
}

void ModulePlayer::ProcessRow()
{
    const ModulePattern& pattern = m_song->OrderPattern(m_order);
    // A pattern break takes effect once the whole row has played: the notes and effects of the
    // channels after the breaking one belong to the row as much as those before it.
    bool patternBreak = false;
    for (Channel& channel : m_channels) {
        const Cell cell = ReadCell(pattern);
        // Instrument numbers count from 1: 0 names none.
        if (cell.instrument)
            channel.instrument = cell.instrument - 1u;
        ApplyVolumeColumn(channel, cell.volume);
        channel.effect = cell.effect;
        if (cell.hasParameter && cell.parameter)
            channel.parameter = cell.parameter;
        ApplyTempo(cell);

        if (cell.note == KEY_OFF)
            channel.keyOff = true;
        else if (cell.note)
            StartNote(channel, cell);
        if (cell.instrument && !cell.volume && channel.sample)
            channel.volume = ClampVolume(channel.sample->volume * 1024);

        if (cell.effect == 13)
            patternBreak = true;
        else if (cell.effect == 20)
            channel.keyOff = true;
        else if (cell.effect == 12)
            // The row's own parameter: packed data leaves out a zero, and "set volume 0" must
            // silence rather than repeat an earlier row's value.
            channel.volume = ClampVolume(static_cast<s32>(cell.parameter) * 1024);
    }
    if (patternBreak || ++m_row >= pattern.rows)
        NextOrder();
}

void ModulePlayer::UpdateEnvelope(Channel& channel)
{
    const ModuleInstrument* instrument = channel.currentInstrument;
    if (!instrument || !(instrument->volumeType & 1) || instrument->volumePointCount < 2)
        return;
    const u32 count = instrument->volumePointCount;
    const EnvelopePoint* points = instrument->volumePoints;
    u32& i = channel.envelopePoint;
    if (i + 1 >= count) {
        // On the last point for its own tick, silent past it.
        if (channel.envelopeTick > points[i].x) {
            StartTail(channel);
            channel.sample = nullptr;
            return;
        }
        channel.envelope = std::max(0, std::min<s32>(64, points[i].y));
        ++channel.envelopeTick;
        return;
    }
    const EnvelopePoint& a = points[i];
    const EnvelopePoint& b = points[i + 1];
    // Points that do not move forward in x take the next point's value at once.
    s32 value = b.y;
    if (b.x > a.x && channel.envelopeTick >= a.x) {
        const s32 t = static_cast<s32>(std::min<u32>(channel.envelopeTick, b.x) - a.x);
        value = a.y + (static_cast<s32>(b.y) - a.y) * t / (b.x - a.x);
    } else if (b.x > a.x) {
        value = a.y;
    }
    channel.envelope = std::max(0, std::min(64, value));
    const bool sustain = (instrument->volumeType & 2) && !channel.keyOff && instrument->volumeSustain < count;
    if (sustain && i == instrument->volumeSustain) {
        channel.envelopeTick = points[i].x;
        channel.envelope = std::max(0, std::min<s32>(64, points[i].y));
        return;
    }
    ++channel.envelopeTick;
    while (i + 1 < count && channel.envelopeTick >= points[i + 1].x) {
        ++i;
        if (sustain && i == instrument->volumeSustain)
            break;
    }
}

void ModulePlayer::ApplyTickEffect(Channel& channel)
{
    const u32 p = channel.parameter;
    switch (channel.effect) {
    case 1:
        channel.step = static_cast<u32>(std::min<u64>(channel.step + (static_cast<u64>(channel.step) * p) / 512, MAX_STEP));
        break;
    case 2:
        channel.step -= static_cast<u32>((static_cast<u64>(channel.step) * p) / 512);
        break;
    case 3: {
        const u32 move = static_cast<u32>((static_cast<u64>(channel.step) * p) / 256);
        if (channel.step < channel.target)
            channel.step = channel.target - channel.step <= move ? channel.target : channel.step + move;
        else
            channel.step = channel.step - channel.target <= move ? channel.target : channel.step - move;
        break;
    }
    case 6:
    case 10:
        channel.volume = ClampVolume(channel.volume + (static_cast<s32>(p >> 4) - static_cast<s32>(p & 15)) * 1024);
        break;
    case 14:
        if ((p >> 4) == 10)
            channel.volume = ClampVolume(channel.volume + (p & 15) * 256);
        else if ((p >> 4) == 11)
            channel.volume = ClampVolume(channel.volume - static_cast<s32>(p & 15) * 256);
        break;
    default:
        break;
    }
    channel.volume = ClampVolume(channel.volume);
}

void ModulePlayer::Tick()
{
    if (++m_tick >= m_speed) {
        m_tick = 0;
        ProcessRow();
    }
    for (Channel& channel : m_channels) {
        if (!channel.sample)
            continue;
        UpdateEnvelope(channel);
        ApplyTickEffect(channel);
    }
}

void ModulePlayer::StartTail(Channel& channel)
{
    // A fade still running goes on from where it is, under the new one.
    channel.tail = static_cast<s32>(static_cast<s64>(channel.tail) * channel.tailLeft / RAMP) + channel.lastOut;
    channel.tailLeft = channel.tail ? RAMP : 0;
    channel.lastOut = 0;
}

void ModulePlayer::MixTail(Channel& channel, s32* mix, u32 count)
{
    const u32 n = std::min(count, channel.tailLeft);
    const s64 tail = channel.tail;
    for (u32 i = 0; i < n; ++i)
        mix[i] += static_cast<s32>(tail * (channel.tailLeft - i - 1) / RAMP);
    channel.tailLeft -= n;
    if (!channel.tailLeft)
        channel.tail = 0;
}

namespace {

// Mixes count samples of data from position on, every one of which interpolates between two
// samples inside data, with a gain (8 fraction bits) that moves by gainStep a sample. Returns the
// last value mixed.
template <bool GLIDE>
s32 MixRun(const s16* data, u64& position, u32 step, s32* mix, u32 count, s32& gain, s32 gainStep)
{
    u64 p = position;
    s32 g = gain >> 8;
    s32 last = 0;
    for (u32 i = 0; i < count; ++i) {
        p += step;
        const s16* d = data + (p >> 12);
        const s32 fraction = static_cast<s32>(p & 4095);
        const s32 value = d[0] + (((d[1] - d[0]) * fraction) >> 12);
        if (GLIDE) {
            gain += gainStep;
            g = gain >> 8;
        }
        last = (value * g) >> MIX_FRACTION;
        mix[i] += last;
    }
    position = p;
    return last;
}

} // namespace

void ModulePlayer::SetGainTarget(Channel& channel)
{
    const s32 target = static_cast<s32>(
        (static_cast<s64>(channel.gain) * ((static_cast<s64>(channel.volume) * channel.envelope) / 64)) >> 16);
    if (target != channel.gainTarget) {
        channel.gainTarget = target;
        channel.gainStep = ((target << 8) - channel.mixGain) / static_cast<s32>(RAMP);
        channel.rampLeft = RAMP;
    }
}

void ModulePlayer::MixSpan(Channel& channel, const s16* data, u64& position, s32* mix, u32 count)
{
    // An empty span must leave the last value mixed as it is: the sample may end right after it,
    // and its fade-out starts from that value.
    if (!count)
        return;
    if (channel.rampLeft) {
        const u32 glide = std::min(count, channel.rampLeft);
        channel.lastOut = MixRun<true>(data, position, channel.step, mix, glide, channel.mixGain, channel.gainStep);
        channel.rampLeft -= glide;
        if (!channel.rampLeft)
            channel.mixGain = channel.gainTarget << 8;
        mix += glide;
        count -= glide;
    }
    if (count)
        channel.lastOut = MixRun<false>(data, position, channel.step, mix, count, channel.mixGain, 0);
}

void ModulePlayer::MixChannel(Channel& channel, s32* mix, u32 count)
{
    SetGainTarget(channel);
    const ModuleSample& sample = *channel.sample;
    const s16* data = sample.data.data();
    const bool loops = sample.Loops();
    const u64 end = loops ? static_cast<u64>(sample.loopStart) + sample.loopLength : sample.length;
    // Positions below this interpolate between two samples before the end.
    const u64 inside = end ? (end - 1) << 12 : 0;
    const u32 step = channel.step;
    u64 position = channel.position;
    u32 i = 0;
    while (i < count) {
        u64 run = count - i;
        if (position >= inside)
            run = 0;
        else if (step)
            run = std::min<u64>(run, (inside - 1 - position) / step);
        MixSpan(channel, data, position, mix + i, static_cast<u32>(run));
        i += static_cast<u32>(run);
        if (i == count)
            break;
        // One sample at the end of the data or of the loop.
        position += step;
        if (loops && position >= end << 12) {
            const u64 loopLength = static_cast<u64>(sample.loopLength) << 12;
            position = (end << 12) - loopLength + (position - (end << 12)) % loopLength;
        }
        const u64 index = position >> 12;
        if (index >= sample.length) {
            StartTail(channel);
            channel.sample = nullptr;
            MixTail(channel, mix + i, count - i);
            break;
        }
        // A loop's last sample leads back to its first; the sample's last stands alone.
        s32 next = data[index];
        if (index + 1 < end)
            next = data[index + 1];
        else if (loops)
            next = data[sample.loopStart];
        const s16 pair[2] = {data[index], static_cast<s16>(next)};
        // The pair's run steps (modulo 2^64) onto the fraction within it.
        u64 local = (position & 4095) - step;
        MixSpan(channel, pair, local, mix + i, 1);
        ++i;
    }
    channel.position = position;
}

bool ModulePlayer::Render(s16* out, u32 count)
{
    if (!m_song || m_startOrder < 0)
        return false;
    if (m_mix.size() < count)
        m_mix.resize(count);
    s32* mix = m_mix.data();
    std::fill(mix, mix + count, 0);
    u32 done = 0;
    while (done < count) {
        if (m_tickSamplesLeft == 0) {
            Tick();
            m_tickSamplesLeft = NextTickLength();
        }
        const u32 n = std::min(count - done, m_tickSamplesLeft);
        for (Channel& channel : m_channels) {
            if (channel.tailLeft)
                MixTail(channel, mix + done, n);
            if (channel.sample)
                MixChannel(channel, mix + done, n);
        }
        done += n;
        m_tickSamplesLeft -= n;
    }
    const int shift = MIX_FRACTION + HEADROOM;
    for (u32 i = 0; i < count; ++i)
        out[i] = static_cast<s16>(std::max(-32768, std::min(32767, (mix[i] + (1 << (shift - 1))) >> shift)));
    return true;
}

} // namespace ModulePlayer
} // namespace Vorn
