#include "SoundRecipes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <utility>

namespace DataBuild {

using namespace Synth;

namespace {

// ---------------------------------------------------------------------------------------------
// Scores. A bar of a line is written as "pitch:beats" tokens laid end to end, "-" for a rest:
// "E5:1 G5:1 C6:1.5 B5:.5". A bar of chords names one chord, or two that share the bar.

struct NoteEvent {
    double beat;   // from the start of the piece
    double length; // beats
    int pitch;     // MIDI note, -1 for a rest
};

struct Chord {
    const char* name;
    int notes[3]; // the pad's voicing, around middle C
    int root;     // the bass note
};

const Chord CHORDS[] = {
    {"C", {60, 64, 67}, 36},  {"Am", {57, 60, 64}, 45}, {"F", {57, 60, 65}, 41},
    {"G", {55, 59, 62}, 43},  {"Em", {55, 59, 64}, 40}, {"Dm", {57, 62, 65}, 38},
    {"E", {56, 59, 64}, 40},  {"E7", {56, 62, 64}, 40}, {"Bb", {58, 62, 65}, 46},
};

const Chord* FindChord(const std::string& name)
{
    for (const Chord& chord : CHORDS)
        if (name == chord.name)
            return &chord;
    return nullptr;
}

struct ChordSpan {
    double beat;
    double length;
    const Chord* chord;
};

struct Score {
    int beatsPerBar;
    std::vector<std::string> chords; // one entry per bar
    std::vector<std::string> lead;   // one entry per bar
    std::vector<std::string> second; // a second line, "-:4" where it rests; may be empty
};

// Splits a bar into its tokens.
std::vector<std::string> Words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

bool ParseLine(const std::vector<std::string>& bars, int beatsPerBar, std::vector<NoteEvent>& out,
               std::string& error)
{
    out.clear();
    for (size_t bar = 0; bar < bars.size(); ++bar) {
        double beat = static_cast<double>(bar) * beatsPerBar;
        const double end = beat + beatsPerBar;
        for (const std::string& word : Words(bars[bar])) {
            const size_t colon = word.find(':');
            char* stop = nullptr;
            const double length =
                colon == std::string::npos ? 0.0 : std::strtod(word.c_str() + colon + 1, &stop);
            const std::string name = word.substr(0, colon);
            const int pitch = name == "-" ? -1 : ParseNoteName(name);
            if (colon == std::string::npos || *stop != '\0' || length <= 0.0 ||
                (pitch < 0 && name != "-")) {
                error = "bar " + std::to_string(bar + 1) + ": bad note '" + word + "'";
                return false;
            }
            out.push_back({beat, length, pitch});
            beat += length;
        }
        if (std::fabs(beat - end) > 1e-9) {
            error = "bar " + std::to_string(bar + 1) + ": notes add up to " +
                    std::to_string(beat - (end - beatsPerBar)) + " beats, not " +
                    std::to_string(beatsPerBar);
            return false;
        }
    }
    return true;
}

bool ParseChords(const std::vector<std::string>& bars, int beatsPerBar,
                 std::vector<ChordSpan>& out, std::string& error)
{
    out.clear();
    for (size_t bar = 0; bar < bars.size(); ++bar) {
        const std::vector<std::string> names = Words(bars[bar]);
        if (names.empty() || names.size() > 2) {
            error = "bar " + std::to_string(bar + 1) + ": one or two chords per bar";
            return false;
        }
        const double length = static_cast<double>(beatsPerBar) / names.size();
        for (size_t i = 0; i < names.size(); ++i) {
            const Chord* chord = FindChord(names[i]);
            if (!chord) {
                error = "bar " + std::to_string(bar + 1) + ": unknown chord '" + names[i] + "'";
                return false;
            }
            out.push_back({static_cast<double>(bar) * beatsPerBar + i * length, length, chord});
        }
    }
    return true;
}

// Every line of a score parsed, or false with the reason.
struct ParsedScore {
    std::vector<ChordSpan> chords;
    std::vector<NoteEvent> lead, second;
    int bars = 0;
};

bool ParseScore(const Score& score, ParsedScore& parsed, std::string& error)
{
    parsed.bars = static_cast<int>(score.chords.size());
    if (score.lead.size() != score.chords.size() ||
        (!score.second.empty() && score.second.size() != score.chords.size())) {
        error = "the lines of the score differ in length";
        return false;
    }
    std::string where;
    if (!ParseChords(score.chords, score.beatsPerBar, parsed.chords, error))
        where = "chords";
    else if (!ParseLine(score.lead, score.beatsPerBar, parsed.lead, error))
        where = "lead";
    else if (!ParseLine(score.second, score.beatsPerBar, parsed.second, error))
        where = "second line";
    if (!where.empty()) {
        error = where + ", " + error;
        return false;
    }
    return true;
}

// Plays a line: each note held for `legato` of its length. With glide, a note that follows
// another without a rest slides up or down from it.
void PlayLine(Track& track, const Instrument& instrument, const std::vector<NoteEvent>& notes,
              double framesPerBeat, float gain, float pan, int transpose = 0, double legato = 0.9,
              double glideTime = 0.0, double fromBeat = 0.0, double toBeat = 1e9)
{
    int previous = -1;
    for (const NoteEvent& note : notes) {
        if (note.pitch < 0 || note.beat < fromBeat || note.beat >= toBeat) {
            previous = -1;
            continue;
        }
        const double hz = MidiToHz(note.pitch + transpose);
        const double from = glideTime > 0.0 && previous >= 0 ? MidiToHz(previous + transpose) : 0.0;
        PlayTone(track, instrument, note.beat * framesPerBeat, note.length * legato * framesPerBeat,
                 hz, gain, pan, from, glideTime);
        previous = note.pitch;
    }
}

// ---------------------------------------------------------------------------------------------
// Instruments.

// Partials with an attack and a release, everything else as an Instrument starts.
Instrument Voice(std::vector<Partial> partials, float attack, float release)
{
    Instrument i;
    i.partials = std::move(partials);
    i.attack = attack;
    i.release = release;
    return i;
}

Instrument SoftKeys()
{
    return Voice({{1, 1.0f, 1.4f}, {2, 0.45f, 0.5f}, {3, 0.16f, 0.3f}, {4, 0.08f, 0.18f},
                  {7, 0.025f, 0.06f}},
                 0.004f, 0.18f);
}

Instrument WarmPad()
{
    Instrument i = Voice({{1, 1.0f, 0}, {2, 0.32f, 0}, {3, 0.14f, 0}, {4, 0.06f, 0}, {5, 0.03f, 0}},
                         0.3f, 0.45f);
    i.detuneCents = 7.0f;
    return i;
}

Instrument Pluck()
{
    return Voice({{1, 1.0f, 0.28f}, {2, 0.5f, 0.12f}, {3, 0.25f, 0.07f}, {5, 0.08f, 0.04f}}, 0.002f,
                 0.06f);
}

Instrument RoundBass()
{
    return Voice({{1, 1.0f, 1.2f}, {2, 0.35f, 0.4f}, {3, 0.12f, 0.2f}}, 0.008f, 0.07f);
}

Instrument MusicBox()
{
    // Slightly stretched upper partials, as on a metal tine.
    return Voice({{1, 1.0f, 1.8f}, {2.0f, 0.22f, 0.6f}, {3.01f, 0.1f, 0.3f}, {4.18f, 0.07f, 0.2f},
                  {5.43f, 0.04f, 0.12f}},
                 0.002f, 0.5f);
}

Instrument DarkOrgan()
{
    Instrument i = Voice({{1, 1.0f, 0}, {2, 0.5f, 0}, {3, 0.28f, 0}, {4, 0.1f, 0}, {6, 0.05f, 0}},
                         0.7f, 0.6f);
    i.tremoloRate = 4.5f;
    i.tremoloDepth = 0.3f;
    i.detuneCents = 6.0f;
    return i;
}

Instrument Pizzicato()
{
    return Voice({{1, 1.0f, 0.35f}, {2, 0.45f, 0.15f}, {3, 0.2f, 0.08f}}, 0.003f, 0.09f);
}

Instrument Theremin()
{
    Instrument i = Voice({{1, 1.0f, 0}, {2, 0.1f, 0}, {3, 0.04f, 0}}, 0.18f, 0.35f);
    i.vibratoRate = 5.5f;
    i.vibratoDepth = 0.3f;
    i.vibratoDelay = 0.3f;
    return i;
}

// ---------------------------------------------------------------------------------------------
// The bright piece: C major, 112 beats a minute, 32 bars in four sections (A A' B A'').

const double BRIGHT_FRAMES_PER_BEAT = 60.0 * RATE / 112.0; // 23625, a whole number of frames

const std::vector<std::string> BRIGHT_A_CHORDS{"C", "Am", "F", "G", "C", "Am", "F G", "C"};
const std::vector<std::string> BRIGHT_B_CHORDS{"F", "G", "Em", "Am", "F", "G", "Dm", "G"};
const std::vector<std::string> BRIGHT_A_LEAD{
    "E5:1 G5:1 C6:1.5 B5:.5", "A5:1 G5:.5 E5:.5 C5:1 E5:1", "F5:1.5 A5:.5 C6:1 A5:1",
    "G5:2 D5:1 B4:1",         "E5:1 G5:1 C6:1 E6:1",        "D6:1.5 C6:.5 A5:1 E5:1",
};
const std::vector<std::string> BRIGHT_B_LEAD{
    "A5:.5 C6:.5 F6:1.5 E6:.5 D6:1", "D6:1 B5:1 G5:2",      "G5:.5 B5:.5 E6:1.5 D6:.5 B5:1",
    "C6:1.5 B5:.5 A5:2",             "F5:1 A5:1 C6:1 F6:1", "E6:1 D6:1 B5:1 G5:1",
    "F5:1 A5:1 D6:1 C6:1",           "B5:2 D6:1 G5:1",
};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const std::vector<std::string>& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Score& BrightScore()
{
    static const Score s_score{
        4,
        Join({BRIGHT_A_CHORDS, BRIGHT_A_CHORDS, BRIGHT_B_CHORDS, BRIGHT_A_CHORDS}),
        Join({BRIGHT_A_LEAD, {"F5:1 A5:1 G5:1 B5:1", "C6:3 -:.5 G5:.5"},
              BRIGHT_A_LEAD, {"A5:1 C6:1 B5:.5 A5:.5 G5:1", "C6:2 G5:1 E5:1"},
              BRIGHT_B_LEAD,
              BRIGHT_A_LEAD, {"F5:1 A5:1 G5:1 B5:1", "C6:2 E5:1 G5:1"}}),
        {},
    };
    return s_score;
}

Track RenderBright()
{
    ParsedScore score;
    std::string error;
    ParseScore(BrightScore(), score, error);
    const double fpb = BRIGHT_FRAMES_PER_BEAT;
    const int beats = score.bars * 4;
    Track mix(static_cast<size_t>(beats * fpb), true);

    // Sections by beat: A 0-31, A' 32-63, B 64-95, A'' 96-127.
    const double secondSection = 32.0, bridge = 64.0;

    PlayLine(mix, SoftKeys(), score.lead, fpb, 0.42f, 0.1f, 0, 0.92);
    // From the second section on, the tune is doubled an octave down, very softly.
    PlayLine(mix, SoftKeys(), score.lead, fpb, 0.1f, -0.2f, -12, 0.92, 0.0, secondSection);

    const Instrument pad = WarmPad(), pluck = Pluck(), bass = RoundBass();
    for (const ChordSpan& span : score.chords) {
        for (int note : span.chord->notes)
            PlayTone(mix, pad, span.beat * fpb, span.length * fpb * 0.97, MidiToHz(note), 0.1f,
                     0.0f);

        // Bass: root, a push on the "and" of two, the fifth, the octave.
        const int root = span.chord->root;
        struct Step { double beat, length; int interval; float gain; };
        static const Step FULL_BAR[] = {{0, 1.4, 0, 0.5f}, {1.5, 0.45, 0, 0.32f},
                                        {2, 0.9, 7, 0.42f}, {3, 0.9, 12, 0.36f}};
        static const Step HALF_BAR[] = {{0, 1.4, 0, 0.5f}, {1.5, 0.45, 7, 0.34f}};
        const bool half = span.length < 4.0;
        const Step* steps = half ? HALF_BAR : FULL_BAR;
        const size_t count = half ? 2 : 4;
        for (size_t s = 0; s < count; ++s)
            PlayTone(mix, bass, (span.beat + steps[s].beat) * fpb, steps[s].length * fpb,
                     MidiToHz(root + steps[s].interval), steps[s].gain, -0.05f);

        // Eighth-note arpeggios from the second section on, swinging between the sides.
        if (span.beat >= secondSection) {
            static const int PATTERN[] = {0, 1, 2, 3, 2, 1, 2, 3};
            const int tones[4] = {span.chord->notes[0] + 12, span.chord->notes[1] + 12,
                                  span.chord->notes[2] + 12, span.chord->notes[0] + 24};
            const int eighths = static_cast<int>(span.length * 2);
            for (int e = 0; e < eighths; ++e)
                PlayTone(mix, pluck, (span.beat + e * 0.5) * fpb, 0.4 * fpb,
                         MidiToHz(tones[PATTERN[e % 8]]), e % 2 ? 0.07f : 0.09f,
                         e % 2 ? 0.45f : -0.45f);
        }
    }

    // Light drums: kick on one and three, a soft snare on two and four once the piece is under
    // way, hi-hats on the eighths with the off-beats leaning forward.
    uint32_t seed = 1;
    for (int beat = 0; beat < beats; ++beat) {
        const int inBar = beat % 4;
        const double at = beat * fpb;
        if (inBar == 0 || inBar == 2)
            PlayDrum(mix, Drum::KICK, at, 0.36f, 0.0f, seed++);
        if ((inBar == 1 || inBar == 3) && beat >= secondSection)
            PlayDrum(mix, Drum::SNARE, at, beat >= bridge ? 0.16f : 0.12f, 0.1f, seed++);
        PlayDrum(mix, Drum::HIHAT, at, 0.035f, 0.3f, seed++);
        PlayDrum(mix, Drum::HIHAT, at + 0.5 * fpb, 0.055f, 0.3f, seed++);
    }

    RoomSettings room;
    room.size = 0.62f;
    room.damping = 0.5f;
    room.wet = 0.22f;
    ApplyRoom(mix, room);
    return mix;
}

// ---------------------------------------------------------------------------------------------
// The eerie piece: A minor with the raised seventh, 84 beats a minute, 24 bars (A B A'), a music
// box over a trembling organ, a heartbeat and a clock; a theremin joins in the second half.

const double EERIE_FRAMES_PER_BEAT = 60.0 * RATE / 84.0; // 31500, a whole number of frames

const std::vector<std::string> EERIE_A_CHORDS{"Am", "Am", "F", "E", "Am", "Dm", "E", "E7"};
const std::vector<std::string> EERIE_B_CHORDS{"Dm", "Am", "Bb", "E", "Dm", "Am", "F", "E"};
const std::vector<std::string> EERIE_A_LEAD{
    "E5:1 A5:1 C6:1 B5:1",   "A5:2 E5:1 F5:1",          "A5:1 C6:1 F6:1 E6:1",
    "D6:1 B5:1 G#5:2",       "A5:1 C6:1 E6:1.5 D6:.5", "F6:1 E6:.5 D6:.5 A5:2",
    "G#5:1 B5:1 D6:1 F6:1",
};
const std::vector<std::string> EERIE_B_LEAD{
    "F5:1.5 A5:.5 D6:2", "C6:1.5 B5:.5 A5:2",   "D6:1 F6:1 Bb5:2",   "G#5:1.5 A5:.5 B5:2",
    "A5:1 D6:1 F6:1 E6:1", "E6:1 C6:1 A5:2",    "F5:1 A5:1 C6:1 D6:1", "E6:1 G#5:1 B5:1 D6:1",
};
const std::vector<std::string> REST_8_BARS(8, "-:4");

const Score& EerieScore()
{
    static const Score s_score{
        4,
        Join({EERIE_A_CHORDS, EERIE_B_CHORDS, EERIE_A_CHORDS}),
        Join({EERIE_A_LEAD, {"E6:2 D6:1 B5:1"}, EERIE_B_LEAD, EERIE_A_LEAD, {"E6:2 B5:1 G#5:1"}}),
        Join({REST_8_BARS,
              {"D5:4", "C5:4", "D5:2 F5:2", "E5:4", "F5:4", "E5:4", "C5:2 A4:2", "G#4:2 B4:2"},
              {"A4:4", "C5:4", "A4:4", "B4:4", "C5:4", "D5:4", "B4:2 G#4:2", "E5:3 -:1"}}),
    };
    return s_score;
}

Track RenderEerie()
{
    ParsedScore score;
    std::string error;
    ParseScore(EerieScore(), score, error);
    const double fpb = EERIE_FRAMES_PER_BEAT;
    const int beats = score.bars * 4;
    Track mix(static_cast<size_t>(beats * fpb), true);

    PlayLine(mix, MusicBox(), score.lead, fpb, 0.4f, 0.15f, 0, 0.85);
    PlayLine(mix, Theremin(), score.second, fpb, 0.26f, -0.3f, 0, 0.98, 0.22);

    const Instrument organ = DarkOrgan(), pizz = Pizzicato();
    for (const ChordSpan& span : score.chords) {
        for (int note : span.chord->notes)
            PlayTone(mix, organ, span.beat * fpb, span.length * fpb * 0.96, MidiToHz(note - 12),
                     0.09f, 0.0f);
        // Plucked bass from the fifth bar: root, root, fifth, and a creeping half step on the
        // last eighth.
        if (span.beat >= 16.0) {
            const int root = span.chord->root - 12;
            PlayTone(mix, pizz, span.beat * fpb, 0.8 * fpb, MidiToHz(root), 0.42f, -0.1f);
            PlayTone(mix, pizz, (span.beat + 2) * fpb, 0.8 * fpb, MidiToHz(root), 0.36f, -0.1f);
            PlayTone(mix, pizz, (span.beat + 3) * fpb, 0.4 * fpb, MidiToHz(root + 7), 0.3f, -0.1f);
            PlayTone(mix, pizz, (span.beat + 3.5) * fpb, 0.4 * fpb, MidiToHz(root + 6), 0.24f,
                     -0.1f);
        }
    }

    // A heartbeat on one and three, a clock ticking on every beat.
    uint32_t seed = 7;
    for (int beat = 0; beat < beats; ++beat) {
        const int inBar = beat % 4;
        const double at = beat * fpb;
        if (inBar == 0 || inBar == 2) {
            PlayDrum(mix, Drum::THUMP, at, 0.48f, 0.0f, seed++);
            PlayDrum(mix, Drum::THUMP, at + 0.42 * fpb, 0.3f, 0.0f, seed++);
        }
        PlayDrum(mix, beat % 2 ? Drum::TOCK : Drum::TICK, at, 0.06f, beat % 2 ? -0.5f : 0.5f,
                 seed++);
    }

    RoomSettings room;
    room.size = 0.8f;
    room.damping = 0.35f;
    room.wet = 0.34f;
    ApplyRoom(mix, room);
    return mix;
}

// ---------------------------------------------------------------------------------------------
// Effects. Each is rendered with room for its tail, then cut where it has faded away.

// Cuts a one-shot track after its last sample above -60 dB (relative to its peak), keeping a
// short fade so it ends at zero.
void TrimTail(Track& track)
{
    const float floor = track.Peak() * 1e-3f;
    size_t end = track.Frames();
    while (end > 0 && std::fabs(track.left[end - 1]) <= floor &&
           std::fabs(track.right[end - 1]) <= floor)
        --end;
    const size_t fade = std::min<size_t>(end, RATE / 100);
    end = std::min(track.Frames(), end + fade);
    track.left.resize(end);
    track.right.resize(end);
    for (size_t i = 0; i < fade && i < end; ++i) {
        const float gain = static_cast<float>(i) / fade;
        track.left[end - 1 - i] *= gain;
        track.right[end - 1 - i] *= gain;
    }
}

// A piece has been dropped on the board: a soft wooden knock over a felt thump.
Track RenderDrop()
{
    Track track(static_cast<size_t>(1.0 * RATE), false);
    const Instrument wood =
        Voice({{1, 1.0f, 0.05f}, {2.74f, 0.45f, 0.022f}, {5.4f, 0.15f, 0.01f}}, 0.0015f, 0.04f);
    PlayTone(track, wood, 0, 0.01 * RATE, 310.0, 0.7f, 0.0f);
    const Instrument felt = Voice({{1, 1.0f, 0.07f}, {2, 0.3f, 0.03f}}, 0.003f, 0.03f);
    PlayTone(track, felt, 0, 0.02 * RATE, 92.0, 0.8f, 0.0f, 130.0, 0.03);
    RoomSettings room;
    room.size = 0.2f;
    room.damping = 0.7f;
    room.wet = 0.08f;
    ApplyRoom(track, room);
    TrimTail(track);
    return track;
}

// A button or a drawn cell: a short, round click.
Track RenderSingle()
{
    Track track(static_cast<size_t>(0.12 * RATE), false);
    const Instrument click = Voice({{1, 1.0f, 0.012f}, {2.3f, 0.35f, 0.006f}}, 0.0008f, 0.008f);
    PlayTone(track, click, 0, 0.004 * RATE, 1650.0, 0.8f, 0.0f);
    PlayDrum(track, Drum::TICK, 0, 0.25f, 0.0f, 5);
    TrimTail(track);
    return track;
}

// The level is solved: a rising arpeggio into a held major chord, with bells on top.
Track RenderWhole()
{
    Track track(static_cast<size_t>(4.0 * RATE), false);
    Instrument brass;
    for (int n = 1; n <= 8; ++n)
        brass.partials.push_back({static_cast<float>(n), 1.0f / std::pow(static_cast<float>(n), 0.9f), 0});
    brass.attack = 0.03f;
    brass.decay = 0.5f;
    brass.sustain = 0.55f;
    brass.release = 0.28f;
    brass.vibratoRate = 5.0f;
    brass.vibratoDepth = 0.08f;
    brass.vibratoDelay = 0.4f;
    Instrument bell = MusicBox();
    bell.release = 0.6f;

    const double step = 0.11 * RATE;
    const int rise[] = {67, 72, 76, 79}; // G4 C5 E5 G5
    for (int i = 0; i < 4; ++i)
        PlayTone(track, brass, i * step, 0.1 * RATE, MidiToHz(rise[i]), 0.28f,
                 -0.3f + 0.2f * i);
    const double chordAt = 4 * step;
    const int chord[] = {60, 64, 67, 72, 76};
    for (int i = 0; i < 5; ++i)
        PlayTone(track, brass, chordAt, 1.0 * RATE, MidiToHz(chord[i]), 0.2f, -0.4f + 0.2f * i);
    const int sparkle[] = {84, 88, 91, 96};
    for (int i = 0; i < 4; ++i)
        PlayTone(track, bell, chordAt + (0.08 + 0.09 * i) * RATE, 0.05 * RATE,
                 MidiToHz(sparkle[i]), 0.14f, 0.5f - 0.3f * i);
    PlayDrum(track, Drum::KICK, chordAt, 0.35f, 0.0f, 3);

    RoomSettings room;
    room.size = 0.6f;
    room.wet = 0.3f;
    ApplyRoom(track, room);
    TrimTail(track);
    return track;
}

// A swish: noise through a band pass that sweeps down, rubbed in short strokes, moving across.
Track RenderEraser()
{
    const double seconds = 0.42;
    const long length = static_cast<long>(seconds * RATE);
    Track track(static_cast<size_t>(length), false);
    Noise noise(23);
    Biquad filter = Biquad::BandPass(5000.0, 1.1);
    for (long i = 0; i < length; ++i) {
        const double x = static_cast<double>(i) / length;
        if (i % 32 == 0)
            filter.Retune(Biquad::BandPass(5200.0 * std::pow(1400.0 / 5200.0, x), 1.1));
        // Rise over the first third, fall over the rest, both as half cosines.
        const double shape = x < 0.3 ? 0.5 - 0.5 * std::cos(3.14159265358979 * x / 0.3)
                                     : 0.5 + 0.5 * std::cos(3.14159265358979 * (x - 0.3) / 0.7);
        const double rub = 0.75 + 0.25 * std::cos(2.0 * 3.14159265358979 * 16.0 * x * seconds);
        const float value = filter.Process(noise.Next()) * static_cast<float>(shape * rub);
        float l, r;
        PanGains(static_cast<float>(-0.5 + x), l, r);
        track.Add(i, value * l, value * r);
    }
    return track;
}

// Level of each sound relative to full scale, below the limit: effects that play often sit
// lower than the fanfare.
const std::vector<GameSound>& Sounds()
{
    static const std::vector<GameSound> s_sounds{
        {"music", true, -4.5f, &RenderBright},
        {"musichelloween", true, -4.5f, &RenderEerie},
        {"drop", false, -7.0f, &RenderDrop},
        {"single", false, -9.0f, &RenderSingle},
        {"whole", false, -4.5f, &RenderWhole},
        {"eraser", false, -8.0f, &RenderEraser},
    };
    return s_sounds;
}

} // namespace

int ParseNoteName(const std::string& name)
{
    static const int STEPS[] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (name.size() < 2 || name[0] < 'A' || name[0] > 'G')
        return -1;
    int semitone = STEPS[name[0] - 'A'];
    size_t pos = 1;
    if (name[pos] == '#' || name[pos] == 'b') {
        semitone += name[pos] == '#' ? 1 : -1;
        ++pos;
    }
    if (pos + 1 != name.size() || name[pos] < '0' || name[pos] > '8')
        return -1;
    return 12 * (name[pos] - '0' + 1) + semitone;
}

const std::vector<GameSound>& GameSounds()
{
    return Sounds();
}

bool CheckScores(std::string& error)
{
    ParsedScore parsed;
    if (!ParseScore(BrightScore(), parsed, error)) {
        error = "music: " + error;
        return false;
    }
    if (!ParseScore(EerieScore(), parsed, error)) {
        error = "musichelloween: " + error;
        return false;
    }
    return true;
}

Track RenderGameSound(const GameSound& sound)
{
    Track track = sound.render();
    // Nothing below the low E of a bass belongs in these sounds; the filter takes out the offset
    // that falling-pitch drums and reverb tails leave.
    ApplyHighPass(track, 28.0);
    track.Normalise(std::pow(10.0f, sound.peakDb / 20.0f));
    return track;
}

} // namespace DataBuild
