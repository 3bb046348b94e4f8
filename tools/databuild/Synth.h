// A small additive synthesiser for the game's sounds and music: stereo float tracks, tones built
// from partials under an envelope, noise drums, filters and a room reverb. Everything is
// deterministic (no clock, no global random state), so the same recipe gives the same samples on
// every run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace DataBuild {
namespace Synth {

const int RATE = 44100;

// A stereo buffer. A looping track is a circle: whatever is written past its end lands at its start,
// so a note or an echo that rings over the loop point sounds again at the head, exactly as the
// game will play it when it wraps around.
class Track {
public:
    Track(size_t frames, bool loops);

    size_t Frames() const { return left.size(); }
    bool Loops() const { return loops; }

    // Adds to frame `frame` (wrapped on a looping track; dropped outside a one-shot track).
    void Add(long frame, float l, float r);
    // Adds a mono block starting at `frame`, scaled per side, with the same wrapping.
    void AddMono(long frame, const std::vector<float>& samples, float gainLeft, float gainRight);
    void Mix(const Track& other, float gain);

    // The largest absolute sample of both channels.
    float Peak() const;
    // Scales the track so that its peak is `peak` (linear); a silent track stays silent.
    void Normalise(float peak);

    std::vector<float> left, right;

private:
    bool loops;
};

// Equal-power panning, pan from -1 (left) to 1 (right).
void PanGains(float pan, float& left, float& right);

double MidiToHz(double note);

// One component of a tone: a multiple of the fundamental, its level, and its own decay time
// (seconds to fall by 1/e; 0 keeps it for the whole note). Higher partials decaying faster is what
// makes a pluck or a bell sound natural.
struct Partial {
    float ratio;
    float amplitude;
    float decay;
};

struct Instrument {
    std::vector<Partial> partials;
    float attack = 0.005f;  // seconds, raised-cosine rise: no click at the start of a note
    float decay = 0.0f;     // seconds to fall by 1/e from the peak towards the sustain level
    float sustain = 1.0f;   // level held while the note is on
    float release = 0.1f;   // seconds to fall by 1/e once the note ends
    float vibratoRate = 0.0f, vibratoDepth = 0.0f, vibratoDelay = 0.0f; // Hz, semitones, seconds
    float tremoloRate = 0.0f, tremoloDepth = 0.0f;                      // Hz, 0..1
    float detuneCents = 0.0f; // a second voice this far above, for width; 0 = one voice
};

// Plays one note into the track: starts at `start` (frames), held for `held` frames, then released.
// The tail runs until the envelope is 80 dB down and closes with a short fade, so every note ends
// at exactly zero. With glideFrom > 0 the pitch slides from that frequency to hz over glideTime
// seconds.
void PlayTone(Track& track, const Instrument& instrument, double start, double held, double hz,
              float gain, float pan, double glideFrom = 0.0, double glideTime = 0.0);

enum class Drum { KICK, SNARE, HIHAT, SHAKER, TICK, TOCK, THUMP };

// One drum hit at frame `start`. Noise comes from the seed, so equal seeds give equal hits.
void PlayDrum(Track& track, Drum drum, double start, float gain, float pan, uint32_t seed);

// A small deterministic noise source (xorshift), uniform in [-1, 1).
class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed ? seed : 0x9E3779B9u) {}
    float Next();

private:
    uint32_t state;
};

// A second-order filter in direct form 1 (the usual cookbook designs).
class Biquad {
public:
    static Biquad LowPass(double hz, double q);
    static Biquad HighPass(double hz, double q);
    static Biquad BandPass(double hz, double q); // 0 dB at the centre
    float Process(float x);
    // Keeps the filter's state and takes the coefficients of another design (for sweeps).
    void Retune(const Biquad& design);

private:
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

struct RoomSettings {
    float size = 0.7f;    // 0..1, longer tails when larger
    float damping = 0.4f; // 0..1, darker tails when larger
    float wet = 0.25f;
    float width = 1.0f;
};

// Adds a room to the whole track (in place). A looping track is warmed up with its own last
// seconds first, so the echoes of the end carry on into the head and the loop point stays seamless.
void ApplyRoom(Track& track, const RoomSettings& settings);

// A gentle (second-order) high pass over the whole track, warmed up around the circle on a looping
// track like the room.
void ApplyHighPass(Track& track, double hz);

} // namespace Synth
} // namespace DataBuild
