// The 200 levels the data build wrote into the common archive, mounted for the game to read: the
// level path points at them and every level is loaded. The virtual file system must be up (a
// Sandbox starts it).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "BinaryFiles.h"
#include "support/BuiltData.h"
#include "Content.h"
#include "base/SmartPtr.h"
#include "vfs/PakMount.h"
#include "vfs/Vfs.h"

namespace VornTest {

class BuiltLevels {
public:
    BuiltLevels()
    {
        const std::string pak = BuiltData("data_common.pak");
        if (!std::filesystem::exists(pak))
            return;
        m_pak = new Vorn::PakMount(pak.c_str(), "built-levels/", 0, Vorn::PakMount::NATIVE_PATH);
        EXPECT_TRUE(m_pak->IsValid());
        EXPECT_TRUE(Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), m_pak.Get()));
        BinaryFiles::Init();
        Content::SetLevelPath("built-levels/levels/android_full");
        for (int level = 0; level < BinaryFiles::LEVEL_COUNT; ++level)
            EXPECT_TRUE(Content::LoadBinary(level)) << BinaryFiles::files[level];
    }
    // Forgets the levels and the level path.
    ~BuiltLevels()
    {
        Content::ForgetLevels();
        Content::SetLevelPath("");
    }
    BuiltLevels(const BuiltLevels&) = delete;
    BuiltLevels& operator=(const BuiltLevels&) = delete;

    // False when the data build is switched off (no archive): the test then skips.
    bool Available() const { return static_cast<bool>(m_pak); }

private:
    Vorn::SmartPtr<Vorn::PakMount> m_pak;
};

} // namespace VornTest
