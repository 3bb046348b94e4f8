#include "host/Host.h"

#include "bps/bps.h"
#include "standin/events.h"
#include "standin/standin.h"
#include "standin/window.h"

namespace Vorn {
namespace Host {

const char* LastError()
{
    return standin_last_error();
}

void SetDisplayLostHandler(void (*handler)())
{
    standin_set_display_lost_handler(handler);
}

void KeepGLDriverLoaded()
{
    standin_egl_keep_driver_loaded();
}

void DiscardSandbox()
{
    standin_discard_sandbox();
}

std::string InstalledFile(const char* relative, const char* buildCopy)
{
    char* path = standin_installed_file(relative, buildCopy);
    const std::string installed = path ? path : "";
    bps_free(path);
    return installed;
}

int GetTimeOfDay(timeval* tv)
{
    return standin_gettimeofday(tv);
}

int DisplayRefreshRate()
{
    return standin_display_refresh_rate();
}

bool DebugOverlayWanted()
{
    return standin_debug_overlay() != 0;
}

int RemoteConsolePort()
{
    return standin_remote_console_port();
}

EGLDisplay GetEGLDisplay()
{
    return standin_egl_get_display();
}

EGLBoolean ChooseEGLConfig(EGLDisplay display, const EGLint* attributes, EGLConfig* configs,
                           EGLint size, EGLint* count)
{
    return standin_egl_choose_config(display, attributes, configs, size, count);
}

EGLSurface CreateWindowSurface(EGLDisplay display, EGLConfig config, screen_window_t window,
                               const EGLint* attributes)
{
    return standin_egl_create_window_surface(display, config, window, attributes);
}

}  // namespace Host
}  // namespace Vorn
