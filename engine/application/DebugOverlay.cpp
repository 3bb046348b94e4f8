#include "application/DebugOverlay.h"

namespace Vorn {

SmartPtr<DebugOverlay> g_debugOverlay;
bool DebugOverlay::s_consoleEnabled = false;
bool g_debugOverlayException = false;

void DebugOverlay::Print(const NarrowString& text, RemoteConnection* connection)
{
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        NarrowString line = text.substr(start, end == NarrowString::npos ? NarrowString::npos : end - start);
        if (!connection)
            m_consoleLines.push_back(line);
        // Stub: lines for a remote client are dropped until the network layer provides the
        // connection's socket.
        if (end == NarrowString::npos)
            break;
        start = end + 1;
    }
}

} // namespace Vorn
