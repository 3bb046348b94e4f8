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

// Writes the bytes as the file's whole content, making the folders above it; a regular file that
// could not be written whole is removed, so that no half-written output is taken for a built one.
bool WriteWholeFile(const std::string& path, const void* data, size_t size, std::string& error);
template <typename Bytes>
bool WriteWholeFile(const std::string& path, const Bytes& bytes, std::string& error)
{
    return WriteWholeFile(path, bytes.data(), bytes.size(), error);
}

} // namespace DataBuild
