// Internal to the stand-in: the application it runs, as the tablet would know it from the
// application's manifest, and how the stand-in speaks to the person who started it.
#pragma once

#include <string>

namespace standin {

// Names the application's directory under the data home.
constexpr const char* APP_ID = "tessela";
// The title of its window on the desktop.
constexpr const char* APP_TITLE = "Tessela";

// PREFIX/relative for a program installed in PREFIX/bin, even when that file is missing, so that
// a message can name the place; buildCopy instead for a program of the build tree that finds
// nothing installed there. "" when the program's own path is unknown.
std::string InstalledFile(const std::string& relative, const std::string& buildCopy);

// One line on stderr: the running program's name (the game, a test program), ": " and the message.
void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The line Say prints for message, whole, for a thread that must later write it without stdio or
// the allocator (one that ends the process while another may hold their locks).
std::string SayLine(const std::string& message);
// Records why a platform call fails, for standin_last_error; an empty text forgets it.
void SetLastError(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace standin
