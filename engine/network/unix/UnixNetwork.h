// The network layer over BSD sockets and POSIX threads.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include <netinet/in.h>

#include "network/Network.h"

namespace Vorn {

class UnixStreamSocket final : public StreamSocket {
public:
    enum Kind { KIND_DATAGRAM = 0, KIND_STREAM = 1 };

    // Takes the descriptor (-1 makes a socket on which every call fails).
    UnixStreamSocket(int state, int descriptor, Kind kind, bool blocking);
    ~UnixStreamSocket() override;

    s32 Read(void* buffer, u32 count) override;
    u32 Write(const void* buffer, u32 count) override;
    u32 WriteNow(const void* buffer, u32 count) override;
    int Connect(u32 address, u16 port) override;
    int GetState() override { return m_state.load(std::memory_order_acquire); }
    void Shutdown() override;
    void SetSendTimeout(int ms) override;
    void SetReceiveTimeout(int ms) override;

    // How long a non-blocking read waits for each piece, and a non-blocking connect in all.
    static constexpr int READ_WAIT_MS = 100;
    static constexpr int CONNECT_WAIT_MS = 5000;

private:
    u32 Send(const void* buffer, u32 count, int flags);

    // The state is read by the thread that owns the socket and by Shutdown's caller.
    std::atomic<int> m_state;
    int m_descriptor;
    Kind m_kind;
    bool m_blocking;
};

class UnixListenSocket final : public ListenSocket {
public:
    explicit UnixListenSocket(int descriptor);
    ~UnixListenSocket() override;

    void Listen(u32 address, u16 port) override;
    StreamSocket* Accept() override;
    int GetState() override { return m_state; }
    u16 GetPort() override;
    u32 GetAddress() override;
    int GetError() override { return m_error; }

private:
    bool GetLocal(sockaddr_in& local);

    int m_descriptor;
    int m_state;
    int m_error = 0;
};

class UnixNetwork final : public Network {
public:
    // The resolver's NSS modules need more stack than the 40 KiB a plain worker gets.
    static constexpr size_t LOOKUP_STACK_SIZE = 256 * 1024;

    UnixNetwork();
    // Pending lookups are let go: their threads finish on their own and free their requests.
    ~UnixNetwork() override;

    StreamSocket* CreateStreamSocket(bool blocking) override;
    StreamSocket* CreateDatagramSocket(bool blocking) override;
    ListenSocket* CreateListenSocket() override;

    u32 ResolveHost(const NarrowString& host) override;
    void StartResolve(const NarrowString& host) override;
    bool PollResolve(const NarrowString& host, u32& address) override;
    void CancelResolve(const NarrowString& host) override;

    u16 HostToNetwork16(u16 value) override;
    u32 HostToNetwork32(u32 value) override;
    u16 NetworkToHost16(u16 value) override;
    u32 NetworkToHost32(u32 value) override;

    // The lookup itself, usable from any thread (the lookup threads do not need the service).
    static u32 Lookup(const NarrowString& host);

    // Tests: lookups still pending.
    size_t GetPendingCount() const { return m_requests.size(); }

private:
    // Shared by the main thread and the lookup thread; whichever lets go of it last frees it.
    struct ResolveRequest {
        NarrowString host;
        ThreadRecord thread;
        std::mutex mutex;
        u32 address = 0;
        bool done = false;
    };

    static void* LookupEntry(void* argument);

    std::map<NarrowString, std::shared_ptr<ResolveRequest>> m_requests;
};

} // namespace Vorn
