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

}  // namespace PlatformFiles
}  // namespace Vorn
