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
    struct Options : BlockFileWriter::Options {
        // Files whose names end in one of these (ASCII case ignored, as the engine compares
        // names) get blocks of their own, stored raw whatever the other options say: the file
        // starts on a block boundary, the next file on the block after its last byte, and the
        // zeros between are padding no directory entry points at. For data the game streams
        // while it plays, such as Ogg music, which LZMA hardly shrinks but costs time to decode.
        // Empty files take no blocks and are not moved.
        std::vector<std::string> rawEndings;
        // Files whose names end in one of these carry a check of their own, which their readers
        // make (PNG chunk CRCs, Ogg page CRCs). When the list is not empty, the directory and
        // every other file are stored in LZMA-coded blocks whatever `blocks` says, so that the
        // reader's check of a coded block covers every byte that has no other; the files with a
        // check follow all the others, in blocks left to `blocks` (and rawEndings).
        std::vector<std::string> checkedEndings;
    };

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
    // Whether name ends in one of endings (rawEndings, checkedEndings), ASCII case ignored.
    static bool HasEnding(const std::vector<std::string>& endings, const std::string& name);

private:
    struct NameLess {
        bool operator()(const std::string& a, const std::string& b) const
        {
            return CompareNames(a, b) < 0;
        }
    };
    typedef std::map<std::string, std::vector<uint8_t>, NameLess> FileMap;
    typedef const FileMap::value_type* FileRef;

    // Where each file lies in the content and how each block is stored.
    struct Layout {
        std::map<FileRef, uint64_t> offsets;
        std::vector<BlockFileWriter::StoreMode> modes; // blocks past its end: as the options say
        uint64_t end = 0;                              // of the content
    };

    // The files in the order their bytes follow one another: directory order, those with a check
    // of their own after all the others when checkedEndings asks for it.
    std::vector<FileRef> ContentOrder() const;
    // Places the files after the directory; false when the content would not fit the format.
    bool LayOut(const std::vector<FileRef>& order, uint64_t directorySize, Layout& layout);
    // The directory, the name table and the files' bytes where the layout puts them.
    void BuildContent(const std::vector<FileRef>& order, const Layout& layout,
                      uint64_t nameTableSize, std::vector<uint8_t>& content) const;

    bool Fail(const std::string& message);
    void Warn(const std::string& message);

    Options m_options;
    FileMap m_files;
    std::string m_error;
    std::vector<std::string> m_warnings;
    BlockFileWriter::Stats m_stats;
};

} // namespace VornTools
