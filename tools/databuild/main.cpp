// databuild: turns the sources under data/ into the game's archives. See Command.h for the
// subcommands and their conventions; `databuild --help` lists them.
#include "Command.h"

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return DataBuild::RunCommandLine(args);
}
