// Internal to the stand-in: event scripts, which give a headless run its events (format in
// standin/events.h).
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace standin {

struct ScriptCommand {
    enum Kind { STEP, FRAMES, NAVIGATOR, TOUCH };
    Kind kind = FRAMES;
    int a = 0;  // STEP: ms; FRAMES: count; NAVIGATOR: code; TOUCH: type
    int b = 0;  // NAVIGATOR: value; TOUCH: x
    int c = 0;  // TOUCH: y
    int d = 0;  // TOUCH: id
};

// Parses a whole script. On failure returns false with a message naming the line.
bool ParseEventScript(const std::string& text, std::vector<ScriptCommand>& commands,
                      std::string& error);

// Plays a script drain by drain: commands up to a FRAMES command are queued at one drain start,
// then the given number of drains pass before the next.
class ScriptPlayer {
public:
    void Load(std::vector<ScriptCommand> commands);
    void Clear();
    // At the start of a drain: queues what is due.
    void DrainStarted();
    bool Running() const { return m_next < m_commands.size() || m_wait > 0; }

private:
    std::vector<ScriptCommand> m_commands;
    size_t m_next = 0;
    int m_wait = 0;
};

// The script of this process, played by the headless backend. Lock ScriptMutex around every use.
ScriptPlayer& GetScriptPlayer();
std::mutex& ScriptMutex();

}  // namespace standin
