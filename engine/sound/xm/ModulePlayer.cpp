#include "sound/xm/ModulePlayer.h"

#include <algorithm>
#include <cmath>

namespace Vorn {
namespace ModulePlayer {

namespace {

const u32 MAX_VOLUME = 65535;
// Portamento up multiplies the step on every tick: beyond this (16 source samples per output
// sample) it stops growing, so the products below stay in range.
const u32 MAX_STEP = 16u << 24;

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
    const u32 q = (50 * bpm) / 125;
    // At least one sample per tick, or rendering would never move on.
    m_samplesPerTick = q < 1 ? RATE : std::max<u32>(RATE / q, 1);
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

void ModulePlayer::ProcessRow()
{
    const ModulePattern& pattern = m_song->OrderPattern(m_order);
    const std::vector<ModuleInstrument>& instruments = m_song->instruments;
    for (Channel& channel : m_channels) {
        u8 mask = PackedByte(pattern);
        u8 note = 0;
        if (mask & 0x80) {
            if (mask & 1)
                note = PackedByte(pattern);
        } else {
            note = mask;
            mask = 0x1F;
        }
        const u8 instrumentByte = (mask & 2) ? PackedByte(pattern) : 0;
        const u8 volumeByte = (mask & 4) ? PackedByte(pattern) : 0;
        const u8 effect = (mask & 8) ? PackedByte(pattern) : 0;
        const bool hasParameter = (mask & 16) != 0;
        const u8 parameter = hasParameter ? PackedByte(pattern) : 0;

        // Instrument numbers count from 1: 0 names none.
        if (instrumentByte)
            channel.instrument = instrumentByte - 1u;
        if (volumeByte >= 0x10 && volumeByte <= 0x50)
            channel.volume = (volumeByte - 0x10) * 1024;
        else if (volumeByte >= 0x60 && volumeByte <= 0x6F)
            channel.volume = ClampVolume(channel.volume - (volumeByte - 0x60) * 1024);
        else if (volumeByte >= 0x70 && volumeByte <= 0x7F)
            channel.volume = ClampVolume(channel.volume + (volumeByte - 0x70) * 1024);
        else if (volumeByte >= 0x80 && volumeByte <= 0x8F)
            channel.volume = ClampVolume(channel.volume - (volumeByte - 0x80) * 4);
        else if (volumeByte >= 0x90 && volumeByte <= 0x9F)
            channel.volume = ClampVolume(channel.volume + (volumeByte - 0x90) * 4);
        channel.volume = ClampVolume(channel.volume);

        channel.effect = effect;
        if (hasParameter && parameter)
            channel.parameter = parameter;
        // Speed 0 would stop the song: such a parameter is ignored.
        if (effect == 15 && hasParameter && parameter) {
            if (parameter < 32)
                m_speed = parameter;
            else
                SetTempo(parameter);
        }

        if (note == KEY_OFF) {
            channel.keyOff = true;
        } else if (note) {
            channel.note = note;
            const u32 index = std::min<u32>(note, NOTE_STEPS - 1);
            const ModuleInstrument* instrument =
                channel.instrument < instruments.size() ? &instruments[channel.instrument] : nullptr;
            channel.currentInstrument = instrument;
            const ModuleSample* sample = nullptr;
            if (instrument) {
                const u32 mapped = instrument->sampleMap[std::min<u32>(note - 1u, 95)];
                if (mapped < instrument->samples.size())
                    sample = &instrument->samples[mapped];
            }
            const u64 step = sample ? (static_cast<u64>(sample->step) * m_noteSteps[index]) / 4096 : 0;
            channel.target = static_cast<u32>(std::min<u64>(step, MAX_STEP));
            if (effect != 3) {
                channel.sample = sample;
                channel.position = 0;
                channel.envelope = 64;
                channel.envelopeTick = 0;
                channel.envelopePoint = 0;
                channel.keyOff = false;
                channel.step = channel.target;
            }
        }
        if (instrumentByte && !volumeByte && channel.sample)
            channel.volume = ClampVolume(channel.sample->volume * 1024);

        if (effect == 13) {
            NextOrder();
            return;
        }
        if (effect == 20)
            channel.keyOff = true;
        else if (effect == 12)
            // The row's own parameter: packed data leaves out a zero, and "set volume 0" must
            // silence rather than repeat an earlier row's value.
            channel.volume = ClampVolume(static_cast<s32>(parameter) * 1024);
    }
    if (++m_row >= pattern.rows)
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

void ModulePlayer::MixChannel(Channel& channel, s32* mix, u32 count)
{
    const ModuleSample* sample = channel.sample;
    // The gain enters twice: once on the value, once on the product.
    const s64 g = (static_cast<s64>(channel.gain) * ((static_cast<s64>(channel.volume) * channel.envelope) / 64)) / 65536;
    const s16* data = sample->data.data();
    const u64 length = sample->length;
    const bool loops = sample->Loops();
    const u64 loopEnd = (static_cast<u64>(sample->loopStart) + sample->loopLength) << 12;
    const u64 loopLength = static_cast<u64>(sample->loopLength) << 12;
    u64 position = channel.position;
    for (u32 i = 0; i < count; ++i) {
        position += channel.step;
        if (loops && position >= loopEnd)
            position = loopEnd - loopLength + (position - loopEnd) % loopLength;
        const u64 index = position >> 12;
        if (index >= length) {
            channel.sample = nullptr;
            break;
        }
        s32 value = data[index];
        if (index + 1 < length) {
            const s32 fraction = static_cast<s32>(position & 4095);
            value += ((data[index + 1] - value) * fraction) / 4096;
        }
        mix[i] += static_cast<s32>((g * ((g * value) / 65536)) / 65536);
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
            m_tickSamplesLeft = m_samplesPerTick;
        }
        const u32 n = std::min(count - done, m_tickSamplesLeft);
        for (Channel& channel : m_channels) {
            if (channel.sample)
                MixChannel(channel, mix + done, n);
        }
        done += n;
        m_tickSamplesLeft -= n;
    }
    for (u32 i = 0; i < count; ++i)
        out[i] = static_cast<s16>(std::max(-32768, std::min(32767, mix[i])));
    return true;
}

} // namespace ModulePlayer
} // namespace Vorn
