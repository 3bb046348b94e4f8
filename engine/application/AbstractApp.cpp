#include "application/AbstractApp.h"

#include <clocale>

#include "application/DebugOverlay.h"
#include "base/AssetDict.h"
#include "base/TextDict.h"
#include "sound/mixer/Mixer.h"
#include "system/AllocPool.h"

namespace Vorn {

AbstractApp* AbstractApp::s_application = nullptr;
std::atomic<float> g_timeSkew(1.0f);

AbstractApp::AbstractApp(u32 flags) : m_display(nullptr), m_flags(flags), m_paused(false)
{
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
    // Release order: mixer, asset dictionary, registry, text dictionary, debug overlay. The
    // registry joins in its place as soon as its component is part of the engine.
    //
    // The mixer's playback thread is stopped and joined here, on the main thread: other holders
    // (the game's sound layer lives until the process exits) could otherwise keep it running
    // past the platform's shutdown, and the last release could fall on the thread itself.
    if (g_mixer)
        g_mixer->Shutdown();
    g_mixer = nullptr;
    g_assetDict = nullptr;
    g_textDict = nullptr;
    g_debugOverlay = nullptr;
}

} // namespace Vorn
