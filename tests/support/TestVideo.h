// Test videos, made when a test runs with ffmpeg (scripts/install-deps installs it): a test
// pattern with a tone, so that a player's picture and length can be checked.
#pragma once

#include <string>
#include <vector>

namespace VornTest {

// Writes an MP4 file of the given length and size: ffmpeg's moving colour-bar test pattern at 25
// frames a second (or rate) and a 440 Hz tone (unless silent). False when ffmpeg is missing or fails.
bool MakeTestVideo(const std::string& path, double seconds, int width, int height, int rate = 25,
                   bool silent = false);

// The ids of this process's threads named name (as a player names its own; "": the process's
// own name, which the threads it starts keep).
std::vector<int> Threads(std::string name);
// Holds up the threads, each in a signal handler, until ReleaseThreads: a thread stuck in a driver,
// for code that must not wait on it. How many were held.
int HoldThreads(const std::vector<int>& threads);
void ReleaseThreads();

} // namespace VornTest
