// Where the files installed with the program lie. An installed program (<prefix>/bin/PROGRAM)
// reads only what was installed in its prefix, never the build tree; a program of the build tree
// that was not installed there takes the build's own copies.
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "Application.h"
#include "EventCore.h"
#include "standin/standin.h"

#ifndef VORN_BUILD_ROOT
#define VORN_BUILD_ROOT ""
#endif

namespace {

bool IsFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ExecutableDirectory()
{
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return "";
    const std::string path(buffer, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

// Whether the program lies in the build tree (the game, a test): an installed copy never does.
bool InBuildTree(const std::string& exeDir)
{
    if (!*VORN_BUILD_ROOT || exeDir.empty())
        return false;
    char resolved[PATH_MAX];
    const char* absolute = realpath(VORN_BUILD_ROOT, resolved) ? resolved : VORN_BUILD_ROOT;
    const std::string root = std::string(absolute) + "/";
    return (exeDir + "/").compare(0, root.size(), root) == 0;
}

}  // namespace

namespace standin {

std::string InstalledFile(const std::string& relative, const std::string& buildCopy)
{
    const std::string exeDir = ExecutableDirectory();
    const size_t slash = exeDir.rfind('/');
    if (slash == std::string::npos)
        return "";
    const std::string installed = exeDir.substr(0, slash) + "/" + relative;
    return InBuildTree(exeDir) && !IsFile(installed) ? buildCopy : installed;
}

}  // namespace standin

extern "C" char* standin_installed_file(const char* relative, const char* build_copy)
{
    return standin::CopyForCaller(
        standin::InstalledFile(relative ? relative : "", build_copy ? build_copy : ""));
}
