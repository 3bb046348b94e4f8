// The network layer over real loopback sockets: the listen/accept/connect cycle, the read rules
// of blocking and non-blocking sockets, a vanished peer, and the threaded host lookup.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "network/Network.h"
#include "network/unix/UnixNetwork.h"

using namespace Vorn;

namespace {

class NetworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Network::Init();
        net = Network::GetInstance();
        ASSERT_NE(net, nullptr);
        listener = net->CreateListenSocket();
        ASSERT_TRUE(listener);
        // Port 0: the system picks a free one, so parallel runs never collide.
        listener->Listen(Network::LOOPBACK, 0);
        ASSERT_TRUE(listener->IsListening());
        port = listener->GetPort();
        ASSERT_NE(port, 0);
    }
    void TearDown() override
    {
        listener = nullptr;
        Network::Release();
    }

    // A connected pair: client (made with the given blocking) and the accepted server side.
    void Connect(bool blocking, SmartPtr<StreamSocket>& client, SmartPtr<StreamSocket>& server)
    {
        client = net->CreateStreamSocket(blocking);
        ASSERT_EQ(client->Connect(Network::LOOPBACK, port), StreamSocket::STATE_CONNECTED);
        for (int i = 0; i < 200 && !server; ++i) {
            server = listener->Accept();
            if (!server)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_TRUE(server);
        EXPECT_TRUE(server->IsConnected());
    }

    Network* net = nullptr;
    SmartPtr<ListenSocket> listener;
    u16 port = 0;
};

TEST_F(NetworkTest, ListensOnLoopbackAndRefusesAPortInUse)
{
    EXPECT_EQ(listener->Accept(), nullptr);   // nobody waiting is not an error
    EXPECT_TRUE(listener->IsListening());

    SmartPtr<ListenSocket> second(net->CreateListenSocket());
    second->Listen(Network::LOOPBACK, port);
    EXPECT_EQ(second->GetState(), ListenSocket::STATE_ERROR);
    EXPECT_FALSE(second->IsListening());
    EXPECT_EQ(second->GetPort(), 0);
    EXPECT_EQ(second->GetError(), EADDRINUSE);
}

// A listener made with plain POSIX calls on a loopback port of the system's choice (address tells
// which), with both reuse options when shared; -1 on failure.
int PlainListener(sockaddr_in& address, bool shared)
{
    int descriptor = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    if (shared) {
        setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
        setsockopt(descriptor, SOL_SOCKET, SO_REUSEPORT, &on, sizeof(on));
    }
    address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(Network::LOOPBACK);
    socklen_t length = sizeof(address);
    if (bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(descriptor, 5) != 0 ||
        getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

TEST(NetworkListen, APortAnotherProgramSharesOutIsStillRefused)
{
    // Another program listening with both reuse options set: the console's listener must not
    // join it on the port.
    sockaddr_in address;
    const int other = PlainListener(address, true);
    ASSERT_GE(other, 0);
    Network::Init();
    SmartPtr<ListenSocket> ours(Network::GetInstance()->CreateListenSocket());
    ours->Listen(Network::LOOPBACK, ntohs(address.sin_port));
    EXPECT_FALSE(ours->IsListening());
    EXPECT_EQ(ours->GetError(), EADDRINUSE);
    ours = nullptr;
    Network::Release();
    close(other);
}

TEST_F(NetworkTest, LinesTravelBothWays)
{
    SmartPtr<StreamSocket> client, server;
    Connect(true, client, server);
    EXPECT_TRUE(client->WriteString("hello\r\nworld\n"));
    NarrowString line;
    EXPECT_TRUE(server->ReadLine(line));
    EXPECT_EQ(line, "hello");
    line.clear();
    EXPECT_TRUE(server->ReadLine(line));
    EXPECT_EQ(line, "world");
    EXPECT_TRUE(g_netAccess.load());
}

TEST_F(NetworkTest, NonBlockingReadTimesOutAndReturnsWhatArrived)
{
    SmartPtr<StreamSocket> client, server;
    Connect(false, client, server);
    char buffer[16];
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client->Read(buffer, sizeof(buffer)), StreamSocket::READ_TIMEOUT);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(90));
    EXPECT_LT(waited, std::chrono::seconds(2));

    server->Write("abc", 3);
    EXPECT_EQ(client->Read(buffer, sizeof(buffer)), 3);
    EXPECT_EQ(NarrowString(buffer, 3), "abc");
    EXPECT_TRUE(client->IsConnected());
}

TEST_F(NetworkTest, PeerClosingEndsTheReadWithWhatCame)
{
    SmartPtr<StreamSocket> client, server;
    Connect(true, client, server);
    client->Write("xy", 2);
    client = nullptr;
    char buffer[8];
    EXPECT_EQ(server->Read(buffer, sizeof(buffer)), 2);
    EXPECT_EQ(server->GetState(), StreamSocket::STATE_IDLE);
    EXPECT_EQ(server->GetStatus(), IOStream::STATUS_USABLE);
}

TEST_F(NetworkTest, WritingToAVanishedPeerFailsWithoutSignal)
{
    SmartPtr<StreamSocket> client, server;
    Connect(true, client, server);
    client = nullptr;
    // The first writes may still be taken by the kernel; a later one meets the reset. Without
    // MSG_NOSIGNAL this test would die of SIGPIPE.
    std::vector<char> block(64 * 1024, 'z');
    bool failed = false;
    for (int i = 0; i < 50 && !failed; ++i)
        failed = server->Write(block.data(), static_cast<u32>(block.size())) == 0;
    EXPECT_TRUE(failed);
    EXPECT_EQ(server->GetState(), StreamSocket::STATE_ERROR);
    EXPECT_EQ(server->GetStatus(), IOStream::STATUS_FAILED);
}

TEST_F(NetworkTest, ShutdownWakesABlockedReader)
{
    SmartPtr<StreamSocket> client, server;
    Connect(true, client, server);
    NarrowString line;
    bool read = true;
    std::thread reader([&] { read = server->ReadLine(line); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    server->Shutdown();
    reader.join();
    EXPECT_FALSE(read);
}

TEST_F(NetworkTest, ConnectToAClosedPortFails)
{
    SmartPtr<ListenSocket> spare(net->CreateListenSocket());
    spare->Listen(Network::LOOPBACK, 0);
    u16 freePort = spare->GetPort();
    spare = nullptr;
    for (bool blocking : {true, false}) {
        SmartPtr<StreamSocket> socket(net->CreateStreamSocket(blocking));
        EXPECT_EQ(socket->Connect(Network::LOOPBACK, freePort), StreamSocket::STATE_ERROR);
        EXPECT_FALSE(socket->IsConnected());
    }
}

TEST_F(NetworkTest, DatagramsArriveWhole)
{
    SmartPtr<StreamSocket> sender(net->CreateDatagramSocket(true));
    int receiver = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(receiver, reinterpret_cast<sockaddr*>(&local), sizeof(local)), 0);
    socklen_t length = sizeof(local);
    getsockname(receiver, reinterpret_cast<sockaddr*>(&local), &length);
    ASSERT_EQ(sender->Connect(Network::LOOPBACK, ntohs(local.sin_port)), StreamSocket::STATE_CONNECTED);
    EXPECT_EQ(sender->Write("ping", 4), 4u);
    char buffer[8];
    EXPECT_EQ(recv(receiver, buffer, sizeof(buffer), 0), 4);
    close(receiver);
}

TEST(NetworkService, InitCountsAndByteOrderReverses)
{
    Network::Init();
    Network* first = Network::GetInstance();
    Network::Init();
    EXPECT_EQ(Network::GetInstance(), first);
    EXPECT_EQ(first->HostToNetwork16(0x1234), 0x3412);
    EXPECT_EQ(first->NetworkToHost32(0x11223344u), 0x44332211u);
    Network::Release();
    EXPECT_EQ(Network::GetInstance(), first);
    Network::Release();
    EXPECT_EQ(Network::GetInstance(), nullptr);
    Network::Release();   // one too many changes nothing
    EXPECT_EQ(Network::GetInstance(), nullptr);
}

TEST(NetworkLookup, LocalhostBlockingAndThreaded)
{
    Network::Init();
    auto* net = static_cast<UnixNetwork*>(Network::GetInstance());
    EXPECT_EQ(net->ResolveHost("localhost"), Network::LOOPBACK);
    EXPECT_EQ(net->ResolveHost("127.0.0.1"), Network::LOOPBACK);
    EXPECT_EQ(net->ResolveHost(""), 0u);

    u32 address = 12345;
    EXPECT_FALSE(net->PollResolve("localhost", address));   // never started
    EXPECT_EQ(address, 12345u);

    net->StartResolve("localhost");
    net->StartResolve("localhost");
    EXPECT_EQ(net->GetPendingCount(), 1u);
    bool done = false;
    for (int i = 0; i < 500 && !done; ++i) {
        done = net->PollResolve("localhost", address);
        if (!done)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(done);
    EXPECT_EQ(address, Network::LOOPBACK);
    EXPECT_EQ(net->GetPendingCount(), 0u);
    Network::Release();
}

TEST(NetworkLookup, CancelWhileRunningAndAfterFinishing)
{
    Network::Init();
    auto* net = static_cast<UnixNetwork*>(Network::GetInstance());
    // Cancelled at once: the thread finishes later on its own.
    net->StartResolve("127.0.0.1");
    net->CancelResolve("127.0.0.1");
    EXPECT_EQ(net->GetPendingCount(), 0u);
    u32 address = 7;
    EXPECT_FALSE(net->PollResolve("127.0.0.1", address));

    // Cancelled after the thread is done: nothing is left behind.
    net->StartResolve("localhost");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    net->CancelResolve("localhost");
    EXPECT_EQ(net->GetPendingCount(), 0u);

    // A lookup left pending when the service goes.
    net->StartResolve("localhost");
    Network::Release();
    // Let the detached threads end before the process does (leak checkers count them).
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

TEST_F(NetworkTest, AWriteToAPeerThatStopsReadingGivesUpAfterItsTimeout)
{
    SmartPtr<StreamSocket> client, server;
    Connect(true, client, server);
    server->SetSendTimeout(100);
    std::vector<char> block(256 * 1024, 'z');
    auto start = std::chrono::steady_clock::now();
    bool stalled = false;
    // The kernel buffers take the first blocks; then a write must end within its timeout.
    for (int i = 0; i < 200 && !stalled; ++i)
        stalled = server->Write(block.data(), static_cast<u32>(block.size())) < block.size();
    EXPECT_TRUE(stalled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// WriteNow never waits, on a blocking socket without a send timeout either: it fills the buffers
// on the way to a reader that takes nothing, then takes nothing itself, and the socket stays usable.
TEST_F(NetworkTest, WriteNowTakesWhatFitsWithoutWaiting)
{
    SmartPtr<StreamSocket> client, server;
    Connect(true, client, server);
    std::vector<char> block(64 * 1024, 'z');
    u64 total = 0;
    u32 sent = 1;
    for (int i = 0; i < 4096 && sent > 0; ++i) {
        sent = server->WriteNow(block.data(), static_cast<u32>(block.size()));
        total += sent;
    }
    EXPECT_EQ(sent, 0u);
    EXPECT_GT(total, block.size());
    EXPECT_EQ(server->WriteNow("x", 1), 0u);
    EXPECT_TRUE(server->IsConnected());
    EXPECT_EQ(client->Read(block.data(), 4), 4);
}

// A TCP send waits at most its timeout in all, however much it moves meanwhile: a reply longer
// than the buffers reaches a slow reader whole only when the rest is sent on.
TEST(NetworkSend, ASlowReaderGetsTheWholeText)
{
    sockaddr_in address;
    const int listener = PlainListener(address, false);
    ASSERT_GE(listener, 0);
    int small = 4096;
    int reading = socket(AF_INET, SOCK_STREAM, 0);
    setsockopt(reading, SOL_SOCKET, SO_RCVBUF, &small, sizeof(small));
    ASSERT_EQ(connect(reading, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    int accepted = accept(listener, nullptr, nullptr);
    ASSERT_GE(accepted, 0);
    close(listener);
    setsockopt(accepted, SOL_SOCKET, SO_SNDBUF, &small, sizeof(small));
    SmartPtr<StreamSocket> writer(new UnixStreamSocket(StreamSocket::STATE_CONNECTED, accepted,
                                                       UnixStreamSocket::KIND_STREAM, true));
    // The whole text takes the reader far longer than one timeout; each piece far less.
    writer->SetSendTimeout(150);
    std::string sent(256 * 1024, '\0');
    for (size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    // The reader takes what is there, then pauses.
    std::string received;
    std::thread reader([&] {
        char buffer[4096];
        while (received.size() < sent.size()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ssize_t n = recv(reading, buffer, sizeof(buffer), 0);
            if (n <= 0)
                break;
            received.append(buffer, static_cast<size_t>(n));
        }
    });
    EXPECT_TRUE(writer->WriteString(NarrowString(sent)));
    writer->Shutdown();   // a writer that gave up must not leave the reader waiting
    reader.join();
    EXPECT_TRUE(received == sent) << received.size() << " of " << sent.size() << " bytes, in order";
    writer = nullptr;
    close(reading);
}

} // namespace
