// The screen surface: a Surface whose pixel data is the window's own framebuffer, owning the EGL
// display, context and window surface over the screen window the runtime made. It sets up
// OpenGL ES 2.0, sizes the window buffers for the device orientation and presents each frame.
#pragma once

#include <EGL/egl.h>

#include <string>

#include "graphics/WindowSurface.h"
#include "screen/screen.h"

namespace Vorn {

class PixelDataGL;

class PlaybookSurface final : public WindowSurface {
public:
    // Makes the screen pixel data, the EGL context and the window buffers for the device's
    // orientation, then sets up GL (OpenGL::Init). The window and its context stay the runtime's.
    static PlaybookSurface* Create(screen_context_t context, screen_window_t window);
    ~PlaybookSurface() override;

    bool BeginFrame() override;
    void Flip() override;
    // Rebuilds the window buffers and the EGL window surface for the first angle the mask allows
    // (the device's angle when it allows it, or when it allows none). Returns true.
    bool CreateWindowBuffers(int mask);
    // The same for the device's angle as it is.
    void CreateWindowBuffers();

    // Why EGL cannot draw into the window (the first step that failed and EGL's error), or ""
    // when it can.
    const std::string& GetFailure() const { return m_failure; }

    // The angle the buffers were last built for (0, 90, 180 or 270).
    int GetAngle() const { return m_angle; }
    screen_window_t GetWindow() const { return m_window; }
    EGLDisplay GetEGLDisplay() const { return m_eglDisplay; }
    EGLSurface GetEGLSurface() const { return m_eglSurface; }
    EGLContext GetEGLContext() const { return m_eglContext; }

    // The one screen surface, held across displays; null before the first display.
    static PlaybookSurface* GetScreen();
    // Drops the global reference (at exit, before the platform goes away).
    static void ReleaseScreen();

private:
    PlaybookSurface(PixelDataGL* screenData, screen_context_t context, screen_window_t window);
    void BuildWindowBuffers(int angle);
    // Keeps the first failure: what failed, with EGL's error.
    void Fail(const char* what);

    screen_context_t m_context;
    screen_window_t m_window;
    EGLDisplay m_eglDisplay;
    EGLContext m_eglContext;
    EGLSurface m_eglSurface;
    EGLConfig m_eglConfig;
    int m_angle;
    std::string m_failure;
};

}  // namespace Vorn
