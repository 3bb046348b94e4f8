// The platform's plain files, made by the backend in use (vfs/playbook): files of the read-only
// install area and of the writable save area. Generic code asks for them here and sees only File.
#pragma once

#include <string>
#include <vector>

#include "vfs/File.h"

namespace Vorn {
namespace PlatformFiles {

// A new, unopened file whose paths are taken under the install area; its count is 0.
File* NewInstallFile();
// A new, unopened file of the save area (paths stored flat, writes replacing the target only when
// complete); its count is 0.
File* NewSaveFile();
// The install area's directory, with its trailing '/'.
const char* InstallRoot();
// Removes the temporary files that cut-short writes left in the save area; call it before
// anything is written. Returns how many were removed.
int RemoveSaveLeftovers();
// The save area's directory, with its trailing '/'.
const char* SaveRoot();
// The file of the save area a save path is stored in (its path from the working directory).
std::string SaveFileOf(const char* path);
// The saves the area holds, temporary files left out, each as its path below "./" is stored
// (paths are stored flat: "./a/b" as "a_b").
std::vector<std::string> ListSaveFiles();

}  // namespace PlatformFiles
}  // namespace Vorn
