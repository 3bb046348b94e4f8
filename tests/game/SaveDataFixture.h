// A game object over a fresh save area: "save/" is a sandbox's save directory, "common/" serves the
// five real text tables from the source tree, and the English table is loaded.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Consts.h"
#include "Content.h"
#include "Game.h"
#include "Images.h"
#include "TextsManager.h"
#include "base/TextDict.h"
#include "support/MemoryMount.h"
#include "support/Sandbox.h"
#include "vfs/Vfs.h"

namespace SaveDataTest {

// Little-endian record bytes, written field by field as the game's files hold them.
struct Record {
    std::vector<uint8_t> bytes;

    Record& I32(int32_t value) { return U32(static_cast<uint32_t>(value)); }
    Record& U32(uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(value >> shift));
        return *this;
    }
    Record& F32(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return U32(bits);
    }
    Record& U64(uint64_t value) { return U32(static_cast<uint32_t>(value)).U32(static_cast<uint32_t>(value >> 32)); }
    Record& Text(const std::string& text)
    {
        U32(static_cast<uint32_t>(text.size()));
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
};

// Reads fields back from a file's bytes; a field past the end fails the test.
struct Fields {
    std::vector<uint8_t> bytes;
    size_t position = 0;

    uint32_t U32()
    {
        EXPECT_LE(position + 4, bytes.size());
        if (position + 4 > bytes.size())
            return 0;
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<uint32_t>(bytes[position + i]) << (8 * i);
        position += 4;
        return value;
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    float F32()
    {
        uint32_t bits = U32();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    uint64_t U64()
    {
        uint64_t low = U32();
        return low | static_cast<uint64_t>(U32()) << 32;
    }
    std::string Text()
    {
        uint32_t size = U32();
        EXPECT_LE(position + size, bytes.size());
        if (position + size > bytes.size())
            return "";
        std::string text(bytes.begin() + position, bytes.begin() + position + size);
        position += size;
        return text;
    }
};

inline std::string ReadSourceText(const std::string& name)
{
    std::ifstream in(std::string(VORN_SOURCE_DIR) + "/data/texts/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class SaveDataFixture : public ::testing::Test {
protected:
    static constexpr const char* LANGUAGE_FILES[5] = {"en.xml", "fr.xml", "it.xml", "de.xml",
                                                      "es.xml"};

    void SetUp() override
    {
        Consts::Init(480, 800, true);
        Images::Init();
        ASSERT_TRUE(Vorn::Vfs::MountNative("./", "save/", Vorn::VfsMount::FALL_THROUGH |
                                                               Vorn::VfsMount::SAVE_STORAGE));
        m_common = new VornTest::MemoryMount("common/");
        for (const char* file : LANGUAGE_FILES) {
            std::string text = ReadSourceText(file);
            ASSERT_FALSE(text.empty()) << file;
            m_common->Add(std::string("texts/") + file, text);
        }
        ASSERT_TRUE(Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), m_common.Get()));
        TextsManager::Instance().ResetDictionary();
        m_game = new Game();
        ASSERT_TRUE(m_game->LoadTexts());
    }

    void TearDown() override
    {
        m_game = nullptr;
        Game::instance = nullptr;
        Vorn::g_textDict = nullptr;
        Content::ForgetLevels();
    }

    // The bytes of a save file as the save area stores it ("save/x" is "data/._x").
    static std::vector<uint8_t> Saved(const std::string& name, bool* found = nullptr)
    {
        return VornTest::ReadBytes(VornTest::Sandbox::Data("._" + name), found);
    }
    static bool Exists(const std::string& name)
    {
        bool found = false;
        Saved(name, &found);
        return found;
    }
    static Fields Read(const std::string& name) { return Fields{Saved(name)}; }
    static void Store(const std::string& name, const Record& record)
    {
        ASSERT_TRUE(VornTest::WriteBytes(VornTest::Sandbox::Data("._" + name), record.bytes));
    }

    Vorn::WideString Text(const char* key) const { return m_game->GetText(key); }

    VornTest::Sandbox m_sandbox;
    Vorn::SmartPtr<VornTest::MemoryMount> m_common;
    Vorn::SmartPtr<Game> m_game;
};

} // namespace SaveDataTest
