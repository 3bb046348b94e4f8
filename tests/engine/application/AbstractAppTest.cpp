#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "Version.h"
#include "application/AbstractApp.h"
#include "application/DebugOverlay.h"
#include "base/TextDict.h"
#include "system/AllocPool.h"

using namespace Vorn;

namespace {

class Probe : public RefCounter {
public:
    explicit Probe(bool* alive) : m_alive(alive) { *m_alive = true; }
    ~Probe() override { *m_alive = false; }

private:
    bool* m_alive;
};

class TestApp : public AbstractApp {
public:
    TestApp() : AbstractApp(0x40) {}
};

// Records whether the text dictionary is still installed when it dies: the overlay goes after it.
bool s_textDictGoneFirst = false;
class WatchedOverlay : public DebugOverlay {
public:
    ~WatchedOverlay() override { s_textDictGoneFirst = !g_textDict; }
};

} // namespace

TEST(AbstractApp, RegistersItselfAndReleasesTheGlobalServices)
{
    EXPECT_EQ(nullptr, AbstractApp::s_application);
    SmartPtr<TestApp> app(new TestApp);
    EXPECT_EQ(app.Get(), AbstractApp::s_application);
    EXPECT_EQ(0x40u, app->GetFlags());
    EXPECT_FALSE(app->IsPaused());
    EXPECT_NE(nullptr, AllocPool::s_instance.load());

    g_textDict = new TextDict;
    WeakPtr<TextDict> texts(g_textDict);
    g_debugOverlay = new WatchedOverlay;
    app = nullptr;

    EXPECT_EQ(nullptr, AbstractApp::s_application);
    EXPECT_FALSE(g_textDict);
    EXPECT_FALSE(g_debugOverlay);
    EXPECT_FALSE(texts.Lock());
    EXPECT_TRUE(s_textDictGoneFirst);
}

TEST(AbstractApp, PoolAllocatorOutlivesTheApplication)
{
    AllocPool* first;
    {
        SmartPtr<TestApp> app(new TestApp);
        first = AllocPool::s_instance.load();
    }
    SmartPtr<TestApp> again(new TestApp);
    EXPECT_EQ(first, AllocPool::s_instance.load());
}

TEST(AbstractApp, DefaultsAreInert)
{
    SmartPtr<TestApp> app(new TestApp);
    EXPECT_FALSE(app->OpenUrl(WideString(L"http://example.org")));
    EXPECT_EQ(nullptr, app->GetDisplay());
    EXPECT_EQ(1.0f, g_timeSkew.load());
}

TEST(DebugOverlay, PrintSplitsLines)
{
    EXPECT_FALSE(g_debugOverlay);
    SmartPtr<DebugOverlay> overlay(new DebugOverlay);
    overlay->Print("Fatal error reading file a.lua", nullptr);
    overlay->Print("line one\nline two\n", nullptr);
    const std::vector<NarrowString>& lines = overlay->GetConsoleLines();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("Fatal error reading file a.lua", lines[0]);
    EXPECT_EQ("line one", lines[1]);
    EXPECT_EQ("line two", lines[2]);
    EXPECT_EQ("", lines[3]);
    EXPECT_FALSE(DebugOverlay::s_consoleEnabled);
}

TEST(Version, BannerIsReadyBeforeMain)
{
    std::regex banner("VORN master\\.\\?\\?\\? built [A-Z][a-z]{2} [ 0-9]\\d \\d{4} \\d\\d:\\d\\d:\\d\\d");
    EXPECT_TRUE(std::regex_match(std::string(Version::String), banner)) << Version::String;
}
