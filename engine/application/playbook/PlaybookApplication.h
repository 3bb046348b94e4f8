// The platform shell: binds an application to the screen context and window the process entry
// made, drains the platform's events and ticks the application once per pass.
#pragma once

#include <set>

#include "application/AbstractApp.h"
#include "bps/bps.h"
#include "screen/screen.h"

namespace Vorn {

class PlaybookApplication : public AbstractApp {
public:
    // Sets s_instance to the new object. The game passes flags 0.
    explicit PlaybookApplication(u32 flags);
    // s_instance is left as it is: the shell's pointer is only read while the application runs.
    ~PlaybookApplication() override;

    // Stored by the process entry before the display is made.
    void SetScreen(screen_context_t context, screen_window_t window);
    screen_context_t GetScreenContext() const { return m_context; }
    screen_window_t GetWindow() const { return m_window; }

    // Makes the display, hands it to the application and runs the application's start-up.
    void CreateDisplay();
    // The event loop: passes until the quit flag is seen at the end of a drain, each paced to the
    // display's refresh rate when presenting a frame does not wait for the display.
    void Run();
    // One pass: every pending event is handled; then, unless the quit flag is set, the
    // application ticks with the time since last, which becomes now. False when the loop ends.
    bool RunPass(u64& last);
    // The application's shutdown slot.
    void Finish();

    // Sets the quit flag.
    void Quit() override;
    // Opens a web address with the platform; true when the platform took it.
    bool OpenUrl(const WideString& url) override;

    bool IsQuitRequested() const { return m_quit; }

    // Called by the application's start-up when it cannot run (its data is missing): the process
    // then ends after the start-up, before the loop, with PlaybookProcess::EXIT_START_FAILED.
    // The application says what is wrong itself.
    void AbandonStart() { m_startAbandoned = true; }
    bool IsStartAbandoned() const { return m_startAbandoned; }

    // The shell's application; set by the constructor.
    static PlaybookApplication* s_instance;

protected:
    void HandleEvent(bps_event_t* event);
    void HandleNavigatorEvent(bps_event_t* event);
    void HandleScreenEvent(bps_event_t* event);
    void HandleMediaEvent(bps_event_t* event);
    // Whether a touch event belongs to a touch that began while a movie played.
    bool IsMovieTouch(int type, int id);

    bool m_quit;
    bool m_startAbandoned = false;
    // Set by a touch while a movie plays: the next media-renderer event stops the movie.
    bool m_movieSkip;
    // Touches that began on a movie, until their release: the movie's, not the application's.
    std::set<int> m_movieTouches;
    screen_context_t m_context;
    screen_window_t m_window;
};

} // namespace Vorn
