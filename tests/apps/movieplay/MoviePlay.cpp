// Plays a movie file through the engine's movie player, full-screen in the application's window
// (headless with VORN_PLATFORM=headless: decoded without a picture), and ends with it: at its end,
// or at a touch (a click on the desktop). The file is shown to the application as its install
// area, app/native/, in a sandbox of its own that is removed afterwards.
//
//   vorn-movieplay FILE [VOLUME]      VOLUME 0..100 (default 100)
//   vorn-movieplay --help
//
// Reports on stdout: "playing NAME", "finished after MS ms", and any touch that reaches the
// application ("touch-down X Y ID" and the like: none while the movie plays); errors go to stderr.
// Exit codes: 0 after the movie (and for --help), 2 when it could not be played, 64 for a wrong
// command line.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "apps/Report.h"
#include "application/playbook/PlaybookApplication.h"
#include "application/playbook/PlaybookProcess.h"
#include "base/NarrowString.h"
#include "graphics/Display.h"
#include "graphics/surface/Surface.h"
#include "support/GLDriver.h"

using namespace Vorn;

namespace {

const int EXIT_UNPLAYABLE = 2;

const int EXIT_USAGE = 64;

int s_exitCode = 0;
// Its name on every line it says, as the platform says it: the base name it was started by.
const char* const s_program = program_invocation_short_name;

void Usage(FILE* to)
{
    std::fprintf(to,
                 "usage: %s FILE [VOLUME]\n"
                 "Plays the movie FILE full-screen until its end or a click; VOLUME is 0 to 100\n"
                 "(default 100). VORN_PLATFORM=headless plays it without a window.\n",
                 s_program);
}

class MoviePlayApp final : public PlaybookApplication {
public:
    MoviePlayApp(const std::string& name, int volume)
        : PlaybookApplication(0), m_name(name), m_volume(volume)
    {
    }

    void Initialize() override
    {
        m_start = std::chrono::steady_clock::now();
        PlayMovie(NarrowString(m_name.c_str()), m_volume);
        // The engine has said why.
        if (IsMovieFinished()) {
            s_exitCode = EXIT_UNPLAYABLE;
            Quit();
            return;
        }
        Report("playing %s", m_name.c_str());
    }

    void Update(float) override
    {
        if (m_done || !IsMovieFinished())
            return;
        m_done = true;
        VornTest::KeepGLDriverLoaded();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - m_start);
        Report("finished after %ld ms", static_cast<long>(ms.count()));
        Quit();
    }

    // What shows where the movie does not.
    void Render(Surface* screen) override { screen->Clear(Color{0, 0, 96, 255}); }

    void OnTouchDown(int x, int y, int id) override { Report("touch-down %d %d %d", x, y, id); }
    void OnTouchMove(int x, int y, int id) override { Report("touch-move %d %d %d", x, y, id); }
    void OnTouchUp(int x, int y, int id) override { Report("touch-up %d %d %d", x, y, id); }

private:
    std::string m_name;
    int m_volume;
    bool m_done = false;
    std::chrono::steady_clock::time_point m_start;
};

// A sandbox whose app/native/ is the movie's directory; removed by Remove.
struct Sandbox {
    std::string root;

    bool Make(const std::string& movieDirectory)
    {
        char pattern[] = "/tmp/vorn-movieplay-XXXXXX";
        if (!mkdtemp(pattern))
            return false;
        root = pattern;
        return mkdir((root + "/app").c_str(), 0755) == 0 && mkdir((root + "/data").c_str(), 0755) == 0 &&
               symlink(movieDirectory.c_str(), (root + "/app/native").c_str()) == 0 &&
               chdir(root.c_str()) == 0;
    }

    void Remove()
    {
        if (root.empty())
            return;
        unlink((root + "/app/native").c_str());
        rmdir((root + "/app").c_str());
        rmdir((root + "/data").c_str());
        rmdir(root.c_str());
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        Usage(stdout);
        return 0;
    }
    // A name that starts with '-' is an option this program does not have ("./-x" names a file).
    if (argc < 2 || argc > 3 || argv[1][0] == '-') {
        Usage(stderr);
        return EXIT_USAGE;
    }
    int volume = 100;
    if (argc == 3) {
        char* end = nullptr;
        long value = std::strtol(argv[2], &end, 10);
        if (!*argv[2] || *end || value < 0 || value > 100) {
            std::fprintf(stderr, "%s: the volume is a number from 0 to 100\n", s_program);
            return EXIT_USAGE;
        }
        volume = static_cast<int>(value);
    }
    char resolved[PATH_MAX];
    if (!realpath(argv[1], resolved)) {
        std::fprintf(stderr, "%s: cannot find %s: %s\n", s_program, argv[1], std::strerror(errno));
        return EXIT_UNPLAYABLE;
    }
    const std::string path(resolved);
    const size_t slash = path.rfind('/');
    const std::string directory = slash == 0 ? "/" : path.substr(0, slash);

    Sandbox sandbox;
    if (!sandbox.Make(directory)) {
        std::fprintf(stderr, "%s: cannot make a sandbox: %s\n", s_program, std::strerror(errno));
        sandbox.Remove();
        return EXIT_UNPLAYABLE;
    }
    int code = PlaybookProcess::Main(new MoviePlayApp(path.substr(slash + 1), volume));
    sandbox.Remove();
    return code != 0 ? code : s_exitCode;
}
