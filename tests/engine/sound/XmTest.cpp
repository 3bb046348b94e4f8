#include "sound/AudioXM.h"
#include "sound/mixer/Mixer.h"
#include "sound/xm/ModulePlayer.h"
#include "sound/xm/ModuleSong.h"

#include "XmWriter.h"
#include "support/MemoryMount.h"
#include "support/SoundSupport.h"
#include "vfs/CachedFile.h"
#include "vfs/Vfs.h"

#include <gtest/gtest.h>
#include <xmp.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace Vorn;
using Vorn::ModulePlayer::CModuleSong;
using XmTest::Cell;

namespace {

typedef Vorn::ModulePlayer::ModulePlayer Player;

std::unique_ptr<CModuleSong> Load(const std::vector<uint8_t>& bytes)
{
    CachedFile file(bytes.data(), static_cast<u32>(bytes.size()), false);
    std::unique_ptr<CModuleSong> song(new CModuleSong);
    if (!song->Load(file))
        return nullptr;
    return song;
}

// A song and its player at the start.
struct Playing {
    explicit Playing(const XmTest::Module& module) : song(Load(XmTest::Write(module)))
    {
        if (song) {
            player.Init(song.get());
            player.SetPosition(-1, -1);
        }
    }
    std::vector<s16> Render(u32 count)
    {
        std::vector<s16> out(count);
        EXPECT_TRUE(player.Render(out.data(), count));
        return out;
    }
    std::unique_ptr<CModuleSong> song;
    Player player;
};

XmTest::Sample Constant(int16_t value, size_t length)
{
    XmTest::Sample s;
    s.values.assign(length, value);
    s.wide = true;
    return s;
}

// One instrument with one sample, one pattern of rows rows holding cell at row 0, channel 0.
XmTest::Module OneNote(const XmTest::Sample& sample, const Cell& cell, uint16_t rows = 1, uint16_t speed = 1)
{
    XmTest::Module m;
    m.speed = speed;
    m.patterns.push_back(XmTest::OneCell(rows, 0, 0, cell));
    XmTest::Instrument instrument;
    instrument.samples.push_back(sample);
    m.instruments.push_back(instrument);
    return m;
}

Cell Note(uint8_t note, uint8_t instrument = 1, uint8_t effect = 0, uint8_t parameter = 0, uint8_t volume = 0)
{
    Cell c;
    c.note = note;
    c.instrument = instrument;
    c.effect = effect;
    c.parameter = parameter;
    c.volume = volume;
    return c;
}

// The mixed value of one full-volume channel playing value, by the player's gain arithmetic: a
// quarter of the value, the headroom of four channels.
int FullVolume(int value)
{
    const int64_t g = (65535LL * ((65535LL * 64) / 64)) >> 16;
    return static_cast<int>((((g * value) >> 8) + 512) >> 10);
}

} // namespace

TEST(XmSong, LoadsHeaderPatternsInstrumentsAndSamples)
{
    XmTest::Module m;
    m.name = "songname";
    m.channels = 3;
    m.speed = 5;
    m.bpm = 140;
    m.orders = {1, 0, 1, 1};
    XmTest::Pattern p0 = XmTest::OneCell(4, 2, 1, Note(49, 2, 12, 0x20, 0x30));
    XmTest::Pattern p1 = XmTest::OneCell(7, 0, 2, Note(97, 0));
    p1.cells[0][0] = Note(13, 1);
    p1.cells[0][0].full = true;
    m.patterns = {p0, p1};
    XmTest::Instrument eight;
    XmTest::Sample s8;
    s8.values = {0, 256, -512, 32512, -32768, 0x1200};
    s8.loopStart = 2;
    s8.loopLength = 3;
    s8.loopType = 1;
    s8.relativeNote = 12;
    eight.samples.push_back(s8);
    // A header that ends inside its reserved bytes: the samples follow where it says.
    eight.headerSize = 250;
    XmTest::Instrument wide;
    XmTest::Sample wideSample;
    wideSample.values = {1000, -1000, 32767, -32768, 5, 6, 7};
    wideSample.wide = true;
    wideSample.finetune = -64;
    wideSample.volume = 40;
    wide.samples = {wideSample, Constant(3, 10)};
    wide.map[48] = 1;
    wide.volume.points = {{0, 64}, {10, 20}, {20, 0}};
    wide.volume.type = 3;
    wide.volume.sustain = 1;
    m.instruments = {eight, wide};

    std::unique_ptr<CModuleSong> song = Load(XmTest::Write(m));
    ASSERT_TRUE(song);
    EXPECT_EQ(song->name, "songname");
    EXPECT_EQ(song->channels, 3);
    EXPECT_EQ(song->songLength, 4);
    EXPECT_EQ(song->speed, 5);
    EXPECT_EQ(song->bpm, 140);
    EXPECT_EQ(std::vector<u8>(song->orders, song->orders + 4), m.orders);
    ASSERT_EQ(song->patterns.size(), 2u);
    EXPECT_EQ(song->patterns[0].rows, 4);
    EXPECT_EQ(song->patterns[1].rows, 7);
    ASSERT_EQ(song->instruments.size(), 2u);
    const auto& a = song->instruments[0].samples;
    ASSERT_EQ(a.size(), 1u);
    // 8-bit data keeps its high bytes.
    EXPECT_EQ(a[0].data, (std::vector<s16>{0, 256, -512, 32512, -32768, 0x1200}));
    EXPECT_EQ(a[0].loopStart, 2u);
    EXPECT_EQ(a[0].loopLength, 3u);
    EXPECT_EQ(a[0].step, static_cast<u32>(4096 * std::pow(1.0594631, 12)));
    const auto& b = song->instruments[1];
    ASSERT_EQ(b.samples.size(), 2u);
    // 16-bit lengths are halved from bytes to samples.
    EXPECT_EQ(b.samples[0].length, 7u);
    EXPECT_EQ(b.samples[0].data, wideSample.values);
    EXPECT_EQ(b.samples[0].volume, 40);
    EXPECT_EQ(b.samples[0].step, static_cast<u32>(4096 * std::pow(1.0594631, -0.5)));
    EXPECT_EQ(b.sampleMap[48], 1);
    EXPECT_EQ(b.volumePointCount, 3);
    EXPECT_EQ(b.volumePoints[1].x, 10);
    EXPECT_EQ(b.volumePoints[1].y, 20);
    EXPECT_EQ(b.volumeType, 3);

    // The same file as libxmp reads it.
    xmp_context context = xmp_create_context();
    const std::vector<uint8_t> bytes = XmTest::Write(m);
    ASSERT_EQ(xmp_load_module_from_memory(context, bytes.data(), static_cast<long>(bytes.size())), 0);
    xmp_module_info info;
    xmp_get_module_info(context, &info);
    const xmp_module* x = info.mod;
    EXPECT_EQ(x->len, song->songLength);
    EXPECT_EQ(x->chn, song->channels);
    EXPECT_EQ(x->spd, song->speed);
    EXPECT_EQ(x->bpm, song->bpm);
    for (int i = 0; i < x->len; ++i)
        EXPECT_EQ(x->xxo[i], song->orders[i]) << i;
    // libxmp may add an empty pattern of its own after the file's.
    ASSERT_GE(x->pat, static_cast<int>(song->patterns.size()));
    for (int p = 0; p < static_cast<int>(song->patterns.size()); ++p)
        EXPECT_EQ(x->xxp[p]->rows, song->patterns[p].rows) << p;
    ASSERT_EQ(x->ins, static_cast<int>(song->instruments.size()));
    for (int i = 0; i < x->ins; ++i) {
        const auto& samples = song->instruments[i].samples;
        ASSERT_EQ(x->xxi[i].nsm, static_cast<int>(samples.size())) << i;
        for (int k = 0; k < x->xxi[i].nsm; ++k) {
            const xmp_sample& xs = x->xxs[x->xxi[i].sub[k].sid];
            EXPECT_EQ(xs.len, static_cast<int>(samples[k].length)) << i << " " << k;
            EXPECT_EQ((xs.flg & XMP_SAMPLE_LOOP) != 0, samples[k].Loops());
            if (samples[k].Loops()) {
                EXPECT_EQ(xs.lps, static_cast<int>(samples[k].loopStart));
                EXPECT_EQ(xs.lpe, static_cast<int>(samples[k].loopStart + samples[k].loopLength));
            }
        }
    }
    // The notes where libxmp and the packed data put them: pattern 0, row 2, channel 1.
    const xmp_event& e = x->xxt[x->xxp[0]->index[1]]->event[2];
    EXPECT_NE(e.note, 0);
    EXPECT_EQ(e.ins, 2);
    EXPECT_EQ(x->xxt[x->xxp[1]->index[2]]->event[0].note, XMP_KEY_OFF);
    EXPECT_EQ(x->xxt[x->xxp[0]->index[0]]->event[0].note, 0);
    xmp_release_module(context);
    xmp_free_context(context);
}

// A note's sample plays from the first step on, fading in over the ramp to full volume; the first
// row comes on the speed-th tick.
TEST(XmPlayer, RendersKnownRows)
{
    // A ramp of 16-bit values, played at note 61 (step 3042 / 4096 of a sample per output sample).
    XmTest::Sample ramp;
    ramp.wide = true;
    for (int i = 0; i < 400; ++i)
        ramp.values.push_back(static_cast<int16_t>(i * 64));
    Playing p(OneNote(ramp, Note(61), 64, 2));
    ASSERT_TRUE(p.song);
    EXPECT_EQ(p.player.GetSamplesPerTick(), 441u);
    const std::vector<s16> out = p.Render(441 + 200);
    for (int i = 0; i < 441; ++i)
        ASSERT_EQ(out[i], 0) << i;
    const u32 step = 3042;
    ASSERT_EQ(step, p.player.GetNoteStep(61));
    for (int k = 1; k <= 200; ++k) {
        const u64 position = static_cast<u64>(k) * step;
        const int index = static_cast<int>(position >> 12);
        const int fraction = static_cast<int>(position & 4095);
        const int value = index * 64 + (64 * fraction) / 4096;
        if (k >= static_cast<int>(Player::RAMP))
            ASSERT_EQ(out[440 + k], FullVolume(value)) << k;
        else
            ASSERT_NEAR(out[440 + k], FullVolume(value) * k / static_cast<int>(Player::RAMP), 2) << k;
    }
}

TEST(XmPlayer, OneShotSamplesStopAndLoopedSamplesGoOn)
{
    // 100 samples at step 4096 (relative note that makes note 61 play one sample per sample is not
    // needed: the count of non-silent outputs follows from the step).
    XmTest::Sample once = Constant(8192, 100);
    Playing shot(OneNote(once, Note(61), 64));
    ASSERT_TRUE(shot.song);
    const std::vector<s16> a = shot.Render(400);
    const u32 step = shot.player.GetNoteStep(61);
    const u32 sounding = (100 * 4096 - 1) / step;
    // It fades in over the ramp instead of stepping to its level, even on a silent channel.
    for (u32 i = 0; i < Player::RAMP; ++i)
        ASSERT_TRUE(a[i] > (i ? a[i - 1] : 0) && a[i] - (i ? a[i - 1] : 0) <= FullVolume(8192) / 32) << i;
    for (u32 i = Player::RAMP; i < sounding; ++i)
        ASSERT_EQ(a[i], FullVolume(8192)) << i;
    // Then it fades out over the ramp instead of stepping to silence.
    for (u32 i = sounding; i < sounding + Player::RAMP; ++i)
        ASSERT_TRUE(a[i] < a[i - 1] && a[i] >= 0 && a[i - 1] - a[i] <= FullVolume(8192) / 32) << i;
    for (u32 i = sounding + Player::RAMP; i < 400; ++i)
        ASSERT_EQ(a[i], 0) << i;
    EXPECT_EQ(shot.player.GetChannels()[0].sample, nullptr);

    XmTest::Sample looped = Constant(8192, 100);
    looped.loopStart = 50;
    looped.loopLength = 50;
    looped.loopType = 1;
    Playing loop(OneNote(looped, Note(61), 64));
    const std::vector<s16> b = loop.Render(5000);
    for (u32 i = Player::RAMP; i < 5000; ++i)
        ASSERT_EQ(b[i], FullVolume(8192)) << i;
    // A loop's last sample leads back to its start, never toward the data after the loop.
    XmTest::Sample inner = Constant(8192, 150);
    std::fill(inner.values.begin() + 100, inner.values.end(), 30000);
    inner.loopStart = 50;
    inner.loopLength = 50;
    inner.loopType = 1;
    Playing innerLoop(OneNote(inner, Note(61), 64));
    const std::vector<s16> d = innerLoop.Render(5000);
    for (u32 i = Player::RAMP; i < 5000; ++i)
        ASSERT_EQ(d[i], FullVolume(8192)) << i;
    // Ping-pong loops play forward too; a loop of length 0 is no loop.
    looped.loopType = 2;
    Playing pingpong(OneNote(looped, Note(61), 64));
    EXPECT_EQ(pingpong.Render(5000).back(), FullVolume(8192));
    looped.loopLength = 0;
    looped.loopType = 1;
    Playing empty(OneNote(looped, Note(61), 64));
    EXPECT_EQ(empty.Render(5000).back(), 0);
    // A sample of length 0 plays silence.
    Playing none(OneNote(XmTest::Sample(), Note(61), 64));
    ASSERT_TRUE(none.song);
    for (s16 v : none.Render(1000))
        ASSERT_EQ(v, 0);
}

TEST(XmPlayer, SpeedTempoAndPatternBreak)
{
    XmTest::Module m = OneNote(Constant(100, 10), Note(0, 0, 15, 31), 2);
    m.patterns[0].cells.resize(2);
    m.patterns[0].cells[1] = {Note(0, 0, 15, 32)};
    Playing p(m);
    p.Render(1);
    EXPECT_EQ(p.player.GetSpeed(), 31u);
    // The next row comes 31 ticks later and sets BPM 32: 22050 * 2.5 / 32 = 1722.66 samples per
    // tick, as 1722 and 1723 in turn.
    p.Render(30 * 441 + 440);
    EXPECT_EQ(p.player.GetBpm(), 125u);
    p.Render(1);
    EXPECT_EQ(p.player.GetBpm(), 32u);
    EXPECT_EQ(p.player.GetSamplesPerTick(), 1722u);

    // Speed 0 stops nothing: the parameter is ignored.
    Playing zero(OneNote(Constant(100, 10), Note(0, 0, 15, 0)));
    zero.Render(1);
    EXPECT_EQ(zero.player.GetSpeed(), 1u);

    // A break on channel 1 plays the rest of its row (channel 2's note starts) and then starts the
    // next order at row 0.
    XmTest::Module b;
    b.channels = 2;
    b.orders = {0, 1};
    XmTest::Pattern first = XmTest::OneCell(8, 0, 0, Note(0, 0, 13, 0));
    first.cells[0].push_back(Note(61));
    XmTest::Pattern second = XmTest::OneCell(8, 1, 0, Note(61));
    b.patterns = {first, second};
    XmTest::Instrument instrument;
    instrument.samples.push_back(Constant(1000, 50000));
    b.instruments.push_back(instrument);
    Playing broken(b);
    ASSERT_TRUE(broken.song);
    broken.Render(1);
    EXPECT_EQ(broken.player.GetOrder(), 1u);
    EXPECT_EQ(broken.player.GetRow(), 0u);
    EXPECT_NE(broken.player.GetChannels()[1].sample, nullptr);
    broken.Render(441 * 2);
    EXPECT_NE(broken.player.GetChannels()[0].sample, nullptr);
    // Past the last order the song starts again.
    broken.Render(441 * 6);
    EXPECT_EQ(broken.player.GetOrder(), 0u);
}

TEST(XmPlayer, VolumeColumnEffectsAndClamping)
{
    // At speed 8 the first row comes on the 8th tick; its effect runs on that tick and the next 7.
    auto volumeAfter = [](const Cell& cell, u32 ticks, int channel = 0) {
        Playing p(OneNote(Constant(1000, 100000), cell, 64, 8));
        EXPECT_TRUE(p.song);
        p.Render(441 * (7 + ticks));
        return p.player.GetChannels()[channel].volume;
    };
    EXPECT_EQ(volumeAfter(Note(61, 1, 0, 0, 0x30), 1), 0x20 * 1024);
    EXPECT_EQ(volumeAfter(Note(61, 1, 0, 0, 0x50), 1), 65535);
    // No volume column: the sample's volume.
    EXPECT_EQ(volumeAfter(Note(61), 1), 65535);
    // Volume slide 0x0A: down 2 steps on every tick, the row's tick too.
    EXPECT_EQ(volumeAfter(Note(61, 1, 10, 0x02, 0x30), 3), 0x20 * 1024 - 3 * 2048);
    EXPECT_EQ(volumeAfter(Note(61, 1, 6, 0x40, 0x30), 2), 0x28 * 1024);
    EXPECT_EQ(volumeAfter(Note(61, 1, 10, 0x0F, 0x12), 5), 0);
    // Fine slides of the 0x0E effect on every tick, in quarter steps.
    EXPECT_EQ(volumeAfter(Note(61, 1, 14, 0xA3, 0x20), 2), 0x10 * 1024 + 2 * 3 * 256);
    EXPECT_EQ(volumeAfter(Note(61, 1, 14, 0xB3, 0x20), 2), 0x10 * 1024 - 2 * 3 * 256);
    // Volume column slides at the row: 1024 a step, fine slides 4 units.
    EXPECT_EQ(volumeAfter(Note(61, 0, 12, 0x20, 0), 1), 0x20 * 1024);
    EXPECT_EQ(volumeAfter(Note(61, 1, 12, 0x40, 0), 1), 65535);
    // Set volume to 0 silences, whatever parameter an earlier row left.
    EXPECT_EQ(volumeAfter(Note(61, 1, 12, 0x00, 0), 1), 0);

    // Eight loud channels sum past 16 bits: clamped, not wrapped.
    XmTest::Module loud;
    loud.channels = 8;
    loud.patterns.push_back(XmTest::OneCell(4, 0, 0, Note(61)));
    loud.patterns[0].cells[0].assign(8, Note(61));
    XmTest::Instrument up;
    up.samples.push_back(Constant(30000, 10000));
    XmTest::Instrument down;
    down.samples.push_back(Constant(-30000, 10000));
    loud.instruments = {up, down};
    Playing high(loud);
    EXPECT_EQ(high.Render(100)[50], 32767);
    for (auto& cell : loud.patterns[0].cells[0])
        cell.instrument = 2;
    Playing low(loud);
    EXPECT_EQ(low.Render(100)[50], -32768);
}

TEST(XmPlayer, PortamentoMovesTheStep)
{
    XmTest::Sample long_ = Constant(1000, 200000);
    Playing up(OneNote(long_, Note(61, 1, 1, 0x10), 64));
    up.Render(1);
    const u32 base = up.player.GetNoteStep(61);
    EXPECT_EQ(up.player.GetChannels()[0].step, base + base * 16 / 512);
    Playing down(OneNote(long_, Note(61, 1, 2, 0x10), 64));
    down.Render(1);
    EXPECT_EQ(down.player.GetChannels()[0].step, base - base * 16 / 512);

    // Tone portamento: the next row's note is only a target, reached in steps and not passed.
    XmTest::Module m = OneNote(long_, Note(61), 64, 16);
    m.patterns[0].cells.resize(2);
    m.patterns[0].cells[1] = {Note(73, 0, 3, 0x40)};
    Playing tone(m);
    tone.Render(441 * 32);
    const Player::Channel& c = tone.player.GetChannels()[0];
    EXPECT_EQ(c.target, tone.player.GetNoteStep(73));
    EXPECT_EQ(c.step, base + base * 0x40 / 256);
    tone.Render(441 * 10);
    EXPECT_EQ(c.step, c.target);
    EXPECT_GT(c.position, 0u);

    // Portamento up for ever stays bounded and keeps playing a looped sample.
    XmTest::Sample looped = Constant(500, 64);
    looped.loopLength = 64;
    looped.loopType = 1;
    Playing wild(OneNote(looped, Note(96, 1, 1, 0xFF), 64));
    wild.Render(441 * 500);
    EXPECT_NE(wild.player.GetChannels()[0].sample, nullptr);
}

TEST(XmPlayer, VolumeEnvelopeSustainAndKeyOff)
{
    XmTest::Module m = OneNote(Constant(1000, 400000), Note(61), 64);
    XmTest::Envelope& e = m.instruments[0].volume;
    e.points = {{0, 64}, {4, 32}, {8, 48}, {10, 0}};
    e.type = 3;
    e.sustain = 2;
    m.patterns[0].cells.resize(20);
    m.patterns[0].cells[19] = {Note(97, 0)};
    Playing p(m);
    std::vector<s32> values;
    for (int tick = 0; tick < 24; ++tick) {
        p.Render(441);
        values.push_back(p.player.GetChannels()[0].sample ? p.player.GetChannels()[0].envelope : -1);
    }
    // Ticks 0-3 go down from 64 to 32, 4-7 up to 48, then held at the sustain point until the key
    // goes off on row 19, then down to 0 and silent past the last point.
    EXPECT_EQ(std::vector<s32>(values.begin(), values.begin() + 9), (std::vector<s32>{64, 56, 48, 40, 32, 36, 40, 44, 48}));
    for (int t = 9; t < 19; ++t)
        EXPECT_EQ(values[t], 48) << t;
    EXPECT_EQ(values[19], 48);
    EXPECT_EQ(values[20], 24);
    EXPECT_EQ(values[21], 0);
    EXPECT_EQ(values[22], -1);

    // Without the sustain bit the envelope runs through.
    e.type = 1;
    Playing free(m);
    free.Render(441 * 9);
    EXPECT_EQ(free.player.GetChannels()[0].envelope, 48);
    free.Render(441);
    EXPECT_EQ(free.player.GetChannels()[0].envelope, 24);

    // Points with equal x and more points than the format holds: no division by zero, at most 12.
    e.points = {{0, 64}, {0, 10}, {5, 10}, {5, 60}, {5, 30}};
    e.type = 1;
    Playing equal(m);
    ASSERT_TRUE(equal.song);
    equal.Render(441 * 12);
    e.points.assign(12, {3, 30});
    e.pointCount = 40;
    Playing many(m);
    ASSERT_TRUE(many.song);
    EXPECT_EQ(many.song->instruments[0].volumePointCount, 12);
    many.Render(441 * 12);
}

// What the file may get wrong: refused when its structure is broken, clamped when the values are
// only out of range; playing never reads out of bounds, divides by zero or hangs.
TEST(XmPlayer, DamagedModulesAreRefusedOrClamped)
{
    const XmTest::Module good = OneNote(Constant(1000, 100), Note(61), 4);
    const std::vector<uint8_t> bytes = XmTest::Write(good);
    ASSERT_TRUE(Load(bytes));
    for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(Load(std::vector<uint8_t>(bytes.begin(), bytes.begin() + n))) << n;

    auto refused = [](XmTest::Module m) { return !Load(XmTest::Write(m)); };
    XmTest::Module m = good;
    m.songLength = 257;
    EXPECT_TRUE(refused(m));
    m = good;
    m.orders.clear();
    m.songLength = 0;
    EXPECT_TRUE(refused(m));
    m = good;
    m.channels = 0;
    EXPECT_TRUE(refused(m));
    m = good;
    m.channels = 65;
    EXPECT_TRUE(refused(m));
    m = good;
    m.patterns[0].rows = 257;
    EXPECT_TRUE(refused(m));
    m = good;
    m.instruments[0].samples.resize(17);
    EXPECT_TRUE(refused(m));
    // Sample data longer than the file.
    m = good;
    m.instruments[0].samples[0].claimedBytes = 0x7fffffff;
    EXPECT_TRUE(refused(m));

    // Clamped and played: orders naming missing patterns, 0 rows, instrument 0 and instruments
    // beyond the count, speed 0, notes past the table, loops past the sample, packed data running
    // past the pattern, extra header bytes.
    m = good;
    m.orders = {0, 7, 200, 0};
    m.speed = 0;
    m.patterns[0].rows = 0;
    XmTest::Pattern odd;
    odd.rows = 16;
    odd.useRaw = true;
    odd.raw = {0x9F, 200, 5, 0x40, 3};  // every field, then the data ends
    m.patterns.push_back(odd);
    m.orders.push_back(1);
    XmTest::Pattern notes = XmTest::OneCell(4, 0, 0, Note(120, 0));
    notes.cells.resize(3);
    notes.cells[1] = {Note(61, 9)};
    notes.cells[2] = {Note(61, 2, 3, 0x20)};
    m.patterns.push_back(notes);
    m.orders.push_back(2);
    XmTest::Sample loop = Constant(1000, 100);
    loop.loopStart = 90;
    loop.loopLength = 5000;
    loop.loopType = 1;
    m.instruments[0].samples.push_back(loop);
    m.instruments[0].map[60] = 1;
    m.instruments[0].map[61] = 15;
    m.instruments[0].headerSize = 300;
    m.instruments[0].sampleHeaderSize = 48;
    XmTest::Instrument empty;
    empty.headerSize = 29;
    m.instruments.push_back(empty);
    std::unique_ptr<CModuleSong> song = Load(XmTest::Write(m));
    ASSERT_TRUE(song);
    EXPECT_EQ(song->patterns[0].rows, 1);
    EXPECT_EQ(song->instruments[0].samples[1].loopLength, 10u);
    EXPECT_EQ(song->instruments[1].samples.size(), 0u);
    EXPECT_EQ(song->OrderPattern(1).rows, CModuleSong::MISSING_PATTERN_ROWS);
    Player player;
    player.Init(song.get());
    player.SetPosition(-1, -1);
    std::vector<s16> out(22050);
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(player.Render(out.data(), static_cast<u32>(out.size())));
    EXPECT_EQ(player.GetSpeed(), 8u);
    // Tempo from the header that leaves no whole sample per tick still moves on.
    m = good;
    m.bpm = 65535;
    Playing fast(m);
    ASSERT_TRUE(fast.song);
    EXPECT_GE(fast.player.GetSamplesPerTick(), 1u);
    fast.Render(1000);
}

// Positions beyond 2^20 samples do not fit 20.12 fixed point in 32 bits: a long sample plays to
// its end at a high step without wrapping back.
TEST(XmPlayer, LongSamplesPlayToTheirEnd)
{
    XmTest::Sample big;
    big.values.assign(1500000, 0);
    for (size_t i = 0; i < big.values.size(); ++i)
        big.values[i] = static_cast<int16_t>(i < 1400000 ? 256 : 512);
    big.relativeNote = 95;  // about 180 samples per output sample at this note
    Playing p(OneNote(big, Note(61), 64));
    ASSERT_TRUE(p.song);
    const std::vector<s16> out = p.Render(22050);
    const Player::Channel& c = p.player.GetChannels()[0];
    const u64 expectedSteps = (static_cast<u64>(p.song->instruments[0].samples[0].step) * p.player.GetNoteStep(61)) / 4096;
    // Output sample k plays sample (k + 1) * step; find where the 512s start and where it ends.
    const u64 switchAt = (1400000ull << 12) / expectedSteps;
    EXPECT_EQ(out[switchAt - 2], FullVolume(256));
    EXPECT_EQ(out[switchAt + 1], FullVolume(512));
    const u64 endAt = (1500000ull << 12) / expectedSteps;
    ASSERT_LT(endAt + 1, out.size());
    EXPECT_EQ(out[endAt - 2], FullVolume(512));
    EXPECT_EQ(out[endAt + Player::RAMP + 1], 0);
    EXPECT_EQ(c.sample, nullptr);
}

TEST(XmSource, PlaysThroughTheFactoryAndTheMixer)
{
    VornTest::MemoryMount* mount = VornTest::MemoryMount::Install("x/");
    XmTest::Sample looped = Constant(4000, 64);
    looped.loopLength = 64;
    looped.loopType = 1;
    mount->Add("song.xm", XmTest::Write(OneNote(looped, Note(61), 8)));
    mount->Add("bad.xm", std::string("Extended Module: nothing more"));
    EXPECT_FALSE(SmartPtr<AudioSource>(AudioSource::Create("x/bad.xm", false)));
    EXPECT_FALSE(SmartPtr<AudioSource>(AudioSource::Create("x/missing.xm", false)));
    SmartPtr<AudioSource> xm(AudioSource::Create("x/song.xm", false));
    ASSERT_TRUE(xm);
    EXPECT_EQ(xm->GetChannels(), 1u);
    EXPECT_EQ(xm->GetSampleRate(), 22050u);
    EXPECT_EQ(xm->GetSize(), 0u);
    EXPECT_EQ(xm->Tell(), 0u);

    SmartPtr<Mixer> mixer(new Mixer(AudioFormat(2, 44100), AudioBufferSpec(4096, 4)));
    SmartPtr<AudioChannel> channel = mixer->Play(xm, true).Lock();
    ASSERT_TRUE(channel);
    channel->SetPaused(false);
    std::vector<u8> block(4096 * 8);
    mixer->Read(block.data(), static_cast<u32>(block.size()));
    const std::vector<s16> out = VornTest::Samples(block);
    // The note starts on the first tick and its loop never ends: once faded in, every frame holds
    // it on both sides, at the mixer's rate.
    for (size_t i = 4 * Player::RAMP; i < out.size(); ++i)
        ASSERT_EQ(out[i], FullVolume(4000)) << i;
    EXPECT_TRUE(mixer->Read(block.data(), 4096));
    // A module has no end to read to: none in memory.
    EXPECT_FALSE(SmartPtr<AudioSource>(AudioSource::Create("x/song.xm", true)));
    Vfs::Shutdown();
}
