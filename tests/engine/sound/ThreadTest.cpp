// The main thread plays, pauses, resumes and stops sounds while the playback thread mixes them.
// Run under ThreadSanitizer (-DVORN_SANITIZE=thread) this is the check that every value the two
// threads share is either locked or atomic.
#include "sound/AudioBuffer.h"
#include "sound/AudioXM.h"
#include "sound/mixer/AudioPosition.h"
#include "sound/mixer/EffectVolume.h"
#include "sound/mixer/Mixer.h"

#include "application/AbstractApp.h"
#include "standin/audio.h"
#include "standin/standin.h"
#include "XmWriter.h"
#include "support/SoundSupport.h"
#include "vfs/CachedFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

using namespace Vorn;
using VornTest::PcmSource;
using VornTest::Ramp;

namespace {

// Shuts down a mixer that has played into the headless capture with its device open, then turns
// the capture off and empties it.
void StopCapturing(SmartPtr<Mixer>& mixer)
{
    EXPECT_TRUE(mixer->HasDevice());
    mixer->Shutdown();
    mixer = nullptr;
    EXPECT_GT(standin_audio_captured_size(), 0u);
    standin_audio_set_capture(0);
    standin_audio_clear_captured();
}

}  // namespace

TEST(PlaybackThread, MainThreadControlsSoundsWhileTheMixerPlays)
{
    standin_set_backend(STANDIN_BACKEND_HEADLESS);
    standin_audio_set_capture(1);
    standin_audio_clear_captured();

    const AudioFormat format(2, 44100);
    SmartPtr<Mixer> mixer = Mixer::Create(format, AudioBufferSpec(4096, 4));
    SmartPtr<AudioSource> shared(AudioBuffer::Create(SmartPtr<AudioSource>(new PcmSource(Ramp(20000, 0, 7), 2, 44100))));
    SmartPtr<AudioSource> mono(new PcmSource(Ramp(3000, 0, 11), 1, 22050));
    SmartPtr<EffectVolume> master(new EffectVolume(format, 0.6f));
    ASSERT_TRUE(shared);

    std::vector<WeakPtr<AudioChannel> > channels;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(800);
    for (int step = 0; std::chrono::steady_clock::now() < end; ++step) {
        // Start a sound on its own position, with its own gain under the shared one.
        WeakPtr<AudioChannel> weak = mixer->Play(SmartPtr<AudioSource>(new AudioPosition(shared)), true);
        if (SmartPtr<AudioChannel> channel = weak.Lock()) {
            channel->AddEffect(SmartPtr<AudioEffect>(new EffectVolume(format, 1.0f, master)));
            channel->SetLoop(step % 3 == 0);
            channel->SetGroupMask(1u << (step % 2));
            channel->SetPaused(false);
        }
        channels.push_back(weak);
        if (step % 7 == 0)
            mixer->PlayNow(mono, true);

        master->SetVolume(0.2f + 0.1f * (step % 8));
        if (SmartPtr<AudioChannel> c = channels[step / 2].Lock())
            c->SetPaused(step % 4 == 1);
        if (step % 5 == 0)
            mixer->PauseGroup(2, step % 10 == 0);
        if (step % 9 == 0) {
            if (SmartPtr<AudioChannel> c = channels[step / 3].Lock())
                mixer->RemoveChannel(c.Get());
        }
        if (step % 11 == 0) {
            SmartPtr<AudioEffect> half(new EffectVolume(format, 0.5f));
            mixer->AddEffect(half);
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
            mixer->RemoveEffect(half.Get());
        }
        if (step % 13 == 0)
            g_timeSkew.store(step % 26 == 0 ? 1.5f : 1.0f);
        if (step % 17 == 0) {
            mixer->Pause(Mixer::PAUSE_FOCUS, true);
            mixer->Pause(Mixer::PAUSE_FOCUS, false);
        }
        if (step % 23 == 0)
            mixer->StopGroup(1);
        if (step % 29 == 0)
            mixer->StopAll();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    g_timeSkew.store(1.0f);
    StopCapturing(mixer);
}

// An XM module streams on the playback thread, which renders it while the main thread changes its
// channel's and the master volume and pauses and resumes it.
TEST(PlaybackThread, ModuleStreamsWhileTheMainThreadChangesVolume)
{
    standin_set_backend(STANDIN_BACKEND_HEADLESS);
    standin_audio_set_capture(1);
    standin_audio_clear_captured();

    XmTest::Module module;
    module.channels = 4;
    module.speed = 2;
    module.orders = {0, 0};
    XmTest::Pattern pattern;
    pattern.rows = 16;
    pattern.cells.resize(16);
    for (int row = 0; row < 16; ++row) {
        for (int c = 0; c < 4; ++c) {
            XmTest::Cell cell;
            if ((row + c) % 3 == 0) {
                cell.note = static_cast<uint8_t>(40 + row + c);
                cell.instrument = 1;
            }
            cell.effect = row % 2 ? 10 : 1;
            cell.parameter = 0x11;
            pattern.cells[row].push_back(cell);
        }
    }
    module.patterns.push_back(pattern);
    XmTest::Instrument instrument;
    XmTest::Sample sample;
    sample.values = Ramp(500, -8000, 32);
    sample.wide = true;
    sample.loopLength = 500;
    sample.loopType = 1;
    instrument.samples.push_back(sample);
    instrument.volume.points = {{0, 64}, {20, 30}, {60, 50}};
    instrument.volume.type = 3;
    instrument.volume.sustain = 2;
    module.instruments.push_back(instrument);
    const std::vector<uint8_t> bytes = XmTest::Write(module);
    CachedFile file(bytes.data(), static_cast<u32>(bytes.size()), false);
    SmartPtr<AudioSource> xm(AudioXM::Load(file));
    ASSERT_TRUE(xm);

    const AudioFormat format(2, 44100);
    SmartPtr<Mixer> mixer = Mixer::Create(format, AudioBufferSpec(4096, 4));
    SmartPtr<EffectVolume> master(new EffectVolume(format, 0.8f));
    SmartPtr<EffectVolume> music(new EffectVolume(format, 1.0f, master));
    SmartPtr<AudioChannel> channel = mixer->Play(xm, true).Lock();
    ASSERT_TRUE(channel);
    channel->AddEffect(SmartPtr<AudioEffect>(music));
    channel->SetLoop(true);
    channel->SetPaused(false);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    for (int step = 0; std::chrono::steady_clock::now() < end; ++step) {
        music->SetVolume(0.1f * (step % 11));
        master->SetVolume(step % 2 ? 1.0f : 0.5f);
        if (step % 7 == 0)
            channel->SetPaused(step % 14 == 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    channel->SetPaused(false);
    StopCapturing(mixer);
}
