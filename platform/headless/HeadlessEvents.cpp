// Headless events: nothing comes from a window system. Tests queue events in process
// (standin/events.h); a whole run takes its events from the script VORN_EVENTS names.
#include <unistd.h>

#include <cstdlib>

#include "Application.h"
#include "EventCore.h"
#include "EventScript.h"
#include "bps/bps.h"
#include "standin/events.h"

namespace standin {
namespace {

const int MAX_WAIT_MS = 10;

class HeadlessEventBackend final : public EventBackend {
public:
    // Time is stepped: an application in the background polls at full speed.
    bool ThrottlesBackground() const override { return false; }

    void Pump(bool drainStart, int waitMs) override
    {
        // Only a caller's own wait (a timeout) passes real time here; it is spent in short
        // slices so that events another thread queues are seen.
        if (waitMs > 0)
            usleep(static_cast<useconds_t>(waitMs < MAX_WAIT_MS ? waitMs : MAX_WAIT_MS) * 1000u);
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
            Say("VORN_EVENTS=%s: %s", path, message ? message : "cannot be read");
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
