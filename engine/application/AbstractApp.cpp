#include "application/AbstractApp.h"

#include <clocale>

#include "application/AppGlobals.h"
#include "application/DebugOverlay.h"
#include "application/MoviePlayerInterface.h"
#include "base/AssetDict.h"
#include "base/Registry.h"
#include "base/TextDict.h"
#include "graphics/Display.h"
#include "graphics/batcher/Batcher.h"
#include "graphics/pixeldata/PixelDataGL.h"
#include "graphics/WindowSurface.h"
#include "sound/mixer/Mixer.h"
#include "system/AllocPool.h"

namespace Vorn {

AbstractApp* AbstractApp::s_application = nullptr;
std::atomic<float> g_timeSkew(1.0f);

AbstractApp::AbstractApp(u32 flags) : m_flags(flags), m_paused(false)
{
    g_appGlobals = new AppGlobals;
    g_joysticks.push_back(SmartPtr<Joystick>(new Accelerometer));

    // Character classification in UTF-8 for the multibyte conversions; numbers stay in the C
    // locale's format (the engine's own formatting and parsing ignore the locale anyway).
    if (!std::setlocale(LC_CTYPE, "en_GB.utf-8"))
        std::setlocale(LC_CTYPE, "C.UTF-8");

    s_application = this;

    // The pool allocator stays for the rest of the process: a block it handed out may be freed
    // after the application is gone, and only the pools can take it back.
    if (!AllocPool::s_instance.load(std::memory_order_acquire))
        new AllocPool;
}

AbstractApp::~AbstractApp()
{
    s_application = nullptr;
    // The mixer's playback thread is stopped and joined first, on this (the main) thread: another
    // holder (the game's sound layer lives until the process exits) could otherwise keep it
    // running while the services it reads go away, and into static destruction.
    if (g_mixer)
        g_mixer->Shutdown();
    g_mixer = nullptr;
    g_assetDict = nullptr;
    g_registry = nullptr;
    g_textDict = nullptr;
    g_debugOverlay = nullptr;
    g_appGlobals = nullptr;
    g_joysticks.clear();
    m_displaySizes.clear();
    m_moviePlayer = nullptr;
    m_batcherFreeze = nullptr;
    m_display = nullptr;
}

void AbstractApp::Tick(float seconds)
{
    if (m_moviePlayer && m_moviePlayer->IsFinished())
        m_moviePlayer = nullptr;
    if (m_paused)
        return;
    DebugOverlay* overlay = g_debugOverlay.Get();
    if (overlay)
        overlay->Update(seconds);
    if (!overlay || (!DebugOverlay::s_consoleEnabled && !g_debugOverlayException))
        Update(seconds * g_timeSkew.load(std::memory_order_relaxed));
    RenderFrame();
}

void AbstractApp::RenderFrame()
{
    // Held for the frame: an orientation change inside the application's drawing may replace
    // the display.
    SmartPtr<Surface> screen(m_display ? m_display->GetScreen() : nullptr);
    // Only the platform's window surface presents frames; a display without one draws nothing.
    WindowSurface* window = dynamic_cast<WindowSurface*>(screen.Get());
    if (window && window->BeginFrame()) {
        Render(window);
        if (g_debugOverlay)
            g_debugOverlay->Render(window);
        AfterRender(window);
        window->Flip();
    }
    screen = nullptr;
    if (m_flags & FLAG_TEXTURE_AGEING)
        PixelDataGL::AgeAll();
}

void AbstractApp::OnActivate(bool active)
{
    if (!(m_flags & FLAG_KEEP_ACTIVE))
        m_paused = !active;
    // While the focus bit is set the mixer gives up its output device and playback thread.
    if (g_mixer)
        g_mixer->Pause(MIXER_PAUSE_FOCUS, !active);
    OnFocus(active);
}

void AbstractApp::DispatchTouch(TouchKind kind, int x, int y, u32 id)
{
    if (m_paused)
        return;
    if (DebugOverlay* overlay = g_debugOverlay.Get()) {
        if (g_debugOverlayException) {
            // The touch that dismisses the exception screen goes no further, nor do the others.
            if (kind == TOUCH_DOWN)
                g_debugOverlayException = false;
            return;
        }
        if (DebugOverlay::s_consoleEnabled && id <= MAX_TOUCH_ID) {
            int touchId = static_cast<int>(id);
            switch (kind) {
            case TOUCH_DOWN: overlay->OnTouchDown(x, y, touchId); break;
            case TOUCH_MOVE: overlay->OnTouchMove(x, y, touchId); break;
            case TOUCH_UP: overlay->OnTouchUp(x, y, touchId); break;
            }
            return;
        }
    }
    if (id > MAX_TOUCH_ID && !(m_flags & FLAG_HIGH_TOUCH_IDS))
        return;
    // Ids above 255 only pass with FLAG_HIGH_TOUCH_IDS; the slots take an int as the tablet's
    // screen events do.
    int touchId = static_cast<int>(id);
    switch (kind) {
    case TOUCH_DOWN: OnTouchDown(x, y, touchId); break;
    case TOUCH_MOVE: OnTouchMove(x, y, touchId); break;
    case TOUCH_UP: OnTouchUp(x, y, touchId); break;
    }
}

void AbstractApp::DispatchTouchDown(int x, int y, u32 id)
{
    DispatchTouch(TOUCH_DOWN, x, y, id);
}

void AbstractApp::DispatchTouchMove(int x, int y, u32 id)
{
    DispatchTouch(TOUCH_MOVE, x, y, id);
}

void AbstractApp::DispatchTouchUp(int x, int y, u32 id)
{
    DispatchTouch(TOUCH_UP, x, y, id);
}

void AbstractApp::DispatchKeyDown(int key)
{
    if (m_paused)
        return;
    if (DebugOverlay* overlay = g_debugOverlay.Get()) {
        if (g_debugOverlayException) {
            g_debugOverlayException = false;
            return;
        }
        if (key == CONSOLE_KEY) {
            DebugOverlay::s_consoleEnabled = !DebugOverlay::s_consoleEnabled;
            // Sound stays silent while the console shows.
            if (g_mixer)
                g_mixer->Pause(MIXER_PAUSE_CONSOLE, DebugOverlay::s_consoleEnabled);
            return;
        }
        if (DebugOverlay::s_consoleEnabled) {
            overlay->OnKeyDown(key);
            return;
        }
    }
    OnKeyDown(key);
}

void AbstractApp::DispatchKeyUp(int key)
{
    if (m_paused)
        return;
    if (DebugOverlay* overlay = g_debugOverlay.Get()) {
        if (g_debugOverlayException || key == CONSOLE_KEY)
            return;
        if (DebugOverlay::s_consoleEnabled) {
            overlay->OnKeyUp(key);
            return;
        }
    }
    OnKeyUp(key);
}

void AbstractApp::SetDisplay(Display* display)
{
    m_display = display;
    // The table keeps the first display's size; later displays (orientation changes) leave it.
    if (m_displaySizes.empty() && display) {
        Surface* screen = display->GetScreen();
        DisplaySize size = {0, 0, 0};
        if (screen) {
            size.width = static_cast<u32>(screen->GetWidth());
            size.height = static_cast<u32>(screen->GetHeight());
        }
        m_displaySizes.push_back(size);
    }
}

void AbstractApp::UpdateDisplaySize(int width, int height)
{
    for (DisplaySize& size : m_displaySizes) {
        if (size.id == 0 || size.id == 256) {
            size.width = static_cast<u32>(width);
            size.height = static_cast<u32>(height);
        }
    }
    OnResize(width, height);
}

bool AbstractApp::IsMovieFinished()
{
    return !m_moviePlayer || m_moviePlayer->IsFinished();
}

void AbstractApp::PlayMovie(const NarrowString& file, int volume)
{
    m_moviePlayer = MoviePlayerInterface::CreatePlatform();
    m_moviePlayer->Play(file, volume);
}

void AbstractApp::ResumeMovie()
{
    if (m_moviePlayer)
        m_moviePlayer->Resume();
}

void AbstractApp::PauseMovie()
{
    if (m_moviePlayer)
        m_moviePlayer->Pause();
}

void AbstractApp::FreezeBatcher()
{
    m_batcherFreeze = new BatcherFreeze;
}

void AbstractApp::SetRenderScale(float scale)
{
    if (g_batcher)
        g_batcher->SetScale(scale);
}

} // namespace Vorn
