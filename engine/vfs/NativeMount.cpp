#include "vfs/NativeMount.h"

#include <cstring>
#include <memory>

#include "vfs/PlatformFiles.h"

namespace Vorn {

NativeMount::NativeMount(const char* directory, const char* mountPoint, u32 flags)
    : VfsMount(mountPoint, flags), m_directory(directory ? directory : "")
{
}

File* NativeMount::CreateFile() const
{
    if (GetFlags() & SAVE_STORAGE)
        return PlatformFiles::NewSaveFile();
    return PlatformFiles::NewInstallFile();
}

File* NativeMount::OpenWith(const char* relativePath, bool write)
{
    if (!relativePath || m_directory.size() > MAX_DIRECTORY_LENGTH ||
        m_directory.size() + std::strlen(relativePath) > MAX_PATH_LENGTH)
        return nullptr;
    std::string joined = m_directory + relativePath;
    // Nobody holds the new file yet (count 0), so it is owned plainly until it is handed out.
    std::unique_ptr<File> file(CreateFile());
    bool opened = write ? file->OpenWrite(joined.c_str()) : file->Open(joined.c_str());
    return opened ? file.release() : nullptr;
}

File* NativeMount::Open(const char* relativePath)
{
    return OpenWith(relativePath, false);
}

File* NativeMount::OpenWrite(const char* relativePath)
{
    return OpenWith(relativePath, true);
}

} // namespace Vorn
