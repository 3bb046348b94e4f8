#include "standin/standin.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Application.h"

namespace {
std::atomic<int> s_backend{-1};
}

extern "C" standin_backend standin_get_backend(void)
{
    int b = s_backend.load();
    if (b < 0) {
        const char* env = std::getenv("VORN_PLATFORM");
        b = (env && std::strcmp(env, "headless") == 0) ? STANDIN_BACKEND_HEADLESS : STANDIN_BACKEND_SDL;
        int expected = -1;
        if (!s_backend.compare_exchange_strong(expected, b))
            b = expected;
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

// Formatted whole first, so that a line reaches stderr in one write.
std::string Format(const char* format, va_list args)
{
    char text[1024];
    std::vsnprintf(text, sizeof(text), format, args);
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

void Say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string line = std::string(APP_ID) + ": " + Format(format, args) + "\n";
    va_end(args);
    std::fputs(line.c_str(), stderr);
}

}  // namespace standin
