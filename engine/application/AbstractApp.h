// The platform-independent application base class: the frame tick, input and activation routing,
// the display, and the engine's global services, which its destructor releases.
#pragma once

#include <atomic>
#include <vector>

#include "application/KeyCodes.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "system/Types.h"

namespace Vorn {

class BatcherFreeze;
class NarrowString;
class Display;
class MoviePlayerInterface;
class Surface;
class WideString;

class AbstractApp : public RefCounter {
public:
    // Application flags, given to the constructor (the game passes 0).
    static constexpr u32 FLAG_KEEP_ACTIVE = 0x8;        // losing activation does not pause
    static constexpr u32 FLAG_TEXTURE_AGEING = 0x40;    // keep uploaded pixel data, age idle textures
    static constexpr u32 FLAG_HIGH_TOUCH_IDS = 0x400;   // deliver touch ids above 255

    // Touch ids above this are dropped unless FLAG_HIGH_TOUCH_IDS is set.
    static constexpr u32 MAX_TOUCH_ID = 255;
    // Bit of the mixer's pause mask held while the window is inactive.
    static constexpr u32 MIXER_PAUSE_FOCUS = 1;
    // Bit of the mixer's pause mask held while the debug console shows, and the key toggling it.
    static constexpr u32 MIXER_PAUSE_CONSOLE = 2;
    static constexpr int CONSOLE_KEY = Key::TILDE;

    // One entry of the display-size table: the size of the first display.
    struct DisplaySize {
        u32 id;
        u32 width;
        u32 height;
    };

    // Makes this the running application, replaces the application globals, adds an
    // accelerometer to g_joysticks, and installs the pool allocator when none exists yet.
    explicit AbstractApp(u32 flags);
    // Clears s_application and releases the global services in a fixed order, the mixer's
    // playback thread stopped first.
    ~AbstractApp() override;

    u32 GetFlags() const { return m_flags; }
    bool IsPaused() const { return m_paused; }
    Display* GetDisplay() const { return m_display.Get(); }
    const std::vector<DisplaySize>& GetDisplaySizes() const { return m_displaySizes; }

    // Slots the runtime calls; every default does nothing.
    virtual void Initialize() {}
    virtual void Release() {}
    virtual void OnKeyDown(int /*key*/) {}
    virtual void OnKeyUp(int /*key*/) {}
    virtual void OnFocus(bool /*focused*/) {}
    virtual void Update(float /*seconds*/) {}
    virtual void Render(Surface* /*screen*/) {}
    virtual void OnResize(int /*width*/, int /*height*/) {}
    virtual void OnTouchDown(int /*x*/, int /*y*/, int /*id*/) {}
    virtual void OnTouchUp(int /*x*/, int /*y*/, int /*id*/) {}
    virtual void OnTouchMove(int /*x*/, int /*y*/, int /*id*/) {}
    virtual void Quit() {}
    virtual bool OpenUrl(const WideString& /*url*/) { return false; }
    // Pauses (false) or resumes (true) the application, holds or frees the mixer's focus bit and
    // calls OnFocus.
    virtual void OnActivate(bool active);
    virtual void AfterRender(Surface* /*screen*/) {}

    // One frame: releases a finished movie; unless paused, Update with the time scaled by
    // g_timeSkew, then RenderFrame.
    void Tick(float seconds);
    // The drawing half of the tick: Render, the overlay, AfterRender and the flip, when the
    // screen surface lets the frame begin; then texture ageing under FLAG_TEXTURE_AGEING.
    void RenderFrame();

    // Touches in screen pixels: dropped while paused, taken by the debug console while it shows,
    // and dropped when the id is above MAX_TOUCH_ID unless FLAG_HIGH_TOUCH_IDS is set.
    void DispatchTouchDown(int x, int y, u32 id);
    void DispatchTouchMove(int x, int y, u32 id);
    void DispatchTouchUp(int x, int y, u32 id);
    void DispatchKeyDown(int key);
    void DispatchKeyUp(int key);

    // Holds the display (null releases it). The first display also fills the display-size table.
    void SetDisplay(Display* display);
    void UpdateDisplaySize(int width, int height);

    bool IsMovieFinished();
    // A movie that cannot play is said on stderr, and is finished as soon as this returns.
    void PlayMovie(const NarrowString& file, int volume);
    void ResumeMovie();
    void PauseMovie();
    void FreezeBatcher();
    void SetRenderScale(float scale);

    // The running application; null before the first constructor and after the destructor.
    static AbstractApp* s_application;

protected:
    enum TouchKind { TOUCH_DOWN, TOUCH_MOVE, TOUCH_UP };
    void DispatchTouch(TouchKind kind, int x, int y, u32 id);

    SmartPtr<Display> m_display;
    u32 m_flags;
    bool m_paused;
    SmartPtr<BatcherFreeze> m_batcherFreeze;
    SmartPtr<MoviePlayerInterface> m_moviePlayer;
    std::vector<DisplaySize> m_displaySizes;
};

// Factor applied to the update time and read by the mixer on the audio thread; 1.0 at start.
extern std::atomic<float> g_timeSkew;

} // namespace Vorn
