// A file of the application's writable save area. Every path is stored flat in "./data/": the path
// with each '/' turned into '_' (so "./a/b" is the file "./data/._a_b").
//
// Writes go to a temporary file beside the target, which replaces the target only when the file is
// closed (explicitly or by its last release) after every byte reached the disk. A crash or a full
// disk therefore leaves the previous save intact instead of half a new one.
#pragma once

#include <string>
#include <vector>

#include "vfs/posix/PosixFile.h"

namespace Vorn {

class PlaybookGameSaveFile : public PosixFile {
public:
    static const char* const SAVE_ROOT;
    static const char* const TEMPORARY_SUFFIX;

    ~PlaybookGameSaveFile() override;

    bool OpenWrite(const char* path) override;
    bool Open(const char* path) override;
    // After writing: false when the data could not be written completely, in which case the target
    // keeps its previous content.
    bool Close() override;

    // The native path a save path is stored under.
    static std::string MapPath(const char* path);
    // Removes the temporary files that writes cut short (a killed process) left in the save area;
    // call it at start-up, before anything is written. Returns how many were removed.
    static int RemoveLeftovers();
    // The saves the area holds (temporary files left out), each as its path below "./" is
    // stored: "a_b" for the file "./data/._a_b".
    static std::vector<std::string> ListFiles();

private:
    std::string m_target; // set while open for writing
};

} // namespace Vorn
