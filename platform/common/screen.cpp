// Screen contexts and windows of the stand-in: handle bookkeeping and the property table are
// common; the real window behind a screen window belongs to the backend (WindowBackend.h).
#include <dlfcn.h>
#include <link.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <array>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "screen/screen.h"
#include "standin/events.h"
#include "standin/standin.h"
#include "standin/window.h"
#include "Application.h"
#include "WindowBackend.h"

struct _screen_window {
    screen_context_t context = nullptr;
    std::string group;
    std::array<int, 2> values[8] = {};  // indexed like PROPERTIES
    std::unique_ptr<standin::NativeWindow> native;
    bool hasBuffers = false;
    int bufferWidth = 0;  // the size the buffers were made at
    int bufferHeight = 0;
};

struct _screen_context {
    std::vector<screen_window_t> windows;
};

namespace {

struct PropertyInfo {
    int id;
    int count;
    bool writable;
};

// The window properties the stand-in keeps; values of any other property are refused.
const PropertyInfo PROPERTIES[] = {
    {SCREEN_PROPERTY_ALPHA_MODE, 1, true},
    {SCREEN_PROPERTY_BUFFER_COUNT, 1, false},
    {SCREEN_PROPERTY_BUFFER_SIZE, 2, true},
    {SCREEN_PROPERTY_FORMAT, 1, true},
    {SCREEN_PROPERTY_ROTATION, 1, true},
    {SCREEN_PROPERTY_SOURCE_SIZE, 2, true},
    {SCREEN_PROPERTY_USAGE, 1, true},
    {SCREEN_PROPERTY_SWAP_INTERVAL, 1, true},
};
constexpr int PROPERTY_COUNT = sizeof(PROPERTIES) / sizeof(PROPERTIES[0]);
static_assert(PROPERTY_COUNT == sizeof(_screen_window::values) / sizeof(_screen_window::values[0]),
              "one value slot per property");

int PropertyIndex(int id)
{
    for (int i = 0; i < PROPERTY_COUNT; ++i)
        if (PROPERTIES[i].id == id)
            return i;
    return -1;
}

std::set<screen_context_t>& Contexts()
{
    static std::set<screen_context_t> s_contexts;
    return s_contexts;
}

std::set<screen_window_t>& Windows()
{
    static std::set<screen_window_t> s_windows;
    return s_windows;
}

int Fail(int error)
{
    errno = error;
    return -1;
}

bool ValidSize(int w, int h)
{
    return w >= 1 && h >= 1 && w <= standin::MAX_WINDOW_SIDE && h <= standin::MAX_WINDOW_SIDE;
}

bool ValidValue(int id, const int* v)
{
    switch (id) {
    case SCREEN_PROPERTY_BUFFER_SIZE:
    case SCREEN_PROPERTY_SOURCE_SIZE:
        return ValidSize(v[0], v[1]);
    case SCREEN_PROPERTY_ROTATION:
        return v[0] == 0 || v[0] == 90 || v[0] == 180 || v[0] == 270;
    case SCREEN_PROPERTY_SWAP_INTERVAL:
        return v[0] >= 0;
    default:
        return true;
    }
}

std::array<int, 2>& Value(screen_window_t win, int id)
{
    return win->values[PropertyIndex(id)];
}

bool LiveWindow(screen_window_t win)
{
    return win && Windows().count(win) != 0;
}

void DestroyWindow(screen_window_t win)
{
    Windows().erase(win);
    if (win->native)
        win->native->DestroyBuffers();
    delete win;
}

}  // namespace

extern "C" int screen_create_context(screen_context_t* pctx, int flags)
{
    if (!pctx || flags != SCREEN_APPLICATION_CONTEXT)
        return Fail(EINVAL);
    if (standin_should_fail("screen_create_context"))
        return Fail(ENOMEM);
    screen_context_t ctx = new _screen_context;
    Contexts().insert(ctx);
    *pctx = ctx;
    return 0;
}

extern "C" int screen_destroy_context(screen_context_t ctx)
{
    if (!ctx || !Contexts().count(ctx))
        return Fail(EINVAL);
    if (standin_should_fail("screen_destroy_context"))
        return Fail(EBUSY);
    for (screen_window_t win : ctx->windows)
        DestroyWindow(win);
    Contexts().erase(ctx);
    delete ctx;
    return 0;
}

extern "C" int screen_create_window(screen_window_t* pwin, screen_context_t ctx)
{
    if (!pwin || !ctx || !Contexts().count(ctx))
        return Fail(EINVAL);
    if (standin_should_fail("screen_create_window"))
        return Fail(ENOMEM);
    std::unique_ptr<standin::NativeWindow> native = standin::GetWindowBackend().CreateWindow();
    if (!native)
        return Fail(ENODEV);
    auto win = new _screen_window;
    win->context = ctx;
    win->native = std::move(native);
    win->native->SetTitle(standin::APP_TITLE);
    int w = 0, h = 0;
    standin_get_display_size(&w, &h);
    // A new window's buffers are the size of the panel in its natural (landscape) position.
    Value(win, SCREEN_PROPERTY_BUFFER_SIZE) = {std::max(w, h), std::min(w, h)};
    Value(win, SCREEN_PROPERTY_SOURCE_SIZE) = {std::max(w, h), std::min(w, h)};
    Value(win, SCREEN_PROPERTY_FORMAT)[0] = SCREEN_FORMAT_RGBA8888;
    Value(win, SCREEN_PROPERTY_SWAP_INTERVAL)[0] = 1;
    ctx->windows.push_back(win);
    Windows().insert(win);
    *pwin = win;
    return 0;
}

extern "C" int screen_create_window_group(screen_window_t win, const char* name)
{
    if (!LiveWindow(win) || !name)
        return Fail(EINVAL);
    if (standin_should_fail("screen_create_window_group"))
        return Fail(EEXIST);
    // The group names the window for the platform's services; the title the desktop shows is
    // the application's own name.
    win->group = name;
    return 0;
}

extern "C" int screen_destroy_window(screen_window_t win)
{
    if (!LiveWindow(win))
        return Fail(EINVAL);
    if (standin_should_fail("screen_destroy_window"))
        return Fail(EBUSY);
    auto& list = win->context->windows;
    list.erase(std::remove(list.begin(), list.end(), win), list.end());
    DestroyWindow(win);
    return 0;
}

extern "C" int screen_set_window_property_iv(screen_window_t win, int pname, const int* param)
{
    if (!LiveWindow(win) || !param)
        return Fail(EINVAL);
    int index = PropertyIndex(pname);
    if (index < 0 || !PROPERTIES[index].writable || !ValidValue(pname, param))
        return Fail(EINVAL);
    for (int i = 0; i < PROPERTIES[index].count; ++i)
        win->values[index][i] = param[i];
    return 0;
}

extern "C" int screen_get_window_property_iv(screen_window_t win, int pname, int* param)
{
    if (!LiveWindow(win) || !param)
        return Fail(EINVAL);
    int index = PropertyIndex(pname);
    if (index < 0)
        return Fail(EINVAL);
    for (int i = 0; i < PROPERTIES[index].count; ++i)
        param[i] = win->values[index][i];
    return 0;
}

extern "C" int screen_create_window_buffers(screen_window_t win, int count)
{
    if (!LiveWindow(win) || count < 1)
        return Fail(EINVAL);
    const std::array<int, 2>& size = Value(win, SCREEN_PROPERTY_BUFFER_SIZE);
    if (!win->native->MakeBuffers(size[0], size[1]))
        return Fail(ENOMEM);
    win->hasBuffers = true;
    win->bufferWidth = size[0];
    win->bufferHeight = size[1];
    Value(win, SCREEN_PROPERTY_BUFFER_COUNT)[0] = count;
    return 0;
}

extern "C" int screen_destroy_window_buffers(screen_window_t win)
{
    if (!LiveWindow(win) || !win->hasBuffers)
        return Fail(EINVAL);
    win->native->DestroyBuffers();
    win->hasBuffers = false;
    Value(win, SCREEN_PROPERTY_BUFFER_COUNT)[0] = 0;
    return 0;
}

bool standin::FindWindowGroup(const std::string& group, unsigned long& handle)
{
    for (screen_window_t win : Windows()) {
        if (win->group == group && !group.empty()) {
            handle = win->native->EmbedHandle();
            return true;
        }
    }
    return false;
}

// The EGL bridge.

extern "C" EGLDisplay standin_egl_get_display(void)
{
    return standin::GetWindowBackend().GetEGLDisplay();
}

extern "C" EGLBoolean standin_egl_choose_config(EGLDisplay display, const EGLint* attrib_list,
                                                EGLConfig* configs, EGLint config_size,
                                                EGLint* num_config)
{
    if (!num_config || config_size < 0)
        return EGL_FALSE;
    std::vector<EGLint> attribs;
    for (const EGLint* a = attrib_list; a && a[0] != EGL_NONE; a += 2) {
        if (a[0] != EGL_SURFACE_TYPE && a[0] != EGL_RED_SIZE && a[0] != EGL_GREEN_SIZE &&
            a[0] != EGL_BLUE_SIZE && a[0] != EGL_ALPHA_SIZE) {
            attribs.push_back(a[0]);
            attribs.push_back(a[1]);
        }
    }
    const EGLint wanted[] = {EGL_SURFACE_TYPE, standin::GetWindowBackend().GetSurfaceType(),
                             EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                             EGL_ALPHA_SIZE, 8};
    attribs.insert(attribs.end(), std::begin(wanted), std::end(wanted));
    attribs.push_back(EGL_NONE);

    EGLint total = 0;
    if (!eglChooseConfig(display, attribs.data(), nullptr, 0, &total))
        return EGL_FALSE;
    std::vector<EGLConfig> all(static_cast<size_t>(std::max(total, 0)));
    if (total > 0 && !eglChooseConfig(display, attribs.data(), all.data(), total, &total))
        return EGL_FALSE;
    all.resize(static_cast<size_t>(std::max(total, 0)));
    EGLint n = 0;
    for (EGLConfig config : all) {
        EGLint bits[4] = {};
        const EGLint names[4] = {EGL_RED_SIZE, EGL_GREEN_SIZE, EGL_BLUE_SIZE, EGL_ALPHA_SIZE};
        for (int i = 0; i < 4; ++i)
            eglGetConfigAttrib(display, config, names[i], &bits[i]);
        if (bits[0] != 8 || bits[1] != 8 || bits[2] != 8 || bits[3] != 8)
            continue;
        if (configs && n < config_size)
            configs[n] = config;
        ++n;
        if (configs && n >= config_size)
            break;
    }
    *num_config = n;
    return EGL_TRUE;
}

extern "C" EGLSurface standin_egl_create_window_surface(EGLDisplay display, EGLConfig config,
                                                        screen_window_t window,
                                                        const EGLint* attrib_list)
{
    if (!LiveWindow(window) || !window->hasBuffers)
        return EGL_NO_SURFACE;
    return window->native->CreateSurface(display, config, attrib_list);
}

extern "C" void standin_egl_keep_driver_loaded(void)
{
    // Mesa's drivers: <name>_dri.so, or libgallium-<version>.so in later releases. A second,
    // never closed reference that may not unload keeps the loaded one in place.
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            const char* name = info->dlpi_name;
            if (name && (std::strstr(name, "_dri.so") || std::strstr(name, "libgallium")))
                dlopen(name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

extern "C" int standin_window_read_pixels(screen_window_t window, int width, int height,
                                          unsigned char* rgba, int stride)
{
    if (!LiveWindow(window) || !window->hasBuffers || !rgba)
        return -1;
    if (width != window->bufferWidth || height != window->bufferHeight || stride < width * 4)
        return -1;
    return window->native->ReadPixels(width, height, rgba, stride) ? 0 : -1;
}
