// The size of the files this process writes limited (RLIMIT_FSIZE, SIGXFSZ ignored as the programs
// ignore it) while the object lives: a write past it fails ("File too large") as on a full disk,
// and nothing outside the test is touched.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace VornTest {

struct FileSizeLimit {
    rlimit before;
    explicit FileSizeLimit(rlim_t bytes) : before()
    {
        getrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {bytes, before.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &before); }
};

} // namespace VornTest
