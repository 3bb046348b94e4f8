// Test videos, made when a test runs with ffmpeg (scripts/install-deps installs it): a test
// pattern with a tone, so that a player's picture and length can be checked.
#pragma once

#include <string>

namespace VornTest {

// Writes an MP4 file of the given length and size: ffmpeg's moving colour-bar test pattern at 25
// frames a second and a 440 Hz tone. False when ffmpeg is missing or fails.
bool MakeTestVideo(const std::string& path, double seconds, int width, int height);

} // namespace VornTest
