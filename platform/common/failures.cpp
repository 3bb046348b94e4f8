// Platform calls made to fail on purpose, so that the application's handling of each failure can
// be tested (in process, or through VORN_FAIL for a whole run).
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "Application.h"
#include "EventCore.h"
#include "standin/events.h"

namespace {

// Every call that tests may make fail.
const char* const CALLS[] = {
    "bps_initialize",        "navigator_request_events", "navigator_invoke",
    "screen_create_context", "screen_create_window",     "screen_create_window_group",
    "screen_destroy_window", "screen_destroy_context",
    "mmr_load_mpv",  // the movie player's library loads as though it were missing
    "mmr_speed_set", "mmr_output_parameters",  // the movie player refuses the value given
};
const int CALL_COUNT = sizeof(CALLS) / sizeof(CALLS[0]);

struct Failures {
    std::mutex mutex;
    int pending[CALL_COUNT] = {};
    bool environmentRead = false;
    std::string unknown;  // a name VORN_FAIL gave that is no call of the list
};

Failures& GetFailures()
{
    static Failures* s_failures = new Failures;
    return *s_failures;
}

int CallIndex(const char* name, size_t length)
{
    for (int i = 0; i < CALL_COUNT; ++i)
        if (std::strlen(CALLS[i]) == length && std::strncmp(CALLS[i], name, length) == 0)
            return i;
    return -1;
}

}  // namespace

namespace standin {

bool LoadFailuresFromEnvironment()
{
    Failures& f = GetFailures();
    std::lock_guard<std::mutex> lock(f.mutex);
    if (f.environmentRead)
        return f.unknown.empty();
    f.environmentRead = true;
    const char* list = std::getenv("VORN_FAIL");
    while (list && *list) {
        const char* end = std::strchr(list, ',');
        size_t length = end ? static_cast<size_t>(end - list) : std::strlen(list);
        int index = CallIndex(list, length);
        if (index >= 0)
            ++f.pending[index];
        else if (f.unknown.empty())
            f.unknown.assign(list, length);
        list = end ? end + 1 : nullptr;
    }
    if (f.unknown.empty())
        return true;
    // A misspelt name would otherwise test nothing and pass.
    std::string known;
    for (const char* call : CALLS)
        known += std::string(known.empty() ? "" : ", ") + call;
    SetLastError("VORN_FAIL names no platform call: '%s' (it takes %s)", f.unknown.c_str(),
                 known.c_str());
    return false;
}

}  // namespace standin

extern "C" int standin_fail_call(const char* name, int times)
{
    if (!name)
        return -1;
    int index = CallIndex(name, std::strlen(name));
    if (index < 0)
        return -1;
    Failures& f = GetFailures();
    std::lock_guard<std::mutex> lock(f.mutex);
    f.pending[index] = times > 0 ? times : 0;
    return 0;
}

extern "C" int standin_should_fail(const char* name)
{
    if (!name)
        return 0;
    int index = CallIndex(name, std::strlen(name));
    if (index < 0)
        return 0;
    standin::LoadFailuresFromEnvironment();
    Failures& f = GetFailures();
    std::lock_guard<std::mutex> lock(f.mutex);
    if (f.pending[index] == 0)
        return 0;
    --f.pending[index];
    standin::SetLastError("made to fail on purpose (VORN_FAIL)");
    return 1;
}
