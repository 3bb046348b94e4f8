// The media renderer's client side over libmpv: each context with an input owns one mpv player.
// The player draws into the window of the video output's window group (embedded in the desktop
// window; headless, it decodes without a picture) and plays its sound on the machine's audio
// output, or on mpv's null output when there is none. A thread per player waits for mpv's events
// and turns the end of playback into the context's media-renderer events.
//
// libmpv (and the couple of hundred libraries it brings) is loaded when the first input is
// attached, not with the process: a program that plays no movie never loads it. Attaching an input
// and detaching the video output wait for mpv to carry them out: the first because its answer is
// whether mpv could open the file, the second because the window may go once it returns. Setting
// the speed or the volume waits for mpv's answer only (a round trip to its core, not the change
// itself), because the caller is told whether the value was taken. Every other control (play,
// pause, stop, the sound output) is handed to mpv without waiting, so the frame loop never waits
// for mpv while a movie plays.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mpv/client.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Application.h"
#include "EventCore.h"
#include "PcmSink.h"
#include "WindowBackend.h"
#include "bps/mmrenderer.h"
#include "mm/renderer.h"
#include "standin/audio.h"
#include "standin/events.h"
#include "standin/standin.h"

namespace {

// How long attaching an input may take to open and probe the file.
const std::chrono::seconds LOAD_TIMEOUT(5);
// How long mpv may take to answer a value it is given; a player that does not answer has not
// taken it.
const std::chrono::seconds ANSWER_TIMEOUT(2);
// While a track plays, its context reports its state this often: a client that waits for any
// event of the renderer (a touch skipping a movie) hears from it soon.
const double STATUS_INTERVAL_SECONDS = 0.1;
const int NORMAL_SPEED = 1000;
// mpv's playback speed lies between 0.01 and 100 times normal.
const int MIN_SPEED = 10;
const int MAX_SPEED = 100000;

std::atomic<int> s_livePlayers{0};

// The libmpv calls this file makes, looked up in the library when it is first needed.
#define VORN_MPV_CALLS(X) \
    X(create) X(set_option_string) X(initialize) X(terminate_destroy) X(command_async) \
    X(set_property_string) X(set_property_async) X(wait_event) X(wakeup)

struct MpvCalls {
#define VORN_MPV_FIELD(name) decltype(&::mpv_##name) name = nullptr;
    VORN_MPV_CALLS(VORN_MPV_FIELD)
#undef VORN_MPV_FIELD
};

// Set once libmpv is loaded; never unloaded (its threads may outlive any caller).
const MpvCalls* s_mpv = nullptr;

// libmpv's calls, loading the library on first use; null, with one line on stderr the first
// time, when it cannot be loaded.
const MpvCalls* LoadMpv()
{
    static std::mutex s_mutex;
    static bool s_reported = false;
    std::lock_guard<std::mutex> lock(s_mutex);
    std::string why;
    if (standin_should_fail("mmr_load_mpv")) {
        why = "made to fail";
    } else if (s_mpv) {
        return s_mpv;
    } else {
        const std::string versioned = "libmpv.so." + std::to_string(MPV_CLIENT_API_VERSION >> 16);
        void* library = dlopen(versioned.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library)
            library = dlopen("libmpv.so", RTLD_NOW | RTLD_LOCAL);
        if (library) {
            auto calls = std::make_unique<MpvCalls>();
            bool complete = true;
#define VORN_MPV_LOOKUP(name)                                                                    \
    calls->name = reinterpret_cast<decltype(calls->name)>(dlsym(library, "mpv_" #name));          \
    complete = complete && calls->name;
            VORN_MPV_CALLS(VORN_MPV_LOOKUP)
#undef VORN_MPV_LOOKUP
            if (complete) {
                s_mpv = calls.release();
                return s_mpv;
            }
            why = "it lacks calls this program needs";
        } else {
            const char* error = dlerror();
            why = error ? error : "not found";
        }
    }
    if (!s_reported) {
        s_reported = true;
        standin::Say("movies cannot play: libmpv cannot be loaded (%s)", why.c_str());
    }
    return nullptr;
}

// Hands a property to mpv without waiting for it; false only when mpv refused the request.
bool SetPropertyAsync(mpv_handle* handle, const char* name, const std::string& value)
{
    const char* text = value.c_str();
    return s_mpv->set_property_async(handle, 0, name, MPV_FORMAT_STRING, &text) >= 0;
}

// Hands a command to mpv without waiting for it.
bool CommandAsync(mpv_handle* handle, std::initializer_list<const char*> words)
{
    std::vector<const char*> args(words);
    args.push_back(nullptr);
    return s_mpv->command_async(handle, 0, args.data()) >= 0;
}

// One mpv player. The main thread sets it up and controls it; its event thread reads mpv's
// events and, once the player is retired, destroys the handle (mpv's shutdown takes a while).
struct Player {
    enum class Load { PENDING, LOADED, FAILED };

    Player(mpv_handle* h, const std::string& name, const std::string& file)
        : handle(h), context(name), path(file)
    {
        ++s_livePlayers;
    }

    mpv_handle* const handle;
    const std::string context;
    const std::string path;
    std::thread thread;
    std::atomic<bool> done{false};

    // Guards everything below; held while the event thread queues the context's events, so a
    // retired player queues none.
    std::mutex mutex;
    std::condition_variable changed;
    Load load = Load::PENDING;  // the first load of the input
    bool loaded = false;        // mpv holds the file (it unloads it at its end)
    bool playing = false;       // from mmr_play to the end of the track or mmr_stop
    bool ended = false;         // stopped since the last mmr_play
    bool paused = true;
    bool retired = false;
    bool gone = false;                 // mpv has shut down: nothing more is answered
    uint64_t nextQuestion = 1;
    std::map<uint64_t, int> answers;  // values waited for: mpv's answer (0 or an error), or ASKED
};

// An answer not yet given (mpv's errors are negative).
const int ASKED = 1;

// Hands a property to mpv and waits for its answer; true when it took the value. A player that
// has gone or does not answer in time has not.
bool SetPropertyAnswered(Player& player, const char* name, const std::string& value)
{
    uint64_t question;
    {
        std::lock_guard<std::mutex> lock(player.mutex);
        if (player.gone)
            return false;
        question = player.nextQuestion++;
        player.answers[question] = ASKED;
    }
    const char* text = value.c_str();
    const bool sent =
        s_mpv->set_property_async(player.handle, question, name, MPV_FORMAT_STRING, &text) >= 0;
    std::unique_lock<std::mutex> lock(player.mutex);
    if (sent)
        player.changed.wait_for(lock, ANSWER_TIMEOUT, [&player, question] {
            return player.answers[question] != ASKED || player.gone || player.retired;
        });
    const int answer = player.answers[question];
    player.answers.erase(question);
    return sent && answer != ASKED && answer >= 0;
}

void RunEvents(Player* player)
{
    auto lastStatus = std::chrono::steady_clock::now();
    bool shutdown = false;
    for (;;) {
        mpv_event* event = shutdown ? nullptr : s_mpv->wait_event(player->handle, STATUS_INTERVAL_SECONDS);
        std::unique_lock<std::mutex> lock(player->mutex);
        if (player->retired)
            break;
        if (shutdown) {
            // mpv has gone on its own; nothing more will come.
            player->changed.wait(lock, [player] { return player->retired; });
            break;
        }
        switch (event->event_id) {
        case MPV_EVENT_SET_PROPERTY_REPLY: {
            auto answer = player->answers.find(event->reply_userdata);
            if (answer != player->answers.end()) {
                answer->second = event->error;
                player->changed.notify_all();
            }
            break;
        }
        case MPV_EVENT_FILE_LOADED:
            player->loaded = true;
            if (player->load == Player::Load::PENDING) {
                player->load = Player::Load::LOADED;
                player->changed.notify_all();
            }
            break;
        case MPV_EVENT_SHUTDOWN:
            shutdown = true;
            player->gone = true;
            player->changed.notify_all();
            [[fallthrough]];
        case MPV_EVENT_END_FILE: {
            auto end = static_cast<mpv_event_end_file*>(event->data);
            // A playlist would go on to open what it names: a track is a media file itself.
            if (end && end->reason == MPV_END_FILE_REASON_REDIRECT)
                CommandAsync(player->handle, {"stop"});
            player->loaded = false;
            if (player->load == Player::Load::PENDING) {
                player->load = Player::Load::FAILED;
                player->changed.notify_all();
            } else if (player->playing) {
                player->playing = false;
                player->ended = true;
                standin::PushMediaStateForContext(player->context, MMR_STATE_STOPPED);
            }
            break;
        }
        default:
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (player->playing && !player->paused &&
            now - lastStatus >= std::chrono::duration<double>(STATUS_INTERVAL_SECONDS)) {
            lastStatus = now;
            standin::PushMediaStateForContext(player->context, MMR_STATE_PLAYING);
        }
    }
    s_mpv->terminate_destroy(player->handle);
    --s_livePlayers;
    player->done = true;
}

}  // namespace

struct mmr_connection {
    int contexts = 0;
};

struct mmr_context {
    mmr_connection_t* connection = nullptr;
    std::string name;
    int nextOutput = 0;
    int videoOutput = -1;
    unsigned long videoWindow = 0;  // the embed handle of the output's window; 0: no picture
    int audioOutput = -1;
    std::string volume;  // "" until set
    int speed = NORMAL_SPEED;
    std::shared_ptr<Player> player;  // once an input is attached
};

struct strm_dict {
    std::map<std::string, std::string> values;
};

namespace {

struct MediaState {
    std::mutex mutex;
    std::set<mmr_context_t*> contexts;
    std::string lastVolume;
    std::vector<std::shared_ptr<Player>> retired;  // their threads are joined once done
};

MediaState& GetState()
{
    static MediaState* s_state = new MediaState;
    return *s_state;
}

bool Live(MediaState& state, mmr_context_t* ctx)
{
    return ctx && state.contexts.count(ctx) != 0;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::string(prefix).size(), prefix) == 0;
}

// Joins the threads of retired players that have finished, or of all of them.
void Reap(bool all)
{
    std::vector<std::shared_ptr<Player>> finished;
    {
        MediaState& state = GetState();
        std::lock_guard<std::mutex> lock(state.mutex);
        for (auto it = state.retired.begin(); it != state.retired.end();) {
            if (all || (*it)->done) {
                finished.push_back(*it);
                it = state.retired.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& player : finished)
        if (player->thread.joinable())
            player->thread.join();
}

// Players still shutting down when the process ends are waited for, so that mpv is not torn
// down under them.
struct ExitReaper {
    ~ExitReaper() { Reap(true); }
};

// Hands the player to its event thread for shutting down; returns at once.
void Retire(std::shared_ptr<Player> player)
{
    static ExitReaper s_exitReaper;
    if (!player)
        return;
    {
        // Woken under the lock: the event thread destroys the handle once it sees the player
        // retired, which it can only see after this.
        std::lock_guard<std::mutex> lock(player->mutex);
        player->retired = true;
        player->playing = false;
        player->changed.notify_all();
        s_mpv->wakeup(player->handle);
    }
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.retired.push_back(std::move(player));
}

// The value of key in the query of a URL ("screen:?winid=a&wingrp=b"); "" when absent.
std::string QueryValue(const std::string& url, const std::string& key)
{
    size_t start = url.find('?');
    while (start != std::string::npos) {
        ++start;
        size_t end = url.find('&', start);
        std::string pair = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (StartsWith(pair, (key + "=").c_str()))
            return pair.substr(key.size() + 1);
        start = end;
    }
    return std::string();
}

// Thousandths of normal speed as mpv's factor ("1.500"), whatever the locale's decimal point.
std::string SpeedFactor(int speed)
{
    std::string fraction = std::to_string(1000 + speed % 1000).substr(1);
    return std::to_string(speed / 1000) + "." + fraction;
}

bool SetOption(mpv_handle* handle, const char* name, const std::string& value)
{
    return s_mpv->set_option_string(handle, name, value.c_str()) >= 0;
}

// Whether the machine has a sound device, as the mixer's output found: a machine without one is
// told so in that output's one line, instead of mpv trying every sound system it knows, each
// reporting on stderr what it did not find. The kind of the output the process opened last
// answers; only before any was opened is a device opened (and closed) to ask.
bool SoundDeviceAvailable()
{
    const standin_audio_sink opened = standin_audio_last_sink();
    if (opened != STANDIN_AUDIO_SINK_NONE)
        return opened == STANDIN_AUDIO_SINK_SDL;
    static const bool s_probed =
        standin::MakeSdlSink(standin::PcmFormat{})->Kind() == STANDIN_AUDIO_SINK_SDL;
    return s_probed;
}

// A player for the file at path with the context's outputs, paused, its file being loaded (see
// WaitForLoad), or null when mpv cannot be loaded or set up.
std::shared_ptr<Player> StartPlayer(const mmr_context_t& ctx, const std::string& path)
{
    if (!LoadMpv())
        return nullptr;
    mpv_handle* handle = s_mpv->create();
    if (!handle)
        return nullptr;
    // The renderer plays what it is given and nothing else: no configuration files, scripts,
    // key bindings, on-screen controls or side files, and no files a track refers to. Clicks and
    // keys on the picture go to the application's window underneath it.
    static const char* const QUIET[][2] = {
        {"config", "no"},           {"terminal", "no"},          {"idle", "yes"},
        {"load-scripts", "no"},     {"ytdl", "no"},              {"osc", "no"},
        {"input-default-bindings", "no"}, {"input-vo-keyboard", "no"}, {"input-cursor", "no"},
        {"cursor-autohide", "no"},  {"sub-auto", "no"},          {"audio-file-auto", "no"},
        {"cover-art-auto", "no"},   {"access-references", "no"}, {"ordered-chapters", "no"},
        {"load-unsafe-playlists", "no"}, {"resume-playback", "no"}, {"force-window", "no"},
    };
    for (const auto& option : QUIET)
        SetOption(handle, option[0], option[1]);

    const bool headless = standin_get_backend() == STANDIN_BACKEND_HEADLESS;
    bool ok = SetOption(handle, "pause", "yes");
    // Without an output a track still plays its length (nothing to show or hear): mpv ends a
    // file at once when it has no track to play.
    if (ctx.videoOutput < 0 || ctx.videoWindow == 0)
        ok = ok && SetOption(handle, "vo", "null");
    else {
        // The window is an X11 one (on Wayland desktops through XWayland): mpv must draw through
        // X11 too, or it would open a window of its own. Where GL is only a software renderer,
        // mpv's plain X11 output draws for less.
        SetOption(handle, "gpu-context", "x11egl");
        ok = ok && SetOption(handle, "wid", std::to_string(ctx.videoWindow)) &&
             SetOption(handle, "vo", "gpu,x11");
    }
    if (ctx.audioOutput < 0 || headless || !SoundDeviceAvailable())
        ok = ok && SetOption(handle, "ao", "null");
    else
        // As the mixer does: a machine without a sound card plays on, silently.
        ok = ok && SetOption(handle, "audio-fallback-to-null", "yes");
    if (!ctx.volume.empty())
        ok = ok && SetOption(handle, "volume", ctx.volume);
    if (ctx.speed > 0)
        ok = ok && SetOption(handle, "speed", SpeedFactor(ctx.speed));
    if (!ok || s_mpv->initialize(handle) < 0) {
        s_mpv->terminate_destroy(handle);
        return nullptr;
    }

    auto player = std::make_shared<Player>(handle, ctx.name, path);
    player->thread = std::thread(RunEvents, player.get());
    if (!CommandAsync(handle, {"loadfile", path.c_str()})) {
        std::lock_guard<std::mutex> lock(player->mutex);
        player->load = Player::Load::FAILED;
    }
    return player;
}

// Waits until the player's first load succeeded or failed; true when it holds the file.
bool WaitForLoad(Player& player)
{
    std::unique_lock<std::mutex> lock(player.mutex);
    player.changed.wait_for(lock, LOAD_TIMEOUT,
                            [&player] { return player.load != Player::Load::PENDING; });
    return player.load == Player::Load::LOADED;
}

// answered: waits for mpv's answer (SetPropertyAnswered) instead of handing it over.
bool SetPaused(Player& player, bool paused, bool answered = false)
{
    {
        std::lock_guard<std::mutex> lock(player.mutex);
        player.paused = paused;
    }
    const char* value = paused ? "yes" : "no";
    return answered ? SetPropertyAnswered(player, "pause", value)
                    : SetPropertyAsync(player.handle, "pause", value);
}

// Whether text is a whole decimal number from 0 to 100.
bool ValidVolume(const char* text)
{
    if (!text || !*text)
        return false;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    return errno == 0 && *end == '\0' && value >= 0 && value <= 100 && text[0] != '-' &&
           text[0] != '+' && text[0] != ' ';
}

}  // namespace

namespace standin {

bool MediaContextEnded(const std::string& context)
{
    std::vector<std::shared_ptr<Player>> players;
    {
        MediaState& state = GetState();
        std::lock_guard<std::mutex> lock(state.mutex);
        for (mmr_context_t* ctx : state.contexts)
            if (ctx->name == context && ctx->player)
                players.push_back(ctx->player);
    }
    for (auto& player : players) {
        std::lock_guard<std::mutex> lock(player->mutex);
        if (player->ended)
            return true;
    }
    return false;
}

}  // namespace standin

extern "C" mmr_connection_t* mmr_connect(const char*)
{
    return new mmr_connection;
}

extern "C" void mmr_disconnect(mmr_connection_t* connection)
{
    delete connection;
}

extern "C" mmr_context_t* mmr_context_create(mmr_connection_t* connection, const char* name,
                                             uint32_t, mode_t)
{
    if (!connection || !name || !*name)
        return nullptr;
    Reap(false);
    auto ctx = new mmr_context;
    ctx->connection = connection;
    ctx->name = name;
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.contexts.insert(ctx);
    return ctx;
}

extern "C" int mmr_context_destroy(mmr_context_t* ctx)
{
    std::shared_ptr<Player> player;
    {
        MediaState& state = GetState();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!Live(state, ctx))
            return -1;
        state.contexts.erase(ctx);
        player = std::move(ctx->player);
        delete ctx;
    }
    Retire(std::move(player));
    Reap(false);
    return 0;
}

extern "C" int mmr_output_attach(mmr_context_t* ctx, const char* url, const char* type)
{
    if (!url || !type)
        return -1;
    const std::string address(url), kind(type);
    const bool video = kind == "video" && StartsWith(address, "screen:");
    const bool audio = kind == "audio" && address == "audio:default";
    if (!video && !audio)
        return -1;
    // The picture goes into the window of the named group (winid names the renderer's own window
    // in it).
    unsigned long window = 0;
    if (video && (QueryValue(address, "winid").empty() ||
                  !standin::FindWindowGroup(QueryValue(address, "wingrp"), window)))
        return -1;

    std::shared_ptr<Player> player;
    int id;
    {
        MediaState& state = GetState();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!Live(state, ctx) || (video && ctx->videoOutput >= 0) || (audio && ctx->audioOutput >= 0))
            return -1;
        id = ctx->nextOutput++;
        if (video) {
            ctx->videoOutput = id;
            ctx->videoWindow = window;
        } else {
            ctx->audioOutput = id;
        }
        player = ctx->player;
    }
    // Attached to a player already running: the picture comes back, or the sound (the player
    // keeps the outputs it was made with).
    if (player)
        SetPropertyAsync(player->handle, video ? "vid" : "mute", video ? "auto" : "no");
    return id;
}

extern "C" int mmr_output_detach(mmr_context_t* ctx, unsigned output_id)
{
    std::shared_ptr<Player> player;
    bool video = false;
    {
        MediaState& state = GetState();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!Live(state, ctx))
            return -1;
        const int id = static_cast<int>(output_id);
        if (id >= 0 && id == ctx->videoOutput) {
            ctx->videoOutput = -1;
            ctx->videoWindow = 0;
            video = true;
        } else if (id >= 0 && id == ctx->audioOutput) {
            ctx->audioOutput = -1;
        } else {
            return -1;
        }
        player = ctx->player;
    }
    // The track goes on without the output: its picture hidden, or its sound muted. The picture
    // is taken away before this returns: the caller may destroy the window next, and mpv must not
    // draw in it or close it after that.
    if (player && video)
        s_mpv->set_property_string(player->handle, "vid", "no");
    else if (player)
        SetPropertyAsync(player->handle, "mute", "yes");
    return 0;
}

extern "C" int mmr_output_parameters(mmr_context_t* ctx, unsigned output_id, strm_dict_t* parms)
{
    bool valid = false;
    std::string volume;
    std::shared_ptr<Player> player;
    {
        MediaState& state = GetState();
        std::lock_guard<std::mutex> lock(state.mutex);
        const int id = static_cast<int>(output_id);
        if (Live(state, ctx) && id >= 0 && (id == ctx->videoOutput || id == ctx->audioOutput) &&
            parms) {
            const char* value = strm_dict_find_value(parms, "volume");
            const bool audio = value && id == ctx->audioOutput;
            valid = !audio || ValidVolume(value);
            if (audio && valid) {
                volume = value;
                player = ctx->player;
            }
        }
    }
    strm_dict_destroy(parms);
    if (!valid || volume.empty())
        return valid ? 0 : -1;
    // A failure made on purpose hands the player a value it refuses, so that the refusal takes
    // the way of a real one.
    if (player) {
        const bool refuse = standin_should_fail("mmr_output_parameters");
        if (!SetPropertyAnswered(*player, "volume", refuse ? "refused" : volume))
            return -1;
    }
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!Live(state, ctx))
        return -1;
    ctx->volume = volume;
    state.lastVolume = volume;
    return 0;
}

extern "C" int mmr_input_attach(mmr_context_t* ctx, const char* url, const char* type)
{
    if (!url || !type || std::string(type) != "track" || !StartsWith(url, "file://"))
        return -1;
    // The path as it stands: mpv would decode escapes in a URL and take other schemes.
    const std::string path(url + 7);
    struct stat info;
    if (path.empty() || path[0] != '/' || stat(path.c_str(), &info) != 0 ||
        !S_ISREG(info.st_mode) || access(path.c_str(), R_OK) != 0)
        return -1;

    mmr_context_t copy;
    std::shared_ptr<Player> previous;
    {
        MediaState& state = GetState();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!Live(state, ctx))
            return -1;
        previous = std::move(ctx->player);
        copy.name = ctx->name;
        copy.videoOutput = ctx->videoOutput;
        copy.videoWindow = ctx->videoWindow;
        copy.audioOutput = ctx->audioOutput;
        copy.volume = ctx->volume;
        copy.speed = ctx->speed;
    }
    Retire(std::move(previous));

    std::shared_ptr<Player> player = StartPlayer(copy, path);
    // A file mpv cannot open or make sense of is refused here, as the renderer refuses it.
    if (!player || !WaitForLoad(*player)) {
        Retire(std::move(player));
        return -1;
    }
    MediaState& state = GetState();
    std::unique_lock<std::mutex> lock(state.mutex);
    if (!Live(state, ctx)) {
        lock.unlock();
        Retire(std::move(player));
        return -1;
    }
    ctx->player = std::move(player);
    return 0;
}

extern "C" int mmr_speed_set(mmr_context_t* ctx, int speed)
{
    std::shared_ptr<Player> player;
    {
        MediaState& state = GetState();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!Live(state, ctx) || !ctx->player || speed < 0 || (speed > 0 && speed < MIN_SPEED) ||
            speed > MAX_SPEED)
            return -1;
        player = ctx->player;
    }
    // As for the volume, a failure made on purpose is a value the player refuses.
    if (speed > 0) {
        const bool refuse = standin_should_fail("mmr_speed_set");
        if (!SetPropertyAnswered(*player, "speed", refuse ? "refused" : SpeedFactor(speed)))
            return -1;
    }
    bool playing;
    {
        std::lock_guard<std::mutex> lock(player->mutex);
        playing = player->playing;
    }
    if (playing && !SetPaused(*player, speed == 0, true))
        return -1;
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!Live(state, ctx))
        return -1;
    ctx->speed = speed;
    return 0;
}

extern "C" int mmr_play(mmr_context_t* ctx)
{
    std::shared_ptr<Player> player;
    int speed;
    {
        MediaState& state = GetState();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!Live(state, ctx) || !ctx->player)
            return -1;
        player = ctx->player;
        speed = ctx->speed;
    }
    bool reload;
    {
        std::lock_guard<std::mutex> lock(player->mutex);
        reload = !player->loaded;
        player->playing = true;
        player->ended = false;
    }
    // A track that has played to its end starts again from the beginning.
    if (reload)
        CommandAsync(player->handle, {"loadfile", player->path.c_str()});
    if (!SetPaused(*player, speed == 0)) {
        std::lock_guard<std::mutex> lock(player->mutex);
        player->playing = false;
        return -1;
    }
    return 0;
}

extern "C" int mmr_stop(mmr_context_t* ctx)
{
    std::shared_ptr<Player> player;
    std::string name;
    {
        MediaState& state = GetState();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!Live(state, ctx))
            return -1;
        player = ctx->player;
        name = ctx->name;
    }
    if (!player)
        return 0;
    SetPaused(*player, true);
    CommandAsync(player->handle, {"seek", "0", "absolute"});
    std::lock_guard<std::mutex> lock(player->mutex);
    if (player->playing) {
        player->playing = false;
        player->ended = true;
        standin::PushMediaStateForContext(name, MMR_STATE_STOPPED);
    }
    return 0;
}

extern "C" strm_dict_t* strm_dict_new(void)
{
    return new strm_dict;
}

extern "C" strm_dict_t* strm_dict_set(strm_dict_t* dict, const char* key, const char* value)
{
    if (!dict)
        return nullptr;
    if (!key || !value) {
        delete dict;
        return nullptr;
    }
    dict->values[key] = value;
    return dict;
}

extern "C" const char* strm_dict_find_value(const strm_dict_t* dict, const char* key)
{
    if (!dict || !key)
        return nullptr;
    auto it = dict->values.find(key);
    return it == dict->values.end() ? nullptr : it->second.c_str();
}

extern "C" int strm_dict_destroy(strm_dict_t* dict)
{
    delete dict;
    return 0;
}

extern "C" const char* standin_mmr_last_volume(void)
{
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.lastVolume.c_str();
}

extern "C" int standin_mmr_open_contexts(void)
{
    MediaState& state = GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    return static_cast<int>(state.contexts.size());
}

extern "C" int standin_mmr_live_players(void)
{
    Reap(false);
    return s_livePlayers.load();
}
