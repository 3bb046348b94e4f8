// vorn-pak: create, list and extract pak archives.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ContentCheck.h"
#include "base/SmartPtr.h"
#include "pakwriter/PakWriter.h"
#include "vfs/PakMount.h"
#include "vfs/Vfs.h"

namespace {

const int EXIT_FAILED = 1;
const int EXIT_USAGE = 2;

const char* const USAGE =
    "usage: vorn-pak create OUT.pak DIR [--block-size N]\n"
    "       vorn-pak list PAK\n"
    "       vorn-pak extract PAK OUTDIR [NAME...]\n"
    "       vorn-pak --help\n";

const char* const HELP =
    "Creates, lists and extracts pak archives, the read-only file archives of the Vorn engine.\n"
    "\n"
    "  create OUT.pak DIR   pack every file below DIR, named by its path relative to DIR;\n"
    "                       a symbolic link to a file is stored under the link's own name\n"
    "                       with the content of the file it points to; links to directories,\n"
    "                       dangling links, FIFOs, sockets and devices are skipped with a\n"
    "                       warning\n"
    "                       --block-size N  bytes per compressed block (default 64K; 1K to 16M;\n"
    "                                       a K or M suffix multiplies by 1024 or 1024*1024)\n"
    "  list PAK             print each file's size and name, in the archive's order\n"
    "  extract PAK OUTDIR [NAME...]\n"
    "                       write every file (or the named ones) below OUTDIR, made when\n"
    "                       missing; nothing is written through a symbolic link below OUTDIR\n"
    "                       (such a file is refused) and nothing outside it; each file is\n"
    "                       checked as the engine reads it: a compressed block that does not\n"
    "                       decode, a PNG chunk or an Ogg page that fails its CRC, runs past\n"
    "                       the file's end or is out of its place (files named .png .apng\n"
    "                       .mng .jng, or .ogg .oga .ogv .ogx .ogm .opus .spx, in any case, or\n"
    "                       starting like one; bytes in no chunk or page are not checked);\n"
    "                       each damaged file is named and not written, the others are, and\n"
    "                       the exit status is 1\n"
    "\n"
    "Names are looked up without regard to case. Exit status: 0 done, 1 failed, 2 bad usage.\n";

std::string Printable(const std::string& text)
{
    return Vorn::VfsMount::Printable(text);
}

int Usage(const std::string& message)
{
    std::fprintf(stderr, "%s: %s (see %s --help)\n", program_invocation_short_name,
                 Printable(message).c_str(), program_invocation_short_name);
    return EXIT_USAGE;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, Printable(message).c_str());
    return EXIT_FAILED;
}

bool ParseBlockSize(const std::string& text, uint32_t& size)
{
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0)
        return false;
    std::string suffix(end);
    if (suffix == "k" || suffix == "K" || suffix == "KiB")
        value *= 1024;
    else if (suffix == "m" || suffix == "M" || suffix == "MiB")
        value *= 1024 * 1024;
    else if (!suffix.empty())
        return false;
    if (value > 0xFFFFFFFFull)
        return false;
    size = static_cast<uint32_t>(value);
    return true;
}

// Mounts the archive as the only mount, on the empty mount point, so that entry names are paths.
// On failure, message says why.
Vorn::SmartPtr<Vorn::PakMount> MountArchive(const std::string& path, std::string& message)
{
    // Only a regular file: opening a FIFO would wait for a writer, a device read without end.
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        message = path + ": " + std::strerror(errno);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        message = path + (S_ISDIR(info.st_mode) ? ": is a directory, not a pak archive"
                                                : ": not a regular file, not a pak archive");
        return nullptr;
    }
    if (access(path.c_str(), R_OK) != 0) {
        message = path + ": " + std::strerror(errno);
        return nullptr;
    }
    Vorn::SmartPtr<Vorn::PakMount> pak(
        new Vorn::PakMount(path.c_str(), "", 0, Vorn::PakMount::NATIVE_PATH));
    if (!pak->IsValid()) {
        message = path + ": " +
                  (pak->GetDamage() ? pak->GetDamage() : std::strerror(pak->GetOpenError()));
        return nullptr;
    }
    Vorn::Vfs::Init();
    Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), pak.Get());
    return pak;
}

// A name is written below the output directory only when it stays there.
bool IsSafeName(const std::string& name)
{
    if (name.empty() || name[0] == '/')
        return false;
    size_t start = 0;
    for (;;) {
        size_t end = name.find('/', start);
        std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

// The output directory, made when missing (with its parents); the user's own path, so a link
// there is followed. Everything below it is opened through this descriptor.
int OpenOutputDirectory(const std::string& path, std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        error = path + ": " + std::strerror(errno);
    return fd;
}

// Writes data to a new temporary file in the directory open as dir and renames it to leaf once
// it is whole: a write that fails (a full disk) leaves the file that was there as it was, and a
// hard link to that file elsewhere keeps its content. O_EXCL: nothing is opened but a new file.
bool ReplaceFile(int dir, const std::string& leaf, const std::vector<char>& data, std::string& error)
{
    const std::string temporary = ".vorn-pak-" + std::to_string(getpid()) + ".tmp";
    unlinkat(dir, temporary.c_str(), 0);
    const int fd = openat(dir, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::string("cannot create: ") + std::strerror(errno);
        return false;
    }
    size_t written = 0;
    int why = 0;
    while (written < data.size()) {
        const ssize_t n = write(fd, data.data() + written, data.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            why = n < 0 ? errno : ENOSPC;
            break;
        }
        written += static_cast<size_t>(n);
    }
    if (close(fd) != 0 && why == 0)
        why = errno;
    if (why == 0 && renameat(dir, temporary.c_str(), dir, leaf.c_str()) == 0)
        return true;
    error = why != 0 ? std::string("cannot write: ") + std::strerror(why)
                     : std::string("cannot replace: ") + std::strerror(errno);
    unlinkat(dir, temporary.c_str(), 0);
    return false;
}

// Writes data as name below the directory open as root. No part of the way is a link that is
// followed: a directory on the way is opened with O_NOFOLLOW, and a link, or anything else that
// is not a directory, where one is needed refuses the file; so does a link, directory or special
// file where the file goes. An existing file is replaced whole (see ReplaceFile).
bool WriteBelow(int root, const std::string& rootName, const std::string& name,
                const std::vector<char>& data, std::string& error)
{
    const std::string shown = rootName + "/" + name;
    int dir = dup(root);
    size_t start = 0;
    for (;;) {
        const size_t slash = name.find('/', start);
        if (slash == std::string::npos)
            break;
        const std::string part = name.substr(start, slash - start);
        start = slash + 1;
        if (mkdirat(dir, part.c_str(), 0755) != 0 && errno != EEXIST) {
            error = shown + ": cannot make directory " + part + ": " + std::strerror(errno);
            close(dir);
            return false;
        }
        const int next = openat(dir, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int why = errno;
        close(dir);
        if (next < 0) {
            error = shown + ": refusing to write through " + part +
                    (why == ELOOP ? " (a symbolic link)" : why == ENOTDIR ? " (not a directory)"
                                                                          : std::string(": ") + std::strerror(why));
            return false;
        }
        dir = next;
    }
    const std::string leaf = name.substr(start);
    struct stat info;
    if (fstatat(dir, leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(info.st_mode)) {
        error = shown + ": refusing to replace " +
                (S_ISLNK(info.st_mode) ? "a symbolic link" : S_ISDIR(info.st_mode) ? "a directory" : "a special file");
        close(dir);
        return false;
    }
    const bool ok = ReplaceFile(dir, leaf, data, error);
    close(dir);
    if (!ok)
        error = shown + ": " + error;
    return ok;
}

bool ReadEntry(const std::string& name, std::vector<char>& data)
{
    Vorn::SmartPtr<Vorn::File> file(Vorn::Vfs::Open(name.c_str()));
    if (!file)
        return false;
    data.resize(file->GetSize());
    size_t used = 0;
    while (used < data.size()) {
        size_t want = std::min<size_t>(data.size() - used, 1u << 20);
        Vorn::s32 got = file->Read(data.data() + used, static_cast<Vorn::u32>(want));
        if (got <= 0)
            return false;
        used += static_cast<size_t>(got);
    }
    return true;
}

int Create(const std::vector<std::string>& args)
{
    VornTools::PakWriter::Options options;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string value;
        if (a == "--block-size") {
            if (i + 1 >= args.size())
                return Usage("--block-size needs a value");
            value = args[++i];
        } else if (a.rfind("--block-size=", 0) == 0) {
            value = a.substr(std::strlen("--block-size="));
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage("unknown option " + a);
        } else {
            positional.push_back(a);
            continue;
        }
        if (!ParseBlockSize(value, options.blockSize))
            return Usage("bad block size \"" + value + "\"");
    }
    if (positional.size() != 2)
        return Usage("create needs OUT.pak and DIR");
    std::string error;
    if (!VornTools::BlockFileWriter::CheckOptions(options, error))
        return Usage(error);

    const std::string& out = positional[0];
    const std::string& dir = positional[1];
    struct stat status;
    if (stat(dir.c_str(), &status) != 0)
        return Fail(dir + ": " + std::strerror(errno));
    if (!S_ISDIR(status.st_mode))
        return Fail(dir + ": not a directory");
    std::error_code ec;
    // An archive written inside its own source directory would be packed into the next one.
    std::string outDir = std::filesystem::weakly_canonical(out, ec).parent_path().string() + "/";
    std::string source = std::filesystem::canonical(dir, ec).string() + "/";
    if (!ec && outDir.compare(0, source.size(), source) == 0)
        return Fail(out + ": lies inside " + dir + "; write the archive elsewhere");
    // Where the archive goes is checked before anything is packed.
    if (std::filesystem::is_directory(out, ec))
        return Fail(out + ": is a directory");
    const std::string outFolder = std::filesystem::path(out).parent_path().string();
    if (access(outFolder.empty() ? "." : outFolder.c_str(), W_OK) != 0)
        return Fail(out + ": cannot create: " + std::strerror(errno));
    VornTools::PakWriter writer(options);
    const bool added = writer.AddDirectory(dir);
    for (const std::string& warning : writer.GetWarnings())
        std::fprintf(stderr, "%s: warning: %s\n", program_invocation_short_name,
                     Printable(warning).c_str());
    if (!added || !writer.Write(out))
        return Fail(writer.GetError());
    const VornTools::BlockFileWriter::Stats& stats = writer.GetStats();
    std::printf("%s: %zu files, %llu bytes in %llu (%u blocks of %u bytes, %u compressed)\n",
                out.c_str(), writer.GetFileCount(),
                static_cast<unsigned long long>(stats.contentSize),
                static_cast<unsigned long long>(stats.fileSize), stats.blockCount,
                options.blockSize, stats.codedBlocks);
    return 0;
}

int List(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return Usage("list needs one PAK");
    std::string message;
    Vorn::SmartPtr<Vorn::PakMount> pak = MountArchive(args[0], message);
    if (!pak)
        return Fail(message);
    for (Vorn::u32 i = 0; i < pak->GetEntryCount(); ++i) {
        const Vorn::PakMount::Entry* entry = pak->GetEntry(i);
        std::printf("%10u  %s\n", entry->size, Printable(pak->GetName(*entry)).c_str());
    }
    return 0;
}

int Extract(const std::vector<std::string>& args)
{
    if (args.size() < 2)
        return Usage("extract needs PAK and OUTDIR");
    std::string message;
    Vorn::SmartPtr<Vorn::PakMount> pak = MountArchive(args[0], message);
    if (!pak)
        return Fail(message);
    std::vector<std::string> names(args.begin() + 2, args.end());
    if (names.empty()) {
        for (Vorn::u32 i = 0; i < pak->GetEntryCount(); ++i)
            names.push_back(pak->GetName(*pak->GetEntry(i)));
    } else {
        for (const std::string& name : names) {
            if (!pak->FindEntry(name.c_str()))
                return Fail(args[0] + ": no file named " + name);
        }
    }

    std::string error;
    const int root = OpenOutputDirectory(args[1], error);
    if (root < 0)
        return Fail(error);
    std::vector<char> data;
    int result = 0;
    for (const std::string& requested : names) {
        // Write under the archive's own spelling of the name.
        const Vorn::PakMount::Entry& entry = *pak->FindEntry(requested.c_str());
        std::string name = pak->GetName(entry);
        if (!IsSafeName(name)) {
            result = Fail(args[0] + ": refusing to extract \"" + name + "\" (leaves the output directory)");
            break;
        }
        // A damaged file is said once by the archive, naming it, and skipped: the others are
        // still written, those sharing its damaged block included, each said in turn.
        std::string why;
        if (!ReadEntry(name, data)) {
            result = pak->IsReportedDamaged(entry) ? EXIT_FAILED
                                                   : Fail(args[0] + ": " + name + ": cannot be read");
            continue;
        }
        if (!VornPak::CheckContent(name, reinterpret_cast<const Vorn::u8*>(data.data()), data.size(), why)) {
            pak->ReportDamage(entry, why.c_str());
            result = EXIT_FAILED;
            continue;
        }
        if (!WriteBelow(root, args[1], name, data, error)) {
            result = Fail(error);
            break;
        }
    }
    close(root);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage("no command given: create, list or extract");
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "--help" || command == "-h" || command == "help") {
        std::printf("%s\n%s", USAGE, HELP);
        return 0;
    }
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::printf("%s\n%s", USAGE, HELP);
            return 0;
        }
    }
    // Past a limit on the size of files (ulimit -f) a write fails with EFBIG, said and cleaned up
    // as any failed write, where the default action of SIGXFSZ would end the process in silence.
    std::signal(SIGXFSZ, SIG_IGN);
    int result;
    if (command == "create")
        result = Create(args);
    else if (command == "list")
        result = List(args);
    else if (command == "extract")
        result = Extract(args);
    else
        return Usage("unknown command \"" + command + "\"");
    Vorn::Vfs::Shutdown();
    return result;
}
