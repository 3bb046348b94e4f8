#include "sys/asoundlib.h"

#include "PcmSink.h"
#include "standin/audio.h"
#include "standin/standin.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

// The device the stand-in offers: what the tablet's preferred output accepts through its plugin
// layer (signed 16-bit little-endian, mono or stereo, the usual rates) in blocks of 4096 bytes.
namespace {

constexpr int MIN_RATE = 8000;
constexpr int MAX_RATE = 48000;
constexpr int MAX_VOICES = 2;
constexpr int FRAGMENT_BYTES = static_cast<int>(standin::PCM_BLOCK_BYTES);
constexpr int FRAGMENT_ALIGN = 4;

std::atomic<unsigned> s_opened{0};
std::atomic<unsigned> s_closed{0};
std::atomic<int> s_lastSink{STANDIN_AUDIO_SINK_NONE};

}  // namespace

struct snd_pcm {
    unsigned disabledPlugins = 0;
    bool configured = false;
    bool prepared = false;
    snd_pcm_channel_params_t params{};
    std::unique_ptr<standin::PcmSink> sink;
};

extern "C" int snd_pcm_open_name(snd_pcm_t** handle, const char* name, int mode)
{
    if (!handle)
        return -EINVAL;
    *handle = nullptr;
    if (!name || !*name)
        return -EINVAL;
    if (!(mode & SND_PCM_OPEN_PLAYBACK) || (mode & SND_PCM_OPEN_CAPTURE))
        return -ENOTSUP;
    snd_pcm* pcm = new (std::nothrow) snd_pcm;
    if (!pcm)
        return -ENOMEM;
    *handle = pcm;
    s_opened.fetch_add(1);
    return 0;
}

extern "C" int snd_pcm_close(snd_pcm_t* handle)
{
    if (!handle)
        return -EINVAL;
    delete handle;
    s_closed.fetch_add(1);
    return 0;
}

extern "C" int snd_pcm_info(snd_pcm_t* handle, snd_pcm_info_t* info)
{
    if (!handle || !info)
        return -EINVAL;
    std::memset(info, 0, sizeof(*info));
    std::snprintf(info->name, sizeof(info->name), "%s", "Stand-in PCM output");
    std::snprintf(info->id, sizeof(info->id), "%s", "pcmPreferred");
    return 0;
}

extern "C" int snd_pcm_plugin_set_disable(snd_pcm_t* handle, unsigned int plugins)
{
    if (!handle)
        return -EINVAL;
    handle->disabledPlugins |= plugins;
    return 0;
}

extern "C" int snd_pcm_plugin_info(snd_pcm_t* handle, snd_pcm_channel_info_t* info)
{
    if (!handle || !info || info->channel != SND_PCM_CHANNEL_PLAYBACK)
        return -EINVAL;
    const int channel = info->channel;
    std::memset(info, 0, sizeof(*info));
    info->channel = channel;
    info->formats = 1u << SND_PCM_SFMT_S16_LE;
    info->min_rate = MIN_RATE;
    info->max_rate = MAX_RATE;
    info->min_voices = 1;
    info->max_voices = MAX_VOICES;
    info->max_buffer_size = FRAGMENT_BYTES * static_cast<int>(standin::PCM_BLOCKS_AHEAD);
    info->min_fragment_size = FRAGMENT_ALIGN;
    info->max_fragment_size = FRAGMENT_BYTES;
    info->fragment_align = FRAGMENT_ALIGN;
    return 0;
}

extern "C" int snd_pcm_plugin_params(snd_pcm_t* handle, snd_pcm_channel_params_t* params)
{
    if (!handle || !params || params->channel != SND_PCM_CHANNEL_PLAYBACK)
        return -EINVAL;
    const snd_pcm_format_t& f = params->format;
    if (f.interleave != 1 || f.format != SND_PCM_SFMT_S16_LE || f.rate < MIN_RATE ||
        f.rate > MAX_RATE || f.voices < 1 || f.voices > MAX_VOICES)
        return -EINVAL;
    if (params->mode != SND_PCM_MODE_BLOCK && params->mode != SND_PCM_MODE_STREAM)
        return -EINVAL;

    standin::PcmFormat format;
    format.rate = f.rate;
    format.voices = f.voices;
    // A new configuration replaces the device: the old sink (and its SDL device) goes first so
    // that the backend never holds two outputs for one handle.
    handle->sink.reset();
    handle->sink = standin_get_backend() == STANDIN_BACKEND_HEADLESS ? standin::MakeHeadlessSink(format)
                                                                      : standin::MakeSdlSink(format);
    handle->params = *params;
    int& frag = handle->params.buf.block.frag_size;
    if (frag <= 0 || frag > FRAGMENT_BYTES)
        frag = FRAGMENT_BYTES;
    handle->configured = true;
    handle->prepared = false;
    s_lastSink.store(handle->sink->Kind());
    return 0;
}

extern "C" int snd_pcm_plugin_prepare(snd_pcm_t* handle, int channel)
{
    if (!handle || channel != SND_PCM_CHANNEL_PLAYBACK || !handle->configured)
        return -EINVAL;
    handle->prepared = true;
    return 0;
}

extern "C" int snd_pcm_plugin_setup(snd_pcm_t* handle, snd_pcm_channel_setup_t* setup)
{
    if (!handle || !setup || setup->channel != SND_PCM_CHANNEL_PLAYBACK)
        return -EINVAL;
    std::memset(setup, 0, sizeof(*setup));
    setup->channel = SND_PCM_CHANNEL_PLAYBACK;
    if (!handle->configured) {
        setup->status = SND_PCM_STATUS_NOTREADY;
        return 0;
    }
    setup->mode = handle->params.mode;
    setup->format = handle->params.format;
    setup->buf.block.frag_size = handle->params.buf.block.frag_size;
    setup->buf.block.frags = static_cast<int32_t>(standin::PCM_BLOCKS_AHEAD);
    setup->buf.block.frags_min = 1;
    setup->buf.block.frags_max = static_cast<int32_t>(standin::PCM_BLOCKS_AHEAD);
    setup->status = handle->prepared ? SND_PCM_STATUS_PREPARED : SND_PCM_STATUS_READY;
    return 0;
}

extern "C" ssize_t snd_pcm_plugin_write(snd_pcm_t* handle, const void* buffer, size_t size)
{
    if (!handle || (!buffer && size))
        return -EINVAL;
    if (!handle->prepared || !handle->sink)
        return -EBADF;
    if (size == 0)
        return 0;
    handle->sink->Write(buffer, size);
    return static_cast<ssize_t>(size);
}

extern "C" standin_audio_sink standin_audio_last_sink(void)
{
    return static_cast<standin_audio_sink>(s_lastSink.load());
}

extern "C" unsigned standin_audio_open_count(void)
{
    return s_opened.load();
}

extern "C" unsigned standin_audio_close_count(void)
{
    return s_closed.load();
}
