// databuild: turns the sources under data/ into the game's archives. See Command.h for the
// subcommands and their conventions; `databuild --help` lists them.
#include "Command.h"

#include <csignal>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // Past a limit on the size of files (ulimit -f) a write then fails with EFBIG and is said, where
    // SIGXFSZ would end the builder without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    return DataBuild::RunCommandLine(args);
}
