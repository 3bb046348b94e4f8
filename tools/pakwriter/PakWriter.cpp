#include "PakWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace VornTools {

namespace {

const size_t ENTRY_SIZE = 12;

void AppendU32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

int LowerAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The folder a step of a directory walk failed in, after it stood on last: last itself when it
// is a folder (the walk was entering it), else the folder last lies in.
std::string FailedFolder(const std::filesystem::path& last, const std::string& top)
{
    std::error_code ec;
    if (last.empty())
        return top;
    if (std::filesystem::is_directory(std::filesystem::symlink_status(last, ec)))
        return last.string();
    return last.parent_path().string();
}

} // namespace

int PakWriter::CompareNames(const std::string& a, const std::string& b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int d = LowerAscii(static_cast<unsigned char>(a[i])) -
                LowerAscii(static_cast<unsigned char>(b[i]));
        if (d != 0)
            return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool PakWriter::HasEnding(const std::vector<std::string>& endings, const std::string& name)
{
    for (const std::string& ending : endings) {
        if (ending.size() <= name.size() &&
            CompareNames(name.substr(name.size() - ending.size()), ending) == 0)
            return true;
    }
    return false;
}

bool PakWriter::IsValidName(const std::string& name)
{
    if (name.empty() || name.front() == '/' || name.back() == '/')
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        std::string part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    for (char c : name) {
        if (c == '\0' || c == '\\')
            return false;
    }
    return true;
}

bool PakWriter::Fail(const std::string& message)
{
    m_error = message;
    return false;
}

bool PakWriter::AddFile(const std::string& name, std::vector<uint8_t>&& data)
{
    if (!IsValidName(name))
        return Fail("invalid file name \"" + name + "\"");
    if (data.size() > 0xFFFFFFFFu)
        return Fail("file too large: " + name);
    auto found = m_files.find(name);
    if (found != m_files.end())
        return Fail("two files named \"" + found->first + "\" and \"" + name +
                    "\" (names are compared without regard to case)");
    m_files.emplace(name, std::move(data));
    return true;
}

bool PakWriter::AddFile(const std::string& name, const void* data, size_t size)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    return AddFile(name, std::vector<uint8_t>(bytes, bytes + (bytes ? size : 0)));
}

bool PakWriter::AddFileFromDisk(const std::string& name, const std::string& path)
{
    std::vector<uint8_t> data;
    if (!ReadWholeFile(path, data))
        return Fail("cannot read " + path);
    return AddFile(name, std::move(data));
}

bool PakWriter::AddDirectory(const std::string& directory, const std::string& prefix)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(directory, ec))
        return Fail(directory + " is not a directory");
    if (!prefix.empty() && prefix.back() != '/')
        return Fail("prefix must end in '/'");
    fs::recursive_directory_iterator it(directory, ec), end;
    if (ec)
        return Fail("cannot read directory " + directory + ": " + ec.message());
    // Names are the paths as found below the directory, links not resolved: a link is named by
    // itself, wherever it points.
    const fs::path base = fs::path(directory).lexically_normal();
    fs::path last;
    for (; it != end; it.increment(ec)) {
        if (ec)
            return Fail("cannot read directory " + FailedFolder(last, directory) + ": " + ec.message());
        const fs::path path = it->path();
        last = path;
        const fs::file_status own = it->symlink_status(ec);
        if (ec)
            return Fail("cannot read " + path.string() + ": " + ec.message());
        fs::file_status content = own;
        if (fs::is_symlink(own)) {
            // The iterator does not descend into linked directories, so there are no loops.
            content = fs::status(path, ec);
            if (ec || !fs::exists(content)) {
                Warn("skipped " + path.string() + ": a symbolic link to nothing");
                ec.clear();
                continue;
            }
            if (fs::is_directory(content)) {
                Warn("skipped " + path.string() + ": a symbolic link to a directory");
                continue;
            }
        } else if (fs::is_directory(own)) {
            continue;
        }
        if (!fs::is_regular_file(content)) {
            Warn("skipped " + path.string() + ": not a regular file (a FIFO, socket or device)");
            continue;
        }
        std::string relative = path.lexically_normal().lexically_relative(base).generic_string();
        if (relative.empty() || relative.compare(0, 3, "../") == 0)
            return Fail("cannot name " + path.string());
        if (!AddFileFromDisk(prefix + relative, path.string()))
            return false;
    }
    if (ec)
        return Fail("cannot read directory " + FailedFolder(last, directory) + ": " + ec.message());
    return true;
}

void PakWriter::Warn(const std::string& message)
{
    m_warnings.push_back(message);
}

std::vector<PakWriter::FileRef> PakWriter::ContentOrder() const
{
    std::vector<FileRef> order;
    for (const auto& file : m_files) {
        if (!HasEnding(m_options.checkedEndings, file.first))
            order.push_back(&file);
    }
    for (const auto& file : m_files) {
        if (HasEnding(m_options.checkedEndings, file.first))
            order.push_back(&file);
    }
    return order;
}

bool PakWriter::LayOut(const std::vector<FileRef>& order, uint64_t directorySize, Layout& layout)
{
    // A file kept raw, and the file after each, is moved to a block boundary with zeros before it.
    // Blocks are coded where they hold bytes without a check of their own (when checkedEndings
    // asks for that), raw for files kept raw, and left to the options elsewhere.
    const uint64_t blockSize = m_options.blockSize;
    const bool checked = !m_options.checkedEndings.empty();
    auto mark = [&](uint64_t from, uint64_t to, BlockFileWriter::StoreMode mode) {
        const size_t last = static_cast<size_t>((to + blockSize - 1) / blockSize);
        if (layout.modes.size() < last)
            layout.modes.resize(last, m_options.blocks);
        std::fill(layout.modes.begin() + static_cast<std::ptrdiff_t>(from / blockSize),
                  layout.modes.begin() + static_cast<std::ptrdiff_t>(last), mode);
    };
    if (checked)
        mark(0, directorySize, BlockFileWriter::STORE_CODED);
    uint64_t end = directorySize;
    bool afterRaw = false;
    for (FileRef file : order) {
        const uint64_t size = file->second.size();
        const bool raw = size > 0 && HasEnding(m_options.rawEndings, file->first);
        if (raw || (afterRaw && size > 0))
            end = (end + blockSize - 1) / blockSize * blockSize;
        layout.offsets[file] = end;
        if (raw)
            mark(end, end + size, BlockFileWriter::STORE_RAW);
        else if (checked && size > 0 && !HasEnding(m_options.checkedEndings, file->first))
            mark(end, end + size, BlockFileWriter::STORE_CODED);
        end += size;
        if (size > 0)
            afterRaw = raw;
        if (end > 0xFFFFFFFFu)
            return Fail("content too large for one archive (4 GiB at most)");
    }
    layout.end = end;
    return true;
}

void PakWriter::BuildContent(const std::vector<FileRef>& order, const Layout& layout,
                             uint64_t nameTableSize, std::vector<uint8_t>& content) const
{
    content.clear();
    content.reserve(static_cast<size_t>(layout.end));
    AppendU32(content, static_cast<uint32_t>(m_files.size()));
    uint32_t nameOffset = 0;
    for (const auto& file : m_files) {
        AppendU32(content, nameOffset);
        AppendU32(content, static_cast<uint32_t>(layout.offsets.at(&file)));
        AppendU32(content, static_cast<uint32_t>(file.second.size()));
        nameOffset += static_cast<uint32_t>(file.first.size() + 1);
    }
    AppendU32(content, static_cast<uint32_t>(nameTableSize));
    for (const auto& file : m_files) {
        content.insert(content.end(), file.first.begin(), file.first.end());
        content.push_back(0);
    }
    for (FileRef file : order) {
        content.resize(static_cast<size_t>(layout.offsets.at(file)), 0);
        content.insert(content.end(), file->second.begin(), file->second.end());
    }
}

bool PakWriter::WriteToMemory(std::vector<uint8_t>& out)
{
    // Content: count, entries, name table size, name table, then the files.
    std::string error;
    if (!BlockFileWriter::CheckOptions(m_options, error))
        return Fail(error);
    uint64_t nameTableSize = 0;
    for (const auto& file : m_files)
        nameTableSize += file.first.size() + 1;
    const uint64_t directorySize = 8 + ENTRY_SIZE * m_files.size() + nameTableSize;

    const std::vector<FileRef> order = ContentOrder();
    Layout layout;
    if (!LayOut(order, directorySize, layout))
        return false;
    std::vector<uint8_t> content;
    BuildContent(order, layout, nameTableSize, content);
    if (!BlockFileWriter::Encode(content.data(), content.size(), m_options, out, error, &m_stats,
                                 &layout.modes))
        return Fail(error);
    return true;
}

bool PakWriter::Write(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (!WriteToMemory(bytes))
        return false;
    // The messages name the archive asked for: the temporary file is the writer's business.
    std::string temporary = path + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return Fail("cannot create " + path + ": " + std::strerror(errno));
    errno = 0;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fflush(file) == 0 && ok;
    int why = errno;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        why = why != 0 ? why : errno;
        std::remove(temporary.c_str());
        return Fail("cannot write " + path + ": " + std::strerror(why != 0 ? why : EIO));
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        why = errno;
        std::remove(temporary.c_str());
        return Fail("cannot replace " + path + ": " + std::strerror(why));
    }
    return true;
}

} // namespace VornTools
