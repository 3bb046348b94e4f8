// Headless windows: nothing is shown. EGL runs on Mesa's surfaceless platform and a window's
// buffers are a pbuffer of the buffer size, so frames render exactly as into a window and stay
// readable after the swap.
#include <cstring>
#include <vector>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES2/gl2.h>

#include "WindowBackend.h"

namespace standin {
namespace {

class HeadlessWindow final : public NativeWindow {
public:
    void SetTitle(const char*) override {}

    bool MakeBuffers(int w, int h) override
    {
        width = w;
        height = h;
        return true;
    }

    void DestroyBuffers() override { width = height = 0; }

    EGLSurface CreateSurface(EGLDisplay display, EGLConfig config, const EGLint*) override
    {
        const EGLint attribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        surface = eglCreatePbufferSurface(display, config, attribs);
        return surface;
    }

    bool ReadPixels(int w, int h, unsigned char* rgba, int stride) override
    {
        if (surface == EGL_NO_SURFACE || eglGetCurrentSurface(EGL_DRAW) != surface)
            return false;
        GLint framebuffer = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
        GLint packAlignment = 4;
        glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        std::vector<unsigned char> rows(static_cast<size_t>(w) * h * 4);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
        glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
        glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
        // GL rows run bottom to top.
        for (int y = 0; y < h; ++y)
            std::memcpy(rgba + static_cast<size_t>(y) * stride,
                        rows.data() + static_cast<size_t>(h - 1 - y) * w * 4,
                        static_cast<size_t>(w) * 4);
        return glGetError() == GL_NO_ERROR;
    }

private:
    int width = 0;
    int height = 0;
    EGLSurface surface = EGL_NO_SURFACE;
};

class HeadlessWindowBackend final : public WindowBackend {
public:
    bool GetDesktopSize(int&, int&) override { return false; }
    int GetRefreshRate() override { return 0; }

    EGLDisplay GetEGLDisplay() override
    {
        if (display == EGL_NO_DISPLAY) {
            auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
                eglGetProcAddress("eglGetPlatformDisplayEXT"));
            if (getPlatformDisplay)
                display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY,
                                             nullptr);
        }
        return display;
    }

    EGLint GetSurfaceType() const override { return EGL_PBUFFER_BIT; }

    std::unique_ptr<NativeWindow> CreateWindow() override
    {
        return std::make_unique<HeadlessWindow>();
    }

private:
    EGLDisplay display = EGL_NO_DISPLAY;
};

}  // namespace

std::unique_ptr<WindowBackend> CreateHeadlessWindowBackend()
{
    return std::make_unique<HeadlessWindowBackend>();
}

}  // namespace standin
