// A mount that serves files from memory, so that tests can give loaders virtual paths without
// touching the disk.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "system/Types.h"
#include "vfs/VfsMount.h"

namespace VornTest {

class MemoryMount final : public Vorn::VfsMount {
public:
    explicit MemoryMount(const char* mountPoint) : Vorn::VfsMount(mountPoint, 0) {}

    void Add(const std::string& path, const std::vector<Vorn::u8>& bytes) { m_files[path] = bytes; }
    void Add(const std::string& path, const std::string& text) { m_files[path].assign(text.begin(), text.end()); }
    void Remove(const std::string& path) { m_files.erase(path); }

    // A copy of the bytes as a new file, or null.
    Vorn::File* Open(const char* relativePath) override;
    Vorn::File* OpenWrite(const char*) override { return nullptr; }

    // Starts a fresh file system holding only a new memory mount on mountPoint and returns it.
    static MemoryMount* Install(const char* mountPoint);

private:
    std::map<std::string, std::vector<Vorn::u8>> m_files;
};

}  // namespace VornTest
