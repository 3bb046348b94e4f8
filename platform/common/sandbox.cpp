// The application's sandbox: on the tablet the system starts an application in a directory with
// app/native/ (its install data) and data/ (its own writable files); the engine relies on both
// being there, relative to the working directory. The stand-in lays out the same directory on the
// desktop so that the game starts from anywhere.
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "standin/events.h"

#ifndef VORN_BUILD_DATA_DIR
#define VORN_BUILD_DATA_DIR ""
#endif
#ifndef VORN_INSTALL_DATA_DIR
#define VORN_INSTALL_DATA_DIR ""
#endif

namespace {

const char* const APP_DIR_NAME = "tessela";
const char* const MARKER_ARCHIVE = "data_common.pak";

bool IsDirectory(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool MakeDirectory(const std::string& path)
{
    return mkdir(path.c_str(), 0755) == 0 || (errno == EEXIST && IsDirectory(path));
}

// mkdir -p for an absolute path.
bool MakeDirectories(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        if (!MakeDirectory(path.substr(0, slash)))
            return false;
    return MakeDirectory(path);
}

std::string HomeDirectory()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    struct passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}

// $XDG_DATA_HOME, which must be absolute to count, else ~/.local/share.
std::string DataHome()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    std::string home = HomeDirectory();
    return home.empty() ? "" : home + "/.local/share";
}

std::string ExecutableDirectory()
{
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return "";
    std::string path(buffer, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string Absolute(const std::string& path)
{
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) ? std::string(buffer) : path;
}

// Where app/native/ should point: VORN_DATA_DIR when set; else the first candidate that holds
// the game's archives; else the first that exists; else the build tree's data directory.
std::string ArchiveDirectory()
{
    const char* chosen = std::getenv("VORN_DATA_DIR");
    if (chosen && *chosen)
        return Absolute(chosen);
    std::vector<std::string> candidates;
    std::string exeDir = ExecutableDirectory();
    if (!exeDir.empty())
        candidates.push_back(exeDir + "/../share/" + APP_DIR_NAME);
    if (*VORN_BUILD_DATA_DIR)
        candidates.push_back(VORN_BUILD_DATA_DIR);
    if (*VORN_INSTALL_DATA_DIR)
        candidates.push_back(VORN_INSTALL_DATA_DIR);
    for (const std::string& dir : candidates)
        if (IsFile(dir + "/" + MARKER_ARCHIVE))
            return Absolute(dir);
    for (const std::string& dir : candidates)
        if (IsDirectory(dir))
            return Absolute(dir);
    // Nothing built or installed yet: where the build puts the archives.
    return *VORN_BUILD_DATA_DIR ? std::string(VORN_BUILD_DATA_DIR)
                                : (candidates.empty() ? std::string() : candidates.front());
}

// Points root/app/native at target. The link is replaced in one rename, so a second instance
// starting at the same moment never sees it missing. A real directory there is the user's and
// stays.
bool LinkArchives(const std::string& root, const std::string& target)
{
    std::string link = root + "/app/native";
    struct stat st;
    if (lstat(link.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    std::string temporary = root + "/app/.native-" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target.c_str(), temporary.c_str()) != 0)
        return false;
    if (rename(temporary.c_str(), link.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

extern "C" int standin_prepare_sandbox(void)
{
    // Started in a sandbox already (a test's, or one laid out by hand); its app/native may be a
    // link to archives not built yet.
    struct stat native;
    if (lstat("app/native", &native) == 0 && IsDirectory("data"))
        return 0;
    std::string dataHome = DataHome();
    if (dataHome.empty()) {
        std::fprintf(stderr, "tessela: no home directory for the save data\n");
        return -1;
    }
    std::string root = dataHome + "/" + APP_DIR_NAME;
    if (!MakeDirectories(root + "/data") || !MakeDirectory(root + "/app") ||
        !LinkArchives(root, ArchiveDirectory()) || chdir(root.c_str()) != 0) {
        std::fprintf(stderr, "tessela: cannot prepare %s: %s\n", root.c_str(), std::strerror(errno));
        return -1;
    }
    return 0;
}
