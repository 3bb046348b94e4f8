// The main thread plays, pauses, resumes and stops sounds while the playback thread mixes them.
// Run under ThreadSanitizer (-DVORN_SANITIZE=thread) this is the check that every value the two
// threads share is either locked or atomic.
#include "sound/AudioBuffer.h"
#include "sound/mixer/AudioPosition.h"
#include "sound/mixer/EffectVolume.h"
#include "sound/mixer/Mixer.h"

#include "application/AbstractApp.h"
#include "standin/audio.h"
#include "standin/standin.h"
#include "support/SoundSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

using namespace Vorn;
using VornTest::PcmSource;
using VornTest::Ramp;

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
    EXPECT_TRUE(mixer->HasDevice());
    mixer->Shutdown();
    mixer = nullptr;
    EXPECT_GT(standin_audio_captured_size(), 0u);
    standin_audio_set_capture(0);
    standin_audio_clear_captured();
}
