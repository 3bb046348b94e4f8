#include "MpvPlayer.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "Application.h"
#include "EventCore.h"
#include "MpvLibrary.h"
#include "PcmSink.h"
#include "bps/mmrenderer.h"
#include "standin/audio.h"
#include "standin/standin.h"

namespace standin {
namespace {

// How long mpv may take to answer a value it is given; a player that does not answer has not
// taken it.
const std::chrono::seconds ANSWER_TIMEOUT(2);
// How long mpv may take to let go of its picture, and to shut down when the process ends, before
// it is left to itself: nothing waits on a player for ever.
const std::chrono::seconds RELEASE_TIMEOUT(10);
// How long mpv may take to open and probe a file: far longer than a busy machine takes (loads of
// over five seconds are seen there), so that only a player that is stuck (a file on a disk that
// does not answer) is given up.
const std::chrono::seconds LOAD_TIMEOUT(60);
// While a track plays, its context reports its state this often: a client that waits for any
// event of the renderer (a touch skipping a movie) hears from it soon.
const double STATUS_INTERVAL_SECONDS = 0.1;
// An answer not yet given (mpv's errors are negative).
const int ASKED = 1;

std::atomic<int> s_livePlayers{0};

struct Retired {
    std::mutex mutex;
    std::vector<std::shared_ptr<Player>> players;  // their threads are joined once done
};

Retired& GetRetired()
{
    static Retired* s_retired = new Retired;
    return *s_retired;
}

bool HungUp(int fd)
{
    pollfd poll_fd = {fd, POLLRDHUP, 0};
    return poll(&poll_fd, 1, 0) == 1 && (poll_fd.revents & (POLLHUP | POLLRDHUP | POLLERR));
}

// The sockets of the process that lead where the application's own display connection leads and
// that the server has hung up on, counted once each (by inode) since the process began: each is
// the picture connection of a player that another client cut off. mpv's output thread may never
// call Xlib again once that happens (the GL driver can spin on the dead connection), so the
// socket is asked, not Xlib. While the application's own connection has gone too, the server has
// gone, which the application meets itself.
size_t CountLostConnections()
{
    static std::mutex s_mutex;
    static std::set<ino_t>* s_lost = new std::set<ino_t>;  // a late caller still finds it
    std::lock_guard<std::mutex> lock(s_mutex);
    const int own = DisplaySocket();
    sockaddr_storage server, peer;
    socklen_t serverLength = sizeof server;
    if (own < 0 || getpeername(own, reinterpret_cast<sockaddr*>(&server), &serverLength) != 0 ||
        HungUp(own))
        return s_lost->size();
    DIR* fds = opendir("/proc/self/fd");
    while (dirent* entry = fds ? readdir(fds) : nullptr) {
        const int fd = std::atoi(entry->d_name);
        struct stat info;
        socklen_t length = sizeof peer;
        if (fd != own && fd != dirfd(fds) && fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode) &&
            !s_lost->count(info.st_ino) &&
            getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0 &&
            length == serverLength && std::memcmp(&peer, &server, length) == 0 && HungUp(fd))
            s_lost->insert(info.st_ino);
    }
    if (fds)
        closedir(fds);
    return s_lost->size();
}

void Park(int)
{
    for (;;)
        pause();
}

// Parks mpv's output threads for good, each in a signal handler. Once its connection has gone, an
// output thread either waits for ever in the platform's Xlib handler already, or spins in the GL
// driver on the dead socket: then it burns a core, and at the process's end runs on among
// libraries being torn down.
void ParkOutputThreads()
{
    static const int s_park = [] {
        struct sigaction action = {};
        action.sa_handler = Park;
        sigaction(SIGRTMIN + 3, &action, nullptr);
        return SIGRTMIN + 3;
    }();
    DIR* tasks = opendir("/proc/self/task");
    for (dirent* task; tasks && (task = readdir(tasks));) {
        char name[16] = {};
        const int fd = open(("/proc/self/task/" + std::string(task->d_name) + "/comm").c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0 && read(fd, name, sizeof name - 1) > 0 && std::strcmp(name, "mpv/vo\n") == 0)
            syscall(SYS_tgkill, getpid(), std::atoi(task->d_name), s_park);
        if (fd >= 0)
            close(fd);
    }
    if (tasks)
        closedir(tasks);
}

// The file is no longer held: a first load has failed, or a track that played has ended. Under the
// player's lock.
void EndTrack(Player& player)
{
    player.loaded = false;
    if (player.load == Player::Load::PENDING) {
        player.load = Player::Load::FAILED;
        player.changed.notify_all();
    } else if (player.playing) {
        player.playing = false;
        player.ended = true;
        PushMediaStateForContext(player.context, MMR_STATE_STOPPED);
    }
}

// A player given up leaves threads that never finish (held in the display's error handler, or
// parked): the process's end then skips the libraries' destructors, which could wait for those
// threads or tear their code down under them. Registered at the first give-up, it runs before
// every destructor registered earlier.
void EndWithoutDestructors(int status, void*)
{
    Reap(true);
    std::fflush(nullptr);
    _exit(status);
}

// Leaves a player that cannot go on to itself, said in one line: its track ends, it answers nothing
// more and is never destroyed (mpv would wait for its stuck thread). It is asked to pause, in case
// mpv could still play sound. Under the player's lock.
void GiveUp(Player& player, const char* why)
{
    if (player.gone)
        return;
    Say("the movie stops: %s", why);
    static const bool s_endRegistered = on_exit(EndWithoutDestructors, nullptr) == 0;
    (void)s_endRegistered;
    player.why = why;
    player.gone = player.givenUp = true;
    player.changed.notify_all();
    SetPropertyAsync(player, "pause", "yes");
    EndTrack(player);
}

// One of mpv's events; under the player's lock.
void HandleEvent(Player& player, const mpv_event& event)
{
    switch (event.event_id) {
    case MPV_EVENT_SET_PROPERTY_REPLY: {
        auto answer = player.answers.find(event.reply_userdata);
        if (answer != player.answers.end()) {
            answer->second = event.error;
            player.changed.notify_all();
        }
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        player.loaded = true;
        if (player.load == Player::Load::PENDING) {
            player.load = Player::Load::LOADED;
            player.changed.notify_all();
        }
        break;
    case MPV_EVENT_SHUTDOWN:
        player.gone = true;
        player.why = "the player shut down";
        player.changed.notify_all();
        [[fallthrough]];
    case MPV_EVENT_END_FILE: {
        auto end = static_cast<mpv_event_end_file*>(event.data);
        // A playlist would go on to open what it names: a track is a media file itself.
        if (end && end->reason == MPV_END_FILE_REASON_REDIRECT) {
            CommandAsync(player, {"stop"});
            player.why = "it is a playlist, not a media file";
        } else if (end && end->reason == MPV_END_FILE_REASON_ERROR) {
            player.why = Mpv().error_string(end->error);
        }
        EndTrack(player);
        break;
    }
    default:
        break;
    }
}

void RunEvents(Player* player)
{
    const MpvCalls& mpv = Mpv();
    auto lastStatus = std::chrono::steady_clock::now();
    for (;;) {
        {
            // mpv has gone on its own, or was given up; nothing more will come.
            std::unique_lock<std::mutex> lock(player->mutex);
            if (player->gone) {
                player->changed.wait(lock, [player] { return player->retired; });
                break;
            }
        }
        mpv_event* event = mpv.wait_event(player->handle, STATUS_INTERVAL_SECONDS);
        std::unique_lock<std::mutex> lock(player->mutex);
        if (player->retired)
            break;
        // Which connection was lost is not known here: every player that draws gives up (the
        // application shows one movie at a time, and a server that has gone ends it anyway).
        if (player->draws && CountLostConnections() != player->connectionsLost) {
            GiveUp(*player, "its picture lost its connection to the X display");
            ParkOutputThreads();
        }
        if (player->gone)
            continue;
        HandleEvent(*player, *event);
        const auto now = std::chrono::steady_clock::now();
        if (player->playing && !player->paused &&
            now - lastStatus >= std::chrono::duration<double>(STATUS_INTERVAL_SECONDS)) {
            lastStatus = now;
            PushMediaStateForContext(player->context, MMR_STATE_PLAYING);
        }
    }
    // A player given up is left to its threads, which wait for ever (its handle is not freed).
    if (!player->givenUp)
        mpv.terminate_destroy(player->handle);
    --s_livePlayers;
    player->done = true;
}

// Players still shutting down when the process ends are waited for a while, so that mpv is not
// torn down under them.
struct ExitReaper {
    ~ExitReaper() { Reap(true); }
};

bool SetOption(mpv_handle* handle, const char* name, const std::string& value)
{
    return Mpv().set_option_string(handle, name, value.c_str()) >= 0;
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
    static const bool s_probed = MakeSdlSink(PcmFormat{})->Kind() == STANDIN_AUDIO_SINK_SDL;
    return s_probed;
}

}  // namespace

Player::Player(mpv_handle* h, const std::string& name, const std::string& file, bool drawing)
    : handle(h), context(name), path(file), draws(drawing),
      connectionsLost(drawing ? CountLostConnections() : 0)
{
    ++s_livePlayers;
}

void VideoConnectionLost()
{
    CountLostConnections();
}

std::shared_ptr<Player> StartPlayer(const PlayerSetup& setup, const std::string& path)
{
    if (!LoadMpv())
        return nullptr;
    const MpvCalls& mpv = Mpv();
    mpv_handle* handle = mpv.create();
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
    const bool draws = setup.video && setup.videoWindow != 0;
    bool ok = SetOption(handle, "pause", "yes");
    // Without an output a track still plays its length (nothing to show or hear): mpv ends a
    // file at once when it has no track to play.
    if (!draws)
        ok = ok && SetOption(handle, "vo", "null");
    else {
        // The window is an X11 one (on Wayland desktops through XWayland): mpv must draw through
        // X11 too, or it would open a window of its own. Where GL is only a software renderer,
        // mpv's plain X11 output draws for less.
        SetOption(handle, "gpu-context", "x11egl");
        ok = ok && SetOption(handle, "wid", std::to_string(setup.videoWindow)) &&
             SetOption(handle, "vo", "gpu,x11");
    }
    if (!setup.audio || headless || !SoundDeviceAvailable())
        ok = ok && SetOption(handle, "ao", "null");
    else
        // As the mixer does: a machine without a sound card plays on, silently.
        ok = ok && SetOption(handle, "audio-fallback-to-null", "yes");
    if (!setup.volume.empty())
        ok = ok && SetOption(handle, "volume", setup.volume);
    if (setup.speed > 0)
        ok = ok && SetOption(handle, "speed", SpeedFactor(setup.speed));
    if (!ok || mpv.initialize(handle) < 0) {
        mpv.terminate_destroy(handle);
        return nullptr;
    }

    auto player = std::make_shared<Player>(handle, setup.context, path, draws);
    player->thread = std::thread(RunEvents, player.get());
    if (!CommandAsync(*player, {"loadfile", path.c_str()})) {
        std::lock_guard<std::mutex> lock(player->mutex);
        player->load = Player::Load::FAILED;
    }
    return player;
}

bool WaitForLoad(Player& player, std::string& why)
{
    std::unique_lock<std::mutex> lock(player.mutex);
    if (!player.changed.wait_for(lock, LOAD_TIMEOUT, [&player] { return player.load != Player::Load::PENDING; }))
        why = "the player has not opened it after a minute";
    else if (player.load == Player::Load::FAILED)
        why = player.why.empty() ? "the player cannot open it" : player.why;
    return player.load == Player::Load::LOADED;
}

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
        Mpv().wakeup(player->handle);
    }
    Retired& retired = GetRetired();
    std::lock_guard<std::mutex> lock(retired.mutex);
    retired.players.push_back(std::move(player));
}

void Reap(bool all)
{
    std::vector<std::shared_ptr<Player>> finished;
    {
        Retired& retired = GetRetired();
        std::lock_guard<std::mutex> lock(retired.mutex);
        for (auto it = retired.players.begin(); it != retired.players.end();) {
            if (all || (*it)->done) {
                finished.push_back(*it);
                it = retired.players.erase(it);
            } else {
                ++it;
            }
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + RELEASE_TIMEOUT;
    for (auto& player : finished) {
        while (!player->done && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (player->done && player->thread.joinable()) {
            player->thread.join();
        } else if (player->thread.joinable()) {
            // Still in mpv's shutdown: left to it, with the player it uses, to the process's end.
            static auto* s_left = new std::vector<std::shared_ptr<Player>>;
            player->thread.detach();
            s_left->push_back(player);
        }
    }
}

int LivePlayers()
{
    return s_livePlayers.load();
}

bool SetPropertyAsync(Player& player, const char* name, const std::string& value)
{
    const char* text = value.c_str();
    return Mpv().set_property_async(player.handle, 0, name, MPV_FORMAT_STRING, &text) >= 0;
}

bool CommandAsync(Player& player, std::initializer_list<const char*> words)
{
    std::vector<const char*> args(words);
    args.push_back(nullptr);
    return Mpv().command_async(player.handle, 0, args.data()) >= 0;
}

namespace {

// Hands a property to mpv and waits for its answer for as long as given, or until mpv has gone:
// mpv's answer (0 or an error), or ASKED when none came.
int Ask(Player& player, const char* name, const std::string& value, std::chrono::seconds wait)
{
    uint64_t question;
    {
        std::lock_guard<std::mutex> lock(player.mutex);
        if (player.gone)
            return MPV_ERROR_UNINITIALIZED;
        question = player.nextQuestion++;
        player.answers[question] = ASKED;
    }
    const char* text = value.c_str();
    const bool sent =
        Mpv().set_property_async(player.handle, question, name, MPV_FORMAT_STRING, &text) >= 0;
    std::unique_lock<std::mutex> lock(player.mutex);
    const auto answered = [&player, question] {
        return player.answers[question] != ASKED || player.gone || player.retired;
    };
    if (sent)
        player.changed.wait_for(lock, wait, answered);
    const int answer = sent ? player.answers[question] : MPV_ERROR_GENERIC;
    player.answers.erase(question);
    return answer;
}

}  // namespace

void SetPropertyNow(Player& player, const char* name, const std::string& value)
{
    // An answer comes once mpv has carried the change out; a player given up meanwhile (its output
    // thread stopped for good, which mpv would wait for) lets the caller go on, and so does one
    // that takes too long: it could be stuck the same way, or only slow, and is then paused and
    // left to finish in the background (its event thread shuts it down once it is retired).
    if (Ask(player, name, value, RELEASE_TIMEOUT) == ASKED)
        SetPropertyAsync(player, "pause", "yes");
}

bool SetPropertyAnswered(Player& player, const char* name, const std::string& value)
{
    const int answer = Ask(player, name, value, ANSWER_TIMEOUT);
    return answer != ASKED && answer >= 0;
}

bool SetPaused(Player& player, bool paused, bool answered)
{
    {
        std::lock_guard<std::mutex> lock(player.mutex);
        player.paused = paused;
    }
    const char* value = paused ? "yes" : "no";
    return answered ? SetPropertyAnswered(player, "pause", value)
                    : SetPropertyAsync(player, "pause", value);
}

std::string SpeedFactor(int speed)
{
    std::string fraction = std::to_string(1000 + speed % 1000).substr(1);
    return std::to_string(speed / 1000) + "." + fraction;
}

}  // namespace standin
