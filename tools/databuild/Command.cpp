#include "Command.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace DataBuild {

namespace {

// A function-local static, so that registrations from other translation units may run in any order
// during static initialisation.
std::vector<Command>& Registry()
{
    static std::vector<Command> s_commands;
    return s_commands;
}

void PrintHelp(FILE* out)
{
    std::fprintf(out, "usage: databuild COMMAND [ARGS...]\n\ncommands:\n");
    for (const Command& command : AllCommands())
        std::fprintf(out, "  %-44s %s\n", command.usage, command.summary);
}

} // namespace

CommandRegistration::CommandRegistration(const Command& command)
{
    Registry().push_back(command);
}

std::vector<Command> AllCommands()
{
    std::vector<Command> commands = Registry();
    std::sort(commands.begin(), commands.end(),
              [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
    return commands;
}

const Command* FindCommand(const std::string& name)
{
    for (const Command& command : Registry())
        if (name == command.name)
            return &command;
    return nullptr;
}

int RunCommandLine(const std::vector<std::string>& argv)
{
    if (argv.empty() || argv[0] == "--help" || argv[0] == "-h" || argv[0] == "help") {
        PrintHelp(argv.empty() ? stderr : stdout);
        return argv.empty() ? 2 : 0;
    }
    const Command* command = FindCommand(argv[0]);
    if (!command) {
        std::fprintf(stderr, "databuild: unknown command '%s'\n", argv[0].c_str());
        PrintHelp(stderr);
        return 2;
    }
    std::vector<std::string> args(argv.begin() + 1, argv.end());
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("usage: databuild %s\n%s\n", command->usage, command->summary);
        return 0;
    }
    return command->run(args);
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "databuild: %s\n", message.c_str());
    return 1;
}

int UsageError(const Command& command)
{
    std::fprintf(stderr, "usage: databuild %s\n", command.usage);
    return 2;
}

unsigned Workers()
{
    const char* jobs = std::getenv("VORN_JOBS");
    if (jobs && *jobs) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(jobs, &end, 10);
        if (*end == '\0' && value >= 1 && value <= 1024 && jobs[0] != '-')
            return static_cast<unsigned>(value);
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

} // namespace DataBuild
