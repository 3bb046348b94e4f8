// The platform-independent application base class: flags, paused state, the display, and the
// engine's global services, which its destructor releases.
#pragma once

#include <atomic>

#include "base/RefCounter.h"
#include "system/Types.h"

namespace Vorn {

class Display;
class Surface;
class WideString;

class AbstractApp : public RefCounter {
public:
    // Application flags, given to the constructor (the game passes 0).
    static const u32 FLAG_KEEP_ACTIVE = 0x8;        // losing activation does not pause
    static const u32 FLAG_TEXTURE_AGEING = 0x40;    // keep uploaded pixel data, age idle textures
    static const u32 FLAG_HIGH_TOUCH_IDS = 0x400;   // deliver touch ids above 255

    // Makes this the running application and installs the pool allocator when none exists yet.
    explicit AbstractApp(u32 flags);
    // Clears s_application and releases the global services in a fixed order.
    ~AbstractApp() override;

    u32 GetFlags() const { return m_flags; }
    bool IsPaused() const { return m_paused; }

    // Stub until the display class exists: the display is held without a count; the runtime makes
    // this a counted reference and records the first display size here.
    void SetDisplay(Display* display) { m_display = display; }
    Display* GetDisplay() const { return m_display; }

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
    virtual void AfterRender(Surface* /*screen*/) {}

    // The running application; null before the first constructor and after the destructor.
    static AbstractApp* s_application;

protected:
    Display* m_display;
    u32 m_flags;
    bool m_paused;
};

// Factor applied to the update time and read by the mixer on the audio thread; 1.0 at start.
extern std::atomic<float> g_timeSkew;

} // namespace Vorn
