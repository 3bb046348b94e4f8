// The start-up benchmark's reference: the least a program showing one frame through SDL and EGL
// does. It initialises SDL, opens an EGL display with an OpenGL ES 2 context and a surface of the
// game's size, clears it, presents it and waits for the frame, then exits. With
// VORN_PLATFORM=headless (as the benchmark runs the game) the surface is a pbuffer on Mesa's
// surfaceless platform; otherwise an SDL window's X11 window.
//
//   vorn-bare-window WIDTH HEIGHT        exit code 0 once the frame is done, 1 on any failure
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES2/gl2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    const int width = argc > 1 ? std::atoi(argv[1]) : 480;
    const int height = argc > 2 ? std::atoi(argv[2]) : 800;
    const char* platform = std::getenv("VORN_PLATFORM");
    const bool headless = platform && std::strcmp(platform, "headless") == 0;
    if (SDL_Init(headless ? SDL_INIT_EVENTS : SDL_INIT_VIDEO) != 0)
        return 1;
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        return 1;
    SDL_Window* window = nullptr;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    EGLDisplay display = EGL_NO_DISPLAY;
    if (headless) {
        display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    } else {
        window = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                  height, 0);
        if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
            return 1;
        display = getPlatformDisplay(EGL_PLATFORM_X11_KHR, info.info.x11.display, nullptr);
    }
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) ||
        !eglBindAPI(EGL_OPENGL_ES_API))
        return 1;
    const EGLint configAttribs[] = {EGL_SURFACE_TYPE, headless ? EGL_PBUFFER_BIT : EGL_WINDOW_BIT,
                                    EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT, EGL_RED_SIZE, 8,
                                    EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8, EGL_NONE};
    EGLConfig config;
    EGLint found = 0;
    if (!eglChooseConfig(display, configAttribs, &config, 1, &found) || found < 1)
        return 1;
    EGLSurface surface;
    if (headless) {
        const EGLint attribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        surface = eglCreatePbufferSurface(display, config, attribs);
    } else {
        surface = eglCreateWindowSurface(display, config,
                                         static_cast<EGLNativeWindowType>(info.info.x11.window),
                                         nullptr);
    }
    const EGLint contextAttribs[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
    if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT ||
        !eglMakeCurrent(display, surface, surface, context))
        return 1;
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    eglSwapBuffers(display, surface);
    glFinish();
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display, context);
    eglDestroySurface(display, surface);
    eglTerminate(display);
    if (window)
        SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
