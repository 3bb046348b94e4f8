// The remote console over real loopback connections, with the test's thread as the main thread
// that updates the overlay: greeting, commands and their effects, accepting, reaping, clients
// that vanish, and shutdown with clients still connected.

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Version.h"
#include "application/AbstractApp.h"
#include "application/DebugOverlay.h"
#include "application/RemoteConsole.h"
#include "base/Registry.h"
#include "network/unix/UnixNetwork.h"
#include "support/LoopbackClient.h"

using namespace Vorn;

namespace {

class Console : public DebugOverlay {
public:
    using DebugOverlay::DebugOverlay;
};

class QuitApp : public AbstractApp {
public:
    QuitApp() : AbstractApp(0) {}
    void Quit() override { ++quits; }
    int quits = 0;
};

// A plain POSIX client, so the console is tested against sockets it did not make.
class Client : public VornTest::LoopbackClient {
public:
    using LoopbackClient::LoopbackClient;
    bool connected = IsConnected();
};

class RemoteConsole : public ::testing::Test {
protected:
    void SetUp() override
    {
        console = new Console;
        // Port 0: the system chooses, so parallel test runs never meet.
        ASSERT_TRUE(console->OpenRemotePort(0));
        port = console->GetRemotePort();
        ASSERT_NE(port, 0);
    }
    void TearDown() override
    {
        console = nullptr;
        g_registry = nullptr;
        g_timeSkew.store(1.0f);
    }
    void Pump() { console->Update(0.016f); }
    std::vector<std::string> Read(Client& client, size_t count)
    {
        return client.ReadLines(count, [this] { Pump(); });
    }
    // Updates until the console holds count connections (bounded).
    void PumpUntilConnections(size_t count)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (console->GetRemoteConnectionCount() != count &&
               std::chrono::steady_clock::now() < deadline) {
            Pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    SmartPtr<Console> console;
    u16 port = 0;
};

TEST_F(RemoteConsole, ListensOnLoopbackOnly)
{
    EXPECT_EQ(console->GetRemoteAddress(), Network::LOOPBACK);
}

TEST_F(RemoteConsole, GreetsAndServesCommandsOnTheMainThread)
{
    QuitApp app;
    g_registry = new Registry;
    Client client(port);
    ASSERT_TRUE(client.connected);
    auto greeting = Read(client, 2);
    ASSERT_EQ(greeting.size(), 2u);
    EXPECT_EQ(greeting[0], Version::String);
    EXPECT_NE(greeting[1].find(" remote debug connection"), std::string::npos);

    client.Send("help\n");
    auto help = Read(client, 15);
    ASSERT_EQ(help.size(), 15u);
    EXPECT_EQ(help[0], "1. assets: show managed assets");
    EXPECT_EQ(help[14], "13. pool: pool allocator stats");

    client.Send("regset /game/level 7\r\nreglist\ntimeskew 0.5\nlogging\nnonsense\n");
    std::vector<std::string> replies = client.ReadUntil("Unknown command", [this] { Pump(); });
    ASSERT_GE(replies.size(), 6u);
    EXPECT_EQ(replies[0], "\x01\xC0\xC0\xFF[root]");
    EXPECT_EQ(replies[1], "  \x01\xC0\xC0\xFF[game]");
    EXPECT_EQ(replies[2], "    \x01\x80\xFF\x80level\x01\xFF\xFF\xFF: 7");
    EXPECT_EQ(std::vector<std::string>(replies.end() - 3, replies.end()),
              (std::vector<std::string>{"Time skew: 0.500000",
                                        "VORN_MSG logging not available on remote connections",
                                        "Unknown command"}));
    s32 level = 0;
    EXPECT_TRUE(g_registry->TryGet("/game/level", level));
    EXPECT_EQ(level, 7);
    EXPECT_FLOAT_EQ(g_timeSkew.load(), 0.5f);
    EXPECT_FALSE(console->IsLoggingEnabled());

    // Remote commands never join the local console or its history.
    EXPECT_TRUE(console->GetHistory().empty());
    EXPECT_EQ(console->GetConsoleLines().size(), 1u);

    client.Send("exit\n");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (app.quits == 0 && std::chrono::steady_clock::now() < deadline) {
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(app.quits, 1);
}

TEST_F(RemoteConsole, AcceptsOneClientPerFrameAndReapsTheGone)
{
    Client first(port);
    Client second(port);
    ASSERT_TRUE(first.connected && second.connected);
    // Both are queued in the kernel before the next frame.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Pump();
    EXPECT_EQ(console->GetRemoteConnectionCount(), 1u);
    Pump();
    EXPECT_EQ(console->GetRemoteConnectionCount(), 2u);

    first.Close();
    PumpUntilConnections(1);
    EXPECT_EQ(console->GetRemoteConnectionCount(), 1u);
    EXPECT_EQ(Read(second, 2).size(), 2u) << "the other client is still served";
}

TEST_F(RemoteConsole, AClientThatVanishesMidReplyCostsNothing)
{
    for (int round = 0; round < 5; ++round) {
        Client client(port);
        ASSERT_TRUE(client.connected);
        // Many commands and gone before the replies: the writes meet a closed peer.
        std::string burst;
        for (int i = 0; i < 50; ++i)
            burst += "help\n";
        client.Send(burst);
        client.Close();
        PumpUntilConnections(1);
        PumpUntilConnections(0);
        EXPECT_EQ(console->GetRemoteConnectionCount(), 0u);
    }
    // A client that connects and leaves before the greeting.
    {
        Client client(port);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PumpUntilConnections(1);
    PumpUntilConnections(0);
    EXPECT_EQ(console->GetRemoteConnectionCount(), 0u);
}

TEST_F(RemoteConsole, LongLinesWithoutLineFeedEndTheConnection)
{
    Client client(port);
    PumpUntilConnections(1);
    client.Send(std::string(Vorn::RemoteConsole::MAX_LINE + 10, 'x'));
    PumpUntilConnections(0);
    EXPECT_EQ(console->GetRemoteConnectionCount(), 0u);
}

// Against a plain reference: a line is taken when what comes before its line feed, less one
// carriage return at its end, is at most MAX_LINE bytes; the carriage returns are dropped.
TEST(RemoteConsoleLine, TheLimitCountsEveryByteOfTheLine)
{
    const size_t max = Vorn::RemoteConsole::MAX_LINE;
    std::vector<std::string> inputs;
    for (size_t length : {size_t(0), size_t(1), max - 1, max, max + 1})
        for (const char* end : {"\n", "\r\n", "\r\r\n", ""}) {
            std::string text(length, 'x');
            if (length > 1)
                text[length / 2] = '\r';
            inputs.push_back(text + end);
        }
    inputs.push_back(std::string(3 * max, '\r') + "\n");
    for (const std::string& input : inputs) {
        const size_t feed = input.find('\n');
        std::string before = input.substr(0, feed);
        const bool fits = feed != std::string::npos &&
                          before.size() - (!before.empty() && before.back() == '\r') <= max;
        before.erase(std::remove(before.begin(), before.end(), '\r'), before.end());

        int pair[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        SmartPtr<StreamSocket> socket(new UnixStreamSocket(StreamSocket::STATE_CONNECTED, pair[0],
                                                           UnixStreamSocket::KIND_STREAM, true));
        std::thread writer([&] {
            send(pair[1], input.data(), input.size(), MSG_NOSIGNAL);
            close(pair[1]);
        });
        NarrowString line;
        const bool read = Vorn::RemoteConsole::ReadCommandLine(*socket, line);
        writer.join();
        EXPECT_EQ(read, fits) << input.size() << " bytes";
        if (read && fits) {
            EXPECT_EQ(std::string(line), before);
        }
    }
}

TEST_F(RemoteConsole, ServesAHandfulAndLetsTheIdleGo)
{
    // The fixture's console keeps its clients for ever; this one lets the idle go after 300 ms.
    console = new Console;
    ASSERT_TRUE(console->OpenRemotePort(0, 300));
    port = console->GetRemotePort();
    std::vector<std::unique_ptr<Client>> clients;
    for (size_t i = 0; i < Vorn::RemoteConsole::MAX_CONNECTIONS; ++i) {
        clients.emplace_back(new Client(port));
        PumpUntilConnections(i + 1);
    }
    Client extra(port);
    std::vector<std::string> busy = Read(extra, 2);
    ASSERT_EQ(busy.size(), 1u);
    EXPECT_EQ(busy[0].compare(0, 20, "Remote console busy:"), 0) << busy[0];
    EXPECT_TRUE(extra.IsClosed());
    EXPECT_EQ(console->GetRemoteConnectionCount(), Vorn::RemoteConsole::MAX_CONNECTIONS);

    // One client keeps talking, the others say nothing and are let go.
    auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(800)) {
        clients[0]->Send("pool\n");
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    PumpUntilConnections(1);
    EXPECT_EQ(console->GetRemoteConnectionCount(), 1u);
    EXPECT_EQ(Read(*clients[0], 2).size(), 2u) << "the talking client is still served";
}

TEST(RemoteConsolePort, ATakenPortIsSaidInOneLine)
{
    SmartPtr<Console> first(new Console);
    ASSERT_TRUE(first->OpenRemotePort(0));
    SmartPtr<Console> second(new Console);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(second->OpenRemotePort(first->GetRemotePort()));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("127.0.0.1:" + std::to_string(first->GetRemotePort())), std::string::npos) << said;
    EXPECT_NE(said.find("taken"), std::string::npos) << said;
}

TEST_F(RemoteConsole, ShutdownSaysGoodbyeAndJoinsEveryThread)
{
    Client idle(port);
    Client busy(port);
    PumpUntilConnections(2);
    ASSERT_EQ(console->GetRemoteConnectionCount(), 2u);
    EXPECT_EQ(Read(idle, 2).size(), 2u);
    EXPECT_EQ(Read(busy, 2).size(), 2u);
    // One client waits in its read, the other has a command queued that no frame will run.
    busy.Send("help\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    console = nullptr;   // joins both threads, or this test hangs
    auto noPump = [] {};
    EXPECT_EQ(idle.ReadLines(1, noPump), std::vector<std::string>{"Application is shutting down. KTHXBAI"});
    EXPECT_EQ(busy.ReadLines(1, noPump), std::vector<std::string>{"Application is shutting down. KTHXBAI"});
}

// Clients that stopped reading while long replies were on their way: the shutdown waits for none
// of them, so with every place taken it takes less than the send timeout it once spent on each.
TEST_F(RemoteConsole, ClientsThatStoppedReadingDoNotHoldTheShutdown)
{
    // Each run queues a megabyte for its client: a few fill every buffer on the way.
    int runs = 0;
    console->RegisterCommand("flood", [](void* runs, const NarrowString&,
                                         DebugOverlay::RemoteConnection* connection) {
        ++*static_cast<int*>(runs);
        if (connection)
            connection->Queue(NarrowString(1 << 20, 'x'));
    }, &runs, "a megabyte of reply");
    const int sent = 16;
    std::string floods;
    for (int i = 0; i < sent; ++i)
        floods += "flood\n";
    std::vector<std::unique_ptr<Client>> clients;
    for (size_t i = 0; i < Vorn::RemoteConsole::MAX_CONNECTIONS; ++i) {
        clients.emplace_back(new Client(port));
        PumpUntilConnections(i + 1);
        clients.back()->Send(floods);
    }
    // Frames run the floods until no connection's thread reads another: each waits in a write.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int quiet = 0, seen = -1; quiet < 100 && std::chrono::steady_clock::now() < deadline; seen = runs) {
        Pump();
        quiet = runs == seen ? quiet + 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_LT(runs, sent * static_cast<int>(clients.size())) << "the clients took every reply";
    ASSERT_EQ(console->GetRemoteConnectionCount(), Vorn::RemoteConsole::MAX_CONNECTIONS);
    // Once a write has waited out its timeout, the writes after it fill the buffer to the last
    // byte: a goodbye written then waits its whole timeout too.
    const auto filled = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - filled <
           std::chrono::milliseconds(Vorn::RemoteConsole::SEND_TIMEOUT_MS + 500)) {
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto start = std::chrono::steady_clock::now();
    console = nullptr;
    const long long took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(took, Vorn::RemoteConsole::SEND_TIMEOUT_MS);
}

TEST(RemoteConsolePort, APortInUseIsRefused)
{
    SmartPtr<Console> first(new Console);
    ASSERT_TRUE(first->OpenRemotePort(0));
    SmartPtr<Console> second(new Console);
    EXPECT_FALSE(second->OpenRemotePort(first->GetRemotePort()));
    EXPECT_EQ(second->GetRemotePort(), 0);
}

} // namespace
