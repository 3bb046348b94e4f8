#include "HeadlessGL.h"

#include <cstdlib>
#include <cstring>

#include <GLES2/gl2.h>

#include "graphics/batcher/Batcher.h"
#include "graphics/pixeldata/MemPixelData.h"
#include "graphics/pixeldata/PixelDataGL.h"
#include "graphics/playbook/PlaybookDisplay.h"
#include "graphics/playbook/PlaybookSurface.h"
#include "graphics/surface/Surface.h"
#include "screen/screen.h"
#include "standin/standin.h"

namespace VornTest {

namespace {
Vorn::Display* s_display = nullptr;  // kept (and reachable) for the whole process
}  // namespace

Vorn::PlaybookSurface* HeadlessScreen()
{
    // Kept for the whole process: the display holds the screen, and tearing GL down at exit is
    // the runtime's business, not the tests'.
    static Vorn::PlaybookSurface* s_screen = [] {
        standin_set_backend(STANDIN_BACKEND_HEADLESS);
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        screen_context_t context = nullptr;
        screen_window_t window = nullptr;
        if (screen_create_context(&context, SCREEN_APPLICATION_CONTEXT) != 0 ||
            screen_create_window(&window, context) != 0 ||
            screen_create_window_group(window, "VornTests") != 0)
            return static_cast<Vorn::PlaybookSurface*>(nullptr);
        s_display = Vorn::PlaybookDisplay::Create(context, window);
        s_display->AddRef();
        KeepGLDriverLoaded();
        return static_cast<Vorn::PlaybookSurface*>(s_display->GetScreen());
    }();
    return s_screen && Vorn::g_batcher ? s_screen : nullptr;
}

Image ReadPixels(Vorn::Surface* surface)
{
    Image image;
    if (!surface || !surface->GetPixelData() || !Vorn::g_batcher)
        return image;
    Vorn::PixelData* data = surface->GetPixelData();
    if (data->GetKind() != Vorn::PixelData::PD_GL)
        return image;
    Vorn::g_batcher->SetRenderTarget(data, surface->GetFlags());
    Vorn::g_batcher->Flush();
    image.width = surface->GetWidth();
    image.height = surface->GetHeight();
    image.rgba.resize(static_cast<size_t>(image.width) * image.height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    if (static_cast<Vorn::PixelDataGL*>(data)->GetFramebuffer() == 0) {
        // The window's rows run bottom to top; an offscreen target keeps y = 0 in row 0.
        const size_t row = static_cast<size_t>(image.width) * 4;
        std::vector<Vorn::u8> flipped(image.rgba.size());
        for (int y = 0; y < image.height; ++y)
            std::memcpy(&flipped[y * row], &image.rgba[(image.height - 1 - y) * row], row);
        image.rgba.swap(flipped);
    }
    return image;
}

Vorn::Surface* MakeRgbaSurface(int width, int height,
                               const std::function<Vorn::u32(int x, int y)>& pixel)
{
    auto data = new Vorn::MemPixelData(width, height, Vorn::PF_RGBA8888);
    Vorn::u8* p = data->Lock();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, p += 4) {
            const Vorn::u32 c = pixel(x, y);
            p[0] = static_cast<Vorn::u8>(c >> 8);   // B
            p[1] = static_cast<Vorn::u8>(c >> 16);  // G
            p[2] = static_cast<Vorn::u8>(c >> 24);  // R
            p[3] = static_cast<Vorn::u8>(c);        // A
        }
    }
    return new Vorn::Surface(data);
}

bool Near(const Image& image, int x, int y, Vorn::u32 expected, int tolerance)
{
    if (x < 0 || y < 0 || x >= image.width || y >= image.height)
        return false;
    const Vorn::u8* p = image.At(x, y);
    for (int i = 0; i < 4; ++i) {
        const int want = static_cast<int>((expected >> (24 - 8 * i)) & 0xFF);
        if (std::abs(p[i] - want) > tolerance)
            return false;
    }
    return true;
}

}  // namespace VornTest
