#include "graphics/playbook/PlaybookSurface.h"

#include <algorithm>
#include <cstdio>

#include <GLES2/gl2.h>

#include "bps/orientation.h"
#include "graphics/Display.h"
#include "graphics/OpenGL.h"
#include "graphics/batcher/Batcher.h"
#include "graphics/pixeldata/PixelDataGL.h"
#include "host/Host.h"

namespace Vorn {

namespace {

// Held by a plain pointer, not a static smart pointer: releasing it tears down GL and EGL, which
// must happen in order at exit (ReleaseScreen), not whenever static destruction reaches it.
PlaybookSurface* s_screen = nullptr;

// Orientation mask bit of each angle, in the order a mask's angles are tried.
const struct {
    int angle;
    int bit;
} ANGLE_BITS[] = {{0, Display::ORIENTATION_0},
                  {90, Display::ORIENTATION_90},
                  {180, Display::ORIENTATION_180},
                  {270, Display::ORIENTATION_270}};

int BitOfAngle(int angle)
{
    for (const auto& row : ANGLE_BITS)
        if (row.angle == angle)
            return row.bit;
    return Display::ORIENTATION_0;
}

}  // namespace

PlaybookSurface* PlaybookSurface::GetScreen()
{
    return s_screen;
}

void PlaybookSurface::ReleaseScreen()
{
    PlaybookSurface* screen = s_screen;
    s_screen = nullptr;
    if (screen)
        screen->RemRef();
}

PlaybookSurface* PlaybookSurface::Create(screen_context_t context, screen_window_t window)
{
    auto surface = new PlaybookSurface(PixelDataGL::CreateWindowTarget(0, 0), context, window);
    if (!s_screen) {
        s_screen = surface;
        surface->AddRef();
    }
    return surface;
}

PlaybookSurface::PlaybookSurface(PixelDataGL* screenData, screen_context_t context,
                                 screen_window_t window)
    : WindowSurface(screenData), m_context(context), m_window(window), m_eglDisplay(EGL_NO_DISPLAY),
      m_eglContext(EGL_NO_CONTEXT), m_eglSurface(EGL_NO_SURFACE), m_eglConfig(nullptr), m_angle(0)
{
    // The stand-in names the display EGL draws on (the tablet's EGL_DEFAULT_DISPLAY).
    m_eglDisplay = Host::GetEGLDisplay();
    if (!eglInitialize(m_eglDisplay, nullptr, nullptr))
        Fail("EGL cannot start on this display");
    eglBindAPI(EGL_OPENGL_ES_API);

    const EGLint configAttribs[] = {EGL_BUFFER_SIZE, 32, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT,
                                    EGL_NONE};
    EGLint count = 0;
    if (!Host::ChooseEGLConfig(m_eglDisplay, configAttribs, &m_eglConfig, 1, &count) || count < 1)
        Fail("EGL offers no 32-bit OpenGL ES 2 configuration");

    const EGLint contextAttribs[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    m_eglContext = eglCreateContext(m_eglDisplay, m_eglConfig, EGL_NO_CONTEXT, contextAttribs);
    if (m_eglContext == EGL_NO_CONTEXT)
        Fail("EGL cannot make an OpenGL ES 2 context");

    const int format = SCREEN_FORMAT_RGBX8888;
    const int usage = SCREEN_USAGE_OPENGL_ES2 | SCREEN_USAGE_ROTATION;
    const int swapInterval = 1;
    const int alphaMode = SCREEN_PRE_MULTIPLIED_ALPHA;
    screen_set_window_property_iv(m_window, SCREEN_PROPERTY_FORMAT, &format);
    screen_set_window_property_iv(m_window, SCREEN_PROPERTY_USAGE, &usage);
    screen_set_window_property_iv(m_window, SCREEN_PROPERTY_SWAP_INTERVAL, &swapInterval);
    screen_set_window_property_iv(m_window, SCREEN_PROPERTY_ALPHA_MODE, &alphaMode);

    CreateWindowBuffers();

    OpenGL::Init();
    glEnable(GL_SCISSOR_TEST);
    // Colour blends by its alpha; alpha itself accumulates so that opaque stays opaque.
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
}

PlaybookSurface::~PlaybookSurface()
{
    if (s_screen == this)
        s_screen = nullptr;
    OpenGL::Shutdown();
    eglMakeCurrent(m_eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(m_eglDisplay, m_eglContext);
    if (m_eglSurface != EGL_NO_SURFACE)
        eglDestroySurface(m_eglDisplay, m_eglSurface);
    eglTerminate(m_eglDisplay);
}

bool PlaybookSurface::BeginFrame()
{
    return true;
}

void PlaybookSurface::Flip()
{
    if (g_batcher)
        g_batcher->Flush();
    eglSwapBuffers(m_eglDisplay, m_eglSurface);
}

void PlaybookSurface::CreateWindowBuffers()
{
    int angle = 0;
    orientation_get(nullptr, &angle);
    BuildWindowBuffers(angle);
}

bool PlaybookSurface::CreateWindowBuffers(int mask)
{
    int angle = 0;
    orientation_get(nullptr, &angle);
    if (!(mask & BitOfAngle(angle))) {
        for (const auto& row : ANGLE_BITS) {
            if (mask & row.bit) {
                angle = row.angle;
                break;
            }
        }
    }
    BuildWindowBuffers(angle);
    return true;
}

void PlaybookSurface::BuildWindowBuffers(int angle)
{
    if (angle != 90 && angle != 180 && angle != 270)
        angle = 0;
    int rotation = 0;
    int size[2] = {0, 0};
    screen_get_window_property_iv(m_window, SCREEN_PROPERTY_ROTATION, &rotation);
    screen_get_window_property_iv(m_window, SCREEN_PROPERTY_BUFFER_SIZE, size);

    if (m_eglSurface != EGL_NO_SURFACE) {
        // What is pending was meant for the old buffers.
        if (g_batcher)
            g_batcher->Flush();
        eglMakeCurrent(m_eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroySurface(m_eglDisplay, m_eglSurface);
        m_eglSurface = EGL_NO_SURFACE;
    }

    const bool landscape = angle == 0 || angle == 180;
    const int width = landscape ? std::max(size[0], size[1]) : std::min(size[0], size[1]);
    const int height = landscape ? std::min(size[0], size[1]) : std::max(size[0], size[1]);
    static_cast<PixelDataGL*>(GetPixelData())->SetWindowSize(width, height);
    SetClipRect(Rect{0, 0, width, height});
    SetSize(width, height);
    m_angle = angle;

    const int buffer[2] = {width, height};
    screen_set_window_property_iv(m_window, SCREEN_PROPERTY_SOURCE_SIZE, buffer);
    screen_set_window_property_iv(m_window, SCREEN_PROPERTY_BUFFER_SIZE, buffer);
    screen_set_window_property_iv(m_window, SCREEN_PROPERTY_ROTATION, &angle);
    screen_create_window_buffers(m_window, 2);

    m_eglSurface = Host::CreateWindowSurface(m_eglDisplay, m_eglConfig, m_window, nullptr);
    if (m_eglSurface == EGL_NO_SURFACE)
        Fail("EGL cannot draw into the window");
    else if (!eglMakeCurrent(m_eglDisplay, m_eglSurface, m_eglSurface, m_eglContext))
        Fail("EGL cannot make its context current");
    // Swaps wait for the display's refresh (the window's swap interval, 1): the swap is what
    // paces the event loop.
    int swapInterval = 1;
    screen_get_window_property_iv(m_window, SCREEN_PROPERTY_SWAP_INTERVAL, &swapInterval);
    eglSwapInterval(m_eglDisplay, swapInterval);
}

void PlaybookSurface::Fail(const char* what)
{
    if (!m_failure.empty())
        return;
    char code[32];
    std::snprintf(code, sizeof code, "EGL error 0x%04X", static_cast<unsigned>(eglGetError()));
    m_failure = std::string(what) + " (" + code + ")";
}

}  // namespace Vorn
