#include "sound/playbook/PlaybookAudioDevice.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "bps/audiodevice.h"
#include "sys/asoundlib.h"

namespace Vorn {

WeakPtr<AudioStream> g_audioStream;

struct PlaybookAudioDevice::Playback {
    snd_pcm_t* pcm = nullptr;
    std::vector<u8> buffer;
    u32 blockBytes = 0;
    WeakPtr<AudioStream> stream;
    std::atomic<bool> stop{false};
    // Set on the playback thread when the device was destroyed there: the thread then closes the
    // PCM device and frees this record itself.
    bool orphaned = false;

    ~Playback()
    {
        if (pcm)
            snd_pcm_close(pcm);
    }

    // One pass: a block from the stream, the rest of it silence when the stream is gone or gave
    // less; then the blocking write. A missing stream still writes, so the loop keeps its pace
    // instead of spinning.
    void Pass()
    {
        u32 n = 0;
        {
            SmartPtr<AudioStream> locked = stream.Lock();
            if (locked)
                n = locked->Read(buffer.data(), blockBytes);
        }
        if (stop.load(std::memory_order_acquire))
            return;
        if (n > blockBytes)
            n = blockBytes;
        if (n < blockBytes)
            std::memset(buffer.data() + n, 0, blockBytes - n);
        if (pcm)
            snd_pcm_plugin_write(pcm, buffer.data(), blockBytes);
    }
};

namespace {
// The device being destroyed on its own playback thread, if any: set by the destructor there.
thread_local PlaybookAudioDevice::Playback* t_running = nullptr;
}

PlaybookAudioDevice::PlaybookAudioDevice(const AudioFormat& format, const AudioBufferSpec& spec)
    : AudioDevice(format), m_playback(new Playback), m_thread()
{
    m_playback->blockBytes = spec.blockBytes;
    m_playback->buffer.assign(spec.blockBytes, 0);

    audiodevice_request_events(0);
    if (snd_pcm_open_name(&m_playback->pcm, "pcmPreferred", SND_PCM_OPEN_PLAYBACK) != 0) {
        m_playback->pcm = nullptr;
        return;
    }
    snd_pcm_t* pcm = m_playback->pcm;
    snd_pcm_info_t info;
    std::memset(&info, 0, sizeof(info));
    snd_pcm_info(pcm, &info);
    snd_pcm_plugin_set_disable(pcm, PLUGIN_DISABLE_MMAP);

    snd_pcm_channel_info_t channelInfo;
    std::memset(&channelInfo, 0, sizeof(channelInfo));
    channelInfo.channel = SND_PCM_CHANNEL_PLAYBACK;
    snd_pcm_plugin_info(pcm, &channelInfo);

    snd_pcm_channel_params_t params;
    std::memset(&params, 0, sizeof(params));
    params.channel = SND_PCM_CHANNEL_PLAYBACK;
    params.mode = SND_PCM_MODE_BLOCK;
    params.start_mode = SND_PCM_START_FULL;
    params.stop_mode = SND_PCM_STOP_ROLLOVER;
    params.buf.block.frag_size = channelInfo.max_fragment_size;
    params.format.interleave = 1;
    params.format.format = SND_PCM_SFMT_S16_LE;
    params.format.rate = static_cast<int32_t>(format.sampleRate);
    params.format.voices = static_cast<int32_t>(format.channels);
    std::strncpy(params.sw_mixer_subchn_name, "Wave playback channel", sizeof(params.sw_mixer_subchn_name) - 1);
    snd_pcm_plugin_params(pcm, &params);
    snd_pcm_plugin_prepare(pcm, SND_PCM_CHANNEL_PLAYBACK);

    snd_pcm_channel_setup_t setup;
    std::memset(&setup, 0, sizeof(setup));
    setup.channel = SND_PCM_CHANNEL_PLAYBACK;
    snd_pcm_plugin_setup(pcm, &setup);
}

PlaybookAudioDevice::~PlaybookAudioDevice()
{
    Playback* playback = m_playback;
    if (m_thread.IsJoined()) {
        delete playback;
        return;
    }
    playback->stop.store(true, std::memory_order_release);
    if (t_running == playback) {
        playback->orphaned = true;
        m_thread.Detach();
        return;
    }
    m_thread.Join();
    delete playback;
}

void PlaybookAudioDevice::Start(AudioStream* stream)
{
    if (!m_thread.IsJoined())
        return;
    m_playback->stream = stream;
    g_audioStream = stream;
    m_thread.Start(&PlaybookAudioDevice::PlaybackThreadEntry, m_playback, 0);
}

void* PlaybookAudioDevice::PlaybackThreadEntry(void* arg)
{
    Playback* playback = static_cast<Playback*>(arg);
    t_running = playback;
    while (!playback->stop.load(std::memory_order_acquire))
        playback->Pass();
    t_running = nullptr;
    if (playback->orphaned)
        delete playback;
    return nullptr;
}

AudioDevice* AudioDevice::CreatePlatform(const AudioFormat& format, const AudioBufferSpec& spec)
{
    return new PlaybookAudioDevice(format, spec);
}

} // namespace Vorn
