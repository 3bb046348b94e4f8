#include "support/e2e/Harness.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "application/playbook/Clock.h"
#include "application/playbook/PlaybookApplication.h"
#include "application/playbook/PlaybookProcess.h"
#include "bps/navigator.h"
#include "graphics/Display.h"
#include "graphics/surface/Surface.h"
#include "screen/screen.h"
#include "standin/audio.h"
#include "standin/events.h"
#include "standin/standin.h"
#include "standin/window.h"
#include "support/ImageEncode.h"
#include "support/Sandbox.h"

namespace VornTest {

Harness::Harness() : Harness(Options()) {}

Harness::Harness(const Options& options) : m_options(options) {}

Harness::~Harness()
{
    if (m_process)
        Stop();
    if (!m_previousDirectory.empty()) {
        std::error_code ec;
        std::filesystem::current_path(m_previousDirectory, ec);
    }
}

bool Harness::Start(Vorn::PlaybookApplication* app)
{
    standin_set_backend(STANDIN_BACKEND_HEADLESS);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    standin_set_display_size(m_options.width, m_options.height);
    standin_clock_set_step(16);
    standin_clear_events();
    standin_audio_clear_captured();
    standin_audio_set_capture(m_options.captureAudio ? 1 : 0);

    // A sandbox of the tablet's layout: the platform start then leaves the working directory alone.
    m_sandbox.reset(new TempDir);
    std::string archives = m_options.archives.empty() ? std::string(VORN_BINARY_DIR) + "/data"
                                                      : m_options.archives;
    std::filesystem::create_directories(*m_sandbox / "app");
    std::filesystem::create_directory_symlink(archives, *m_sandbox / "app/native");
    if (m_options.data.empty()) {
        std::filesystem::create_directories(*m_sandbox / "data");
    } else {
        std::filesystem::create_directories(m_options.data);
        std::filesystem::create_directory_symlink(m_options.data, *m_sandbox / "data");
    }
    if (m_previousDirectory.empty())
        m_previousDirectory = std::filesystem::current_path().string();
    std::filesystem::current_path(m_sandbox->Path());

    m_process.reset(new Vorn::PlaybookProcess(app));
    m_exitCode = m_process->Start();
    if (m_exitCode != Vorn::PlaybookProcess::EXIT_OK) {
        m_process.reset();
        return false;
    }
    KeepGLDriverLoaded();
    m_last = Vorn::GetTime();
    return true;
}

bool Harness::Frame(int ms)
{
    Vorn::PlaybookApplication* app = App();
    if (!app || app->IsQuitRequested())
        return false;
    standin_clock_set_step(ms);
    return app->RunPass(m_last);
}

int Harness::Frames(int count, int ms)
{
    int done = 0;
    while (done < count && Frame(ms))
        ++done;
    return done;
}

bool Harness::RunUntil(const std::function<bool()>& done, int limit, int ms)
{
    for (int i = 0; i < limit; ++i) {
        if (done())
            return true;
        if (!Frame(ms))
            return done();
    }
    return done();
}

void Harness::TouchDown(int x, int y, int id)
{
    standin_queue_touch(SCREEN_EVENT_MTOUCH_TOUCH, x, y, id);
}

void Harness::TouchMove(int x, int y, int id)
{
    standin_queue_touch(SCREEN_EVENT_MTOUCH_MOVE, x, y, id);
}

void Harness::TouchUp(int x, int y, int id)
{
    standin_queue_touch(SCREEN_EVENT_MTOUCH_RELEASE, x, y, id);
}

void Harness::Tap(int x, int y, int holdMs)
{
    TouchDown(x, y);
    Frame(holdMs > 0 ? holdMs : 1);
    TouchUp(x, y);
    Frame();
}

void Harness::Drag(int x0, int y0, int x1, int y1, int steps, int ms)
{
    TouchDown(x0, y0);
    Frame(ms);
    for (int i = 1; i <= steps; ++i) {
        TouchMove(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
        Frame(ms);
    }
    TouchUp(x1, y1);
    Frame(ms);
}

void Harness::Activate(bool active)
{
    standin_queue_navigator_event(active ? NAVIGATOR_WINDOW_ACTIVE : NAVIGATOR_WINDOW_INACTIVE, 0);
}

void Harness::SetWindowState(int state)
{
    standin_queue_navigator_event(NAVIGATOR_WINDOW_STATE, state);
}

void Harness::Rotate(int angle)
{
    standin_queue_navigator_event(NAVIGATOR_ORIENTATION_CHECK, angle);
    standin_queue_navigator_event(NAVIGATOR_ORIENTATION, angle);
}

void Harness::Exit()
{
    standin_queue_navigator_event(NAVIGATOR_EXIT, 0);
}

int Harness::Stop()
{
    if (!m_process)
        return m_exitCode;
    m_exitCode = m_process->Stop();
    m_process.reset();
    standin_audio_set_capture(0);
    return m_exitCode;
}

Image Harness::ReadWindow()
{
    Image image;
    Vorn::PlaybookApplication* app = App();
    Vorn::Surface* screen = app && app->GetDisplay() ? app->GetDisplay()->GetScreen() : nullptr;
    if (!screen)
        return image;
    image.width = screen->GetWidth();
    image.height = screen->GetHeight();
    image.rgba.resize(static_cast<size_t>(image.width) * image.height * 4);
    if (standin_window_read_pixels(app->GetWindow(), image.width, image.height, image.rgba.data(),
                                   image.width * 4) != 0)
        return Image();
    return image;
}

Image Harness::ReadSurface(Vorn::Surface* surface)
{
    return ReadPixels(surface);
}

bool Harness::SavePng(const Image& image, const std::string& path)
{
    if (image.width <= 0 || image.height <= 0)
        return false;
    return WriteBytes(path, EncodePngRgb(image.width, image.height, image.rgba, true));
}

bool Harness::SaveWindowPng(const std::string& path)
{
    return SavePng(ReadWindow(), path);
}

bool Harness::SaveSurfacePng(Vorn::Surface* surface, const std::string& path)
{
    return SavePng(ReadSurface(surface), path);
}

std::vector<int16_t> Harness::TakeAudio(size_t minSamples, int timeoutMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (standin_audio_captured_size() < minSamples * 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::vector<int16_t> samples(standin_audio_captured_size() / 2);
    size_t bytes = standin_audio_take_captured(samples.data(), samples.size() * 2);
    samples.resize(bytes / 2);
    return samples;
}

Vorn::PlaybookApplication* Harness::App() const
{
    return m_process ? m_process->GetApplication() : nullptr;
}

std::string Harness::SandboxPath() const
{
    return m_sandbox ? m_sandbox->Path() : std::string();
}

}  // namespace VornTest
