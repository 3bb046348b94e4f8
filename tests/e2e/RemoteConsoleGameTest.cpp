// The developer tools over the real game, started headless the way a developer starts it with
// the stand-in's switches: the console opened with its key over the running game, and the same
// interpreter driven from a loopback client until "exit" ends the game; a port that cannot be had
// is said in one line and the game plays on.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "application/AbstractApp.h"
#include "application/DebugOverlay.h"
#include "application/playbook/CreateApplication.h"
#include "screen/screen_events.h"
#include "standin/events.h"
#include "support/BuiltData.h"
#include "support/LoopbackClient.h"
#include "support/e2e/GameDriver.h"
#include "support/e2e/Harness.h"

using namespace Vorn;
using VornTest::Harness;

namespace {

class EnvironmentSwitch {
public:
    EnvironmentSwitch(const char* name, const std::string& value) : m_name(name)
    {
        setenv(name, value.c_str(), 1);
    }
    ~EnvironmentSwitch() { unsetenv(m_name); }

private:
    const char* m_name;
};

} // namespace

TEST(RemoteConsoleGame, ADeveloperDrivesTheRunningGame)
{
    VORN_SKIP_IF_MISSING(VornTest::MissingGameData());
    const int port = VornTest::LoopbackClient::FreePort();
    ASSERT_NE(port, 0);
    EnvironmentSwitch overlay("VORN_DEBUG_OVERLAY", "1");
    EnvironmentSwitch remote("VORN_REMOTE_CONSOLE", std::to_string(port));
    Harness h;
    ASSERT_TRUE(h.Start(Tessela::CreateApplication()));
    ASSERT_TRUE(g_debugOverlay);
    h.Frames(5);

    // The console over the game: the key opens it, a typed command runs, the key closes it.
    standin_queue_key(KEY_FLAG_DOWN, KEYSYM_F12);
    h.Frame();
    EXPECT_TRUE(DebugOverlay::s_consoleEnabled);
    for (int sym : {'h', 'e', 'l', 'p'})
        standin_queue_key(KEY_FLAG_DOWN, sym);
    standin_queue_key(KEY_FLAG_DOWN, KEYSYM_RETURN);
    h.Frame();
    EXPECT_EQ(g_debugOverlay->GetConsoleLines().back(), "13. pool: pool allocator stats");
    h.Frame();
    h.SaveWindowPng(VornTest::ScreenshotDir() + "/debug-console.png");
    standin_queue_key(KEY_FLAG_DOWN, KEYSYM_F12);
    h.Frame();
    EXPECT_FALSE(DebugOverlay::s_consoleEnabled);
    // The read-outs over the game: frame rate and the plots.
    g_debugOverlay->showFps = true;
    g_debugOverlay->ExecuteCommand("plot", nullptr);
    h.Frames(40);
    h.SaveWindowPng(VornTest::ScreenshotDir() + "/debug-plots.png");

    VornTest::LoopbackClient client(port);
    ASSERT_TRUE(client.IsConnected());
    bool running = true;
    auto frame = [&] { running = running && h.Frame(); };
    std::vector<std::string> greeting = client.ReadLines(2, frame);
    ASSERT_EQ(greeting.size(), 2u);
    EXPECT_EQ(greeting[1], "Tessela remote debug connection");
    client.Send("help\n");
    EXPECT_EQ(client.ReadLines(15, frame).size(), 15u);
    // The game makes no registry; the console says so.
    client.Send("reglist\nregset /a/b 1\ntimeskew 0.5\n");
    EXPECT_EQ(client.ReadLines(3, frame),
              (std::vector<std::string>{"Registry not available", "Registry not available",
                                        "Time skew: 0.500000"}));
    client.Send("exit\n");
    // The connection's thread hands the line over when it gets to run: wait in time, not frames.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (running && std::chrono::steady_clock::now() < deadline) {
        frame();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_FALSE(running) << "exit ends the game";
    EXPECT_EQ(h.ExitCode(), 0);
    g_timeSkew.store(1.0f);
    DebugOverlay::s_consoleEnabled = false;
}

TEST(RemoteConsoleGame, APortThatCannotBeHadIsSaidAndTheGamePlaysOn)
{
    VORN_SKIP_IF_MISSING(VornTest::MissingGameData());
    // Another program on the port.
    const int port = VornTest::LoopbackClient::FreePort();
    ASSERT_NE(port, 0);
    int other = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(other, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(other, 5), 0);
    for (const std::string& value : {std::to_string(port), std::string("abc")}) {
        EnvironmentSwitch remote("VORN_REMOTE_CONSOLE", value);
        testing::internal::CaptureStderr();
        {
            Harness h;
            ASSERT_TRUE(h.Start(Tessela::CreateApplication()));
            EXPECT_EQ(h.Frames(5), 5) << value;
            EXPECT_TRUE(!g_debugOverlay || g_debugOverlay->GetRemotePort() == 0) << value;
        }
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find("remote console"), std::string::npos) << said;
        EXPECT_NE(said.find(value), std::string::npos) << said;
    }
    close(other);
}
