#include "vfs/playbook/PlaybookGameSaveFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace Vorn {

const char* const PlaybookGameSaveFile::SAVE_ROOT = "./data/";
const char* const PlaybookGameSaveFile::TEMPORARY_SUFFIX = ".tmp";

namespace {

// A write's temporary file, not (yet) a save.
bool IsTemporary(const char* name)
{
    const size_t length = std::strlen(name);
    const size_t suffixLength = std::strlen(PlaybookGameSaveFile::TEMPORARY_SUFFIX);
    return length > suffixLength &&
           std::strcmp(name + length - suffixLength, PlaybookGameSaveFile::TEMPORARY_SUFFIX) == 0;
}

}  // namespace

PlaybookGameSaveFile::~PlaybookGameSaveFile()
{
    Close();
}

std::string PlaybookGameSaveFile::MapPath(const char* path)
{
    std::string mapped(SAVE_ROOT);
    for (const char* c = path; *c; ++c)
        mapped.push_back(*c == '/' ? '_' : *c);
    return mapped;
}

int PlaybookGameSaveFile::RemoveLeftovers()
{
    DIR* directory = opendir(SAVE_ROOT);
    if (!directory)
        return 0;
    int removed = 0;
    while (dirent* entry = readdir(directory)) {
        if (!IsTemporary(entry->d_name))
            continue;
        // Only files: a directory or a link of that name is not ours to remove.
        struct stat info;
        if (fstatat(dirfd(directory), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode))
            continue;
        if (unlinkat(dirfd(directory), entry->d_name, 0) == 0)
            ++removed;
    }
    closedir(directory);
    return removed;
}

std::vector<std::string> PlaybookGameSaveFile::ListFiles()
{
    std::vector<std::string> names;
    DIR* directory = opendir(SAVE_ROOT);
    if (!directory)
        return names;
    while (dirent* entry = readdir(directory)) {
        const char* name = entry->d_name;
        // Every stored path begins "./", kept as "._".
        if (std::strncmp(name, "._", 2) == 0 && name[2] && !IsTemporary(name))
            names.push_back(name + 2);
    }
    closedir(directory);
    return names;
}

bool PlaybookGameSaveFile::Open(const char* path)
{
    if (!path) {
        Close();
        return false;
    }
    return PosixFile::Open(MapPath(path).c_str());
}

bool PlaybookGameSaveFile::OpenWrite(const char* path)
{
    Close();
    if (!path)
        return false;
    std::string target = MapPath(path);
    if (!PosixFile::OpenWrite((target + TEMPORARY_SUFFIX).c_str()))
        return false;
    m_target = target;
    return true;
}

bool PlaybookGameSaveFile::Close()
{
    if (m_target.empty() || !m_handle)
        return PosixFile::Close();

    std::string target;
    target.swap(m_target);
    std::string temporary = target + TEMPORARY_SUFFIX;
    g_vfsAccess = true;
    // ferror also remembers a short fwrite from earlier (a full disk); fsync makes the content
    // durable before the rename makes it visible.
    bool written = std::fflush(m_handle) == 0 && !std::ferror(m_handle) &&
                   fsync(fileno(m_handle)) == 0;
    written = PosixFile::Close() && written;
    if (!written || std::rename(temporary.c_str(), target.c_str()) != 0) {
        // The caller reports why the save failed: the clean-up keeps that reason in errno.
        const int error = errno;
        std::remove(temporary.c_str());
        errno = error;
        return false;
    }
    return true;
}

} // namespace Vorn
