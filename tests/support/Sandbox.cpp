#include "support/Sandbox.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "vfs/Vfs.h"

namespace VornTest {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vorn-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = buffer.data();
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

Sandbox::Sandbox()
{
    m_previous = std::filesystem::current_path().string();
    std::filesystem::create_directories(m_dir / "app/native");
    std::filesystem::create_directories(m_dir / "data");
    std::filesystem::current_path(m_dir.Path());
    Vorn::Vfs::Init();
}

Sandbox::~Sandbox()
{
    Vorn::Vfs::Shutdown();
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool WriteText(const std::string& path, const std::string& text)
{
    return WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> ReadBytes(const std::string& path, bool* found)
{
    std::ifstream in(path, std::ios::binary);
    if (found)
        *found = static_cast<bool>(in);
    if (!in)
        return {};
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(rng());
    return bytes;
}

std::vector<uint8_t> TextBytes(size_t size, uint32_t seed)
{
    static const char* const WORDS[] = {"block ", "tray ", "cell ", "level ", "pack ", "outline ",
                                        "\n", "solution ", "hint ", "theme ", "42 ", "7 "};
    std::mt19937 rng(seed);
    std::vector<uint8_t> bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        const char* word = WORDS[rng() % (sizeof WORDS / sizeof WORDS[0])];
        for (const char* c = word; *c && bytes.size() < size; ++c)
            bytes.push_back(static_cast<uint8_t>(*c));
    }
    return bytes;
}

} // namespace VornTest
