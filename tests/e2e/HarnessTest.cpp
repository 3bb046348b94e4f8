// The end-to-end harness on a small application: input arrives at the frame it was queued for,
// frames last as long as asked, pictures of the window and of an offscreen target are read and
// saved, and the sound output is captured sample for sample.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "application/playbook/PlaybookApplication.h"
#include "application/playbook/PlaybookProcess.h"
#include "graphics/Display.h"
#include "graphics/pixeldata/PixelData.h"
#include "graphics/surface/Surface.h"
#include "sound/mixer/Mixer.h"
#include "standin/events.h"
#include "support/Sandbox.h"
#include "support/SoundSupport.h"
#include "support/e2e/Harness.h"

using namespace Vorn;
using VornTest::Harness;
using VornTest::Image;

namespace {

// Draws its scene into a small offscreen target (blue, with a red square where the finger last
// went down) stretched over the window; plays a ramp of samples on each touch-down.
class SketchApp : public PlaybookApplication {
public:
    static constexpr int TARGET = 60;

    SketchApp() : PlaybookApplication(0) {}

    void Initialize() override
    {
        target = new Surface(TARGET, TARGET, PF_RGBA8888);
        g_mixer = Mixer::Create(AudioFormat(), AudioBufferSpec());
    }
    void Release() override { log.push_back("release"); }
    void Update(float seconds) override { updates.push_back(seconds); }
    void Render(Surface* screen) override
    {
        // An opaque background (a clear of an RGBA target leaves its alpha at 0).
        target->FillRect(0, 0, TARGET, TARGET, Color{0, 0, 255, 255});
        if (mark)
            target->FillRect(markX, markY, markX + 10, markY + 10, Color{255, 0, 0, 255});
        screen->StretchBlit(target.Get(), Rect{0, 0, TARGET, TARGET});
    }
    void OnTouchDown(int x, int y, int id) override
    {
        Log("down", x, y, id);
        mark = true;
        markX = static_cast<float>(x * TARGET / GetDisplay()->GetScreen()->GetWidth());
        markY = static_cast<float>(y * TARGET / GetDisplay()->GetScreen()->GetHeight());
        g_mixer->PlayNow(SmartPtr<AudioSource>(new VornTest::PcmSource(VornTest::Ramp(2000, 100), 2, 44100)), true);
    }
    void OnTouchMove(int x, int y, int id) override { Log("move", x, y, id); }
    void OnTouchUp(int x, int y, int id) override { Log("up", x, y, id); }

    SmartPtr<Surface> target;
    std::vector<std::string> log;
    std::vector<float> updates;
    bool mark = false;
    float markX = 0, markY = 0;

private:
    void Log(const char* kind, int x, int y, int id)
    {
        log.push_back(std::string(kind) + " " + std::to_string(x) + " " + std::to_string(y) + " " +
                      std::to_string(id) + " after " + std::to_string(updates.size()));
    }
};

} // namespace

TEST(Harness, InputArrivesAtItsFrameAndFramesLastAsAsked)
{
    Harness harness;
    SketchApp* app = new SketchApp;
    ASSERT_TRUE(harness.Start(app));
    EXPECT_EQ(harness.Frames(3), 3);
    harness.Tap(240, 400, 50);
    harness.Drag(10, 20, 50, 60, 2, 20);
    std::vector<std::string> expected = {"down 240 400 0 after 3", "up 240 400 0 after 4",
                                         "down 10 20 0 after 5",   "move 30 40 0 after 6",
                                         "move 50 60 0 after 7",   "up 50 60 0 after 8"};
    EXPECT_EQ(app->log, expected);
    std::vector<float> times;
    for (int ms : {16, 16, 16, 50, 16, 20, 20, 20, 20})
        times.push_back(static_cast<float>(ms) * 0.001f);
    EXPECT_EQ(app->updates, times);

    harness.Exit();
    EXPECT_FALSE(harness.Frame());
    EXPECT_FALSE(harness.Frame()) << "no frame after the exit";
    EXPECT_EQ(app->log.back(), "up 50 60 0 after 8");
    EXPECT_EQ(harness.Stop(), PlaybookProcess::EXIT_OK);
    EXPECT_EQ(harness.App(), nullptr);
}

TEST(Harness, ReadsAndSavesTheWindowAndTheOffscreenTarget)
{
    Harness::Options options;
    options.width = 240;
    options.height = 320;
    Harness harness(options);
    SketchApp* app = new SketchApp;
    ASSERT_TRUE(harness.Start(app));
    harness.TouchDown(120, 160);
    ASSERT_TRUE(harness.Frame());

    Image target = harness.ReadSurface(app->target.Get());
    ASSERT_EQ(target.width, SketchApp::TARGET);
    EXPECT_EQ(target.Pixel(0, 0), 0x0000FFFFu);
    EXPECT_EQ(target.Pixel(35, 35), 0xFF0000FFu);

    Image window = harness.ReadWindow();
    ASSERT_EQ(window.width, 240);
    ASSERT_EQ(window.height, 320);
    EXPECT_TRUE(VornTest::Near(window, 5, 5, 0x0000FFFFu, 2));
    EXPECT_TRUE(VornTest::Near(window, 140, 185, 0xFF0000FFu, 2));

    std::string path = harness.SandboxPath() + "/window.png";
    ASSERT_TRUE(harness.SaveWindowPng(path));
    std::vector<uint8_t> png = VornTest::ReadBytes(path);
    ASSERT_GT(png.size(), 24u);
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(std::equal(signature, signature + 8, png.begin()));
    EXPECT_EQ((png[16] << 24) | (png[17] << 16) | (png[18] << 8) | png[19], 240) << "IHDR width";
    EXPECT_EQ((png[20] << 24) | (png[21] << 16) | (png[22] << 8) | png[23], 320) << "IHDR height";
    EXPECT_TRUE(harness.SaveSurfacePng(app->target.Get(), harness.SandboxPath() + "/target.png"));
    EXPECT_FALSE(Harness::SavePng(Image(), harness.SandboxPath() + "/empty.png"));
}

TEST(Harness, CapturesTheSoundOutput)
{
    Harness harness;
    ASSERT_TRUE(harness.Start(new SketchApp));
    harness.TakeAudio();
    harness.TouchDown(1, 1);
    ASSERT_TRUE(harness.Frame());
    // The ramp follows silence somewhere in what the playback thread writes.
    std::vector<int16_t> samples;
    std::vector<int16_t> ramp = VornTest::Ramp(2000, 100);
    auto found = samples.end();
    for (int tries = 0; tries < 20 && found == samples.end(); ++tries) {
        std::vector<int16_t> more = harness.TakeAudio(4096);
        samples.insert(samples.end(), more.begin(), more.end());
        found = std::search(samples.begin(), samples.end(), ramp.begin(), ramp.end());
    }
    EXPECT_NE(found, samples.end()) << samples.size() << " samples without the ramp";
}

TEST(Harness, AFailedStartReportsItsExitCode)
{
    Harness harness;
    standin_fail_call("screen_create_window", 1);
    EXPECT_FALSE(harness.Start(new SketchApp));
    EXPECT_EQ(harness.ExitCode(), PlaybookProcess::EXIT_SCREEN_FAILED);
    EXPECT_FALSE(harness.Frame());
}

TEST(Harness, TwoRunsShareASaveAreaWhenAsked)
{
    VornTest::TempDir saves;
    Harness::Options options;
    options.data = saves.Path();
    {
        Harness first(options);
        ASSERT_TRUE(first.Start(new SketchApp));
        ASSERT_TRUE(VornTest::WriteText("data/progress", "level 7"));
        EXPECT_EQ(first.Stop(), PlaybookProcess::EXIT_OK);
    }
    {
        Harness second(options);
        ASSERT_TRUE(second.Start(new SketchApp));
        std::vector<uint8_t> kept = VornTest::ReadBytes("data/progress");
        EXPECT_EQ(std::string(kept.begin(), kept.end()), "level 7");
    }
    Harness fresh;
    ASSERT_TRUE(fresh.Start(new SketchApp));
    EXPECT_FALSE(VornTest::Exists("data/progress"));
}
