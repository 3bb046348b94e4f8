// The test programs' reports: one line on stdout a call, flushed at once, so that the scripts that
// drive them see each line as it happens.
#pragma once

#include <cstdarg>
#include <cstdio>

inline void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));

inline void Report(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::putchar('\n');
    std::fflush(stdout);
}
