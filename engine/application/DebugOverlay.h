// The on-screen debug overlay and console. This program never creates one (g_debugOverlay stays
// null); the engine keeps the entry points the application base class and other components call
// when it exists. The console's own handling of input and drawing is not part of this engine; the
// defaults here take the input and draw nothing.
#pragma once

#include <vector>

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"

namespace Vorn {

class Surface;

class DebugOverlay : public RefCounter {
public:
    // A client of the remote console.
    struct RemoteConnection;

    // Splits the text at each '\n'. With a null connection every line is appended to the console;
    // with a connection each line goes to that client followed by "\r\n". Never fails.
    void Print(const NarrowString& text, RemoteConnection* connection);

    const std::vector<NarrowString>& GetConsoleLines() const { return m_consoleLines; }

    // Once per tick, with the unscaled frame time, before the application's update.
    virtual void Update(float /*seconds*/) {}
    // Once per drawn frame, after the application's drawing.
    virtual void Render(Surface* /*screen*/) {}
    // Input while the console is shown.
    virtual void OnTouchDown(int /*x*/, int /*y*/, int /*id*/) {}
    virtual void OnTouchMove(int /*x*/, int /*y*/, int /*id*/) {}
    virtual void OnTouchUp(int /*x*/, int /*y*/, int /*id*/) {}
    virtual void OnKeyDown(int /*key*/) {}
    virtual void OnKeyUp(int /*key*/) {}

    // True while the console is shown.
    static bool s_consoleEnabled;

private:
    std::vector<NarrowString> m_consoleLines;
};

extern SmartPtr<DebugOverlay> g_debugOverlay;
// True while the overlay's exception screen is shown; the next touch or key dismisses it.
extern bool g_debugOverlayException;

} // namespace Vorn
