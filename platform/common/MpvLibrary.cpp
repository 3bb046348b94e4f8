#include "MpvLibrary.h"

#include <dlfcn.h>

#include <memory>
#include <mutex>
#include <string>

#include "Application.h"
#include "standin/events.h"

namespace standin {
namespace {

// Set once libmpv is loaded; never unloaded (its threads may outlive any caller).
const MpvCalls* s_mpv = nullptr;

}  // namespace

const MpvCalls* LoadMpv()
{
    static std::mutex s_mutex;
    static bool s_reported = false;
    std::lock_guard<std::mutex> lock(s_mutex);
    std::string why;
    if (standin_should_fail("mmr_load_mpv")) {
        why = "made to fail";
    } else if (s_mpv) {
        return s_mpv;
    } else {
        const std::string versioned = "libmpv.so." + std::to_string(MPV_CLIENT_API_VERSION >> 16);
        void* library = dlopen(versioned.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library)
            library = dlopen("libmpv.so", RTLD_NOW | RTLD_LOCAL);
        if (library) {
            auto calls = std::make_unique<MpvCalls>();
            bool complete = true;
#define VORN_MPV_LOOKUP(name)                                                                    \
    calls->name = reinterpret_cast<decltype(calls->name)>(dlsym(library, "mpv_" #name));          \
    complete = complete && calls->name;
            VORN_MPV_CALLS(VORN_MPV_LOOKUP)
#undef VORN_MPV_LOOKUP
            if (complete) {
                s_mpv = calls.release();
                return s_mpv;
            }
            why = "it lacks calls this program needs";
        } else {
            const char* error = dlerror();
            why = error ? error : "not found";
        }
    }
    if (!s_reported) {
        s_reported = true;
        Say("movies cannot play: libmpv cannot be loaded (%s)", why.c_str());
    }
    return nullptr;
}

const MpvCalls& Mpv()
{
    return *s_mpv;
}

}  // namespace standin
