// The "art" command: draws the pictures, fonts and atlases of one base size and stages them as the
// content of data_<width>.pak.
#include "Command.h"
#include "Files.h"

#include "art/ArtBuild.h"
#include "art/ArtCharacters.h"
#include "art/Drawing.h"

#include <cstdio>
#include <filesystem>

namespace DataBuild {

namespace {

int RunArt(const std::vector<std::string>& args);

const CommandRegistration s_art{
    {"art", "art WIDTH TEXTS_DIR OUT_DIR [--fonts DIR] [--jobs N]",
     "draw the images, fonts and atlases of one base size (240, 320, 480 or 600)", &RunArt}};

int RunArt(const std::vector<std::string>& args)
{
    const Command& self = *FindCommand("art");
    std::vector<std::string> positional;
    int jobs = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--fonts" && i + 1 < args.size()) {
            SetFontFolder(args[++i]);
        } else if (args[i] == "--jobs" && i + 1 < args.size()) {
            jobs = std::atoi(args[++i].c_str());
            if (jobs < 1)
                return UsageError(self);
        } else if (args[i].compare(0, 2, "--") == 0) {
            return UsageError(self);
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 3)
        return UsageError(self);
    ArtSize size;
    if (!ArtSize::ForWidth(std::atoi(positional[0].c_str()), size))
        return Fail("art: no base size of width " + positional[0] + " (240, 320, 480 or 600)");

    std::vector<uint32_t> characters;
    std::string error;
    if (!LoadFontCharacters(positional[1], characters, error))
        return Fail(error);
    std::vector<ArtFile> files;
    if (!BuildArtFiles(size, characters, jobs, files, error))
        return Fail("art " + positional[0] + ": " + error);

    const std::filesystem::path outDir = positional[2];
    size_t total = 0;
    for (const ArtFile& file : files) {
        const std::filesystem::path path = outDir / file.name;
        if (!WriteWholeFile(path.string(), file.bytes, error))
            return Fail(error);
        total += file.bytes.size();
    }
    std::printf("art %d: %zu files, %zu bytes\n", size.width, files.size(), total);
    return 0;
}

} // namespace

} // namespace DataBuild
