#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Version.h"
#include "application/AbstractApp.h"
#include "application/AppGlobals.h"
#include "application/DebugOverlay.h"
#include "application/MoviePlayerInterface.h"
#include "base/AssetDict.h"
#include "base/Registry.h"
#include "base/TextDict.h"
#include "sound/AudioDevice.h"
#include "sound/mixer/Mixer.h"
#include "system/AllocPool.h"

using namespace Vorn;

namespace {

// Plays nothing; the mixer only needs something to hold while no pause bit is set.
class SilentDevice : public AudioDevice {
public:
    explicit SilentDevice(const AudioFormat& format) : AudioDevice(format) {}
    void Start(AudioStream*) override {}
    u32 Control(u32, u32) override { return 0; }
    static AudioDevice* Make(const AudioFormat& format, const AudioBufferSpec&) { return new SilentDevice(format); }
};

// Records the slots the base class calls.
class RecordingApp : public AbstractApp {
public:
    explicit RecordingApp(u32 flags = 0) : AbstractApp(flags) {}

    void Update(float seconds) override { log.push_back("update " + std::to_string(seconds)); }
    void OnFocus(bool focused) override { log.push_back(std::string("focus ") + (focused ? "1" : "0")); }
    void OnTouchDown(int x, int y, int id) override { Touch("down", x, y, id); }
    void OnTouchMove(int x, int y, int id) override { Touch("move", x, y, id); }
    void OnTouchUp(int x, int y, int id) override { Touch("up", x, y, id); }
    void OnKeyDown(int key) override { log.push_back("key-down " + std::to_string(key)); }
    void OnKeyUp(int key) override { log.push_back("key-up " + std::to_string(key)); }
    void OnResize(int w, int h) override { log.push_back("resize " + std::to_string(w) + "x" + std::to_string(h)); }

    void SetMovie(MoviePlayerInterface* player) { m_moviePlayer = player; }

    std::vector<std::string> log;

private:
    void Touch(const char* kind, int x, int y, int id)
    {
        log.push_back(std::string(kind) + " " + std::to_string(x) + " " + std::to_string(y) + " " +
                      std::to_string(id));
    }
};

// A movie whose end the test decides.
class FakeMovie : public MoviePlayerInterface {
public:
    explicit FakeMovie(bool* alive) : m_alive(alive) { *m_alive = true; }
    ~FakeMovie() override { *m_alive = false; }
    bool IsFinished() override { return finished; }
    bool finished = false;

private:
    bool* m_alive;
};

class RecordingOverlay : public DebugOverlay {
public:
    void Update(float) override { log.push_back("overlay-update"); }
    void OnTouchDown(int, int, int id) override { log.push_back("overlay-down " + std::to_string(id)); }
    void OnTouchUp(int, int, int id) override { log.push_back("overlay-up " + std::to_string(id)); }
    void OnKeyDown(int key) override { log.push_back("overlay-key " + std::to_string(key)); }
    std::vector<std::string> log;
};

// Records, for each global service, which of the others were still installed when it died.
std::vector<std::string> s_deaths;

std::string Installed()
{
    std::string s;
    s += g_mixer ? "M" : "-";
    s += g_assetDict ? "A" : "-";
    s += g_registry ? "R" : "-";
    s += g_textDict ? "T" : "-";
    s += g_debugOverlay ? "O" : "-";
    s += g_appGlobals ? "G" : "-";
    return s;
}

class WatchedTexts : public TextDict {
public:
    ~WatchedTexts() override { s_deaths.push_back("texts " + Installed()); }
};
class WatchedAssets : public AssetDict {
public:
    ~WatchedAssets() override { s_deaths.push_back("assets " + Installed()); }
};
class WatchedRegistry : public Registry {
public:
    ~WatchedRegistry() override { s_deaths.push_back("registry " + Installed()); }
};
class WatchedOverlay : public DebugOverlay {
public:
    ~WatchedOverlay() override { s_deaths.push_back("overlay " + Installed()); }
};
class WatchedGlobals : public AppGlobals {
public:
    ~WatchedGlobals() override { s_deaths.push_back("globals " + Installed()); }
};

class Application : public ::testing::Test {
protected:
    void SetUp() override { AudioDevice::SetFactory(&SilentDevice::Make); }
    void TearDown() override
    {
        g_mixer = nullptr;
        g_debugOverlay = nullptr;
        g_debugOverlayException = false;
        DebugOverlay::s_consoleEnabled = false;
        g_timeSkew.store(1.0f);
        AudioDevice::SetFactory(nullptr);
    }
};

} // namespace

TEST_F(Application, RegistersItselfAndReleasesTheGlobalServicesInOrder)
{
    EXPECT_EQ(nullptr, AbstractApp::s_application);
    SmartPtr<RecordingApp> app(new RecordingApp(0x40));
    EXPECT_EQ(app.Get(), AbstractApp::s_application);
    EXPECT_EQ(0x40u, app->GetFlags());
    EXPECT_FALSE(app->IsPaused());
    EXPECT_NE(nullptr, AllocPool::s_instance.load());

    g_mixer = Mixer::Create(AudioFormat(), AudioBufferSpec());
    SmartPtr<Mixer> soundLayer = g_mixer;   // another holder, as the game's sound layer is
    ASSERT_TRUE(soundLayer->HasDevice());
    g_assetDict = new WatchedAssets;
    g_registry = new WatchedRegistry;
    g_textDict = new WatchedTexts;
    g_debugOverlay = new WatchedOverlay;
    g_appGlobals = new WatchedGlobals;
    s_deaths.clear();
    app = nullptr;

    EXPECT_EQ(nullptr, AbstractApp::s_application);
    EXPECT_EQ(Installed(), "------");
    // Each dies after its own global is cleared and before the next one goes.
    std::vector<std::string> expected = {"assets --RTOG", "registry ---TOG", "texts ----OG",
                                         "overlay -----G", "globals ------"};
    EXPECT_EQ(s_deaths, expected);
    EXPECT_FALSE(soundLayer->HasDevice()) << "the playback thread stops with the application";
    soundLayer->Pause(AbstractApp::MIXER_PAUSE_FOCUS, false);
    EXPECT_FALSE(soundLayer->HasDevice()) << "and is not made again afterwards";
}

TEST_F(Application, EachApplicationAddsAnAccelerometerAndFreshGlobals)
{
    SmartPtr<RecordingApp> first(new RecordingApp);
    ASSERT_EQ(g_joysticks.size(), 1u);
    EXPECT_EQ(g_joysticks[0]->GetAxisCount(), 3u);
    EXPECT_EQ(g_joysticks[0]->GetAxes()[2], 0.0f);
    AppGlobals* globals = g_appGlobals.Get();
    SmartPtr<RecordingApp> second(new RecordingApp);
    EXPECT_EQ(g_joysticks.size(), 2u);
    EXPECT_NE(g_appGlobals.Get(), globals);
    second = nullptr;
    EXPECT_TRUE(g_joysticks.empty());
    EXPECT_FALSE(g_appGlobals);
}

TEST_F(Application, PoolAllocatorOutlivesTheApplication)
{
    AllocPool* first;
    {
        SmartPtr<RecordingApp> app(new RecordingApp);
        first = AllocPool::s_instance.load();
    }
    SmartPtr<RecordingApp> again(new RecordingApp);
    EXPECT_EQ(first, AllocPool::s_instance.load());
}

TEST_F(Application, DefaultsAreInert)
{
    SmartPtr<AbstractApp> app(new AbstractApp(0));
    EXPECT_FALSE(app->OpenUrl(WideString(L"http://example.org")));
    EXPECT_EQ(nullptr, app->GetDisplay());
    EXPECT_TRUE(app->IsMovieFinished());
    app->ResumeMovie();
    app->PauseMovie();
    app->Tick(0.5f);   // no display: no frame, nothing to fail
    EXPECT_EQ(1.0f, g_timeSkew.load());
}

TEST_F(Application, TickUpdatesWithTheSkewedTimeUnlessPaused)
{
    SmartPtr<RecordingApp> app(new RecordingApp);
    g_timeSkew.store(0.5f);
    app->Tick(0.25f);
    app->OnActivate(false);
    app->Tick(0.25f);
    app->OnActivate(true);
    app->Tick(1.0f);
    std::vector<std::string> expected = {"update " + std::to_string(0.125f), "focus 0", "focus 1",
                                         "update " + std::to_string(0.5f)};
    EXPECT_EQ(app->log, expected);
}

TEST_F(Application, APausedTickStillReleasesAFinishedMovie)
{
    SmartPtr<RecordingApp> app(new RecordingApp);
    bool alive = false;
    FakeMovie* movie = new FakeMovie(&alive);
    app->SetMovie(movie);
    EXPECT_FALSE(app->IsMovieFinished());
    app->OnActivate(false);
    app->Tick(0.1f);
    EXPECT_TRUE(alive);
    movie->finished = true;
    EXPECT_TRUE(app->IsMovieFinished());
    app->Tick(0.1f);
    EXPECT_FALSE(alive);
}

TEST_F(Application, ActivationSetsAndClearsTheMixersFocusBit)
{
    SmartPtr<RecordingApp> app(new RecordingApp);
    g_mixer = Mixer::Create(AudioFormat(), AudioBufferSpec());
    app->OnActivate(false);
    EXPECT_TRUE(app->IsPaused());
    EXPECT_EQ(g_mixer->GetPauseMask(), AbstractApp::MIXER_PAUSE_FOCUS);
    EXPECT_FALSE(g_mixer->HasDevice());
    app->OnActivate(true);
    EXPECT_FALSE(app->IsPaused());
    EXPECT_EQ(g_mixer->GetPauseMask(), 0u);
    EXPECT_TRUE(g_mixer->HasDevice());
}

TEST_F(Application, KeepActiveStillSilencesAndReportsFocus)
{
    SmartPtr<RecordingApp> app(new RecordingApp(AbstractApp::FLAG_KEEP_ACTIVE));
    g_mixer = Mixer::Create(AudioFormat(), AudioBufferSpec());
    app->OnActivate(false);
    EXPECT_FALSE(app->IsPaused());
    EXPECT_EQ(g_mixer->GetPauseMask(), AbstractApp::MIXER_PAUSE_FOCUS);
    app->DispatchTouchDown(1, 2, 0);
    std::vector<std::string> expected = {"focus 0", "down 1 2 0"};
    EXPECT_EQ(app->log, expected);
}

TEST_F(Application, TouchesOutOfRangeOrWhilePausedAreDropped)
{
    SmartPtr<RecordingApp> app(new RecordingApp);
    app->DispatchTouchDown(1, 2, 255);
    app->DispatchTouchMove(3, 4, 256);
    app->DispatchTouchUp(5, 6, 0xFFFFFFFFu);   // a negative id from the platform
    app->OnActivate(false);
    app->DispatchTouchDown(7, 8, 0);
    app->DispatchKeyDown(12);
    app->OnActivate(true);
    app->DispatchTouchUp(9, 10, 0);
    std::vector<std::string> expected = {"down 1 2 255", "focus 0", "focus 1", "up 9 10 0"};
    EXPECT_EQ(app->log, expected);

    SmartPtr<RecordingApp> wide(new RecordingApp(AbstractApp::FLAG_HIGH_TOUCH_IDS));
    wide->DispatchTouchMove(3, 4, 256);
    ASSERT_EQ(wide->log.size(), 1u);
    EXPECT_EQ(wide->log[0], "move 3 4 256");
}

TEST_F(Application, TheConsoleTakesInputWhileItShows)
{
    SmartPtr<RecordingApp> app(new RecordingApp);
    g_mixer = Mixer::Create(AudioFormat(), AudioBufferSpec());
    RecordingOverlay* overlay = new RecordingOverlay;
    g_debugOverlay = overlay;

    app->DispatchKeyDown(AbstractApp::CONSOLE_KEY);
    EXPECT_TRUE(DebugOverlay::s_consoleEnabled);
    EXPECT_EQ(g_mixer->GetPauseMask(), AbstractApp::MIXER_PAUSE_CONSOLE);
    app->DispatchTouchDown(1, 1, 3);
    app->DispatchTouchDown(1, 1, 300);   // beyond the console's ids: the application's rule
    app->DispatchKeyDown(40);
    app->DispatchKeyUp(AbstractApp::CONSOLE_KEY);
    app->Tick(0.1f);                      // the overlay updates, the application does not

    app->DispatchKeyDown(AbstractApp::CONSOLE_KEY);
    EXPECT_FALSE(DebugOverlay::s_consoleEnabled);
    EXPECT_EQ(g_mixer->GetPauseMask(), 0u);
    app->DispatchTouchUp(2, 2, 3);

    std::vector<std::string> overlayExpected = {"overlay-down 3", "overlay-key 40", "overlay-update"};
    EXPECT_EQ(overlay->log, overlayExpected);
    std::vector<std::string> appExpected = {"up 2 2 3"};
    EXPECT_EQ(app->log, appExpected);
}

TEST_F(Application, TheExceptionScreenSwallowsTheTouchThatDismissesIt)
{
    SmartPtr<RecordingApp> app(new RecordingApp);
    g_debugOverlay = new RecordingOverlay;
    g_debugOverlayException = true;
    app->DispatchTouchMove(1, 1, 0);
    EXPECT_TRUE(g_debugOverlayException);
    app->Tick(0.1f);
    app->DispatchTouchDown(1, 1, 0);
    EXPECT_FALSE(g_debugOverlayException);
    app->DispatchTouchUp(1, 1, 0);
    app->DispatchKeyDown(12);
    std::vector<std::string> expected = {"up 1 1 0", "key-down 12"};
    EXPECT_EQ(app->log, expected);
}

TEST_F(Application, ResizingUpdatesTheFirstSizeRecord)
{
    SmartPtr<RecordingApp> app(new RecordingApp);
    app->UpdateDisplaySize(320, 480);
    EXPECT_TRUE(app->GetDisplaySizes().empty());
    std::vector<std::string> expected = {"resize 320x480"};
    EXPECT_EQ(app->log, expected);
}

TEST(DebugOverlay, PrintSplitsLines)
{
    EXPECT_FALSE(g_debugOverlay);
    SmartPtr<DebugOverlay> overlay(new RecordingOverlay);
    overlay->Print("Fatal error reading file a.lua", nullptr);
    overlay->Print("line one\nline two\n", nullptr);
    const std::vector<NarrowString>& lines = overlay->GetConsoleLines();
    // After the version banner the console starts with.
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ(Version::String, lines[0]);
    EXPECT_EQ("Fatal error reading file a.lua", lines[1]);
    EXPECT_EQ("line one", lines[2]);
    EXPECT_EQ("line two", lines[3]);
    EXPECT_EQ("", lines[4]);
    EXPECT_FALSE(DebugOverlay::s_consoleEnabled);
}

TEST(Version, BannerIsReadyBeforeMain)
{
    // The project's version, as numbers, then the build's date and time.
    std::regex banner("VORN \\d+\\.\\d+(\\.\\d+)* built [A-Z][a-z]{2} [ 0-9]\\d \\d{4} \\d\\d:\\d\\d:\\d\\d");
    EXPECT_TRUE(std::regex_match(std::string(Version::String), banner)) << Version::String;
}
