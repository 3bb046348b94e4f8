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

bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string& error)
{
    // Through symbolic links the file written is the one they lead to, so that its new content
    // is made beside it and the links stay as they were.
    namespace fs = std::filesystem;
    fs::path target(path);
    std::error_code ec;
    for (int hops = 0; fs::is_symlink(fs::symlink_status(target, ec)); ++hops) {
        const fs::path next = fs::read_symlink(target, ec);
        if (ec || hops == LINK_HOPS)
            return Failed(path, "cannot be written", ec ? ec.value() : ELOOP, error);
        target = target.parent_path() / next;
    }
    const fs::path parent = target.parent_path();
    if (!parent.empty() && !fs::create_directories(parent, ec) && ec)
        return Failed(parent.string(), "cannot be created", ec.value(), error);
    struct stat old;
    const bool exists = stat(target.c_str(), &old) == 0;
    // What is not a regular file (a device such as /dev/full, a pipe) is written as it is: it
    // cannot be replaced, and is never removed.
    if (exists && !S_ISREG(old.st_mode)) {
        const int fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0)
            return Failed(path, "cannot be written", errno, error);
        int why = WriteAll(fd, data, size);
        if (close(fd) != 0 && why == 0)
            why = errno;
        return why == 0 || Failed(path, "cannot be written", why, error);
    }
    // A file is written under a name of its own beside the target and renamed over it once whole:
    // a failure (a full disk, a file size limit) leaves the target as it was.
    static std::atomic<unsigned> s_written{0};
    const std::string temporary = (parent / ("." + target.filename().string() + "." +
                                             std::to_string(getpid()) + "-" +
                                             std::to_string(s_written++) + ".tmp"))
                                      .string();
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return Failed(path, "cannot be written", errno, error);
    int why = WriteAll(fd, data, size);
    // A file written anew keeps its permissions, as writing into it would.
    if (why == 0 && exists && fchmod(fd, old.st_mode & 07777) != 0)
        why = errno;
    if (close(fd) != 0 && why == 0)
        why = errno;
    if (why == 0 && rename(temporary.c_str(), target.c_str()) != 0)
        why = errno;
    if (why == 0)
        return true;
    unlink(temporary.c_str());
    return Failed(path, "cannot be written", why, error);
}

} // namespace DataBuild
