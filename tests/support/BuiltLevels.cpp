#include "support/BuiltLevels.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "BinaryFiles.h"
#include "Content.h"
#include "vfs/Vfs.h"

namespace VornTest {

BuiltLevels::BuiltLevels()
{
    const std::string pak = std::string(VORN_BINARY_DIR) + "/data/data_common.pak";
    FILE* probe = std::fopen(pak.c_str(), "rb");
    if (!probe)
        return;
    std::fclose(probe);
    m_pak = new Vorn::PakMount(pak.c_str(), "built-levels/", 0, Vorn::PakMount::NATIVE_PATH);
    EXPECT_TRUE(m_pak->IsValid());
    EXPECT_TRUE(Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), m_pak.Get()));
    BinaryFiles::Init();
    Content::SetLevelPath("built-levels/levels/android_full");
    for (int level = 0; level < BinaryFiles::LEVEL_COUNT; ++level)
        EXPECT_TRUE(Content::LoadBinary(level)) << BinaryFiles::files[level];
}

BuiltLevels::~BuiltLevels()
{
    Content::ForgetLevels();
    Content::SetLevelPath("");
}

} // namespace VornTest
