// The debug console served over TCP on the loopback address: a listening socket polled by the
// overlay's update, one thread per client that reads command lines and writes the replies, and
// a queue through which every command runs on the main thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <memory>
#include <mutex>

#include "base/NarrowString.h"
#include "base/SmartPtr.h"
#include "network/Network.h"
#include "system/Thread.h"
#include "system/Types.h"

namespace Vorn {

class DebugOverlay;
class RemoteConsole;

// One client. Made by the accepting update, served by its own thread, reaped by a later update
// once the thread has let go of the socket.
class RemoteConnection {
public:
    // Adds one reply line ("\r\n" is added); sent once the running command is done.
    void Queue(const NarrowString& line);

private:
    friend class RemoteConsole;

    RemoteConsole* m_console = nullptr;
    ThreadRecord m_thread;
    // Guards m_socket, m_reply, m_waiting and m_closing.
    std::mutex m_mutex;
    std::condition_variable m_answered;
    SmartPtr<StreamSocket> m_socket;   // null once the connection has ended
    NarrowString m_reply;              // lines printed for this client, not yet sent
    bool m_waiting = false;            // a command of this client is queued
    bool m_closing = false;            // the console is going: stop at once
    std::atomic<bool> m_finished{false};
};

class RemoteConsole {
public:
    // Clients served at once; one more is told so and let go.
    static constexpr size_t MAX_CONNECTIONS = 4;
    // A command line (without its line end) longer than this ends the connection.
    static constexpr size_t MAX_LINE = 4096;
    // A reply piece a client does not take within this long ends the connection (on the
    // connection's thread: the main thread never waits for a client to take its bytes).
    static constexpr int SEND_TIMEOUT_MS = 2000;

    explicit RemoteConsole(DebugOverlay& overlay);
    // Says goodbye to every client whose socket has room for it, waiting for none, and joins every
    // thread: clients that stopped reading cost the main thread nothing.
    ~RemoteConsole();
    RemoteConsole(const RemoteConsole&) = delete;
    RemoteConsole& operator=(const RemoteConsole&) = delete;

    // Listens on address:port (0: the system chooses), in place of any earlier listener. False
    // when the port cannot be had; GetError then tells the system's reason.
    bool Open(u32 address, u16 port, int idleMs);
    u16 GetPort() const;
    u32 GetAddress() const;
    int GetError() const { return m_error; }
    size_t GetConnectionCount() const { return m_connections.size(); }

    // Main thread, once a frame: accepts at most one client, runs the queued commands, reaps the
    // connections that ended.
    void Update();

    // Reads one command line: bytes up to a line feed, carriage returns dropped. False when the
    // peer went, the read failed or timed out, or the line grew past MAX_LINE bytes.
    static bool ReadCommandLine(StreamSocket& socket, NarrowString& line);

private:
    struct QueuedCommand {
        RemoteConnection* connection;
        NarrowString line;
    };

    static void* ConnectionEntry(void* connection);
    void Serve(RemoteConnection& connection);
    // Queues line and waits until the main thread has run it; false when the console is going.
    bool RunOnMainThread(RemoteConnection& connection, const NarrowString& line, NarrowString& reply);
    void Accept();
    void RunQueue();
    void Reap();
    void Close(RemoteConnection& connection);

    DebugOverlay& m_overlay;
    SmartPtr<ListenSocket> m_listener;
    bool m_networkStarted = false;
    int m_idleMs = 0;
    int m_error = 0;
    std::list<std::unique_ptr<RemoteConnection>> m_connections;
    // Lines read by connection threads, run by Update.
    std::mutex m_queueMutex;
    std::deque<QueuedCommand> m_queue;
};

} // namespace Vorn
