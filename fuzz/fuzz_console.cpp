// Feeds arbitrary bytes to the debug console the way a remote client does: one command line per
// line feed, run by the interpreter against a registry, an asset and a text dictionary.
#include <cstdint>
#include <cstring>

#include "application/AbstractApp.h"
#include "application/DebugOverlay.h"
#include "base/AssetDict.h"
#include "base/Registry.h"
#include "base/TextDict.h"

using namespace Vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (64u << 10))
        return 0;
    g_registry = new Registry;
    g_assetDict = new AssetDict;
    g_textDict = new TextDict;
    {
        SmartPtr<DebugOverlay> overlay(new DebugOverlay);
        const char* text = reinterpret_cast<const char*>(data);
        size_t start = 0;
        for (size_t i = 0; i <= size; ++i) {
            if (i == size || text[i] == '\n') {
                overlay->ExecuteCommand(NarrowString(text + start, i - start), nullptr);
                start = i + 1;
            }
        }
        // The listing walks whatever the commands built.
        overlay->ExecuteCommand("reglist", nullptr);
        overlay->Update(0.1f);
    }
    g_registry = nullptr;
    g_assetDict = nullptr;
    g_textDict = nullptr;
    g_timeSkew.store(1.0f);
    return 0;
}
