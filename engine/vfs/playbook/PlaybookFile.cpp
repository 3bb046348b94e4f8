#include "vfs/playbook/PlaybookFile.h"

#include <string>

namespace Vorn {

const char* const PlaybookFile::INSTALL_ROOT = "./app/native/";

bool PlaybookFile::Open(const char* path)
{
    if (!path) {
        Close();
        return false;
    }
    return PosixFile::Open((std::string(INSTALL_ROOT) + path).c_str());
}

} // namespace Vorn
