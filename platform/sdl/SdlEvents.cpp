// Desktop events: SDL's window and input events turned into the tablet's navigator and screen
// events. The mouse stands in for a finger (left button only, no hover: a touch screen reports
// nothing while no finger is down); real touch screens give their fingers small touch ids.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <SDL.h>

#include "Application.h"
#include "EventCore.h"
#include "SdlVideo.h"
#include "UncheckedLibraryCall.h"
#include "bps/navigator.h"
#include "screen/screen_events.h"

extern char** environ;

namespace standin {
namespace {

// Touch ids handed out: the tablet reports at most this many fingers at once.
const int TOUCH_SLOTS = 256;
// How long navigator_invoke waits for the desktop's opener to report failure before taking its
// silence for success.
const int OPENER_WAIT_MS = 2000;

// Who holds a touch id: the mouse, or one finger of one touch device.
struct TouchOwner {
    bool used = false;
    bool mouse = false;
    SDL_TouchID device = 0;
    SDL_FingerID finger = 0;
};

class SdlEventBackend final : public EventBackend {
public:
    SdlEventBackend()
    {
        // The stand-in maps mouse and fingers itself; SDL must not mirror one into the other.
        SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
        SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
        m_owners.resize(TOUCH_SLOTS);
    }

    bool ThrottlesBackground() const override { return true; }

    void Pump(bool, int waitMs) override
    {
        ReapOpeners();
        // A window destroyed by another client cannot be drawn again: the run ends as at a close.
        if (TakeWindowLost())
            Exit();
        if (!SDL_WasInit(SDL_INIT_VIDEO)) {
            if (waitMs > 0)
                usleep(static_cast<useconds_t>(waitMs) * 1000u);
            return;
        }
        // A movie's output that closed since the last pump took the handlers with it.
        ClaimXErrorHandlers();
        SDL_Event event;
        bool any = false;
        while (Poll(event))
            any = Translate(event) || any;
        if (any || waitMs <= 0)
            return;
        bool woken = false;
        {
            const UncheckedLibraryCall unchecked;
            woken = SDL_WaitEventTimeout(&event, waitMs) != 0;
        }
        if (woken) {
            Translate(event);
            while (Poll(event))
                Translate(event);
        } else {
            // Waiting, the application draws nothing that would hear of its window's loss; a
            // loss found here ends the run at the next pump's start.
            ProbeWindows();
        }
    }

    // SDL's event pump grows its tables of mice, touch devices and fingers as they appear and
    // keeps them to the end, like its start-up; none of our code runs inside it.
    static bool Poll(SDL_Event& event)
    {
        const UncheckedLibraryCall unchecked;
        return SDL_PollEvent(&event) != 0;
    }

    // A failure to open is said on stderr too: the player who pressed the button sees no error.
    bool Invoke(const std::string& uri, std::string& error) override
    {
        const bool opened = Open(uri, error);
        if (!opened)
            Say("cannot open %s: %s", uri.c_str(), error.c_str());
        return opened;
    }

    void Reset(bool) override
    {
        for (TouchOwner& owner : m_owners)
            owner = TouchOwner();
        m_active = true;
        m_windowState = NAVIGATOR_WINDOW_FULLSCREEN;
        m_exitSent = false;
        TakeWindowLost();  // a loss of an earlier session's window
    }

private:
    bool Open(const std::string& uri, std::string& error)
    {
        ReapOpeners();
        char program[] = "xdg-open";
        std::vector<char> address(uri.begin(), uri.end());
        address.push_back('\0');
        char* argv[] = {program, address.data(), nullptr};
        pid_t pid = 0;
        int spawned = posix_spawnp(&pid, program, nullptr, nullptr, argv, environ);
        if (spawned != 0) {
            error = std::string("no desktop opener (xdg-open): ") + std::strerror(spawned);
            return false;
        }
        // The opener returns at once when it has handed the address on, and fails at once when
        // nothing can open it; one that is still running has started a program.
        for (int waited = 0; waited < OPENER_WAIT_MS; waited += 10) {
            int status = 0;
            pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
                    return true;
                error = "the desktop opener could not open the address";
                return false;
            }
            if (done < 0)
                return true;
            usleep(10000);
        }
        m_openers.push_back(pid);
        return true;
    }

    // An opener still running when Open returned that fails later is said on stderr then.
    void ReapOpeners()
    {
        m_openers.erase(std::remove_if(m_openers.begin(), m_openers.end(),
                                       [](pid_t pid) {
                                           int status = 0;
                                           if (waitpid(pid, &status, WNOHANG) == 0)
                                               return false;
                                           if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
                                               Say("the desktop opener could not open the address");
                                           return true;
                                       }),
                        m_openers.end());
    }

    // The desktop keyboard as the tablet's attached keyboard: printable keys report their
    // character, a few others their symbol; the rest is not passed on.
    bool Key(const SDL_KeyboardEvent& key)
    {
        static const struct {
            SDL_Keycode sdl;
            int sym;
        } SPECIAL[] = {
            {SDLK_BACKSPACE, KEYSYM_BACKSPACE}, {SDLK_RETURN, KEYSYM_RETURN},
            {SDLK_KP_ENTER, KEYSYM_RETURN},     {SDLK_LEFT, KEYSYM_LEFT},
            {SDLK_RIGHT, KEYSYM_RIGHT},         {SDLK_UP, KEYSYM_UP},
            {SDLK_DOWN, KEYSYM_DOWN},           {SDLK_PAGEUP, KEYSYM_PAGE_UP},
            {SDLK_PAGEDOWN, KEYSYM_PAGE_DOWN},  {SDLK_LSHIFT, KEYSYM_SHIFT},
            {SDLK_RSHIFT, KEYSYM_SHIFT},        {SDLK_F12, KEYSYM_F12},
        };
        const SDL_Keycode code = key.keysym.sym;
        int sym = 0;
        if (code >= 0x20 && code < 0x7F)
            sym = static_cast<int>(code);
        for (const auto& entry : SPECIAL)
            if (entry.sdl == code)
                sym = entry.sym;
        if (sym == 0)
            return false;
        PushKey(key.type == SDL_KEYDOWN ? KEY_FLAG_DOWN : 0, sym);
        return true;
    }

    bool Translate(const SDL_Event& event)
    {
        switch (event.type) {
        case SDL_QUIT:
            return Exit();
        case SDL_WINDOWEVENT:
            return WindowEvent(event.window);
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (event.button.button != SDL_BUTTON_LEFT || event.button.which == SDL_TOUCH_MOUSEID)
                return false;
            return Mouse(event.type == SDL_MOUSEBUTTONDOWN ? SCREEN_EVENT_MTOUCH_TOUCH
                                                           : SCREEN_EVENT_MTOUCH_RELEASE,
                         event.button.windowID, event.button.x, event.button.y);
        case SDL_MOUSEMOTION:
            if (event.motion.which == SDL_TOUCH_MOUSEID)
                return false;
            return Mouse(SCREEN_EVENT_MTOUCH_MOVE, event.motion.windowID, event.motion.x,
                         event.motion.y);
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP:
            return Finger(event.tfinger);
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            return Key(event.key);
        default:
            return false;
        }
    }

    bool Exit()
    {
        // Closing the window and SDL's quit request (which follows it, and a Ctrl+C) are one
        // request to leave.
        if (m_exitSent)
            return false;
        m_exitSent = true;
        PushNavigatorEvent(NAVIGATOR_EXIT, 0);
        return true;
    }

    bool WindowEvent(const SDL_WindowEvent& window)
    {
        switch (window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            return Exit();
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            return SetActive(true);
        case SDL_WINDOWEVENT_FOCUS_LOST:
            return SetActive(false);
        case SDL_WINDOWEVENT_MINIMIZED:
            return SetWindowState(NAVIGATOR_WINDOW_THUMBNAIL);
        case SDL_WINDOWEVENT_HIDDEN:
            return SetWindowState(NAVIGATOR_WINDOW_INVISIBLE);
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN:
            return SetWindowState(NAVIGATOR_WINDOW_FULLSCREEN);
        default:
            return false;
        }
    }

    // The window system repeats itself (a restore also shows the window and gives it focus):
    // only changes are passed on.
    bool SetActive(bool active)
    {
        if (active == m_active)
            return false;
        m_active = active;
        PushNavigatorEvent(active ? NAVIGATOR_WINDOW_ACTIVE : NAVIGATOR_WINDOW_INACTIVE, 0);
        return true;
    }

    // A window state event activates or deactivates the application by itself.
    bool SetWindowState(int state)
    {
        if (state == m_windowState)
            return false;
        m_windowState = state;
        m_active = state == NAVIGATOR_WINDOW_FULLSCREEN;
        PushNavigatorEvent(NAVIGATOR_WINDOW_STATE, state);
        return true;
    }

    // The window's size in pixels; false when the window is unknown.
    static bool WindowSize(Uint32 windowId, int& width, int& height)
    {
        SDL_Window* window = windowId ? SDL_GetWindowFromID(windowId) : SDL_GetMouseFocus();
        if (!window)
            return false;
        SDL_GetWindowSize(window, &width, &height);
        return width > 0 && height > 0;
    }

    // A touch screen reports positions on the screen only.
    static void Clamp(int& x, int& y, int width, int height)
    {
        x = std::min(std::max(x, 0), width - 1);
        y = std::min(std::max(y, 0), height - 1);
    }

    int Allocate(const TouchOwner& owner)
    {
        for (int id = 0; id < TOUCH_SLOTS; ++id) {
            if (!m_owners[id].used) {
                m_owners[id] = owner;
                m_owners[id].used = true;
                return id;
            }
        }
        return -1;
    }

    int FindMouse() const
    {
        for (int id = 0; id < TOUCH_SLOTS; ++id)
            if (m_owners[id].used && m_owners[id].mouse)
                return id;
        return -1;
    }

    int FindFinger(SDL_TouchID device, SDL_FingerID finger) const
    {
        for (int id = 0; id < TOUCH_SLOTS; ++id) {
            const TouchOwner& o = m_owners[id];
            if (o.used && !o.mouse && o.device == device && o.finger == finger)
                return id;
        }
        return -1;
    }

    bool Mouse(int type, Uint32 windowId, int x, int y)
    {
        int width = 0, height = 0;
        if (!WindowSize(windowId, width, height))
            return false;
        int id = FindMouse();
        if (type == SCREEN_EVENT_MTOUCH_TOUCH) {
            if (id >= 0)
                return false;
            TouchOwner mouse;
            mouse.mouse = true;
            id = Allocate(mouse);
        }
        // Moves and releases without a press (hover, or a press outside the window) are not
        // touches.
        if (id < 0)
            return false;
        if (type == SCREEN_EVENT_MTOUCH_RELEASE)
            m_owners[id] = TouchOwner();
        Clamp(x, y, width, height);
        PushTouch(type, x, y, id);
        return true;
    }

    bool Finger(const SDL_TouchFingerEvent& finger)
    {
        int width = 0, height = 0;
        if (finger.touchId == SDL_MOUSE_TOUCHID || !WindowSize(finger.windowID, width, height))
            return false;
        int type = finger.type == SDL_FINGERDOWN   ? SCREEN_EVENT_MTOUCH_TOUCH
                   : finger.type == SDL_FINGERUP ? SCREEN_EVENT_MTOUCH_RELEASE
                                                 : SCREEN_EVENT_MTOUCH_MOVE;
        // SDL's finger ids are 64-bit and arbitrary; the application gets the smallest free slot.
        int id = FindFinger(finger.touchId, finger.fingerId);
        if (type == SCREEN_EVENT_MTOUCH_TOUCH && id < 0) {
            TouchOwner owner;
            owner.device = finger.touchId;
            owner.finger = finger.fingerId;
            id = Allocate(owner);
        }
        // A finger beyond the slots, or one that went down before the services started, stays
        // unknown.
        if (id < 0)
            return false;
        if (type == SCREEN_EVENT_MTOUCH_RELEASE)
            m_owners[id] = TouchOwner();
        int x = static_cast<int>(finger.x * static_cast<float>(width));
        int y = static_cast<int>(finger.y * static_cast<float>(height));
        Clamp(x, y, width, height);
        PushTouch(type, x, y, id);
        return true;
    }

    std::vector<TouchOwner> m_owners;
    std::vector<pid_t> m_openers;
    bool m_active = true;
    int m_windowState = NAVIGATOR_WINDOW_FULLSCREEN;
    bool m_exitSent = false;
};

}  // namespace

std::unique_ptr<EventBackend> CreateSdlEventBackend()
{
    return std::make_unique<SdlEventBackend>();
}

}  // namespace standin
