// The data builder's subcommands. Every module of the builder registers its commands here with a
// static CommandRegistration in its own source file; main() only looks them up and runs them.
//
//   static int RunTexts(const std::vector<std::string>& args);
//   static const DataBuild::CommandRegistration s_texts{
//       {"texts", "texts SRC_DIR OUT_DIR", "check the text tables and stage them", &RunTexts}};
//
// Conventions shared by every command:
// - args are the words after the command's name; the result is the process exit code (0 success).
// - Failures print one line per problem to stderr, starting with "databuild: " and naming the file
//   concerned, and return 1; bad usage prints the usage line and returns 2.
// - OUT_DIR of a staging command is the root of an archive being assembled: a file written to
//   OUT_DIR/<name> becomes the archive entry <name> (levels write levels/android_full/..., texts
//   texts/<lang>.xml, sounds sounds/<name>.ogg). Anything not meant for the archive goes elsewhere.
// - Output is deterministic: the same sources give the same bytes on every run.
#pragma once

#include <string>
#include <vector>

namespace DataBuild {

using CommandFunction = int (*)(const std::vector<std::string>& args);

struct Command {
    const char* name;
    const char* usage;   // the argument synopsis, starting with the name
    const char* summary; // one line for the help text
    CommandFunction run;
};

class CommandRegistration {
public:
    explicit CommandRegistration(const Command& command);
};

// All registered commands, sorted by name.
std::vector<Command> AllCommands();

// The command of that name, or null.
const Command* FindCommand(const std::string& name);

// Runs argv[0] with the remaining words; prints the help text for an empty or unknown command.
int RunCommandLine(const std::vector<std::string>& argv);

// Prints "databuild: <message>" to stderr and returns 1, for `return Fail(...)` in commands.
int Fail(const std::string& message);

// Prints the usage line of the command to stderr and returns 2.
int UsageError(const Command& command);

// How many threads a command may use: VORN_JOBS when it is a whole number from 1 up, else one a
// core. The output never depends on it.
unsigned Workers();

} // namespace DataBuild
