#include "vfs/File.h"

namespace Vorn {

std::atomic<bool> g_vfsAccess(false);

bool File::OpenWrite(const char*)
{
    return false;
}

bool File::Open(const char*)
{
    return false;
}

bool File::Flush()
{
    return false;
}

} // namespace Vorn
