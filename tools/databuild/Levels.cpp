// The "levels" command: builds every level file from its source, or checks single files.
#include "Command.h"
#include "LevelSource.h"

#include <cstdio>

namespace DataBuild {

namespace {

int RunLevels(const std::vector<std::string>& args);

const CommandRegistration s_levels{{"levels", "levels SRC_DIR OUT_DIR | levels --check FILE...",
                                    "build the 200 level files, or check sources and level files",
                                    &RunLevels}};

int CheckFiles(const std::vector<std::string>& paths)
{
    int failures = 0;
    for (const std::string& path : paths) {
        LevelSource source;
        std::string error;
        if (!LoadLevelSource(path, source, error)) {
            Fail(error);
            ++failures;
            continue;
        }
        std::printf("%s: %dx%d, %d cells\n", path.c_str(), source.width, source.height,
                    source.CellCount());
    }
    return failures ? 1 : 0;
}

int RunLevels(const std::vector<std::string>& args)
{
    const Command& self = *FindCommand("levels");
    if (!args.empty() && args[0] == "--check") {
        if (args.size() < 2)
            return UsageError(self);
        return CheckFiles(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    if (args.size() != 2)
        return UsageError(self);
    return Fail("levels: building is not available yet");
}

} // namespace

} // namespace DataBuild
