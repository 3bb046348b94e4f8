#include "application/playbook/PlaybookProcess.h"

#include "bps/navigator.h"
#include "graphics/playbook/PlaybookSurface.h"
#include "sound/mixer/Mixer.h"

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
    // Its result is not needed: a failure shows in the calls that follow.
    bps_initialize();
    m_servicesUp = true;

    // A failed start releases the application and takes down what was made, so that nothing of
    // the platform is left half made behind the exit code.
    if (navigator_request_events(0) != BPS_SUCCESS) {
        ReleaseApplication();
        TearDown();
        return EXIT_NO_NAVIGATOR;
    }
    if (screen_create_context(&m_context, SCREEN_APPLICATION_CONTEXT) != 0) {
        m_context = nullptr;
        ReleaseApplication();
        TearDown();
        return EXIT_SCREEN_FAILED;
    }
    screen_request_events(m_context);
    if (screen_create_window(&m_window, m_context) != 0) {
        m_window = nullptr;
        ReleaseApplication();
        TearDown();
        return EXIT_SCREEN_FAILED;
    }
    if (screen_create_window_group(m_window, WINDOW_GROUP) != 0) {
        ReleaseApplication();
        TearDown();
        return EXIT_SCREEN_FAILED;
    }
    m_app->SetScreen(m_context, m_window);
    m_app->CreateDisplay();
    return EXIT_OK;
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
