// Headless events: nothing comes from a window system. Tests queue events in process
// (standin/events.h); a whole run takes its events from the script VORN_EVENTS names.
#include <cstdio>
#include <cstdlib>

#include "EventCore.h"
#include "EventScript.h"
#include "bps/bps.h"
#include "standin/events.h"

namespace standin {
namespace {

class HeadlessEventBackend final : public EventBackend {
public:
    void Pump(bool drainStart, int) override
    {
        // Time is stepped here: an empty poll never waits.
        if (!drainStart)
            return;
        std::lock_guard<std::mutex> lock(ScriptMutex());
        GetScriptPlayer().DrainStarted();
    }

    bool Invoke(const std::string& uri, std::string&) override
    {
        RecordInvoke(uri);
        return true;
    }

    void Reset(bool starting) override
    {
        if (!starting) {
            std::lock_guard<std::mutex> lock(ScriptMutex());
            GetScriptPlayer().Clear();
            return;
        }
        if (m_environmentRead)
            return;
        m_environmentRead = true;
        const char* path = std::getenv("VORN_EVENTS");
        if (!path || !*path)
            return;
        char* message = nullptr;
        if (standin_load_event_script(path, &message) != 0) {
            // A run whose events cannot be read would wait for ever for its exit.
            std::fprintf(stderr, "VORN_EVENTS: %s\n", message ? message : path);
            bps_free(message);
            std::exit(2);
        }
    }

private:
    bool m_environmentRead = false;
};

}  // namespace

std::unique_ptr<EventBackend> CreateHeadlessEventBackend()
{
    return std::make_unique<HeadlessEventBackend>();
}

}  // namespace standin
