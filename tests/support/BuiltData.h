// The files the data build writes into the build tree, and why a test that reads them is skipped
// where they are not there: the build does not build its data (-DVORN_BUILD_DATA=OFF), or has not
// made that file (a build stopped short, a file removed by hand).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace VornTest {

// BUILD/data/NAME ("data_common.pak", "tessela.png").
std::string BuiltData(const std::string& name);
// Empty when every path is there; else "no PATH, PATH (data build switched off)" or, where the
// build does build its data, "no PATH (not made by this build's data build)".
std::string MissingBuiltData(const std::vector<std::string>& paths);
// The same for the five archives the game reads.
std::string MissingGameData();

} // namespace VornTest

// Skips the test with the reason a Missing... call gives, when it gives one.
#define VORN_SKIP_IF_MISSING(...)                                                                  \
    do {                                                                                           \
        const std::string vornMissing = (__VA_ARGS__);                                             \
        if (!vornMissing.empty())                                                                  \
            GTEST_SKIP() << vornMissing;                                                           \
    } while (0)
