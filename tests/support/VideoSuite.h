// A fixture whose suite shares one test video (see MakeTestVideo), made in a temporary folder
// before the suite's first test and removed after its last.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "support/Sandbox.h"
#include "support/TestVideo.h"

namespace VornTest {

class VideoSuiteTest : public ::testing::Test {
protected:
    // From the suite's SetUpTestSuite: s_videos / name, s_made when ffmpeg made it.
    static void MakeSuiteVideo(const std::string& name, double seconds, int width, int height)
    {
        s_videos = new TempDir;
        s_made = MakeTestVideo(*s_videos / name, seconds, width, height);
    }
    static void TearDownTestSuite()
    {
        delete s_videos;
        s_videos = nullptr;
    }

    static inline TempDir* s_videos = nullptr;
    static inline bool s_made = false;
};

}  // namespace VornTest
