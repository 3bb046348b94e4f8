// A small application run through the engine's real process entry. It reports on stdout what
// reaches it (start-up, touches with the time they arrive at, focus, shutdown), draws frames that
// show whether a finger is down, and keeps the sound engine running, with a second holder of the
// mixer as the game's sound layer has, so that every exit happens with a live playback thread.
//
// Environment, for the tests of how a process ends:
//   VORN_TESTAPP_MOVIE=NAME  plays the movie app/native/NAME first, silent, and reports
//                            "movie finished" at its end
//   VORN_TESTAPP_STALL=N     the Nth frame never ends, as a frame stuck in a driver would not,
//                            and it holds stderr's lock meanwhile
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "apps/Report.h"
#include "application/playbook/CreateApplication.h"
#include "application/playbook/PlaybookApplication.h"
#include "base/NarrowString.h"
#include "graphics/Display.h"
#include "graphics/surface/Surface.h"
#include "sound/mixer/Mixer.h"
#include "standin/audio.h"
#include "standin/standin.h"

using namespace Vorn;

namespace {

// Lives until static destruction, like a sound manager singleton.
SmartPtr<Mixer> s_soundLayer;

// After main returns: the playback thread must be gone by now.
void ReportAudioAtExit()
{
    Report("exit audio-thread=%d", s_soundLayer && s_soundLayer->HasDevice() ? 1 : 0);
}

class TestApp final : public PlaybookApplication {
public:
    TestApp() : PlaybookApplication(0) {}

    void Initialize() override
    {
        Surface* screen = GetDisplay() ? GetDisplay()->GetScreen() : nullptr;
        Report("start %dx%d", screen ? screen->GetWidth() : 0, screen ? screen->GetHeight() : 0);
        Report("display-rate %d", standin_display_refresh_rate());
        g_mixer = Mixer::Create(AudioFormat(), AudioBufferSpec());
        s_soundLayer = g_mixer;
        std::atexit(ReportAudioAtExit);
        const char* movie = std::getenv("VORN_TESTAPP_MOVIE");
        m_movie = movie && *movie;
        if (m_movie)
            PlayMovie(NarrowString(movie), 0);
        const char* stall = std::getenv("VORN_TESTAPP_STALL");
        m_stallFrame = stall ? std::atoi(stall) : 0;
    }

    void Release() override
    {
        Report("release frames=%d ms=%ld", m_frames, Milliseconds());
        Report("audio-sink %d", static_cast<int>(standin_audio_last_sink()));
    }

    void Update(float seconds) override
    {
        ++m_frames;
        m_seconds += seconds;
        if (m_movie && IsMovieFinished()) {
            m_movie = false;
            Report("movie finished");
        }
        if (m_frames == m_stallFrame) {
            Report("stalled");
            flockfile(stderr);
            for (;;)
                pause();
        }
    }

    void Render(Surface* screen) override
    {
        if (++m_drawn == 1)
            Report("first frame");
        Color colour = m_down ? Color{255, 0, 0, 255} : Color{0, 0, 96, 255};
        screen->Clear(colour);
    }

    void OnFocus(bool focused) override { Report("focus %d", focused ? 1 : 0); }

    void OnTouchDown(int x, int y, int id) override
    {
        m_down = true;
        Report("touch-down %d %d %d at %ldms", x, y, id, Milliseconds());
    }

    void OnTouchMove(int x, int y, int id) override
    {
        Report("touch-move %d %d %d at %ldms", x, y, id, Milliseconds());
    }

    void OnTouchUp(int x, int y, int id) override
    {
        m_down = false;
        Report("touch-up %d %d %d at %ldms", x, y, id, Milliseconds());
    }

private:
    long Milliseconds() const { return std::lround(m_seconds * 1000.0); }

    int m_frames = 0;
    int m_stallFrame = 0;
    bool m_movie = false;
    int m_drawn = 0;
    double m_seconds = 0.0;
    bool m_down = false;
};

} // namespace

namespace Tessela {

Vorn::PlaybookApplication* CreateApplication()
{
    return new TestApp;
}

} // namespace Tessela
