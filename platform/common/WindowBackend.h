// The stand-in's windows, one implementation per backend: the common screen calls keep each
// window's properties and hand the native work (a real window, an EGL surface, reading the
// window back) to the backend chosen by standin_get_backend().
#pragma once

#include <memory>
#include <string>

#include <EGL/egl.h>

namespace standin {

class NativeWindow {
public:
    virtual ~NativeWindow() = default;
    virtual void SetTitle(const char* title) = 0;
    // Makes the window's buffers at this size, or resizes them when they exist.
    virtual bool MakeBuffers(int width, int height) = 0;
    virtual void DestroyBuffers() = 0;
    virtual EGLSurface CreateSurface(EGLDisplay display, EGLConfig config, const EGLint* attribs) = 0;
    // Rows of R, G, B, A, top row first; width and height are the buffer size.
    virtual bool ReadPixels(int width, int height, unsigned char* rgba, int stride) = 0;
    // The window system's handle of the window, for a video player that embeds its picture in
    // it (an X11 window id on the desktop); 0 where nothing can be shown.
    virtual unsigned long EmbedHandle() { return 0; }
};

class WindowBackend {
public:
    virtual ~WindowBackend() = default;
    // The area a window may take on the desktop; false when there is no desktop.
    virtual bool GetDesktopSize(int& width, int& height) = 0;
    // Frames per second of the desktop's display; 0 when it does not say.
    virtual int GetRefreshRate() = 0;
    virtual EGLDisplay GetEGLDisplay() = 0;
    // EGL_WINDOW_BIT or EGL_PBUFFER_BIT: what CreateSurface makes.
    virtual EGLint GetSurfaceType() const = 0;
    // A window without buffers; null when the backend cannot make one.
    virtual std::unique_ptr<NativeWindow> CreateWindow() = 0;
};

// The backend of standin_get_backend(), made on first use and kept for the process.
WindowBackend& GetWindowBackend();

std::unique_ptr<WindowBackend> CreateSdlWindowBackend();
std::unique_ptr<WindowBackend> CreateHeadlessWindowBackend();

// The embed handle (NativeWindow::EmbedHandle) of the window that made the named window group;
// false when no live window made it.
bool FindWindowGroup(const std::string& group, unsigned long& handle);

// Largest side of a window buffer the stand-in accepts (and of VORN_SCREEN).
constexpr int MAX_WINDOW_SIDE = 16384;

}  // namespace standin
