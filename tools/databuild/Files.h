// Whole files read and written by the builder's commands. A failure gives its reason in error, as
// "PATH: cannot be read: REASON" (the system's words for errno), for the one line the command says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace DataBuild {

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Writes the bytes as the file's whole content, making the folders above it. A file is made whole
// beside the one a path leads to (through its symbolic links, which stay) and renamed over it, so
// that a failure leaves what was there, never a half-written file taken for a built one. Where
// renaming would harm, the file is written into as it is: what is no regular file (a device, a
// pipe), a file with other hard links or of another owner, and one in a folder that takes no new
// name (read-only, or a name with no room for the temporary's suffix). A file this user may not
// write is refused ("Permission denied"), and so is a symbolic link to nothing (no folder is made).
bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string& error);
template <typename Bytes>
bool WriteWholeFile(const std::string& path, const Bytes& bytes, std::string& error)
{
    return WriteWholeFile(path, bytes.data(), bytes.size(), error);
}

} // namespace DataBuild
