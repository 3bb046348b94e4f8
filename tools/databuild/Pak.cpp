// The "pak" command: packs a staged archive tree into a pak archive.
#include "Command.h"

#include "pakwriter/PakWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace DataBuild {

namespace {

int RunPak(const std::vector<std::string>& args);

const CommandRegistration s_pak{{"pak", "pak STAGE_DIR OUT.pak",
                                 "pack every file below STAGE_DIR, named by its path there",
                                 &RunPak}};

int RunPak(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return UsageError(*FindCommand("pak"));
    struct stat info;
    if (stat(args[0].c_str(), &info) != 0)
        return Fail(args[0] + ": " + std::strerror(errno));
    if (!S_ISDIR(info.st_mode))
        return Fail(args[0] + ": not a directory");
    // The format has no checksum of its own: only a coded block is checked, by its decoder. So
    // every file without a check of its own (the texts, levels, atlas and glyph tables) and the
    // directory and block table are coded; the pictures and sounds carry theirs (PNG chunk CRCs,
    // Ogg page CRCs) and follow the rest, in blocks coded only where that pays. The music is
    // streamed while the game plays: it hardly shrinks under LZMA but would cost a decode of
    // every block read, so it gets raw blocks of its own.
    VornTools::PakWriter::Options options;
    options.checkedEndings = {".png", ".ogg"};
    options.rawEndings = {"sounds/music.ogg", "sounds/musichelloween.ogg"};
    options.table = VornTools::BlockFileWriter::STORE_CODED;
    options.threads = std::min(4u, Workers());
    VornTools::PakWriter writer(options);
    if (!writer.AddDirectory(args[0]))
        return Fail(args[0] + ": " + writer.GetError());
    if (writer.GetFileCount() == 0)
        return Fail(args[0] + ": nothing to pack");
    if (!writer.Write(args[1]))
        return Fail(args[1] + ": " + writer.GetError());
    std::printf("%s: %zu files\n", args[1].c_str(), writer.GetFileCount());
    return 0;
}

} // namespace

} // namespace DataBuild
