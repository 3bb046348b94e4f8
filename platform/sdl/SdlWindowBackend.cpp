// Desktop windows: one SDL window per screen window, made without an SDL GL context; EGL draws
// into its X11 window directly. SDL is pointed at its X11 driver, so Wayland desktops run the
// window through XWayland.
#include <cstring>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "Application.h"
#include "SdlVideo.h"
#include "UncheckedLibraryCall.h"
#include "WindowBackend.h"

namespace standin {
namespace {

// Xlib reports protocol errors to a handler that ends the process by default; reading a window
// back must fail softly instead (an unmapped window gives BadMatch).
bool s_xError = false;

int RecordXError(Display*, XErrorEvent*)
{
    s_xError = true;
    return 0;
}

class SdlWindow final : public NativeWindow {
public:
    explicit SdlWindow(SDL_Window* w) : window(w) {}

    ~SdlWindow() override
    {
        if (!window)
            return;
        // What the server says about a window another client destroyed first reaches the
        // platform's handler now, not Xlib's fatal one, which SDL puts back when it closes.
        Display* dpy = GetXDisplay();
        UnwatchWindow(EmbedHandle());
        SDL_DestroyWindow(window);
        if (dpy)
            XSync(dpy, False);
    }

    void SetTitle(const char* title) override { SDL_SetWindowTitle(window, title); }

    bool MakeBuffers(int width, int height) override
    {
        // A window larger than the desktop is kept at the size asked for (VORN_SCREEN is the
        // user's choice), and said once: part of it lies off the screen.
        SDL_Rect usable;
        if (!saidLarger && SDL_GetDisplayUsableBounds(0, &usable) == 0 &&
            (width > usable.w || height > usable.h)) {
            saidLarger = true;
            standin::Say("the window of %dx%d is larger than the desktop (%dx%d): part of it lies "
                         "off the screen", width, height, usable.w, usable.h);
        }
        SDL_SetWindowSize(window, width, height);
        // Centred again at its new size, so that a window that fits the desktop lies wholly on
        // it (what lies off screen cannot be read back).
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        SDL_ShowWindow(window);
        int w = 0, h = 0;
        SDL_GetWindowSize(window, &w, &h);
        return w == width && h == height;
    }

    void DestroyBuffers() override { SDL_HideWindow(window); }

    EGLSurface CreateSurface(EGLDisplay display, EGLConfig config, const EGLint* attribs) override
    {
        auto createSurface = reinterpret_cast<PFNEGLCREATEPLATFORMWINDOWSURFACEEXTPROC>(
            eglGetProcAddress("eglCreatePlatformWindowSurfaceEXT"));
        SDL_SysWMinfo info;
        if (!createSurface || !GetInfo(info))
            return EGL_NO_SURFACE;
        ::Window xWindow = info.info.x11.window;
        return createSurface(display, config, &xWindow, attribs);
    }

    bool ReadPixels(int width, int height, unsigned char* rgba, int stride) override
    {
        SDL_SysWMinfo info;
        if (!GetInfo(info))
            return false;
        Display* dpy = info.info.x11.display;
        XSync(dpy, False);
        s_xError = false;
        auto previous = XSetErrorHandler(RecordXError);
        XImage* image = XGetImage(dpy, info.info.x11.window, 0, 0, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
        XSync(dpy, False);
        XSetErrorHandler(previous);
        if (!image || s_xError) {
            if (image)
                XDestroyImage(image);
            return false;
        }
        const int redShift = Shift(image->red_mask), greenShift = Shift(image->green_mask),
                  blueShift = Shift(image->blue_mask);
        for (int y = 0; y < height; ++y) {
            unsigned char* out = rgba + static_cast<size_t>(y) * stride;
            for (int x = 0; x < width; ++x) {
                unsigned long p = XGetPixel(image, x, y);
                out[4 * x + 0] = static_cast<unsigned char>((p & image->red_mask) >> redShift);
                out[4 * x + 1] = static_cast<unsigned char>((p & image->green_mask) >> greenShift);
                out[4 * x + 2] = static_cast<unsigned char>((p & image->blue_mask) >> blueShift);
                out[4 * x + 3] = 255;  // a desktop window is opaque
            }
        }
        XDestroyImage(image);
        return true;
    }

    unsigned long EmbedHandle() override
    {
        SDL_SysWMinfo info;
        return GetInfo(info) ? static_cast<unsigned long>(info.info.x11.window) : 0;
    }

    Display* GetXDisplay()
    {
        SDL_SysWMinfo info;
        return GetInfo(info) ? info.info.x11.display : nullptr;
    }

private:
    bool GetInfo(SDL_SysWMinfo& info)
    {
        SDL_VERSION(&info.version);
        return SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11;
    }

    static int Shift(unsigned long mask)
    {
        int shift = 0;
        while (mask && !(mask & 1)) {
            mask >>= 1;
            ++shift;
        }
        return shift;
    }

    SDL_Window* window;
    bool saidLarger = false;
};

class SdlWindowBackend final : public WindowBackend {
public:
    ~SdlWindowBackend() override
    {
        if (videoStarted)
            SdlVideoQuit();
    }

    bool GetDesktopSize(int& width, int& height) override
    {
        if (!StartVideo())
            return false;
        SDL_Rect usable;
        if (SDL_GetDisplayUsableBounds(0, &usable) != 0)
            return false;
        width = usable.w;
        height = usable.h;
        return true;
    }

    int GetRefreshRate() override
    {
        SDL_DisplayMode mode;
        if (!StartVideo() || SDL_GetCurrentDisplayMode(0, &mode) != 0)
            return 0;
        return mode.refresh_rate;
    }

    EGLDisplay GetEGLDisplay() override
    {
        if (display != EGL_NO_DISPLAY || !StartVideo())
            return display;
        auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!getPlatformDisplay)
            return display;
        // EGL shares SDL's connection to the X server when a window exists (one connection
        // keeps requests in order with our read-back); else it opens $DISPLAY itself.
        void* native = xDisplay ? static_cast<void*>(xDisplay) : EGL_DEFAULT_DISPLAY;
        display = getPlatformDisplay(EGL_PLATFORM_X11_KHR, native, nullptr);
        return display;
    }

    EGLint GetSurfaceType() const override { return EGL_WINDOW_BIT; }

    std::unique_ptr<NativeWindow> CreateWindow() override
    {
        if (!StartVideo())
            return nullptr;
        SDL_Window* sdlWindow = nullptr;
        {
            const UncheckedLibraryCall unchecked;
            sdlWindow = SDL_CreateWindow("Vorn", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 64,
                                         64, SDL_WINDOW_HIDDEN);
        }
        if (!sdlWindow) {
            SetLastError("the X server refused it (%s)", SDL_GetError());
            return nullptr;
        }
        auto window = std::make_unique<SdlWindow>(sdlWindow);
        if (!xDisplay)
            xDisplay = window->GetXDisplay();
        if (!xDisplay) {
            // EGL could not draw into it.
            SetLastError("the window system gave no X11 window");
            return nullptr;
        }
        WatchWindow(window->GetXDisplay(), window->EmbedHandle());
        return window;
    }

private:
    bool StartVideo()
    {
        if (!videoStarted)
            videoStarted = SdlVideoInit();
        return videoStarted;
    }

    bool videoStarted = false;
    Display* xDisplay = nullptr;
    EGLDisplay display = EGL_NO_DISPLAY;
};

}  // namespace

std::unique_ptr<WindowBackend> CreateSdlWindowBackend()
{
    return std::make_unique<SdlWindowBackend>();
}

}  // namespace standin
