#include "Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace DataBuild {

namespace {

// As many symbolic links as the system follows in one path.
const int LINK_HOPS = 40;

bool Failed(const std::string& path, const char* what, int why, std::string& error)
{
    error = path + ": " + what + ": " + std::strerror(why != 0 ? why : EIO);
    return false;
}

template <typename Bytes>
bool Read(const std::string& path, Bytes& bytes, std::string& error)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return Failed(path, "cannot be read", errno, error);
    bytes.clear();
    char buffer[65536];
    size_t got;
    errno = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    const int why = errno;
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok || Failed(path, "cannot be read", why, error);
}

// Writes the bytes whole; 0, or the reason it could not.
int WriteAll(int fd, const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    for (size_t done = 0; done < size;) {
        const ssize_t written = write(fd, bytes + done, size - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        done += static_cast<size_t>(written);
    }
    return 0;
}

} // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error)
{
    return Read(path, bytes, error);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error)
{
    return Read(path, bytes, error);
}

namespace {

// Writes the bytes over what the open file held (a device or a pipe cannot be cut short); 0, or
// the reason it could not.
int WriteInPlace(int fd, const void* data, size_t size)
{
    int why = ftruncate(fd, 0) == 0 || errno == EINVAL ? WriteAll(fd, data, size) : errno;
    if (close(fd) != 0 && why == 0)
        why = errno;
    return why;
}

// Makes the file whole under a name of its own beside the target and renames it over the target
// once whole: a failure (a full disk, a file size limit) leaves the target as it was. 0, the
// reason it could not, or -1 when the folder takes no new name (a read-only folder, a name with no
// room for the temporary's suffix), which writing in place may not need.
int Replace(const std::filesystem::path& target, const struct stat* old, const void* data,
            size_t size)
{
    static std::atomic<unsigned> s_written{0};
    const std::string temporary = (target.parent_path() /
                                   ("." + target.filename().string() + "." + std::to_string(getpid()) +
                                    "-" + std::to_string(s_written++) + ".tmp"))
                                      .string();
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == EACCES || errno == EPERM || errno == ENAMETOOLONG ? -1 : errno;
    int why = WriteAll(fd, data, size);
    // A file written anew keeps its permissions, as writing into it would.
    if (why == 0 && old && fchmod(fd, old->st_mode & 07777) != 0)
        why = errno;
    if (close(fd) != 0 && why == 0)
        why = errno;
    if (why == 0 && rename(temporary.c_str(), target.c_str()) != 0)
        why = errno;
    if (why != 0)
        unlink(temporary.c_str());
    return why;
}

// Where the path's symbolic links lead, or false with the reason in error (a loop, or a link to
// nothing: no folders are made for it).
bool FollowLinks(const std::string& path, std::filesystem::path& target, std::string& error)
{
    namespace fs = std::filesystem;
    target = path;
    std::error_code ec;
    int hops = 0;
    for (; fs::is_symlink(fs::symlink_status(target, ec)); ++hops) {
        const fs::path next = fs::read_symlink(target, ec);
        if (ec || hops == LINK_HOPS)
            return Failed(path, "cannot be written", ec ? ec.value() : ELOOP, error);
        target = target.parent_path() / next;
    }
    if (hops == 0 || fs::exists(fs::symlink_status(target, ec)))
        return true;
    error = path + ": cannot be written: it is a symbolic link to " + target.string() +
            ", which does not exist";
    return false;
}

} // namespace

bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string& error)
{
    // Through symbolic links the file written is the one they lead to, so that the links stay as
    // they were.
    std::filesystem::path target;
    if (!FollowLinks(path, target, error))
        return false;
    const std::filesystem::path parent = target.parent_path();
    std::error_code ec;
    if (!parent.empty() && !std::filesystem::create_directories(parent, ec) && ec)
        return Failed(parent.string(), "cannot be created", ec.value(), error);
    struct stat old;
    const bool exists = stat(target.c_str(), &old) == 0;
    // A file that exists is written only where it may be written into, as other tools would.
    // What is not a regular file (a device, a pipe) cannot be replaced and is written as it is;
    // so is a file that renaming would harm: one with other hard links, or another owner.
    const int fd = exists ? open(target.c_str(), O_WRONLY | O_CLOEXEC) : -1;
    if (exists && fd < 0)
        return Failed(path, "cannot be written", errno, error);
    int why = -1;
    if (!exists || (S_ISREG(old.st_mode) && old.st_nlink == 1 && old.st_uid == geteuid() &&
                    old.st_gid == getegid()))
        why = Replace(target, exists ? &old : nullptr, data, size);
    if (why == -1 && exists) {
        why = WriteInPlace(fd, data, size);
    } else if (fd >= 0) {
        close(fd);
    }
    // A new file the folder takes only under its own name is made in place, and removed again
    // when it cannot be written whole.
    if (why == -1) {
        const int made = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        why = made < 0 ? errno : WriteInPlace(made, data, size);
        if (made >= 0 && why != 0)
            unlink(target.c_str());
    }
    return why == 0 || Failed(path, "cannot be written", why, error);
}

} // namespace DataBuild
