// The on-screen debug overlay and console. This program never creates one (g_debugOverlay stays
// null); the engine keeps the few entry points other components call when it exists.
#pragma once

#include <vector>

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"

namespace Vorn {

class DebugOverlay : public RefCounter {
public:
    // A client of the remote console.
    struct RemoteConnection;

    // Splits the text at each '\n'. With a null connection every line is appended to the console;
    // with a connection each line goes to that client followed by "\r\n". Never fails.
    void Print(const NarrowString& text, RemoteConnection* connection);

    const std::vector<NarrowString>& GetConsoleLines() const { return m_consoleLines; }

    // True while the console is shown.
    static bool s_consoleEnabled;

private:
    std::vector<NarrowString> m_consoleLines;
};

extern SmartPtr<DebugOverlay> g_debugOverlay;

} // namespace Vorn
