#include "application/playbook/PlaybookProcess.h"

#include "bps/navigator.h"
#include "graphics/playbook/PlaybookSurface.h"
#include "sound/mixer/Mixer.h"
#include "standin/events.h"
#include "standin/window.h"

// LeakSanitizer reports at exit, after EGL has unloaded the GL driver: what the driver leaks can
// then be neither symbolised nor suppressed by name, and whether it leaks depends on the driver
// build of the machine. Sanitizer builds keep the driver loaded, so that leak checking stays on
// for our own code.
#if defined(__SANITIZE_ADDRESS__)
#define VORN_SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORN_SANITIZED_BUILD 1
#endif
#endif
#ifndef VORN_SANITIZED_BUILD
#define VORN_SANITIZED_BUILD 0
#endif

namespace Vorn {

const char* const PlaybookProcess::WINDOW_GROUP = "VornApplication";

PlaybookProcess::PlaybookProcess(PlaybookApplication* app)
    : m_app(app), m_servicesUp(false), m_context(nullptr), m_window(nullptr)
{
}

PlaybookProcess::~PlaybookProcess()
{
    ReleaseApplication();
    TearDown();
}

int PlaybookProcess::Start()
{
    if (!m_app)
        return EXIT_SCREEN_FAILED;
    // A failure here (no sandbox to run in) has been said; nothing after it could work.
    const bool servicesUp = bps_initialize() == BPS_SUCCESS;
    m_servicesUp = true;
    if (!servicesUp)
        return FailStart(EXIT_NO_NAVIGATOR);

    if (navigator_request_events(0) != BPS_SUCCESS)
        return FailStart(EXIT_NO_NAVIGATOR);
    if (screen_create_context(&m_context, SCREEN_APPLICATION_CONTEXT) != 0) {
        m_context = nullptr;
        return FailStart(EXIT_SCREEN_FAILED);
    }
    screen_request_events(m_context);
    if (screen_create_window(&m_window, m_context) != 0) {
        m_window = nullptr;
        return FailStart(EXIT_SCREEN_FAILED);
    }
    if (screen_create_window_group(m_window, WINDOW_GROUP) != 0)
        return FailStart(EXIT_SCREEN_FAILED);
    m_app->SetScreen(m_context, m_window);
    m_app->CreateDisplay();
#if VORN_SANITIZED_BUILD
    standin_egl_keep_driver_loaded();
#endif
    // The start-up has said what is wrong; its shutdown slot does not run for a start it gave up.
    if (m_app->IsStartAbandoned())
        return FailStart(EXIT_START_FAILED);
    return EXIT_OK;
}

int PlaybookProcess::FailStart(int code)
{
    // A failed start releases the application and takes down what was made, so that nothing of
    // the platform is left half made behind the exit code, nor a directory made for a run that
    // never ran.
    ReleaseApplication();
    TearDown();
    standin_discard_sandbox();
    return code;
}

int PlaybookProcess::Stop()
{
    if (m_app)
        m_app->Finish();
    ReleaseApplication();
    return TearDown() ? EXIT_OK : EXIT_SCREEN_FAILED;
}

void PlaybookProcess::ReleaseApplication()
{
    // The playback thread reads files and sounds the application's services hold: it is stopped
    // and joined before they go, even while something else still holds the mixer.
    if (g_mixer)
        g_mixer->Shutdown();
    m_app = nullptr;
    // GL and EGL go while the window they draw into still exists.
    PlaybookSurface::ReleaseScreen();
}

bool PlaybookProcess::TearDown()
{
    bool ok = true;
    if (m_servicesUp) {
        bps_shutdown();
        m_servicesUp = false;
    }
    // A handle whose destroy failed is kept: the destructor tries once more.
    if (m_window) {
        if (screen_destroy_window(m_window) == 0)
            m_window = nullptr;
        else
            ok = false;
    }
    if (m_context) {
        if (screen_destroy_context(m_context) == 0) {
            m_context = nullptr;
            m_window = nullptr;   // went with its context
        } else {
            ok = false;
        }
    }
    return ok;
}

int PlaybookProcess::Main(PlaybookApplication* app)
{
    PlaybookProcess process(app);
    int code = process.Start();
    if (code != EXIT_OK)
        return code;
    process.GetApplication()->Run();
    return process.Stop();
}

} // namespace Vorn
