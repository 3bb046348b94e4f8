#include "application/RemoteConsole.h"

#include <cerrno>

#include "Version.h"
#include "application/AppGlobals.h"
#include "application/DebugOverlay.h"

namespace Vorn {

namespace {

// A connection thread only reads, queues and writes.
const size_t CONNECTION_STACK_SIZE = 0xA000;

} // namespace

void RemoteConnection::Queue(const NarrowString& line)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reply += line;
    m_reply += "\r\n";
}

RemoteConsole::RemoteConsole(DebugOverlay& overlay) : m_overlay(overlay)
{
}

RemoteConsole::~RemoteConsole()
{
    m_listener = nullptr;
    for (auto& connection : m_connections)
        Close(*connection);
    m_connections.clear();
    if (m_networkStarted)
        Network::Release();
}

void RemoteConsole::Close(RemoteConnection& connection)
{
    {
        std::lock_guard<std::mutex> lock(connection.m_mutex);
        connection.m_closing = true;
        if (connection.m_socket) {
            // Only if it fits now: a client that stopped reading would otherwise hold the main
            // thread for its send timeout, one after another.
            const NarrowString goodbye("Application is shutting down. KTHXBAI\r\n");
            connection.m_socket->WriteNow(goodbye.data(), static_cast<u32>(goodbye.size()));
            // Wakes the thread out of its blocking read, or out of a write the client does not take.
            connection.m_socket->Shutdown();
        }
    }
    connection.m_answered.notify_all();
    connection.m_thread.Join();
}

bool RemoteConsole::Open(u32 address, u16 port, int idleMs)
{
    if (!m_networkStarted) {
        Network::Init();
        m_networkStarted = true;
    }
    m_idleMs = idleMs;
    Network* network = Network::GetInstance();
    SmartPtr<ListenSocket> listener(network ? network->CreateListenSocket() : nullptr);
    if (!listener) {
        m_error = EMFILE;
        return false;
    }
    listener->Listen(address, port);
    m_error = listener->GetError();
    if (!listener->IsListening())
        return false;
    m_listener = listener;
    return true;
}

u16 RemoteConsole::GetPort() const
{
    return m_listener ? m_listener->GetPort() : 0;
}

u32 RemoteConsole::GetAddress() const
{
    return m_listener ? m_listener->GetAddress() : 0;
}

void* RemoteConsole::ConnectionEntry(void* connection)
{
    auto* record = static_cast<RemoteConnection*>(connection);
    record->m_console->Serve(*record);
    return nullptr;
}

bool RemoteConsole::ReadCommandLine(StreamSocket& socket, NarrowString& line)
{
    line.clear();
    // Every byte counts toward the limit, the dropped carriage returns too, so no client keeps
    // the thread reading for ever; one carriage return may end a line of the full length.
    size_t received = 0;
    char c;
    while (socket.Read(&c, 1) == 1) {
        if (c == '\n')
            return true;
        if (++received > MAX_LINE + 1 || (received == MAX_LINE + 1 && c != '\r'))
            return false;
        if (c != '\r')
            line.push_back(c);
    }
    return false;
}

bool RemoteConsole::RunOnMainThread(RemoteConnection& connection, const NarrowString& line,
                                    NarrowString& reply)
{
    std::unique_lock<std::mutex> lock(connection.m_mutex);
    if (connection.m_closing)
        return false;
    connection.m_waiting = true;
    {
        std::lock_guard<std::mutex> queueLock(m_queueMutex);
        m_queue.push_back(QueuedCommand{&connection, line});
    }
    connection.m_answered.wait(lock, [&] { return !connection.m_waiting || connection.m_closing; });
    if (connection.m_closing)
        return false;
    reply.clear();
    reply.swap(connection.m_reply);
    return true;
}

void RemoteConsole::Serve(RemoteConnection& connection)
{
    SmartPtr<StreamSocket> socket;
    NarrowString reply;
    {
        std::lock_guard<std::mutex> lock(connection.m_mutex);
        socket = connection.m_socket;
        reply.swap(connection.m_reply);
    }
    bool open = socket->WriteString(reply);
    NarrowString line;
    while (open && ReadCommandLine(*socket, line) && RunOnMainThread(connection, line, reply))
        open = socket->WriteString(reply);
    std::lock_guard<std::mutex> lock(connection.m_mutex);
    connection.m_socket = nullptr;
    socket = nullptr;
    connection.m_finished.store(true, std::memory_order_release);
}

void RemoteConsole::Accept()
{
    // At most one client a frame.
    SmartPtr<StreamSocket> accepted(m_listener->Accept());
    if (!accepted)
        return;
    // A client that stops reading must not hold its thread for ever; one that says nothing for
    // long is let go.
    accepted->SetSendTimeout(SEND_TIMEOUT_MS);
    accepted->SetReceiveTimeout(m_idleMs);
    if (m_connections.size() >= MAX_CONNECTIONS) {
        NarrowString busy("Remote console busy: ");
        busy.AppendInt(static_cast<int>(MAX_CONNECTIONS));
        // The socket is new and its buffer empty: the line fits without the main thread waiting.
        busy += " clients connected already\r\n";
        accepted->WriteNow(busy.data(), static_cast<u32>(busy.size()));
        return;
    }
    std::unique_ptr<RemoteConnection> connection(new RemoteConnection);
    connection->m_console = this;
    connection->m_socket = accepted;
    connection->Queue(Version::String);
    connection->Queue(g_applicationName + " remote debug connection");
    if (connection->m_thread.Start(&ConnectionEntry, connection.get(), CONNECTION_STACK_SIZE))
        m_connections.push_back(std::move(connection));
}

void RemoteConsole::RunQueue()
{
    std::deque<QueuedCommand> queue;
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        queue.swap(m_queue);
    }
    for (QueuedCommand& command : queue) {
        m_overlay.ExecuteCommand(command.line, command.connection);
        {
            std::lock_guard<std::mutex> lock(command.connection->m_mutex);
            command.connection->m_waiting = false;
        }
        command.connection->m_answered.notify_all();
    }
}

void RemoteConsole::Reap()
{
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        if ((*it)->m_finished.load(std::memory_order_acquire)) {
            (*it)->m_thread.Join();
            it = m_connections.erase(it);
        } else {
            ++it;
        }
    }
}

void RemoteConsole::Update()
{
    if (m_listener)
        Accept();
    RunQueue();
    Reap();
}

} // namespace Vorn
