#include "Files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace DataBuild {

namespace {

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
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!parent.empty() && !std::filesystem::create_directories(parent, ec) && ec)
        return Failed(parent.string(), "cannot be created", ec.value(), error);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return Failed(path, "cannot be written", errno, error);
    // Only a file of our own making is removed after a failure, never a device such as /dev/full.
    struct stat status;
    const bool regular = fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
    errno = 0;
    bool ok = std::fwrite(data, 1, size, file) == size;
    ok = std::fflush(file) == 0 && ok;
    int why = errno;
    ok = std::fclose(file) == 0 && ok;
    if (ok)
        return true;
    why = why != 0 ? why : errno;
    if (regular)
        std::remove(path.c_str());
    return Failed(path, "cannot be written", why, error);
}

} // namespace DataBuild
