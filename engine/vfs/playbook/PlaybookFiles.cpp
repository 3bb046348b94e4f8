#include "vfs/PlatformFiles.h"

#include "vfs/playbook/PlaybookFile.h"
#include "vfs/playbook/PlaybookGameSaveFile.h"

namespace Vorn {
namespace PlatformFiles {

File* NewInstallFile()
{
    return new PlaybookFile();
}

File* NewSaveFile()
{
    return new PlaybookGameSaveFile();
}

const char* InstallRoot()
{
    return PlaybookFile::INSTALL_ROOT;
}

int RemoveSaveLeftovers()
{
    return PlaybookGameSaveFile::RemoveLeftovers();
}

const char* SaveRoot()
{
    return PlaybookGameSaveFile::SAVE_ROOT;
}

std::string SaveFileOf(const char* path)
{
    return PlaybookGameSaveFile::MapPath(path);
}

std::vector<std::string> ListSaveFiles()
{
    return PlaybookGameSaveFile::ListFiles();
}

}  // namespace PlatformFiles
}  // namespace Vorn
