// Feeds arbitrary bytes to the registry's document loader, as a plain text and into a base path,
// then saves what it built and loads that again: the second load must take everything back.
#include <cstdint>
#include <cstdlib>

#include "base/Registry.h"

using namespace Vorn;

namespace {

void Ignore(void*, const std::string&, RegistryKey*) {}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (256u << 10))
        return 0;
    NarrowString text(reinterpret_cast<const char*>(data), size);
    SmartPtr<Registry> registry(new Registry);
    registry->AddCallback("/", &Ignore, nullptr, __FILE__, "fuzz", __LINE__);
    registry->LoadFromString(text, true, nullptr);
    registry->LoadFromString(text, false, "/base");
    std::string saved = registry->SaveToString("/");
    SmartPtr<Registry> copy(new Registry);
    if (!saved.empty() && !copy->LoadFromString(saved, false, nullptr))
        std::abort();   // what the registry wrote it must read
    return 0;
}
