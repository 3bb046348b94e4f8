// The small process-wide objects the application base class makes and releases: the application
// globals record, the input devices, the batcher-freeze token, and the application's name.
#pragma once

#include <vector>

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "system/Types.h"

namespace Vorn {

// Made by every application constructor; kept for components that want per-application values.
class AppGlobals : public RefCounter {
public:
    u32 value = 0;
    NarrowString first;
    NarrowString second;
};

// An input device with axes. Nothing on this platform updates them.
class Joystick : public RefCounter {
public:
    Joystick(u32 axisCount, float* axes) : m_id(0), m_axisCount(axisCount), m_axes(axes) {}

    u32 GetId() const { return m_id; }
    u32 GetAxisCount() const { return m_axisCount; }
    const float* GetAxes() const { return m_axes; }

protected:
    u32 m_id;
    u32 m_axisCount;
    float* m_axes;
};

// Three axes held in the object, all 0.
class Accelerometer : public Joystick {
public:
    Accelerometer() : Joystick(3, m_values) {}

private:
    float m_values[3] = {0.0f, 0.0f, 0.0f};
};

// An empty token: holding one marks the batcher frozen.
class BatcherFreeze : public RefCounter {
};

extern SmartPtr<AppGlobals> g_appGlobals;
extern std::vector<SmartPtr<Joystick>> g_joysticks;
// The application's name, which the remote console's greeting shows: empty until the application
// names itself, which it does when it is made (the game in its application's constructor, after
// static initialisation and before any platform call).
extern NarrowString g_applicationName;

} // namespace Vorn
