// Plays a loaded XM song: steps through orders, rows and ticks and mixes the song's channels into
// 16-bit mono samples at 22050 Hz. A subset of the format: sample playback with linear
// interpolation and forward loops, the volume column, the volume envelope with its sustain point,
// portamento (up, down, to a note), volume slides, set volume, key-off, pattern break and
// speed/tempo. The song loops for ever.
//
// One channel at full volume plays at a quarter of its sample's level, so that four loud channels
// fit the 16-bit range before they clip. Volume changes glide over RAMP samples, a note fades in
// over as many, and a sound that stops or is cut by a new note fades out over as many, instead of
// stepping.
#pragma once

#include <vector>

#include "sound/xm/ModuleSong.h"

namespace Vorn {
namespace ModulePlayer {

class ModulePlayer {
public:
    static constexpr u32 RATE = 22050;
    static constexpr u32 NOTE_STEPS = 96;
    static constexpr u8 KEY_OFF = 97;
    static constexpr u32 RAMP = 64;

    struct Channel {
        u8 note = 0;
        u32 instrument = 0;         // index into the song's instruments
        u32 gain = 65535;
        s32 volume = 0;             // 0 to 65535; 1024 per step of the format's 0 to 64
        const ModuleInstrument* currentInstrument = nullptr;
        const ModuleSample* sample = nullptr;  // null while silent
        u64 position = 0;           // in the sample, 20.12 fixed point
        u32 step = 0;               // 20.12 per output sample
        u32 target = 0;             // tone portamento's goal
        s32 envelope = 64;          // 0 to 64
        u32 envelopeTick = 0;
        u32 envelopePoint = 0;
        bool keyOff = false;
        u8 effect = 0;
        u8 parameter = 0;
        s32 mixGain = 0;            // the gain mixed with, 8 fraction bits
        s32 gainTarget = 0;         // where it glides to
        s32 gainStep = 0;           // per sample, while rampLeft counts down
        u32 rampLeft = 0;
        s32 lastOut = 0;            // the last value mixed, in the mix's units
        s32 tail = 0;               // the value of a stopped sound, fading out
        u32 tailLeft = 0;           // samples of that fade still to mix
    };

    ModulePlayer();

    // Prepares to play song, which must outlive the player (or the next Init).
    void Init(const CModuleSong* song);
    // Plays orders start to end and then again from start; -1 as start means 0, -1 or beyond the
    // song as end its last order.
    void SetPosition(int startOrder, int endOrder);
    // Writes count samples; false, with nothing written, before Init and SetPosition.
    bool Render(s16* out, u32 count);
    // The current order plus the row's fraction of its pattern, 16.16 fixed point.
    u32 GetPosition() const;

    u32 GetSpeed() const { return m_speed; }
    u32 GetBpm() const { return m_bpm; }
    // Whole samples per tick; ticks take one more now and then, so that on average they last
    // exactly 2.5 / BPM seconds.
    u32 GetSamplesPerTick() const { return m_samplesPerTick; }
    u32 GetOrder() const { return m_order; }
    u32 GetRow() const { return m_row; }
    const std::vector<Channel>& GetChannels() const { return m_channels; }
    u32 GetNoteStep(u32 note) const { return m_noteSteps[note < NOTE_STEPS ? note : NOTE_STEPS - 1]; }

private:
    struct Cell {
        u8 note = 0;
        u8 instrument = 0;
        u8 volume = 0;
        u8 effect = 0;
        u8 parameter = 0;
        bool hasParameter = false;
    };

    void SetTempo(u32 bpm);
    u32 NextTickLength();
    void Tick();
    // Reads and applies one row of the current pattern.
    void ProcessRow();
    Cell ReadCell(const ModulePattern& pattern);
    static void ApplyVolumeColumn(Channel& channel, u8 volume);
    void ApplyTempo(const Cell& cell);
    void StartNote(Channel& channel, const Cell& cell);
    void NextOrder();
    void UpdateEnvelope(Channel& channel);
    void ApplyTickEffect(Channel& channel);
    // Lets what the channel last played fade out from where it stopped.
    static void StartTail(Channel& channel);
    static void MixTail(Channel& channel, s32* mix, u32 count);
    // Aims the channel's gain at its volume and envelope, gliding there from where it is.
    static void SetGainTarget(Channel& channel);
    // Mixes count samples of data, each interpolating inside it, at the channel's step and gain.
    static void MixSpan(Channel& channel, const s16* data, u64& position, s32* mix, u32 count);
    void MixChannel(Channel& channel, s32* mix, u32 count);
    u8 PackedByte(const ModulePattern& pattern);

    const CModuleSong* m_song;
    u32 m_noteSteps[NOTE_STEPS];
    std::vector<Channel> m_channels;
    std::vector<s32> m_mix;
    u32 m_speed;
    u32 m_bpm;
    u32 m_samplesPerTick;
    u32 m_tickRemainder;        // of RATE * 2.5 / BPM, carried from tick to tick
    u32 m_tick;
    u32 m_tickSamplesLeft;
    u32 m_order;
    u32 m_row;
    u32 m_packedPosition;
    int m_startOrder;
    int m_endOrder;
};

} // namespace ModulePlayer
} // namespace Vorn
