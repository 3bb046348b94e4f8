// One mpv player of the media renderer (mmr.cpp): the player a context makes when an input is
// attached to it. The player draws into the window of the video output's window group (embedded
// in the desktop window; headless, it decodes without a picture) and plays its sound on the
// machine's audio output, or on mpv's null output when there is none. A thread per player waits
// for mpv's events and turns the end of playback into the context's media-renderer events.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <mpv/client.h>

namespace standin {

// What a player is made with: its context's name and outputs when the input is attached.
struct PlayerSetup {
    std::string context;
    bool video = false;             // a video output is attached
    unsigned long videoWindow = 0;  // the embed handle of its window; 0: no picture
    bool audio = false;             // an audio output is attached
    std::string volume;             // "" until set
    int speed = 0;                  // thousandths of normal; 0: paused
};

// The main thread sets a player up and controls it; its event thread reads mpv's events and, once
// the player is retired, destroys the handle (mpv's shutdown takes a while).
//
// A player that draws has a connection to the X server of its own, from mpv's output thread. When
// that connection goes while the server stays (another client killed its window), that thread goes
// no further (Xlib holds it, or the GL driver spins on the dead connection), and mpv can then
// neither play on, answer, nor shut down. The event thread sees the connection's socket hung up:
// the player ends its track as its end would, answers nothing more, and is given up, never
// destroyed.
struct Player {
    enum class Load { PENDING, LOADED, FAILED };

    Player(mpv_handle* h, const std::string& name, const std::string& file, bool drawing);

    mpv_handle* const handle;
    const std::string context;
    const std::string path;
    const bool draws;               // mpv draws the picture through a connection of its own
    const size_t connectionsLost;    // picture connections known lost before it was made
    std::thread thread;
    std::atomic<bool> done{false};

    // Guards everything below; held while the event thread queues the context's events, so a
    // retired player queues none.
    std::mutex mutex;
    std::condition_variable changed;
    Load load = Load::PENDING;  // the first load of the input
    std::string why;            // why it failed, or why the player was given up
    bool loaded = false;        // mpv holds the file (it unloads it at its end)
    bool playing = false;       // from mmr_play to the end of the track or mmr_stop
    bool ended = false;         // stopped since the last mmr_play
    bool paused = true;
    bool retired = false;
    bool gone = false;                 // mpv has shut down or was given up: nothing more is answered
    bool givenUp = false;
    uint64_t nextQuestion = 1;
    std::map<uint64_t, int> answers;  // values waited for: mpv's answer (0 or an error), or ASKED
};

// A player for the file at path, paused, its file being loaded (see WaitForLoad), or null when mpv
// cannot be loaded or set up.
std::shared_ptr<Player> StartPlayer(const PlayerSetup& setup, const std::string& path);
// Waits until mpv says the player's first load succeeded or failed, or has gone, however long a
// busy machine takes (a minute at most: a player stuck longer is given up); true when it holds
// the file, otherwise false with the reason in why.
bool WaitForLoad(Player& player, std::string& why);
// Hands the player to its event thread for shutting down; returns at once.
void Retire(std::shared_ptr<Player> player);
// Joins the threads of retired players that have finished; with all, waits for the others too,
// for ten seconds at most, and leaves those still shutting down to themselves.
void Reap(bool all);
// Players whose mpv has been neither destroyed nor given up yet.
int LivePlayers();

// Hands a property or a command to mpv without waiting for it; false only when mpv refused the
// request.
bool SetPropertyAsync(Player& player, const char* name, const std::string& value);
bool CommandAsync(Player& player, std::initializer_list<const char*> words);
// Sets a property and returns once mpv has carried it out or has gone, or after ten seconds:
// a player that takes longer is paused and left to its event thread.
void SetPropertyNow(Player& player, const char* name, const std::string& value);
// Hands a property to mpv and waits for its answer; true when it took the value. A player that
// has gone or does not answer in time has not.
bool SetPropertyAnswered(Player& player, const char* name, const std::string& value);
// answered: waits for mpv's answer (SetPropertyAnswered) instead of handing it over.
bool SetPaused(Player& player, bool paused, bool answered = false);

// Thousandths of normal speed as mpv's factor ("1.500"), whatever the locale's decimal point.
std::string SpeedFactor(int speed);

}  // namespace standin
