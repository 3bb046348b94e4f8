// The module player against libxmp rendering the same modules at 22050 Hz mono with linear
// interpolation: level, clipping, sharp steps and jumps, the shape of the loudness over time, and
// the tempo.
#include "sound/xm/ModulePlayer.h"
#include "sound/xm/ModuleSong.h"

#include "XmWriter.h"
#include "vfs/CachedFile.h"

#include <gtest/gtest.h>
#include <xmp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace Vorn;

namespace {

const u32 RATE = 22050;

std::vector<s16> RenderPlayer(const std::vector<uint8_t>& bytes, size_t count)
{
    CachedFile file(bytes.data(), static_cast<u32>(bytes.size()), false);
    ModulePlayer::CModuleSong song;
    std::vector<s16> out(count);
    EXPECT_TRUE(song.Load(file));
    ModulePlayer::ModulePlayer player;
    player.Init(&song);
    player.SetPosition(-1, -1);
    // In blocks of the mixer's size, as the game pulls them.
    for (size_t done = 0; done < count; done += 1024)
        player.Render(out.data() + done, static_cast<u32>(std::min<size_t>(1024, count - done)));
    return out;
}

std::vector<s16> RenderXmp(const std::vector<uint8_t>& bytes, size_t count)
{
    xmp_context context = xmp_create_context();
    std::vector<s16> out(count);
    if (xmp_load_module_from_memory(context, bytes.data(), static_cast<long>(bytes.size())) == 0) {
        xmp_start_player(context, RATE, XMP_FORMAT_MONO);
        xmp_set_player(context, XMP_PLAYER_INTERP, XMP_INTERP_LINEAR);
        xmp_play_buffer(context, out.data(), static_cast<int>(count * 2), 0);
        xmp_end_player(context);
        xmp_release_module(context);
    }
    xmp_free_context(context);
    return out;
}

struct Figures {
    double clipped = 0;  // share of samples at the rails
    double rms = 0;
    // Steps of a sixteenth of the full swing or more between two samples: half of what one channel
    // at full volume spans, the size of a click where a note starts or stops without a ramp.
    int sharp = 0;
    int jumps = 0;       // steps of a quarter of the full swing or more
    int fullJumps = 0;   // steps of half the full swing or more: from silence to a rail
    std::vector<double> envelope;  // RMS of each 20 ms
};

Figures Measure(const std::vector<s16>& x)
{
    Figures f;
    const size_t window = RATE / 50;
    double sum = 0, windowSum = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        f.clipped += x[i] >= 32767 || x[i] <= -32768;
        windowSum += static_cast<double>(x[i]) * x[i];
        if ((i + 1) % window == 0) {
            f.envelope.push_back(std::sqrt(windowSum / window));
            sum += windowSum;
            windowSum = 0;
        }
        const int step = i ? std::abs(static_cast<int>(x[i]) - x[i - 1]) : 0;
        f.sharp += step >= 4096;
        f.jumps += step >= 8192;
        f.fullJumps += step >= 32768;
    }
    f.clipped /= static_cast<double>(x.size());
    f.rms = std::sqrt(sum / static_cast<double>(x.size()));
    return f;
}

// The best correlation of the two envelopes with b shifted against a by up to half a second: the
// player starts the song on its speed-th tick, libxmp on its first.
double Correlation(const std::vector<double>& a, const std::vector<double>& b)
{
    double best = -1;
    for (size_t lag = 0; lag <= 25 && lag < b.size(); ++lag) {
        const size_t n = std::min(a.size(), b.size() - lag);
        double ma = 0, mb = 0, ab = 0, aa = 0, bb = 0;
        for (size_t i = 0; i < n; ++i) {
            ma += a[i] / n;
            mb += b[i + lag] / n;
        }
        for (size_t i = 0; i < n; ++i) {
            ab += (a[i] - ma) * (b[i + lag] - mb);
            aa += (a[i] - ma) * (a[i] - ma);
            bb += (b[i + lag] - mb) * (b[i + lag] - mb);
        }
        best = std::max(best, aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0);
    }
    return best;
}

// Samples from one onset of a lone short note to the next, averaged over the render.
double OnsetPeriod(const std::vector<s16>& x)
{
    std::vector<size_t> onsets;
    for (size_t i = 32; i < x.size(); ++i) {
        if (std::abs(x[i]) > 2000 && std::all_of(&x[i - 32], &x[i], [](s16 v) { return std::abs(v) <= 2000; }))
            onsets.push_back(i);
    }
    return onsets.size() < 2 ? 0 : static_cast<double>(onsets.back() - onsets.front()) / (onsets.size() - 1);
}

// channels channels taking turns with two instruments of one 16-bit sample each; every note cuts
// the one before it. Written: a looped sine and a decaying one-shot tone, under volume columns,
// volume slides and set volume. Drums: drums and tones that start at their loudest on channels
// that have fallen silent, and tones that stop at their loudest while volume slides keep their
// gain gliding.
std::vector<uint8_t> WrittenModule(uint16_t channels, double amplitude, bool drums = false)
{
    XmTest::Module m;
    m.channels = channels;
    m.speed = drums ? 3 : 6;
    XmTest::Pattern pattern;
    pattern.rows = 64;
    pattern.cells.assign(64, std::vector<XmTest::Cell>(channels));
    const uint8_t effects[][2] = {{0, 0}, {10, 0x01}, {12, 0x30}, {6, 0x10}};
    for (int row = 0; row < 64; ++row) {
        for (int c = 0; c < channels; ++c) {
            XmTest::Cell& cell = pattern.cells[row][c];
            if (drums && (row + c) % 3 == 0) {
                cell = {static_cast<uint8_t>(49 + (row * 5 + c * 7) % 24), static_cast<uint8_t>(1 + (row / 3 + c) % 2),
                        static_cast<uint8_t>(0x30 + (row * 3 + c) % 25)};
            } else if (!drums && (row + c) % 4 == 0) {
                cell = {static_cast<uint8_t>(37 + (row * 7 + c * 5) % 30), static_cast<uint8_t>(1 + (row / 4 + c) % 2),
                        static_cast<uint8_t>(0x30 + row % 32)};
            }
            cell.effect = drums ? 10 : effects[(row / 4 + c) % 4][0];
            cell.parameter = drums ? (row % 2 ? 0x01 : 0x10) : effects[(row / 4 + c) % 4][1];
        }
    }
    m.patterns.push_back(pattern);
    XmTest::Sample first, second;
    first.wide = second.wide = true;
    if (drums) {
        for (int k = 0; k < 1200; ++k)
            first.values.push_back(static_cast<int16_t>(amplitude * std::cos(k * 0.2) * std::exp(-k / 400.0)));
        // Four whole periods: the last value is near the peak again.
        for (int k = 0; k < 700; ++k)
            second.values.push_back(static_cast<int16_t>(amplitude * std::cos(k * 8 * M_PI / 700)));
    } else {
        for (int k = 0; k < 6000; ++k) {
            if (k < 256)
                first.values.push_back(static_cast<int16_t>(amplitude * std::sin(k * M_PI / 128)));
            second.values.push_back(static_cast<int16_t>(amplitude * std::sin(k * 0.3) * (1.0 - k / 6000.0)));
        }
        first.loopLength = 256;
        first.loopType = 1;
    }
    m.instruments.resize(2);
    m.instruments[0].samples.push_back(first);
    m.instruments[1].samples.push_back(second);
    return XmTest::Write(m);
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(XmReference, AgreesWithLibxmp)
{
    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
        // The written modules hold a steady level, which leaves their envelopes little shape to
        // agree on; libxmp also plays the effects the player leaves out.
        double correlation;
    };
    std::vector<Case> cases = {{"written, 4 channels", WrittenModule(4, 12000), 0.45},
                               {"written, 8 channels", WrittenModule(8, 9000), 0.45},
                               {"written, drums", WrittenModule(4, 30000, true), 0.9}};
    // Its only note stands right of a pattern break, which the row plays before it jumps.
    XmTest::Module broken;
    broken.channels = 2;
    broken.patterns.push_back(XmTest::OneCell(64, 0, 1, {61, 1}));
    broken.patterns[0].cells[0][0].effect = 13;
    broken.instruments.resize(1);
    broken.instruments[0].samples.resize(1);
    broken.instruments[0].samples[0].values.assign(5000, 16000);
    cases.push_back({"note right of a break", XmTest::Write(broken), 0.9});
    // The modules of a Debian game (scripts/install-deps installs them).
    for (const char* name : {"dali.xm", "satisfy.xm"}) {
        const std::string path = std::string("/usr/share/games/njam/data/") + name;
        cases.push_back({name, ReadFile(path), 0.9});
        ASSERT_FALSE(cases.back().bytes.empty()) << path << " is missing: run scripts/install-deps";
    }
    const size_t count = RATE * 60;
    for (const Case& c : cases) {
        const Figures ours = Measure(RenderPlayer(c.bytes, count));
        const Figures theirs = Measure(RenderXmp(c.bytes, count));
        ASSERT_GT(theirs.rms, 0) << c.name;
        const double correlation = Correlation(theirs.envelope, ours.envelope);
        EXPECT_LE(ours.clipped, theirs.clipped + 0.001) << c.name;
        EXPECT_NEAR(ours.rms / theirs.rms, 1.0, 0.1) << c.name;
        EXPECT_GE(correlation, c.correlation) << c.name;
        // libxmp ramps every note in and out: the player's notes make no more clicks than its.
        EXPECT_LE(ours.sharp, theirs.sharp) << c.name;
        EXPECT_LE(ours.jumps, theirs.jumps * 1.2 + 10) << c.name;
        EXPECT_EQ(ours.fullJumps, 0) << c.name;
        std::printf("%-20s clipped %.4f %% (libxmp %.4f %%), RMS ratio %.2f, envelope correlation %.3f, "
                    "sharp steps %d (libxmp %d), jumps %d (libxmp %d), full-scale %d (libxmp %d)\n",
                    c.name.c_str(), 100 * ours.clipped, 100 * theirs.clipped, ours.rms / theirs.rms, correlation,
                    ours.sharp, theirs.sharp, ours.jumps, theirs.jumps, ours.fullJumps, theirs.fullJumps);
    }

    // Tempo: a lone short note every 8 ticks at every BPM the format gives. libxmp rounds each tick
    // down to whole samples, so it runs up to half a percent fast; the player carries the fraction.
    double worst = 0;
    for (int bpm = 32; bpm <= 255; ++bpm) {
        XmTest::Module m;
        m.bpm = static_cast<uint16_t>(bpm);
        m.patterns.push_back(XmTest::OneCell(8, 0, 0, {49, 1}));
        m.instruments.resize(1);
        m.instruments[0].samples.resize(1);
        m.instruments[0].samples[0].values.assign(64, 20000);
        const std::vector<uint8_t> bytes = XmTest::Write(m);
        const double exact = 8 * RATE * 2.5 / bpm;
        const size_t length = static_cast<size_t>(exact * 12);
        const double ours = OnsetPeriod(RenderPlayer(bytes, length));
        const double theirs = OnsetPeriod(RenderXmp(bytes, length));
        EXPECT_NEAR(theirs / exact, 1.0, 0.005) << bpm;
        EXPECT_NEAR(ours / exact, 1.0, 0.001) << bpm;
        if (std::fabs(ours / exact - 1) > std::fabs(worst))
            worst = ours / exact - 1;
    }
    std::printf("worst drift over BPM 32-255: %.3f %%\n", 100 * worst);
}
