// The media renderer's client side over libmpv: each context with an input owns one mpv player
// (MpvPlayer.h), which libmpv (MpvLibrary.h) is loaded for when the first input is attached.
//
// Attaching an input and detaching the video output wait for mpv to carry them out: the first
// because its answer is whether mpv could open the file (however long a busy machine takes, a
// minute at most), the second because the window may go once it returns (a player that takes
// more than ten seconds is paused and left to shut down in the background). Setting the speed or
// the volume waits for mpv's answer only (a round trip to its core, not the change itself),
// because the caller is told whether the value was taken. Every other control (play, pause, stop,
// the sound output) is handed to mpv without waiting, so the frame loop never waits for mpv while
// a movie plays.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "Application.h"
#include "EventCore.h"
#include "MpvPlayer.h"
#include "WindowBackend.h"
#include "bps/mmrenderer.h"
#include "mm/renderer.h"
#include "standin/events.h"

using standin::CommandAsync;
using standin::Player;
using standin::Reap;
using standin::Retire;
using standin::SetPaused;
using standin::SetPropertyAnswered;
using standin::SetPropertyAsync;

namespace {

const int NORMAL_SPEED = 1000;
// mpv's playback speed lies between 0.01 and 100 times normal.
const int MIN_SPEED = 10;
const int MAX_SPEED = 100000;

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

namespace {

struct MediaState {
    std::mutex mutex;
    std::set<mmr_context_t*> contexts;
    std::string lastVolume;
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
        SetPropertyAsync(*player, video ? "vid" : "mute", video ? "auto" : "no");
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
        standin::SetPropertyNow(*player, "vid", "no");
    else if (player)
        SetPropertyAsync(*player, "mute", "yes");
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
        !S_ISREG(info.st_mode) || access(path.c_str(), R_OK) != 0) {
        standin::SetLastError("no readable file by that path");
        return -1;
    }

    standin::PlayerSetup setup;
    std::shared_ptr<Player> previous;
    {
        MediaState& state = GetState();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!Live(state, ctx))
            return -1;
        previous = std::move(ctx->player);
        setup.context = ctx->name;
        setup.video = ctx->videoOutput >= 0;
        setup.videoWindow = ctx->videoWindow;
        setup.audio = ctx->audioOutput >= 0;
        setup.volume = ctx->volume;
        setup.speed = ctx->speed;
    }
    Retire(std::move(previous));

    std::shared_ptr<Player> player = standin::StartPlayer(setup, path);
    // A file mpv cannot open or make sense of is refused here, as the renderer refuses it.
    std::string why = "the player cannot start";
    if (!player || !standin::WaitForLoad(*player, why)) {
        standin::SetLastError("%s", why.c_str());
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
    bool same;
    {
        MediaState& state = GetState();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!Live(state, ctx) || !ctx->player || speed < 0 || (speed > 0 && speed < MIN_SPEED) ||
            speed > MAX_SPEED)
            return -1;
        player = ctx->player;
        same = speed == ctx->speed;
    }
    // The speed a player already has is not asked for again: a player that has just loaded may
    // take long to answer while it sets its picture up. As for the volume, a failure made on
    // purpose is a value the player refuses.
    if (speed > 0 && !same) {
        const bool refuse = standin_should_fail("mmr_speed_set");
        if (!SetPropertyAnswered(*player, "speed", refuse ? "refused" : standin::SpeedFactor(speed)))
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
        CommandAsync(*player, {"loadfile", player->path.c_str()});
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
    CommandAsync(*player, {"seek", "0", "absolute"});
    std::lock_guard<std::mutex> lock(player->mutex);
    if (player->playing) {
        player->playing = false;
        player->ended = true;
        standin::PushMediaStateForContext(name, MMR_STATE_STOPPED);
    }
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
    return standin::LivePlayers();
}
