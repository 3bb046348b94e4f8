#include "network/unix/UnixNetwork.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace Vorn {

namespace {

void SetBlocking(int descriptor, bool blocking)
{
    if (descriptor < 0)
        return;
    int flags = fcntl(descriptor, F_GETFL, 0);
    if (flags < 0)
        return;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    fcntl(descriptor, F_SETFL, flags);
}

sockaddr_in MakeAddress(u32 address, u16 port)
{
    sockaddr_in socketAddress;
    std::memset(&socketAddress, 0, sizeof(socketAddress));
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_port = htons(port);
    socketAddress.sin_addr.s_addr = htonl(address);
    return socketAddress;
}

// Waits up to ms for the events on descriptor: 1 ready, 0 timed out, -1 failed. Interrupted
// waits are resumed (with the whole wait again: these waits are short).
int Wait(int descriptor, short events, int ms)
{
    pollfd entry = {descriptor, events, 0};
    for (;;) {
        int result = poll(&entry, 1, ms);
        if (result < 0 && errno == EINTR)
            continue;
        if (result > 0 && (entry.revents & POLLNVAL))
            return -1;
        return result > 0 ? 1 : result;
    }
}

} // namespace

UnixStreamSocket::UnixStreamSocket(int state, int descriptor, Kind kind, bool blocking)
    : m_state(state), m_descriptor(descriptor), m_kind(kind), m_blocking(blocking)
{
}

UnixStreamSocket::~UnixStreamSocket()
{
    if (m_descriptor >= 0)
        close(m_descriptor);
}

s32 UnixStreamSocket::Read(void* buffer, u32 count)
{
    if (count == 0)
        return 0;
    // The result is an s32: larger requests are read in part.
    if (count > 0x7FFFFFFFu)
        count = 0x7FFFFFFFu;
    u8* bytes = static_cast<u8*>(buffer);
    u32 total = 0;
    for (;;) {
        g_netAccess.store(true, std::memory_order_relaxed);
        if (!m_blocking) {
            int ready = Wait(m_descriptor, POLLIN, READ_WAIT_MS);
            if (ready < 0) {
                m_state = STATE_ERROR;
                return static_cast<s32>(total);
            }
            if (ready == 0)
                return total > 0 ? static_cast<s32>(total) : READ_TIMEOUT;
        }
        ssize_t received = recv(m_descriptor, bytes + total, count - total, 0);
        if (received < 0) {
            if (errno == EINTR)
                continue;
            // A non-blocking socket whose wakeup was spurious simply waits again.
            if (!m_blocking && (errno == EAGAIN || errno == EWOULDBLOCK))
                continue;
            m_state = STATE_ERROR;
            return static_cast<s32>(total);
        }
        if (received == 0) {
            if (m_kind == KIND_STREAM) {
                m_state = STATE_IDLE;
                return static_cast<s32>(total);
            }
            // An empty datagram ends nothing.
            return static_cast<s32>(total);
        }
        total += static_cast<u32>(received);
        // A datagram is read whole or not at all: one is the answer.
        if (total == count || m_kind == KIND_DATAGRAM)
            return static_cast<s32>(total);
    }
}

u32 UnixStreamSocket::Send(const void* buffer, u32 count, int flags)
{
    g_netAccess.store(true, std::memory_order_relaxed);
    if (count == 0)
        return 0;
    ssize_t sent;
    do {
        // A peer that has gone must not end the process through SIGPIPE.
        sent = send(m_descriptor, buffer, count, flags | MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        // A full buffer is no failure of a send that was not to wait for room.
        if (!(flags & MSG_DONTWAIT) || (errno != EAGAIN && errno != EWOULDBLOCK))
            m_state = STATE_ERROR;
        return 0;
    }
    return static_cast<u32>(sent);
}

u32 UnixStreamSocket::Write(const void* buffer, u32 count)
{
    return Send(buffer, count, 0);
}

u32 UnixStreamSocket::WriteNow(const void* buffer, u32 count)
{
    return Send(buffer, count, MSG_DONTWAIT);
}

int UnixStreamSocket::Connect(u32 address, u16 port)
{
    g_netAccess.store(true, std::memory_order_relaxed);
    sockaddr_in target = MakeAddress(address, port);
    int result = connect(m_descriptor, reinterpret_cast<const sockaddr*>(&target), sizeof(target));
    if (result != 0 && !m_blocking && errno == EINPROGRESS) {
        // The caller wants the outcome now: wait for it, within bounds.
        int error = 0;
        socklen_t length = sizeof(error);
        if (Wait(m_descriptor, POLLOUT, CONNECT_WAIT_MS) == 1 &&
            getsockopt(m_descriptor, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
            result = 0;
    }
    m_state = result == 0 ? STATE_CONNECTED : STATE_ERROR;
    return m_state;
}

void UnixStreamSocket::Shutdown()
{
    if (m_descriptor >= 0)
        shutdown(m_descriptor, SHUT_RDWR);
}

namespace {

void SetTimeout(int descriptor, int option, int ms)
{
    timeval timeout;
    timeout.tv_sec = ms / 1000;
    timeout.tv_usec = (ms % 1000) * 1000;
    if (descriptor >= 0)
        setsockopt(descriptor, SOL_SOCKET, option, &timeout, sizeof(timeout));
}

} // namespace

void UnixStreamSocket::SetSendTimeout(int ms)
{
    SetTimeout(m_descriptor, SO_SNDTIMEO, ms);
}

void UnixStreamSocket::SetReceiveTimeout(int ms)
{
    SetTimeout(m_descriptor, SO_RCVTIMEO, ms);
}

UnixListenSocket::UnixListenSocket(int descriptor) : m_descriptor(descriptor), m_state(STATE_IDLE)
{
}

UnixListenSocket::~UnixListenSocket()
{
    if (m_descriptor >= 0)
        close(m_descriptor);
}

void UnixListenSocket::Listen(u32 address, u16 port)
{
    sockaddr_in local = MakeAddress(address, port);
    if (bind(m_descriptor, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) == 0 &&
        listen(m_descriptor, 5) == 0) {
        m_state = STATE_LISTENING;
        m_error = 0;
    } else {
        m_state = STATE_ERROR;
        m_error = errno;
    }
}

StreamSocket* UnixListenSocket::Accept()
{
    int client;
    do {
        client = accept(m_descriptor, nullptr, nullptr);
    } while (client < 0 && errno == EINTR);
    if (client < 0) {
        // A client that gave up between arriving and being accepted is no fault of ours.
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != ECONNABORTED)
            m_state = STATE_ERROR;
        return nullptr;
    }
    // The accepted descriptor may inherit the listener's O_NONBLOCK; client sockets block.
    SetBlocking(client, true);
    return new UnixStreamSocket(StreamSocket::STATE_CONNECTED, client,
                                UnixStreamSocket::KIND_STREAM, true);
}

bool UnixListenSocket::GetLocal(sockaddr_in& local)
{
    if (m_state != STATE_LISTENING)
        return false;
    socklen_t length = sizeof(local);
    return getsockname(m_descriptor, reinterpret_cast<sockaddr*>(&local), &length) == 0;
}

u16 UnixListenSocket::GetPort()
{
    sockaddr_in local;
    return GetLocal(local) ? ntohs(local.sin_port) : 0;
}

u32 UnixListenSocket::GetAddress()
{
    sockaddr_in local;
    return GetLocal(local) ? ntohl(local.sin_addr.s_addr) : 0;
}

UnixNetwork::UnixNetwork()
{
}

UnixNetwork::~UnixNetwork()
{
    for (auto& entry : m_requests)
        entry.second->thread.Detach();
    m_requests.clear();
}

StreamSocket* UnixNetwork::CreateStreamSocket(bool blocking)
{
    int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    SetBlocking(descriptor, blocking);
    return new UnixStreamSocket(StreamSocket::STATE_IDLE, descriptor, UnixStreamSocket::KIND_STREAM,
                                blocking);
}

StreamSocket* UnixNetwork::CreateDatagramSocket(bool blocking)
{
    int descriptor = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    SetBlocking(descriptor, blocking);
    return new UnixStreamSocket(StreamSocket::STATE_IDLE, descriptor,
                                UnixStreamSocket::KIND_DATAGRAM, blocking);
}

ListenSocket* UnixNetwork::CreateListenSocket()
{
    int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0)
        return nullptr;
    int on = 1;
    setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    SetBlocking(descriptor, false);
    return new UnixListenSocket(descriptor);
}

u32 UnixNetwork::Lookup(const NarrowString& host)
{
    addrinfo hints;
    std::memset(&hints, 0, sizeof(hints));
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    if (getaddrinfo(host.c_str(), "80", &hints, &results) != 0 || !results)
        return 0;
    u32 address = 0;
    for (addrinfo* result = results; result; result = result->ai_next) {
        if (result->ai_family == AF_INET && result->ai_socktype == SOCK_STREAM &&
            result->ai_addrlen >= sizeof(sockaddr_in)) {
            address = ntohl(reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_addr.s_addr);
            break;
        }
    }
    freeaddrinfo(results);
    return address;
}

u32 UnixNetwork::ResolveHost(const NarrowString& host)
{
    return Lookup(host);
}

void* UnixNetwork::LookupEntry(void* argument)
{
    // The thread's own reference: the request outlives a cancel, and is freed by whichever side
    // lets go last.
    std::unique_ptr<std::shared_ptr<ResolveRequest>> held(
        static_cast<std::shared_ptr<ResolveRequest>*>(argument));
    ResolveRequest& request = **held;
    u32 address = Lookup(request.host);
    std::lock_guard<std::mutex> lock(request.mutex);
    request.address = address;
    request.done = true;
    return nullptr;
}

void UnixNetwork::StartResolve(const NarrowString& host)
{
    if (m_requests.count(host))
        return;
    std::shared_ptr<ResolveRequest> request = std::make_shared<ResolveRequest>();
    request->host = host;
    auto* threadReference = new std::shared_ptr<ResolveRequest>(request);
    if (!request->thread.Start(&LookupEntry, threadReference, LOOKUP_STACK_SIZE)) {
        // No thread: the lookup is answered at once, so a poll still finds it.
        delete threadReference;
        request->address = Lookup(host);
        request->done = true;
    }
    m_requests[host] = request;
}

bool UnixNetwork::PollResolve(const NarrowString& host, u32& address)
{
    auto found = m_requests.find(host);
    if (found == m_requests.end())
        return false;
    ResolveRequest& request = *found->second;
    {
        std::lock_guard<std::mutex> lock(request.mutex);
        if (!request.done)
            return false;
        address = request.address;
    }
    request.thread.Join();
    m_requests.erase(found);
    return true;
}

void UnixNetwork::CancelResolve(const NarrowString& host)
{
    auto found = m_requests.find(host);
    if (found == m_requests.end())
        return;
    // Finished or not, the thread cleans up after itself; the request goes with its last holder.
    found->second->thread.Detach();
    m_requests.erase(found);
}

u16 UnixNetwork::HostToNetwork16(u16 value)
{
    return htons(value);
}

u32 UnixNetwork::HostToNetwork32(u32 value)
{
    return htonl(value);
}

u16 UnixNetwork::NetworkToHost16(u16 value)
{
    return ntohs(value);
}

u32 UnixNetwork::NetworkToHost32(u32 value)
{
    return ntohl(value);
}

Network* Network::CreatePlatform()
{
    return new UnixNetwork;
}

} // namespace Vorn
