// Temporary directories and the application's sandbox layout for file tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace VornTest {

// A new empty directory, removed with its content on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // Path of name below the directory.
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// A temporary working directory laid out as the application's sandbox: app/native/ (the install
// area) and data/ (the save area), with a fresh, empty mount list. The previous working directory
// and an empty mount list are restored on destruction.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();

    const std::string& Path() const { return m_dir.Path(); }
    // Paths relative to the sandbox, valid while it is the working directory.
    static std::string Native(const std::string& name) { return "app/native/" + name; }
    static std::string Data(const std::string& name) { return "data/" + name; }

private:
    TempDir m_dir;
    std::string m_previous;
};

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool WriteText(const std::string& path, const std::string& text);
// The file's bytes; empty (and missing false) when it cannot be read.
std::vector<uint8_t> ReadBytes(const std::string& path, bool* found = nullptr);
bool Exists(const std::string& path);

// Deterministic test content: bytes from a seeded generator, or text-like bytes that compress well.
std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed);
std::vector<uint8_t> TextBytes(size_t size, uint32_t seed);

} // namespace VornTest
