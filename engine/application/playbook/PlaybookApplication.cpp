#include "application/playbook/PlaybookApplication.h"

#include <cerrno>
#include <cstdio>

#include "application/DebugOverlay.h"
#include "application/KeyCodes.h"
#include "application/playbook/Clock.h"
#include "application/playbook/FramePacer.h"
#include "application/playbook/PlaybookMoviePlayer.h"
#include "base/NarrowString.h"
#include "base/WideString.h"
#include "bps/mmrenderer.h"
#include "bps/navigator.h"
#include "graphics/playbook/PlaybookDisplay.h"
#include "graphics/playbook/PlaybookSurface.h"
#include "host/Host.h"

namespace Vorn {

namespace {

// The engine's key code of a keyboard symbol; 0 for keys the engine has no code for.
int EngineKeyCode(int sym)
{
    static const struct {
        int sym;
        int code;
    } KEYS[] = {
        {KEYSYM_LEFT, Key::LEFT}, {KEYSYM_RIGHT, Key::RIGHT}, {KEYSYM_UP, Key::UP}, {KEYSYM_DOWN, Key::DOWN},
        {KEYSYM_RETURN, Key::ENTER}, {KEYSYM_BACKSPACE, Key::BACKSPACE}, {KEYSYM_SHIFT, Key::SHIFT},
        {KEYSYM_PAGE_DOWN, Key::PAGE_DOWN}, {KEYSYM_PAGE_UP, Key::PAGE_UP}, {' ', Key::SPACE},
        {KEYSYM_F12, AbstractApp::CONSOLE_KEY}, {'`', AbstractApp::CONSOLE_KEY},
        {'\'', Key::QUOTE}, {'/', Key::SLASH}, {'.', Key::PERIOD}, {'=', Key::EQUALS},
        {';', Key::SEMICOLON}, {',', Key::COMMA}, {'-', Key::MINUS}, {'[', Key::LEFT_BRACKET},
        {']', Key::RIGHT_BRACKET},
    };
    if (sym >= '0' && sym <= '9')
        return Key::DIGIT_0 + (sym - '0');
    if (sym >= 'a' && sym <= 'z')
        return Key::LETTER_A + (sym - 'a');
    for (const auto& key : KEYS)
        if (key.sym == sym)
            return key.code;
    return 0;
}

} // namespace

PlaybookApplication* PlaybookApplication::s_instance = nullptr;

PlaybookApplication::PlaybookApplication(u32 flags)
    : AbstractApp(flags), m_quit(false), m_movieSkip(false), m_context(nullptr), m_window(nullptr)
{
    s_instance = this;
}

PlaybookApplication::~PlaybookApplication()
{
}

void PlaybookApplication::SetScreen(screen_context_t context, screen_window_t window)
{
    m_context = context;
    m_window = window;
}

void PlaybookApplication::CreateDisplay()
{
    SetDisplay(PlaybookDisplay::Create(m_context, m_window));
    // Without GL nothing can be shown: the start is given up, with one line saying why.
    const PlaybookSurface* screen = PlaybookSurface::GetScreen();
    if (screen && !screen->GetFailure().empty()) {
        std::fprintf(stderr, "%s: cannot draw: %s\n", program_invocation_short_name,
                     screen->GetFailure().c_str());
        AbandonStart();
        return;
    }
    Initialize();
    // The tablet has no such switches; the desktop stand-in reads them from the environment.
    const int remotePort = Host::RemoteConsolePort();
    if (Host::DebugOverlayWanted() || remotePort > 0) {
        DebugOverlay* overlay = DebugOverlay::Create();
        if (remotePort > 0)
            overlay->OpenRemotePort(static_cast<u16>(remotePort));
    }
}

void PlaybookApplication::Run()
{
    // Paced to the display the platform reports (none when its clock is simulated), so that a
    // swap that returns at once does not turn the loop into a spin.
    FramePacer pacer(Host::DisplayRefreshRate());
    u64 last = GetTime();
    while (RunPass(last))
        pacer.EndPass();
}

bool PlaybookApplication::RunPass(u64& last)
{
    // Every pending event is handled before the next frame, so a burst of moves arrives whole;
    // an exit in the middle of it still lets the events behind it through.
    bps_event_t* event = nullptr;
    for (;;) {
        event = nullptr;
        bps_get_event(&event, 0);
        if (!event)
            break;
        HandleEvent(event);
    }
    if (m_quit)
        return false;
    u64 now = GetTime();
    float seconds = static_cast<float>(now - last) * 0.001f;
    last = now;
    Tick(seconds);
    return true;
}

void PlaybookApplication::Finish()
{
    Release();
}

void PlaybookApplication::Quit()
{
    m_quit = true;
}

bool PlaybookApplication::OpenUrl(const WideString& url)
{
    NarrowString address(url);
    return navigator_invoke(address.c_str(), nullptr) == BPS_SUCCESS;
}

void PlaybookApplication::HandleEvent(bps_event_t* event)
{
    int domain = bps_event_get_domain(event);
    if (domain == navigator_get_domain())
        HandleNavigatorEvent(event);
    else if (domain == screen_get_domain())
        HandleScreenEvent(event);
    else if (domain == mmrenderer_get_domain())
        HandleMediaEvent(event);
}

void PlaybookApplication::HandleNavigatorEvent(bps_event_t* event)
{
    switch (bps_event_get_code(event)) {
    case NAVIGATOR_EXIT:
        m_quit = true;
        break;
    case NAVIGATOR_WINDOW_STATE:
        OnActivate(navigator_event_get_window_state(event) == NAVIGATOR_WINDOW_FULLSCREEN);
        break;
    case NAVIGATOR_ORIENTATION_CHECK:
        navigator_event_get_orientation_angle(event);
        navigator_orientation_check_response(event, true);
        break;
    case NAVIGATOR_ORIENTATION:
        // The window buffers are rebuilt for the new angle with the new display.
        navigator_event_get_orientation_angle(event);
        SetDisplay(PlaybookDisplay::Create(m_context, m_window));
        break;
    case NAVIGATOR_WINDOW_ACTIVE:
        OnActivate(true);
        break;
    case NAVIGATOR_WINDOW_INACTIVE:
        OnActivate(false);
        break;
    default:
        break;
    }
}

void PlaybookApplication::HandleScreenEvent(bps_event_t* event)
{
    screen_event_t screenEvent = screen_event_get_event(event);
    int type = 0;
    int position[2] = {0, 0};
    int id = 0;
    // All three are read whatever the type; a property the event lacks leaves its value alone.
    screen_get_event_property_iv(screenEvent, SCREEN_PROPERTY_TYPE, &type);
    screen_get_event_property_iv(screenEvent, SCREEN_PROPERTY_SOURCE_POSITION, position);
    screen_get_event_property_iv(screenEvent, SCREEN_PROPERTY_TOUCH_ID, &id);

    const bool touch = type == SCREEN_EVENT_MTOUCH_TOUCH || type == SCREEN_EVENT_MTOUCH_MOVE ||
                       type == SCREEN_EVENT_MTOUCH_RELEASE;
    if (touch && !IsMovieFinished())
        m_movieSkip = true;
    if (touch && IsMovieTouch(type, id))
        return;

    // The id is passed on as the platform gave it; the base class drops what is out of range.
    u32 touchId = static_cast<u32>(id);
    if (type == SCREEN_EVENT_KEYBOARD) {
        int flags = 0;
        int sym = 0;
        screen_get_event_property_iv(screenEvent, SCREEN_PROPERTY_KEY_FLAGS, &flags);
        screen_get_event_property_iv(screenEvent, SCREEN_PROPERTY_KEY_SYM, &sym);
        if (int key = EngineKeyCode(sym)) {
            if (flags & KEY_FLAG_DOWN)
                DispatchKeyDown(key);
            else
                DispatchKeyUp(key);
        }
        return;
    }
    switch (type) {
    case SCREEN_EVENT_MTOUCH_TOUCH:
        DispatchTouchDown(position[0], position[1], touchId);
        break;
    case SCREEN_EVENT_MTOUCH_MOVE:
        DispatchTouchMove(position[0], position[1], touchId);
        break;
    case SCREEN_EVENT_MTOUCH_RELEASE:
        DispatchTouchUp(position[0], position[1], touchId);
        break;
    default:
        break;
    }
}

bool PlaybookApplication::IsMovieTouch(int type, int id)
{
    // A touch that ends a movie must not also reach the application as a tap on whatever lies
    // under the picture; neither do its moves and its release, which come after the movie is
    // gone. A finger already down when the movie began still has its release delivered.
    if (type == SCREEN_EVENT_MTOUCH_TOUCH) {
        if (!IsMovieFinished()) {
            m_movieTouches.insert(id);
            return true;
        }
        m_movieTouches.erase(id);
        return false;
    }
    if (!m_movieTouches.count(id))
        return false;
    if (type == SCREEN_EVENT_MTOUCH_RELEASE)
        m_movieTouches.erase(id);
    return true;
}

void PlaybookApplication::HandleMediaEvent(bps_event_t* event)
{
    if (mmrenderer_event_get_state(event) != MMR_STATE_STOPPED && !m_movieSkip)
        return;
    // The user data is the player that asked for the events. A player withdraws its request
    // before it goes, and the renderer queues its events under the lock the withdrawal takes
    // (dropping those still queued), so whatever thread reports playback, a delivered event never
    // names a dead player.
    auto player = static_cast<PlaybookMoviePlayer*>(mmrenderer_event_get_userdata(event));
    if (!player)
        return;
    player->Stop(true);
    m_movieSkip = false;
}

} // namespace Vorn
