// The work of the process entry around the event loop: bringing the platform up for an
// application, and taking it down in order afterwards. main runs Start, the loop and Stop; tests
// and end-to-end tools run Start and Stop around passes of their own.
#pragma once

#include "application/playbook/PlaybookApplication.h"
#include "base/SmartPtr.h"

namespace Vorn {

class PlaybookProcess {
public:
    // Process exit codes.
    static constexpr int EXIT_OK = 0;
    static constexpr int EXIT_SCREEN_FAILED = 1;       // a screen call failed
    static constexpr int EXIT_NO_NAVIGATOR = -1;       // navigator events could not be requested
    static constexpr int EXIT_START_FAILED = 1;        // the application's start-up gave up
    static constexpr int EXIT_NO_SERVICES = 1;         // the platform services did not start

    // Holds one reference to app (which may be null: then Start fails with EXIT_SCREEN_FAILED).
    explicit PlaybookProcess(PlaybookApplication* app);
    // Takes down whatever Start made and Stop has not.
    ~PlaybookProcess();
    PlaybookProcess(const PlaybookProcess&) = delete;
    PlaybookProcess& operator=(const PlaybookProcess&) = delete;

    // Platform services, navigator events, screen context, window and window group "VornApplication",
    // then the display and the application's start-up. Returns EXIT_OK when the loop may run;
    // otherwise the exit code (EXIT_START_FAILED when the start-up abandoned the start), with
    // everything made so far taken down, the application released without its shutdown slot,
    // and the platform's preparation of the application's directory undone. A platform call
    // that fails is said in one line on stderr: the program, what failed and why.
    int Start();
    // After the loop: the application's shutdown slot, the audio thread stopped, the application
    // released (its destructor releases the global services), the screen surface, the platform
    // services, the window and the context. Returns EXIT_OK, or EXIT_SCREEN_FAILED when
    // destroying the window or the context failed.
    int Stop();

    // Null once released.
    PlaybookApplication* GetApplication() const { return m_app.Get(); }

    // The whole process: Start, the loop, Stop.
    static int Main(PlaybookApplication* app);

    // The name of the window group the application's window joins.
    static const char* const WINDOW_GROUP;

private:
    // Stops the audio thread, releases the application, then the screen surface with GL and EGL.
    void ReleaseApplication();
    // Takes down the platform in reverse order of making; false when a destroy call failed.
    bool TearDown();
    // A start that cannot go on: the application released, the platform taken down, and nothing
    // of the start left behind. Returns code.
    int FailStart(int code);
    // The platform lost its display under the running application: its shutdown slot keeps
    // what it can before the process ends.
    static void OnDisplayLost();

    SmartPtr<PlaybookApplication> m_app;
    bool m_servicesUp;
    screen_context_t m_context;
    screen_window_t m_window;
};

} // namespace Vorn
