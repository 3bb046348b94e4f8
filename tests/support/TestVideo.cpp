#include "support/TestVideo.h"

#include <sys/wait.h>
#include <spawn.h>

#include <string>
#include <vector>

extern char** environ;

// The player's libraries (mpv and FFmpeg) are not built with ThreadSanitizer: it cannot see how
// their own threads synchronise, and would report each frame they hand between them. Races in
// our code, which the player's threads call only through our locks, are still reported.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libmpv.so\nrace:libavutil.so\nrace:libavcodec.so\nrace:libavformat.so\n"
           "race:libswscale.so\nrace:libswresample.so\nrace:libavfilter.so\n";
}

namespace VornTest {

bool MakeTestVideo(const std::string& path, double seconds, int width, int height)
{
    const std::string length = std::to_string(seconds);
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::vector<std::string> args = {
        "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
        "-f", "lavfi", "-i", "testsrc=size=" + size + ":rate=25:duration=" + length,
        "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=" + length,
        "-c:v", "mpeg4", "-q:v", "5", "-c:a", "aac", "-shortest", path};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace VornTest
