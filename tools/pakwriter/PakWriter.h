// Builds pak archives: a sorted directory of 12-byte entries, a name table and the files' bytes,
// all inside one block-compressed container (see BlockFileWriter.h). Used by vorn-pak and by the
// data builder. The output depends only on the files added and the options: the same input gives
// the same bytes, whatever the order of the Add calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "BlockFileWriter.h"

namespace VornTools {

class PakWriter {
public:
    typedef BlockFileWriter::Options Options;

    PakWriter() {}
    explicit PakWriter(const Options& options) : m_options(options) {}

    // Adds one file under name, a relative path with '/' between its parts. Refused (false, see
    // GetError) when the name is not a clean relative path or when a file of the same name,
    // compared without regard to ASCII case, is already there: the engine looks names up that way.
    bool AddFile(const std::string& name, const void* data, size_t size);
    bool AddFile(const std::string& name, std::vector<uint8_t>&& data);
    bool AddFileFromDisk(const std::string& name, const std::string& path);
    // Adds every regular file below directory, named by its path relative to it, after prefix
    // (empty, or ending in '/'). A symbolic link to a file is stored under the link's own name
    // with the content of the file it points to; links to directories or to nothing, FIFOs,
    // sockets and devices are skipped, each with a warning (GetWarnings).
    bool AddDirectory(const std::string& directory, const std::string& prefix = std::string());
    // What was skipped so far, one line each.
    const std::vector<std::string>& GetWarnings() const { return m_warnings; }

    size_t GetFileCount() const { return m_files.size(); }

    // The archive's bytes.
    bool WriteToMemory(std::vector<uint8_t>& out);
    // Writes the archive to a temporary file beside path and renames it over path, so that an
    // interrupted run never leaves half an archive.
    bool Write(const std::string& path);

    const std::string& GetError() const { return m_error; }
    // Figures of the last archive written.
    const BlockFileWriter::Stats& GetStats() const { return m_stats; }

    static bool IsValidName(const std::string& name);
    // ASCII case-insensitive order, the order the engine's binary search expects.
    static int CompareNames(const std::string& a, const std::string& b);

private:
    struct NameLess {
        bool operator()(const std::string& a, const std::string& b) const
        {
            return CompareNames(a, b) < 0;
        }
    };

    bool Fail(const std::string& message);
    void Warn(const std::string& message);

    Options m_options;
    std::map<std::string, std::vector<uint8_t>, NameLess> m_files;
    std::string m_error;
    std::vector<std::string> m_warnings;
    BlockFileWriter::Stats m_stats;
};

} // namespace VornTools
