#include "EventScript.h"

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "EventCore.h"
#include "bps/navigator.h"
#include "screen/screen_events.h"
#include "standin/events.h"

namespace standin {
namespace {

const int MAX_STEP_MS = 60000;
const int MAX_FRAMES = 100000000;

// Commands without arguments that send one navigator event.
const struct {
    const char* name;
    unsigned int code;
} NAVIGATOR_WORDS[] = {
    {"exit", NAVIGATOR_EXIT},
    {"active", NAVIGATOR_WINDOW_ACTIVE},
    {"inactive", NAVIGATOR_WINDOW_INACTIVE},
};

const struct {
    const char* name;
    int state;
} WINDOW_STATES[] = {
    {"fullscreen", NAVIGATOR_WINDOW_FULLSCREEN},
    {"thumbnail", NAVIGATOR_WINDOW_THUMBNAIL},
    {"invisible", NAVIGATOR_WINDOW_INVISIBLE},
};

const struct {
    const char* name;
    unsigned int code;
} ORIENTATION_WORDS[] = {
    {"orientation-check", NAVIGATOR_ORIENTATION_CHECK},
    {"orientation", NAVIGATOR_ORIENTATION},
};

const struct {
    const char* name;
    int type;
} TOUCH_WORDS[] = {
    {"touch", SCREEN_EVENT_MTOUCH_TOUCH},
    {"move", SCREEN_EVENT_MTOUCH_MOVE},
    {"release", SCREEN_EVENT_MTOUCH_RELEASE},
};

// A whole decimal integer within [low, high].
bool ReadInt(std::istringstream& in, int low, int high, int& value)
{
    std::string word;
    if (!(in >> word))
        return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(word.c_str(), &end, 10);
    if (errno != 0 || end == word.c_str() || *end != '\0' || v < low || v > high)
        return false;
    value = static_cast<int>(v);
    return true;
}

bool AtEnd(std::istringstream& in)
{
    std::string rest;
    return !(in >> rest);
}

bool ParseLine(const std::string& line, std::vector<ScriptCommand>& commands)
{
    std::istringstream in(line);
    std::string word;
    if (!(in >> word))
        return true;
    ScriptCommand command;
    if (word == "step") {
        command.kind = ScriptCommand::STEP;
        if (!ReadInt(in, 1, MAX_STEP_MS, command.a))
            return false;
    } else if (word == "frames") {
        command.kind = ScriptCommand::FRAMES;
        if (!ReadInt(in, 1, MAX_FRAMES, command.a))
            return false;
    } else if (word == "state") {
        command.kind = ScriptCommand::NAVIGATOR;
        command.a = NAVIGATOR_WINDOW_STATE;
        std::string state;
        if (!(in >> state))
            return false;
        bool known = false;
        for (const auto& row : WINDOW_STATES)
            if (state == row.name) {
                command.b = row.state;
                known = true;
            }
        if (!known)
            return false;
    } else {
        bool known = false;
        for (const auto& row : NAVIGATOR_WORDS)
            if (word == row.name) {
                command.kind = ScriptCommand::NAVIGATOR;
                command.a = static_cast<int>(row.code);
                known = true;
            }
        for (const auto& row : ORIENTATION_WORDS)
            if (word == row.name) {
                command.kind = ScriptCommand::NAVIGATOR;
                command.a = static_cast<int>(row.code);
                if (!ReadInt(in, 0, 270, command.b) || command.b % 90 != 0)
                    return false;
                known = true;
            }
        for (const auto& row : TOUCH_WORDS)
            if (word == row.name) {
                command.kind = ScriptCommand::TOUCH;
                command.a = row.type;
                if (!ReadInt(in, -1000000, 1000000, command.b) ||
                    !ReadInt(in, -1000000, 1000000, command.c) ||
                    !ReadInt(in, 0, 1000000, command.d))
                    return false;
                known = true;
            }
        if (!known)
            return false;
    }
    if (!AtEnd(in))
        return false;
    commands.push_back(command);
    return true;
}

}  // namespace

bool ParseEventScript(const std::string& text, std::vector<ScriptCommand>& commands,
                      std::string& error)
{
    std::vector<ScriptCommand> parsed;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        if (!ParseLine(line, parsed)) {
            error = "line " + std::to_string(number) + ": not understood: " + line;
            return false;
        }
    }
    commands.swap(parsed);
    return true;
}

void ScriptPlayer::Load(std::vector<ScriptCommand> commands)
{
    m_commands = std::move(commands);
    m_next = 0;
    m_wait = 0;
}

void ScriptPlayer::Clear()
{
    Load({});
}

void ScriptPlayer::DrainStarted()
{
    if (m_wait > 0) {
        --m_wait;
        return;
    }
    while (m_next < m_commands.size()) {
        const ScriptCommand& c = m_commands[m_next++];
        switch (c.kind) {
        case ScriptCommand::STEP:
            standin_clock_set_step(c.a);
            break;
        case ScriptCommand::FRAMES:
            m_wait = c.a;
            return;
        case ScriptCommand::NAVIGATOR:
            PushNavigatorEvent(static_cast<unsigned int>(c.a), c.b);
            break;
        case ScriptCommand::TOUCH:
            PushTouch(c.a, c.b, c.c, c.d);
            break;
        }
    }
}

}  // namespace standin

namespace standin {

ScriptPlayer& GetScriptPlayer()
{
    static ScriptPlayer* s_player = new ScriptPlayer;
    return *s_player;
}

std::mutex& ScriptMutex()
{
    static std::mutex* s_mutex = new std::mutex;
    return *s_mutex;
}

}  // namespace standin

extern "C" int standin_load_event_script(const char* path, char** message)
{
    if (message)
        *message = nullptr;
    std::string error;
    std::vector<standin::ScriptCommand> commands;
    std::string text;
    errno = path ? 0 : EINVAL;
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) {
        error = std::string("cannot be read: ") + std::strerror(errno);
    } else {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
            text.append(buffer, n);
        const int readError = std::ferror(file) ? errno : 0;
        std::fclose(file);
        if (readError)
            error = std::string("cannot be read: ") + std::strerror(readError);
        else
            standin::ParseEventScript(text, commands, error);
    }
    if (!error.empty()) {
        if (message)
            *message = standin::CopyForCaller(error);
        return -1;
    }
    std::lock_guard<std::mutex> lock(standin::ScriptMutex());
    standin::GetScriptPlayer().Load(std::move(commands));
    return 0;
}

extern "C" int standin_event_script_running(void)
{
    std::lock_guard<std::mutex> lock(standin::ScriptMutex());
    return standin::GetScriptPlayer().Running() ? 1 : 0;
}
