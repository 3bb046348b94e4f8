#include "Synth.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace DataBuild {
namespace Synth {

namespace {

const double PI = 3.14159265358979323846;

// Notes are rendered until their release is this far down, then faded out over CLOSE_SECONDS.
const double TAIL_DB = 60.0;
const double CLOSE_SECONDS = 0.005;

// A sine table with linear interpolation: the tones are sums of many partials, and the library
// sine would dominate the build time.
class SineTable {
public:
    static const int SIZE = 4096;

    SineTable()
    {
        for (int i = 0; i <= SIZE; ++i)
            table[i] = static_cast<float>(std::sin(2.0 * PI * i / SIZE));
    }

    // phase in cycles, any value
    float operator()(double phase) const
    {
        double wrapped = phase - std::floor(phase);
        double position = wrapped * SIZE;
        int index = static_cast<int>(position);
        float fraction = static_cast<float>(position - index);
        return table[index] + (table[index + 1] - table[index]) * fraction;
    }

    float AtFixed(uint32_t phase) const
    {
        const uint32_t index = phase >> 20;
        const float fraction = static_cast<float>(phase & 0xFFFFF) * (1.0f / 1048576.0f);
        return table[index] + (table[index + 1] - table[index]) * fraction;
    }

private:
    std::array<float, SIZE + 1> table;
};

const SineTable& Sine()
{
    static const SineTable s_table;
    return s_table;
}

// Per-sample factor of an exponential fall with time constant `seconds` (1 when seconds is 0).
double FallFactor(double seconds)
{
    return seconds > 0.0 ? std::exp(-1.0 / (seconds * RATE)) : 1.0;
}

// The closing fade: 1 until the last CLOSE_SECONDS of `length` frames, then a half cosine to 0.
float CloseGain(long frame, long length)
{
    const long close = std::max(1L, std::min(static_cast<long>(CLOSE_SECONDS * RATE), length / 4));
    const long left = length - 1 - frame;
    if (left >= close)
        return 1.0f;
    return static_cast<float>(0.5 - 0.5 * std::cos(PI * std::max(0L, left) / close));
}

// The frequency of partial `ratio` that the track can hold without aliasing.
bool Audible(double hz)
{
    return hz > 0.0 && hz < 0.45 * RATE;
}

// One partial of a voice. Phases are 32-bit fixed point: a full cycle is 2^32, the table index
// sits in the top bits.
struct Voice {
    double cyclesPerFrame; // at the note's own pitch
    uint32_t phase;
    uint32_t step;
    float level, fall, amplitude;
};

// The partials that stay below the top of the band even at the highest pitch the note reaches.
std::vector<Voice> AudibleVoices(const Instrument& instrument, double hz, double highest, double phaseOffset)
{
    std::vector<Voice> voices;
    for (const Partial& partial : instrument.partials) {
        if (!Audible(partial.ratio * highest))
            continue;
        const double cycles = partial.ratio * hz / RATE;
        voices.push_back({cycles, static_cast<uint32_t>(phaseOffset * 4294967296.0),
                          static_cast<uint32_t>(cycles * 4294967296.0), 1.0f,
                          static_cast<float>(FallFactor(partial.decay)), partial.amplitude});
    }
    return voices;
}

// A note's envelope, frame by frame: attack, decay towards the sustain level, release once the
// note is no longer held, and tremolo.
struct Envelope {
    const Instrument& instrument;
    long attackFrames, heldFrames;
    double decayFall, releaseFall;
    double decayLevel = 1.0;   // falls from 1 towards 0; the sustain level is added on top
    double releaseLevel = 1.0; // 1 until the note ends

    double Next(long i, double t, const SineTable& sine)
    {
        double envelope = instrument.decay > 0.0
                              ? instrument.sustain + (1.0 - instrument.sustain) * decayLevel
                              : instrument.sustain;
        if (i < attackFrames)
            envelope *= 0.5 - 0.5 * std::cos(PI * i / attackFrames);
        envelope *= releaseLevel;
        decayLevel *= decayFall;
        if (i >= heldFrames)
            releaseLevel *= releaseFall;
        if (instrument.tremoloDepth > 0.0f)
            envelope *= 1.0 - instrument.tremoloDepth *
                                  (0.5 - 0.5 * sine(instrument.tremoloRate * t + 0.25));
        return envelope;
    }
};

// The voices' steps at time t of a note gliding from glideFrom and with vibrato.
void Retune(std::vector<Voice>& voices, const Instrument& instrument, double t, double hz,
            bool gliding, double glideFrom, double glideTime, const SineTable& sine)
{
    double octaves = 0.0; // pitch offset from the note, in octaves
    if (gliding && t < glideTime) {
        const double x = t / glideTime;
        octaves += (1.0 - x * x * (3.0 - 2.0 * x)) * std::log2(glideFrom / hz);
    }
    if (instrument.vibratoDepth > 0.0f) {
        const double ramp =
            instrument.vibratoDelay > 0.0f ? std::min(1.0, t / instrument.vibratoDelay) : 1.0;
        octaves += instrument.vibratoDepth / 12.0 * ramp * sine(instrument.vibratoRate * t);
    }
    const double factor = std::exp2(octaves) * 4294967296.0;
    for (Voice& v : voices)
        v.step = static_cast<uint32_t>(v.cyclesPerFrame * factor);
}

// The sum of the voices for one frame; each then moves on a frame.
float NextSample(std::vector<Voice>& voices, const SineTable& sine)
{
    float sample = 0.0f;
    for (Voice& v : voices) {
        sample += v.amplitude * v.level * sine.AtFixed(v.phase);
        v.phase += v.step;
        v.level *= v.fall;
    }
    return sample;
}

void PlayVoice(Track& track, const Instrument& instrument, long start, double held, double hz,
               float gain, float pan, double glideFrom, double glideTime, double phaseOffset)
{
    const long heldFrames = static_cast<long>(std::max(0.0, held));
    const double release = std::max<double>(instrument.release, 0.001);
    const long length = heldFrames + static_cast<long>(release * TAIL_DB / 8.6859 * RATE);
    const long attackFrames = std::max(1L, static_cast<long>(instrument.attack * RATE));
    const bool gliding = glideFrom > 0.0 && glideTime > 0.0;
    const bool modulated = gliding || instrument.vibratoDepth > 0.0f;

    const double highest = std::max(hz, glideFrom) * std::exp2(instrument.vibratoDepth / 12.0);
    std::vector<Voice> voices = AudibleVoices(instrument, hz, highest, phaseOffset);
    Envelope shape{instrument, attackFrames, heldFrames, FallFactor(instrument.decay),
                   FallFactor(instrument.release)};
    double loudest = 0.0;
    for (const Voice& v : voices)
        loudest += v.amplitude;
    // Once the note is released and its partials have died away, it ends early: the close fade
    // starts as soon as the sum of the partials is TAIL_DB down.
    const double quiet = loudest * std::pow(10.0, -TAIL_DB / 20.0);
    const long closeFrames = static_cast<long>(CLOSE_SECONDS * RATE);
    long end = length;
    std::vector<float> mono(static_cast<size_t>(length));
    const SineTable& sine = Sine();

    for (long i = 0; i < end; ++i) {
        const double t = static_cast<double>(i) / RATE;
        const double envelope = shape.Next(i, t, sine);
        if (modulated)
            Retune(voices, instrument, t, hz, gliding, glideFrom, glideTime, sine);
        const float sample = NextSample(voices, sine);
        mono[static_cast<size_t>(i)] = sample * static_cast<float>(envelope) * CloseGain(i, end);

        if (end == length && i >= heldFrames && i % 256 == 0 && i + closeFrames < end) {
            double bound = 0.0;
            for (const Voice& v : voices)
                bound += static_cast<double>(v.amplitude) * v.level;
            if (bound * envelope < quiet) {
                end = i + closeFrames;
                mono.resize(static_cast<size_t>(end));
            }
        }
    }

    float panLeft, panRight;
    PanGains(pan, panLeft, panRight);
    track.AddMono(start, mono, gain * panLeft, gain * panRight);
}

struct Comb {
    std::vector<float> buffer;
    size_t index = 0;
    float store = 0.0f;

    float Process(float input, float feedback, float damp)
    {
        float output = buffer[index];
        store = output * (1.0f - damp) + store * damp;
        if (std::fabs(store) < 1e-20f) // keep denormals out of the feedback loop
            store = 0.0f;
        buffer[index] = input + store * feedback;
        index = index + 1 == buffer.size() ? 0 : index + 1;
        return output;
    }
};

struct Allpass {
    std::vector<float> buffer;
    size_t index = 0;

    float Process(float input)
    {
        float delayed = buffer[index];
        buffer[index] = input + delayed * 0.5f;
        index = index + 1 == buffer.size() ? 0 : index + 1;
        return delayed - input;
    }
};

// A parallel-comb, serial-allpass room (the classic public-domain design), tuned for 44.1 kHz.
class Room {
public:
    explicit Room(const RoomSettings& settings) : settings(settings)
    {
        static const int COMBS[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
        static const int ALLPASSES[] = {556, 441, 341, 225};
        const int spread = 23;
        for (int length : COMBS) {
            left.combs.push_back(Comb{std::vector<float>(length, 0.0f)});
            right.combs.push_back(Comb{std::vector<float>(length + spread, 0.0f)});
        }
        for (int length : ALLPASSES) {
            left.allpasses.push_back(Allpass{std::vector<float>(length, 0.0f)});
            right.allpasses.push_back(Allpass{std::vector<float>(length + spread, 0.0f)});
        }
        feedback = Feedback(settings);
        damp = 0.4f * settings.damping;
    }

    static float Feedback(const RoomSettings& settings)
    {
        return 0.7f + 0.28f * std::clamp(settings.size, 0.0f, 1.0f);
    }

    // The longest comb, in frames: one round of the feedback loop.
    static const int LONGEST_DELAY = 1617 + 23;

    void Process(float inLeft, float inRight, float& outLeft, float& outRight)
    {
        const float input = (inLeft + inRight) * 0.015f;
        const float l = left.Run(input, feedback, damp);
        const float r = right.Run(input, feedback, damp);
        const float wet1 = settings.wet * (settings.width * 0.5f + 0.5f);
        const float wet2 = settings.wet * ((1.0f - settings.width) * 0.5f);
        outLeft = inLeft + l * wet1 + r * wet2;
        outRight = inRight + r * wet1 + l * wet2;
    }

private:
    struct Channel {
        std::vector<Comb> combs;
        std::vector<Allpass> allpasses;

        float Run(float input, float feedback, float damp)
        {
            float sum = 0.0f;
            for (Comb& comb : combs)
                sum += comb.Process(input, feedback, damp);
            for (Allpass& allpass : allpasses)
                sum = allpass.Process(sum);
            return sum;
        }
    };

    RoomSettings settings;
    Channel left, right;
    float feedback, damp;
};

} // namespace

Track::Track(size_t frames, bool loops) : left(frames, 0.0f), right(frames, 0.0f), loops(loops) {}

void Track::Add(long frame, float l, float r)
{
    const long size = static_cast<long>(left.size());
    if (size == 0)
        return;
    if (loops) {
        frame %= size;
        if (frame < 0)
            frame += size;
    } else if (frame < 0 || frame >= size) {
        return;
    }
    left[frame] += l;
    right[frame] += r;
}

void Track::AddMono(long frame, const std::vector<float>& samples, float gainLeft, float gainRight)
{
    const long size = static_cast<long>(left.size());
    const long count = static_cast<long>(samples.size());
    long done = 0;
    while (done < count && size > 0) {
        long at = frame + done;
        if (loops) {
            at %= size;
            if (at < 0)
                at += size;
        } else if (at < 0) {
            done = std::min(count, done - at);
            continue;
        } else if (at >= size) {
            break;
        }
        const long n = std::min(count - done, size - at);
        for (long k = 0; k < n; ++k) {
            left[static_cast<size_t>(at + k)] += samples[static_cast<size_t>(done + k)] * gainLeft;
            right[static_cast<size_t>(at + k)] += samples[static_cast<size_t>(done + k)] * gainRight;
        }
        done += n;
    }
}

void Track::Mix(const Track& other, float gain)
{
    const size_t frames = std::min(Frames(), other.Frames());
    for (size_t i = 0; i < frames; ++i) {
        left[i] += other.left[i] * gain;
        right[i] += other.right[i] * gain;
    }
}

float Track::Peak() const
{
    float peak = 0.0f;
    for (size_t i = 0; i < left.size(); ++i)
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    return peak;
}

void Track::Normalise(float peak)
{
    const float current = Peak();
    if (current <= 0.0f)
        return;
    const float scale = peak / current;
    for (size_t i = 0; i < left.size(); ++i) {
        left[i] *= scale;
        right[i] *= scale;
    }
}

void PanGains(float pan, float& left, float& right)
{
    const double angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0) * PI / 4.0;
    left = static_cast<float>(std::cos(angle) * std::sqrt(2.0));
    right = static_cast<float>(std::sin(angle) * std::sqrt(2.0));
}

double MidiToHz(double note)
{
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

void PlayTone(Track& track, const Instrument& instrument, double start, double held, double hz,
              float gain, float pan, double glideFrom, double glideTime)
{
    const long first = std::lround(start);
    if (instrument.detuneCents == 0.0f) {
        PlayVoice(track, instrument, first, held, hz, gain, pan, glideFrom, glideTime, 0.0);
        return;
    }
    // Two voices a few cents apart, spread a little to either side, at half the gain each.
    const double ratio = std::pow(2.0, instrument.detuneCents / 1200.0);
    PlayVoice(track, instrument, first, held, hz, gain * 0.5f, std::clamp(pan - 0.25f, -1.0f, 1.0f),
              glideFrom, glideTime, 0.0);
    PlayVoice(track, instrument, first, held, hz * ratio, gain * 0.5f,
              std::clamp(pan + 0.25f, -1.0f, 1.0f), glideFrom * ratio, glideTime, 0.37);
}

float Noise::Next()
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(state) / 2147483648.0f - 1.0f;
}

Biquad Biquad::LowPass(double hz, double q)
{
    Biquad f;
    const double w = 2.0 * PI * hz / RATE, alpha = std::sin(w) / (2.0 * q), c = std::cos(w);
    const double a0 = 1.0 + alpha;
    f.b0 = (1.0 - c) / 2.0 / a0;
    f.b1 = (1.0 - c) / a0;
    f.b2 = f.b0;
    f.a1 = -2.0 * c / a0;
    f.a2 = (1.0 - alpha) / a0;
    return f;
}

Biquad Biquad::HighPass(double hz, double q)
{
    Biquad f;
    const double w = 2.0 * PI * hz / RATE, alpha = std::sin(w) / (2.0 * q), c = std::cos(w);
    const double a0 = 1.0 + alpha;
    f.b0 = (1.0 + c) / 2.0 / a0;
    f.b1 = -(1.0 + c) / a0;
    f.b2 = f.b0;
    f.a1 = -2.0 * c / a0;
    f.a2 = (1.0 - alpha) / a0;
    return f;
}

Biquad Biquad::BandPass(double hz, double q)
{
    Biquad f;
    const double w = 2.0 * PI * hz / RATE, alpha = std::sin(w) / (2.0 * q), c = std::cos(w);
    const double a0 = 1.0 + alpha;
    f.b0 = alpha / a0;
    f.b1 = 0.0;
    f.b2 = -alpha / a0;
    f.a1 = -2.0 * c / a0;
    f.a2 = (1.0 - alpha) / a0;
    return f;
}

float Biquad::Process(float x)
{
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = std::fabs(y) < 1e-20 ? 0.0 : y;
    return static_cast<float>(y1);
}

void Biquad::Retune(const Biquad& design)
{
    b0 = design.b0;
    b1 = design.b1;
    b2 = design.b2;
    a1 = design.a1;
    a2 = design.a2;
}

void PlayDrum(Track& track, Drum drum, double start, float gain, float pan, uint32_t seed)
{
    // Each hit: a body (a sine that may fall in pitch) and a noise part through a filter, each
    // with an exponential fall; attack is a raised cosine of a millisecond or more.
    struct Recipe {
        double bodyFrom, bodyTo, bodySweep, bodyDecay, bodyLevel;
        int noiseFilter; // 0 none, 1 low pass, 2 high pass, 3 band pass
        double noiseHz, noiseQ, noiseDecay, noiseLevel;
        double attack, length;
    };
    static const Recipe KICK{120, 45, 0.03, 0.16, 1.0, 1, 1500, 0.7, 0.004, 0.25, 0.001, 0.5};
    static const Recipe SNARE{190, 175, 0.05, 0.05, 0.35, 3, 1800, 0.8, 0.09, 1.0, 0.001, 0.35};
    static const Recipe HIHAT{0, 0, 0, 0, 0, 2, 7500, 0.7, 0.03, 0.8, 0.001, 0.15};
    static const Recipe SHAKER{0, 0, 0, 0, 0, 3, 6000, 1.2, 0.04, 1.0, 0.012, 0.16};
    static const Recipe TICK{2100, 2000, 0.01, 0.015, 0.5, 3, 3200, 5.0, 0.01, 0.8, 0.0005, 0.08};
    static const Recipe TOCK{1400, 1300, 0.01, 0.022, 0.6, 3, 1500, 5.0, 0.012, 0.6, 0.0005, 0.1};
    static const Recipe THUMP{62, 38, 0.06, 0.2, 1.0, 1, 400, 0.7, 0.02, 0.3, 0.004, 0.6};

    const Recipe* recipe = &KICK;
    switch (drum) {
    case Drum::KICK: recipe = &KICK; break;
    case Drum::SNARE: recipe = &SNARE; break;
    case Drum::HIHAT: recipe = &HIHAT; break;
    case Drum::SHAKER: recipe = &SHAKER; break;
    case Drum::TICK: recipe = &TICK; break;
    case Drum::TOCK: recipe = &TOCK; break;
    case Drum::THUMP: recipe = &THUMP; break;
    }
    const Recipe& r = *recipe;

    Noise noise(seed);
    Biquad filter;
    if (r.noiseFilter == 1)
        filter = Biquad::LowPass(r.noiseHz, r.noiseQ);
    else if (r.noiseFilter == 2)
        filter = Biquad::HighPass(r.noiseHz, r.noiseQ);
    else if (r.noiseFilter == 3)
        filter = Biquad::BandPass(r.noiseHz, r.noiseQ);

    float panLeft, panRight;
    PanGains(pan, panLeft, panRight);
    const long first = std::lround(start);
    const long length = static_cast<long>(r.length * RATE);
    const long attack = std::max(1L, static_cast<long>(r.attack * RATE));
    const double bodyFall = FallFactor(r.bodyDecay), noiseFall = FallFactor(r.noiseDecay);
    double bodyLevel = r.bodyLevel, noiseLevel = r.noiseLevel, phase = 0.0;
    const SineTable& sine = Sine();
    for (long i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / RATE;
        double value = 0.0;
        if (r.bodyLevel > 0.0) {
            const double hz = r.bodyTo + (r.bodyFrom - r.bodyTo) * std::exp(-t / r.bodySweep);
            value += bodyLevel * sine(phase);
            phase += hz / RATE;
            bodyLevel *= bodyFall;
        }
        if (r.noiseLevel > 0.0) {
            const float n = noise.Next();
            value += noiseLevel * (r.noiseFilter ? filter.Process(n) : n);
            noiseLevel *= noiseFall;
        }
        if (i < attack)
            value *= 0.5 - 0.5 * std::cos(PI * i / attack);
        const float out = static_cast<float>(value) * gain * CloseGain(i, length);
        track.Add(first + i, out * panLeft, out * panRight);
    }
}

void ApplyRoom(Track& track, const RoomSettings& settings)
{
    Room room(settings);
    const size_t frames = track.Frames();
    float l, r;
    if (track.Loops() && frames > 0) {
        // Run the room around the circle until whatever it held at the start has died away (80 dB),
        // ending just before the head: it then holds the echoes of the end, which carry on into
        // the head as they will when the game wraps around.
        const double rounds = std::log(1e-4) / std::log(Room::Feedback(settings));
        const size_t warmup = static_cast<size_t>(rounds * Room::LONGEST_DELAY) + RATE;
        for (size_t n = warmup; n > 0; --n) {
            const size_t i = (frames - n % frames) % frames;
            room.Process(track.left[i], track.right[i], l, r);
        }
    }
    for (size_t i = 0; i < frames; ++i) {
        room.Process(track.left[i], track.right[i], l, r);
        track.left[i] = l;
        track.right[i] = r;
    }
}

void ApplyHighPass(Track& track, double hz)
{
    Biquad left = Biquad::HighPass(hz, 0.7071), right = left;
    const size_t frames = track.Frames();
    if (track.Loops() && frames > 0) {
        // The filter's memory falls by 80 dB within a few dozen periods of its corner.
        const size_t warmup = static_cast<size_t>(40.0 / hz * RATE);
        for (size_t n = warmup; n > 0; --n) {
            const size_t i = (frames - n % frames) % frames;
            left.Process(track.left[i]);
            right.Process(track.right[i]);
        }
    }
    for (size_t i = 0; i < frames; ++i) {
        track.left[i] = left.Process(track.left[i]);
        track.right[i] = right.Process(track.right[i]);
    }
}

} // namespace Synth
} // namespace DataBuild
