#include "support/TestVideo.h"

#include <dirent.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
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

bool MakeTestVideo(const std::string& path, double seconds, int width, int height, int rate,
                   bool silent)
{
    const std::string length = std::to_string(seconds);
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::vector<std::string> args = {
        "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
        "testsrc=size=" + size + ":rate=" + std::to_string(rate) + ":duration=" + length};
    if (!silent)
        args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=" +
                                 length, "-c:a", "aac", "-shortest"});
    args.insert(args.end(), {"-c:v", "mpeg4", "-q:v", "5", path});
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

namespace {

std::atomic<bool> s_holding{false};

void Hold(int)
{
    while (s_holding.load())
        usleep(1000);
}

} // namespace

std::vector<int> Threads(std::string name)
{
    if (name.empty())
        std::getline(std::ifstream("/proc/self/comm"), name);
    std::vector<int> threads;
    DIR* tasks = opendir("/proc/self/task");
    for (dirent* task; tasks && (task = readdir(tasks));) {
        std::string comm;
        if (std::getline(std::ifstream(std::string("/proc/self/task/") + task->d_name + "/comm"), comm) &&
            comm == name)
            threads.push_back(std::atoi(task->d_name));
    }
    if (tasks)
        closedir(tasks);
    return threads;
}

int HoldThreads(const std::vector<int>& threads)
{
    s_holding = true;
    std::signal(SIGUSR2, Hold);
    int held = 0;
    for (int thread : threads)
        held += syscall(SYS_tgkill, getpid(), thread, SIGUSR2) == 0;
    return held;
}

void ReleaseThreads()
{
    s_holding = false;
}

} // namespace VornTest
