// The application's sandbox: on the tablet the system starts an application in a directory with
// app/native/ (its install data) and data/ (its own writable files); the engine relies on both
// being there, relative to the working directory. The stand-in lays out the same directory on the
// desktop so that the game starts from anywhere.
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "Application.h"
#include "EventCore.h"
#include "standin/events.h"

#ifndef VORN_BUILD_DATA_DIR
#define VORN_BUILD_DATA_DIR ""
#endif

namespace {

const char* const MARKER_ARCHIVE = "data_common.pak";
// In the save area: held locked by the copy that runs on it.
const char* const LOCK_FILE = ".lock";

// The lock this process holds: its file and the save area's directory, both open, so that the
// file is found where the directory is now (it may have been moved), and the file's absolute
// path when it was taken. Let go by the main thread, or by the watchdog as it ends the process.
struct Lock {
    std::mutex mutex;
    int fd = -1;
    int directory = -1;
    std::string path;
};
Lock s_lock;

// Whether the lock file's name in the directory names the open file fd.
bool NamesLockFile(int directory, int fd)
{
    struct stat held, named;
    return fstat(fd, &held) == 0 &&
           fstatat(directory, LOCK_FILE, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           held.st_ino == named.st_ino && held.st_dev == named.st_dev;
}

// Lets go of the lock held, under its mutex. The file is removed while still held, so that the
// save area is left as it was found, and only while its name is still the file held: another
// copy may have made its own there since (in a new folder where this one's was).
void LetGo()
{
    if (s_lock.fd < 0)
        return;
    if (NamesLockFile(s_lock.directory, s_lock.fd))
        unlinkat(s_lock.directory, LOCK_FILE, 0);
    close(s_lock.fd);
    close(s_lock.directory);
    s_lock.fd = s_lock.directory = -1;
    s_lock.path.clear();
}

// What the last preparation made, so that a start that fails can take it away again.
struct Made {
    std::string startDirectory;            // the working directory before
    std::vector<std::string> directories;  // in the order they were made
    std::string link;                      // app/native, when it was made or re-pointed
    std::string previousTarget;            // where it pointed before; empty when it was new
};

Made& LastMade()
{
    static Made* s_made = new Made;  // never destroyed: a late call at exit still finds it
    return *s_made;
}

bool IsDirectory(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const std::string& path)
{
    if (mkdir(path.c_str(), 0755) == 0) {
        LastMade().directories.push_back(path);
        return true;
    }
    if (errno != EEXIST)
        return false;
    if (IsDirectory(path))
        return true;
    // A file (or a link to nothing) is where a folder must be: "File exists" would not say that.
    errno = ENOTDIR;
    return false;
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

std::string Absolute(const std::string& path)
{
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) ? std::string(buffer) : path;
}

// Where app/native/ should point: VORN_DATA_DIR when set; else share/tessela of the prefix the
// executable lies in (<prefix>/bin/tessela), even when the archives are not there, so that the
// game names that place; a program of the build tree takes the build's data unless it was
// installed there.
std::string ArchiveDirectory()
{
    const char* chosen = std::getenv("VORN_DATA_DIR");
    if (chosen && *chosen)
        return Absolute(chosen);
    const std::string marker =
        standin::InstalledFile(std::string("share/") + standin::APP_ID + "/" + MARKER_ARCHIVE,
                               std::string(VORN_BUILD_DATA_DIR) + "/" + MARKER_ARCHIVE);
    const size_t slash = marker.rfind('/');
    return slash == std::string::npos ? std::string() : marker.substr(0, slash);
}

// Points the link at target. The link is replaced in one rename, so a second instance starting
// at the same moment never sees it missing.
bool PointLink(const std::string& link, const std::string& target)
{
    std::string temporary = link.substr(0, link.rfind('/')) + "/.native-" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target.c_str(), temporary.c_str()) != 0)
        return false;
    if (rename(temporary.c_str(), link.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::string LinkTarget(const std::string& link)
{
    char buffer[PATH_MAX];
    ssize_t n = readlink(link.c_str(), buffer, sizeof(buffer) - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

// Points root/app/native at target, and records where it pointed before. A real directory there
// is the user's and stays.
bool LinkArchives(const std::string& root, const std::string& target)
{
    std::string link = root + "/app/native";
    struct stat st;
    const bool exists = lstat(link.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return true;
    std::string previous = exists && S_ISLNK(st.st_mode) ? LinkTarget(link) : std::string();
    if (previous == target)
        return true;
    if (!PointLink(link, target))
        return false;
    LastMade().link = link;
    LastMade().previousTarget = previous;
    return true;
}

}  // namespace

namespace standin {

bool LockSaveArea(const std::string& directory)
{
    const std::string area = Absolute(directory);
    const std::string path = area + "/" + LOCK_FILE;
    {
        std::lock_guard<std::mutex> lock(s_lock.mutex);
        if (s_lock.fd >= 0 && s_lock.path == path)
            return true;
    }
    UnlockSaveArea();
    // A save area where not even an empty file can be made takes no saves from either copy: the
    // game runs and says so when it saves.
    const int dir = open(area.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return true;
    // The file is removed by the copy that holds it when it lets go; one opened just before that
    // is locked in vain, so the lock counts only while the file is still the one in the directory.
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = openat(dir, LOCK_FILE, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            fd = openat(dir, LOCK_FILE, O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            close(dir);
            return true;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            close(fd);
            close(dir);
            if (error == EWOULDBLOCK)
                SetLastError("already running (save area %s is locked by another copy)",
                             area.c_str());
            else
                SetLastError("cannot lock the save area %s: %s", area.c_str(),
                             std::strerror(error));
            return false;
        }
        if (NamesLockFile(dir, fd)) {
            std::lock_guard<std::mutex> lock(s_lock.mutex);
            s_lock.fd = fd;
            s_lock.directory = dir;
            s_lock.path = path;
            return true;
        }
        close(fd);
    }
    close(dir);
    SetLastError("cannot lock the save area %s: its lock file keeps changing", area.c_str());
    return false;
}

void UnlockSaveArea()
{
    std::lock_guard<std::mutex> lock(s_lock.mutex);
    LetGo();
}

void ReleaseSaveAreaLockFile()
{
    // A thread that holds the mutex is letting go of the lock already.
    std::unique_lock<std::mutex> lock(s_lock.mutex, std::try_to_lock);
    if (lock)
        LetGo();
}

}  // namespace standin

extern "C" int standin_prepare_sandbox(void)
{
    Made& made = LastMade();
    made = Made();
    // Started in a sandbox already (a test's, or one laid out by hand); its app/native may be a
    // link to archives not built yet.
    struct stat native;
    if (lstat("app/native", &native) == 0 && IsDirectory("data"))
        return standin::LockSaveArea("data") ? 0 : -1;
    std::string dataHome = DataHome();
    if (dataHome.empty()) {
        standin::SetLastError("no home directory for the save data (HOME is not set)");
        return -1;
    }
    char start[PATH_MAX];
    made.startDirectory = getcwd(start, sizeof(start)) ? start : "";
    std::string root = dataHome + "/" + standin::APP_ID;
    if (!MakeDirectories(root + "/data") || !MakeDirectory(root + "/app")) {
        standin::SetLastError("cannot prepare the save area %s: %s", root.c_str(),
                              std::strerror(errno));
        standin_discard_sandbox();
        return -1;
    }
    // Before anything of the sandbox changes: another copy may be running in it. The directories
    // this start made stay then: a copy started at the same moment may have found them and be
    // using them.
    if (!standin::LockSaveArea(root + "/data")) {
        made.directories.clear();
        standin_discard_sandbox();
        return -1;
    }
    if (!LinkArchives(root, ArchiveDirectory()) || chdir(root.c_str()) != 0) {
        standin::SetLastError("cannot prepare the save area %s: %s", root.c_str(),
                              std::strerror(errno));
        standin_discard_sandbox();
        return -1;
    }
    return 0;
}

extern "C" void standin_discard_sandbox(void)
{
    standin::UnlockSaveArea();
    Made& made = LastMade();
    if (!made.link.empty()) {
        if (made.previousTarget.empty())
            unlink(made.link.c_str());
        else
            PointLink(made.link, made.previousTarget);
    }
    // Without a directory to go back to, the ones below are still taken away.
    if (!made.startDirectory.empty() && chdir(made.startDirectory.c_str()) != 0)
        made.startDirectory.clear();
    // Newest first, and only while empty: nothing that holds a file is removed.
    for (auto it = made.directories.rbegin(); it != made.directories.rend(); ++it)
        rmdir(it->c_str());
    made = Made();
}
