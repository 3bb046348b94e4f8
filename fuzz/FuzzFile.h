// Gives a fuzz input a file name without touching the disk: the bytes go into an anonymous memory
// file, opened again through /proc/self/fd like any other path.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace FuzzSupport {

inline const std::string& FilePathFor(const uint8_t* data, size_t size)
{
    static int s_fd = memfd_create("fuzz-input", 0);
    static std::string s_path = "/proc/self/fd/" + std::to_string(s_fd);
    if (ftruncate(s_fd, 0) != 0 || (size > 0 && pwrite(s_fd, data, size, 0) != static_cast<ssize_t>(size)))
        std::abort();
    return s_path;
}

// The input's first bytes steer the reads; the rest is the file.
struct Steering {
    uint32_t values[4] = {0, 0, 0, 0};

    // Takes 16 bytes (or what there is) off the front of the input.
    void Take(const uint8_t*& data, size_t& size)
    {
        for (uint32_t& v : values) {
            for (int b = 0; b < 4 && size > 0; ++b, ++data, --size)
                v |= static_cast<uint32_t>(*data) << (8 * b);
        }
    }
};

} // namespace FuzzSupport
