#include "standin/standin.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Application.h"

namespace {

std::atomic<int> s_backend{-1};

// The values VORN_PLATFORM takes; the first is the default.
const struct {
    const char* name;
    standin_backend backend;
} BACKENDS[] = {
    {"sdl", STANDIN_BACKEND_SDL},
    {"headless", STANDIN_BACKEND_HEADLESS},
};

// The backend VORN_PLATFORM names; unset or empty is the default, and so is a name of no backend,
// which the caller says.
standin_backend ChosenBackend(bool& known)
{
    const char* env = std::getenv("VORN_PLATFORM");
    known = true;
    if (!env || !*env)
        return BACKENDS[0].backend;
    for (const auto& row : BACKENDS)
        if (std::strcmp(env, row.name) == 0)
            return row.backend;
    known = false;
    return BACKENDS[0].backend;
}

}  // namespace

extern "C" standin_backend standin_get_backend(void)
{
    int b = s_backend.load();
    if (b < 0) {
        bool known = true;
        b = ChosenBackend(known);
        int expected = -1;
        if (!s_backend.compare_exchange_strong(expected, b))
            b = expected;
        else if (!known)
            // Said once, by the call that decided.
            standin::Say("VORN_PLATFORM=%s is not a backend (it takes %s or %s); using %s",
                         std::getenv("VORN_PLATFORM"), BACKENDS[0].name, BACKENDS[1].name,
                         BACKENDS[0].name);
    }
    return static_cast<standin_backend>(b);
}

extern "C" void standin_set_backend(standin_backend backend)
{
    s_backend.store(backend);
}

extern "C" int standin_debug_overlay(void)
{
    const char* env = std::getenv("VORN_DEBUG_OVERLAY");
    return env && *env && std::strcmp(env, "0") != 0 ? 1 : 0;
}

extern "C" int standin_remote_console_port(void)
{
    const char* env = std::getenv("VORN_REMOTE_CONSOLE");
    if (!env || !*env)
        return 0;
    char* end = nullptr;
    long port = std::strtol(env, &end, 10);
    if (*end == '\0' && port >= 1 && port <= 65535)
        return static_cast<int>(port);
    standin::Say("VORN_REMOTE_CONSOLE=%s is not a port (1 to 65535); going on without the remote console", env);
    return 0;
}

namespace {
std::string s_lastError;
}

extern "C" const char* standin_last_error(void)
{
    return s_lastError.c_str();
}

namespace standin {

namespace {

// Formatted whole first, so that a line reaches stderr in one write; as long as it needs to be,
// so that no message is ever cut (paths in it can be long).
std::string Format(const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace

void SetLastError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    s_lastError = Format(format, args);
    va_end(args);
}

std::string SayLine(const std::string& message)
{
    return std::string(program_invocation_short_name) + ": " + message + "\n";
}

void Say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string line = SayLine(Format(format, args));
    va_end(args);
    std::fputs(line.c_str(), stderr);
}

}  // namespace standin
