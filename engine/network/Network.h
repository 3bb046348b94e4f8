// The engine's network layer: a counted service singleton with a socket factory, blocking and
// threaded IPv4 host lookup and byte-order conversions; a listening TCP socket; and a socket
// stream that is an IOStream, so text protocols can read lines and write strings. Addresses and
// ports cross these interfaces in host byte order. Only the debug overlay's remote console uses it.
#pragma once

#include <atomic>

#include "base/IOStream.h"
#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "system/Thread.h"
#include "system/Types.h"

namespace Vorn {

// A connected (or connectable) socket. Read and Write move raw bytes; the stream's ReadLine and
// WriteString work on top of them.
class StreamSocket : public IOStream {
public:
    enum State { STATE_IDLE = 0, STATE_CONNECTED = 1, STATE_ERROR = 2 };
    // Read's result when a non-blocking socket saw nothing arrive within its wait.
    static constexpr s32 READ_TIMEOUT = -2;

    // Blocking sockets wait for the first byte and then for the whole buffer; non-blocking ones
    // wait at most 100 ms for each piece and return what arrived (READ_TIMEOUT when nothing did).
    // A peer that closed gives the bytes so far and state STATE_IDLE.
    s32 Read(void* buffer, u32 count) override = 0;
    // One send; the count sent, 0 (and STATE_ERROR) on failure. Never raises SIGPIPE.
    u32 Write(const void* buffer, u32 count) override = 0;
    // One send that never waits, blocking socket or not: what fits in the socket's buffer now
    // goes. The count sent; 0 when nothing fits (the state unchanged) or on failure (STATE_ERROR).
    virtual u32 WriteNow(const void* buffer, u32 count) = 0;
    // Sends the whole buffer, a piece at a time: true when every byte went. Each piece may take
    // up to the send timeout, so a slow reader gets all of it while one that stops reading ends it.
    bool WriteAll(const void* buffer, u32 count);
    bool WriteString(const NarrowString& text) override;
    bool IsOpen() override { return GetState() == STATE_CONNECTED; }
    int GetStatus() override { return GetState() == STATE_ERROR ? STATUS_FAILED : STATUS_USABLE; }

    bool IsConnected() { return GetState() == STATE_CONNECTED; }
    // Connects to address:port; returns the new state.
    virtual int Connect(u32 address, u16 port) = 0;
    virtual int GetState() = 0;
    // Ends the connection in both directions; a thread blocked in Read on it returns.
    virtual void Shutdown() = 0;
    // A blocking Write that cannot hand its bytes on within ms fails (0: wait for ever).
    virtual void SetSendTimeout(int ms) = 0;
    // A blocking Read that sees nothing arrive within ms fails (0: wait for ever).
    virtual void SetReceiveTimeout(int ms) = 0;
};

class ListenSocket : public RefCounter {
public:
    enum State { STATE_IDLE = 0, STATE_LISTENING = 1, STATE_ERROR = 2 };

    // Binds address:port (SO_REUSEADDR) and listens with a backlog of 5; STATE_ERROR on failure.
    virtual void Listen(u32 address, u16 port) = 0;
    // A waiting client as a new blocking, connected socket (count 0), or null when none waits.
    virtual StreamSocket* Accept() = 0;
    virtual int GetState() = 0;
    // The port actually bound (the one chosen by the system when Listen was given 0); 0 when not
    // listening.
    virtual u16 GetPort() = 0;
    // The address bound, in host order; 0 when not listening.
    virtual u32 GetAddress() = 0;
    // The system's error number of a failed Listen (EADDRINUSE for a port taken), else 0.
    virtual int GetError() = 0;
    bool IsListening() { return GetState() == STATE_LISTENING; }
};

class Network : public RefCounter {
public:
    static constexpr u32 LOOPBACK = 0x7F000001;   // 127.0.0.1 in host order

    // New sockets (count 0); a socket whose descriptor could not be made fails every call.
    virtual StreamSocket* CreateStreamSocket(bool blocking) = 0;
    virtual StreamSocket* CreateDatagramSocket(bool blocking) = 0;
    // Null when no socket can be made.
    virtual ListenSocket* CreateListenSocket() = 0;

    // The first IPv4 address of host in host order, 0 when it has none. Blocks.
    virtual u32 ResolveHost(const NarrowString& host) = 0;
    // Starts a lookup thread for host, unless one is pending already.
    virtual void StartResolve(const NarrowString& host) = 0;
    // True once the lookup of host has finished: address is its result (0 for none) and the
    // request is gone. False, address untouched, while it runs or when none was started.
    virtual bool PollResolve(const NarrowString& host, u32& address) = 0;
    // Forgets the lookup of host; its thread ends on its own.
    virtual void CancelResolve(const NarrowString& host) = 0;

    // Byte order: each reverses its value's bytes between this machine and the network.
    virtual u16 HostToNetwork16(u16 value) = 0;
    virtual u32 HostToNetwork32(u32 value) = 0;
    virtual u16 NetworkToHost16(u16 value) = 0;
    virtual u32 NetworkToHost32(u32 value) = 0;

    // The service: Init makes it on the first call and counts the others; Release drops one count
    // and the service with the last. Main thread only.
    static Network* GetInstance() { return s_instance.Get(); }
    static void Init();
    static void Release();

private:
    // The backend's service, defined beside it.
    static Network* CreatePlatform();

    static SmartPtr<Network> s_instance;
    static int s_startCount;
};

// Set by every socket read, write and connect, on whichever thread; the overlay's network icon
// shows and clears it.
extern std::atomic<bool> g_netAccess;

} // namespace Vorn
