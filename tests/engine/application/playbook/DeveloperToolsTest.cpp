// The stand-in's developer switches through the real event loop: the overlay made when the
// environment asks for it, the desktop keyboard reaching the console, and the remote console
// driving the loop over loopback.
#include <chrono>
#include <cstdlib>
#include <thread>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "application/DebugOverlay.h"
#include "application/playbook/Clock.h"
#include "application/playbook/PlaybookApplication.h"
#include "application/playbook/PlaybookProcess.h"
#include "network/Network.h"
#include "screen/screen.h"
#include "sound/mixer/Mixer.h"
#include "standin/events.h"
#include "standin/standin.h"
#include "support/HeadlessGL.h"
#include "support/LoopbackClient.h"
#include "support/PlaybookTest.h"
#include "support/Sandbox.h"

using namespace Vorn;

namespace {

class KeyApp : public PlaybookApplication {
public:
    KeyApp() : PlaybookApplication(0) {}
    void OnKeyDown(int key) override { keys.push_back("down " + std::to_string(key)); }
    void OnKeyUp(int key) override { keys.push_back("up " + std::to_string(key)); }
    std::vector<std::string> keys;
};

class DeveloperTools : public VornTest::PlaybookTest<KeyApp> {
protected:
    void Start(const char* overlay, const char* port)
    {
        if (overlay)
            setenv("VORN_DEBUG_OVERLAY", overlay, 1);
        if (port)
            setenv("VORN_REMOTE_CONSOLE", port, 1);
        VornTest::UseHeadlessBackend(240, 320);
        StartProcess(new KeyApp);
    }
    void TearDown() override
    {
        StopProcess();
        g_debugOverlay = nullptr;
        DebugOverlay::s_consoleEnabled = false;
        g_timeSkew.store(1.0f);
        unsetenv("VORN_DEBUG_OVERLAY");
        unsetenv("VORN_REMOTE_CONSOLE");
    }
    void Key(int sym)
    {
        standin_queue_key(KEY_FLAG_DOWN, sym);
        standin_queue_key(0, sym);
    }

    VornTest::Sandbox sandbox;
};

TEST_F(DeveloperTools, WithoutSwitchesKeysGoToTheApplication)
{
    Start(nullptr, nullptr);
    EXPECT_FALSE(g_debugOverlay);
    Key('a');
    Key(KEYSYM_F12);
    Key(0x2603);   // a key the engine has no code for
    Pass();
    EXPECT_EQ(app->keys, (std::vector<std::string>{"down 40", "up 40", "down 30", "up 30"}));
}

TEST_F(DeveloperTools, TheConsoleKeyOpensTheConsoleAndTypingRunsCommands)
{
    Start("1", nullptr);
    ASSERT_TRUE(g_debugOverlay);
    EXPECT_EQ(g_debugOverlay->GetRemotePort(), 0);
    Key('`');
    Pass();
    EXPECT_TRUE(DebugOverlay::s_consoleEnabled);
    for (int sym : {'9', ' ', '2'})
        Key(sym);
    Key(KEYSYM_RETURN);
    Pass();
    EXPECT_FLOAT_EQ(g_timeSkew.load(), 2.0f);
    EXPECT_TRUE(app->keys.empty()) << "the console took every key";
    Key(KEYSYM_F12);
    Pass();
    EXPECT_FALSE(DebugOverlay::s_consoleEnabled);
}

TEST_F(DeveloperTools, TheRemotePortServesTheLoopAndExitEndsIt)
{
    const int port = VornTest::LoopbackClient::FreePort();
    ASSERT_NE(port, 0);
    Start(nullptr, std::to_string(port).c_str());
    ASSERT_TRUE(g_debugOverlay);
    EXPECT_EQ(g_debugOverlay->GetRemotePort(), port);
    EXPECT_EQ(g_debugOverlay->GetRemoteAddress(), Network::LOOPBACK);

    VornTest::LoopbackClient client(port);
    ASSERT_TRUE(client.IsConnected());
    bool running = true;
    auto frame = [&] { running = running && Pass(); };
    EXPECT_EQ(client.ReadLines(2, frame).size(), 2u);
    client.Send("timeskew 0.5\n");
    EXPECT_EQ(client.ReadLines(1, frame), std::vector<std::string>{"Time skew: 0.500000"});
    client.Send("exit\n");
    // The connection's thread hands the line over when it gets to run: wait in time, not frames.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (running && std::chrono::steady_clock::now() < deadline) {
        frame();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_FALSE(running);
    EXPECT_TRUE(app->IsQuitRequested());
}

TEST(DeveloperSwitches, ReadFromTheEnvironment)
{
    const struct {
        const char* value;
        int port;
    } ports[] = {{"1337", 1337}, {"0", 0}, {"65536", 0}, {"12x", 0}, {"", 0}, {"-5", 0}};
    for (const auto& p : ports) {
        setenv("VORN_REMOTE_CONSOLE", p.value, 1);
        testing::internal::CaptureStderr();
        EXPECT_EQ(standin_remote_console_port(), p.port) << p.value;
        // A value that is set but no port is said in one line naming it.
        const std::string said = testing::internal::GetCapturedStderr();
        const bool refused = p.port == 0 && *p.value;
        EXPECT_EQ(said.empty(), !refused) << p.value << ": " << said;
        if (refused) {
            EXPECT_NE(said.find(std::string("VORN_REMOTE_CONSOLE=") + p.value + " is not a port"),
                      std::string::npos) << said;
        }
    }
    unsetenv("VORN_REMOTE_CONSOLE");
    EXPECT_EQ(standin_remote_console_port(), 0);
    setenv("VORN_DEBUG_OVERLAY", "0", 1);
    EXPECT_EQ(standin_debug_overlay(), 0);
    setenv("VORN_DEBUG_OVERLAY", "1", 1);
    EXPECT_EQ(standin_debug_overlay(), 1);
    unsetenv("VORN_DEBUG_OVERLAY");
    EXPECT_EQ(standin_debug_overlay(), 0);
}

} // namespace
