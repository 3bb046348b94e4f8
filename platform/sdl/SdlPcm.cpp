// The desktop's PCM output: an SDL audio device in queue mode, opened with exactly the handle's
// format (SDL converts for the hardware). The blocking write of the tablet is a wait while more
// than PCM_BLOCKS_AHEAD blocks are queued.
#include "../common/Application.h"
#include "../common/PcmSink.h"
#include "UncheckedLibraryCall.h"

#include <SDL2/SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <mutex>
#include <thread>

namespace {

// SDL's audio driver is process-wide: the first open sink initialises it, the last one closing
// shuts it down. Driven directly through SDL_AudioInit so that the driver can be chosen (the
// dummy driver is never picked by SDL on its own) without touching the rest of SDL.
std::mutex s_sdlMutex;
int s_sdlUsers = 0;
bool s_sdlDummy = false;
bool s_silenceSaid = false;

// The sound library's report function (its snd_lib_error_handler_t).
using SoundLibraryReport = void (*)(const char* file, int line, const char* function, int err,
                                    const char* format, ...);

void IgnoreReport(const char*, int, const char*, int, const char*, ...) {}

// The desktop's sound library reports every device it fails to find on stderr, eight lines on a
// machine without a sound card; failing to open a device is an answer SDL handles, so those
// reports are dropped while SDL probes for a device, and only then: once the probe is over the
// library's own handler is back, and later device errors are reported as usual. The library is
// the one SDL loads.
class QuietSoundLibrary {
public:
    QuietSoundLibrary()
    {
        void* library = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return;
        m_setReport = reinterpret_cast<SetReport>(dlsym(library, "snd_lib_error_set_handler"));
        if (m_setReport)
            m_setReport(IgnoreReport);
        // SDL holds the library while its driver is up; this handle only has to outlive the
        // restore below.
        m_library = library;
    }
    ~QuietSoundLibrary()
    {
        // A null handler puts the library's default report back.
        if (m_setReport)
            m_setReport(nullptr);
        if (m_library)
            dlclose(m_library);
    }
    QuietSoundLibrary(const QuietSoundLibrary&) = delete;
    QuietSoundLibrary& operator=(const QuietSoundLibrary&) = delete;

private:
    using SetReport = int (*)(SoundLibraryReport);
    void* m_library = nullptr;
    SetReport m_setReport = nullptr;
};

// Said once per process: the game goes on without sound.
void SaySilent()
{
    if (s_silenceSaid)
        return;
    s_silenceSaid = true;
    standin::Say("no sound device could be opened; playing without sound");
}

SDL_AudioDeviceID OpenDevice(const standin::PcmFormat& format)
{
    SDL_AudioSpec want{};
    want.freq = format.rate;
    want.format = AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(format.voices);
    want.samples = static_cast<Uint16>(standin::PCM_BLOCK_BYTES / (2u * format.voices));
    want.callback = nullptr;
    SDL_AudioSpec have{};
    return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
}

// Opens a device on the driver in use, or brings a driver up first: the default choice of SDL
// (which honours SDL_AUDIODRIVER), then the dummy driver when the default one comes up without a
// device to open. Returns 0 when neither gives a device. Called under s_sdlMutex.
SDL_AudioDeviceID OpenWithFallback(const standin::PcmFormat& format, bool& dummy)
{
    if (s_sdlUsers > 0) {
        dummy = s_sdlDummy;
        return OpenDevice(format);
    }
    const QuietSoundLibrary quiet;
    const standin::UncheckedLibraryCall unchecked;
    const char* drivers[] = {nullptr, "dummy"};
    for (const char* driver : drivers) {
        if (SDL_AudioInit(driver) != 0)
            continue;
        const SDL_AudioDeviceID device = OpenDevice(format);
        if (device) {
            s_sdlDummy = driver != nullptr || SDL_strcmp(SDL_GetCurrentAudioDriver(), "dummy") == 0;
            dummy = s_sdlDummy;
            // The dummy driver chosen by the user (SDL_AUDIODRIVER) is no surprise to report.
            if (driver)
                SaySilent();
            return device;
        }
        SDL_AudioQuit();
    }
    return 0;
}

class SdlPcmSink final : public standin::PcmSink {
public:
    SdlPcmSink(SDL_AudioDeviceID device, bool dummy, const standin::PcmFormat& format)
        : m_device(device), m_dummy(dummy), m_format(format), m_pacer(format)
    {
        SDL_PauseAudioDevice(m_device, 0);
    }

    ~SdlPcmSink() override
    {
        std::lock_guard<std::mutex> lock(s_sdlMutex);
        SDL_CloseAudioDevice(m_device);
        if (--s_sdlUsers == 0)
            SDL_AudioQuit();
    }

    void Write(const void* data, size_t bytes) override
    {
        // A device that went away (unplugged, server gone) no longer drains its queue: from then
        // on the clock paces the writer, so the playback thread neither spins nor hangs.
        if (m_lost || SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED ||
            SDL_QueueAudio(m_device, data, static_cast<Uint32>(bytes)) != 0) {
            m_lost = true;
            m_pacer.Wait(bytes);
            return;
        }
        const Uint32 limit = static_cast<Uint32>(standin::PCM_BLOCK_BYTES * standin::PCM_BLOCKS_AHEAD);
        const uint64_t perMs = std::max<uint64_t>(1, m_format.BytesPerSecond() / 1000);
        for (;;) {
            const Uint32 queued = SDL_GetQueuedAudioSize(m_device);
            if (queued <= limit)
                return;
            if (SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED) {
                m_lost = true;
                SDL_ClearQueuedAudio(m_device);
                return;
            }
            const uint64_t ms = std::clamp<uint64_t>((queued - limit) / perMs, 1, 20);
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        }
    }

    standin_audio_sink Kind() const override
    {
        return m_dummy ? STANDIN_AUDIO_SINK_SDL_DUMMY : STANDIN_AUDIO_SINK_SDL;
    }

private:
    SDL_AudioDeviceID m_device;
    bool m_dummy;
    bool m_lost = false;
    standin::PcmFormat m_format;
    standin::ClockPacer m_pacer;
};

}  // namespace

namespace standin {

std::unique_ptr<PcmSink> MakeSdlSink(const PcmFormat& format)
{
    std::lock_guard<std::mutex> lock(s_sdlMutex);
    bool dummy = false;
    const SDL_AudioDeviceID device = OpenWithFallback(format, dummy);
    if (!device) {
        SaySilent();
        return MakeNullSink(format);
    }
    ++s_sdlUsers;
    return std::make_unique<SdlPcmSink>(device, dummy, format);
}

}  // namespace standin
