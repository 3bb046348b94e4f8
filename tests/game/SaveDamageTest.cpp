// Damaged save files, one property over every file of a profile and every kind of damage: the
// file zeroed, cut in half, or with one bit flipped. Whatever the damage, every field whose bytes
// are still intact reads as it was stored, both profiles stay listed, a damage the layout can
// show is set aside byte for byte and named on stderr, and nothing crashes.
#include <filesystem>
#include <functional>
#include <random>

#include "SaveDataFixture.h"
#include "SaveFile.h"
#include "Stats.h"

using namespace SaveDataTest;

namespace {

// A field of a file: where its bytes lie, and what the game made of it.
struct Field {
    size_t offset;
    size_t size;
    std::function<uint64_t(Game&)> loaded;
};

struct SaveFileCase {
    std::string name;
    Record stored;
    std::vector<Field> fields;
    // Whether a file of zeros of the right size is still a valid record.
    bool zerosAreValid;
};

uint64_t Bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

class SaveDamage : public SaveDataFixture {
protected:
    std::vector<SaveFileCase> Files()
    {
        std::vector<SaveFileCase> files;
        files.push_back({"profiles", Record().I32(2).Text("Ann").Text("Bob"), {}, false});
        files.push_back({"lastProfile", Record().Text("Ann"), {}, false});

        Record fit;
        fit.I32(200);
        SaveFileCase fitCase{"Ann_fit", {}, {}, false};
        for (int level = 0; level < 200; ++level) {
            // Twelve levels solved among the first hundred, the rest open or closed.
            const uint64_t record = level < 100 && level % 8 == 3 ? 3 : level < 100 ? 1 : 0;
            fit.U64(record);
            fitCase.fields.push_back({4 + 8u * level, 8, [level](Game& g) { return g.LevelRecord(level); }});
        }
        fitCase.stored = fit;
        files.push_back(fitCase);

        SaveFileCase hints{"Ann_hints", Record().I32(40), {}, true};
        hints.fields.push_back({0, 4, [](Game& g) { return uint64_t(uint32_t(g.hintPoints)); }});
        for (int level = 0; level < 200; ++level) {
            hints.stored.U32(level % 3);
            hints.fields.push_back({4 + 4u * level, 4, [level](Game& g) { return uint64_t(g.hintWords[level]); }});
        }
        files.push_back(hints);

        files.push_back({"Ann_options",
                         Record().I32(2).I32(1).F32(3.0f).F32(7.0f).I32(1).I32(3).U32(1),
                         {{0, 4, [](Game& g) { return uint64_t(g.pendingTheme); }},
                          {4, 4, [](Game&) { return uint64_t(Game::controlSide); }},
                          {8, 4, [](Game& g) { return Bits(g.sfxVolume); }},
                          {12, 4, [](Game& g) { return Bits(g.musicVolume); }},
                          {16, 4, [](Game&) { return uint64_t(Game::controls); }},
                          {20, 4, [](Game& g) { return uint64_t(g.language); }},
                          {24, 4, [](Game& g) { return uint64_t(g.twitch ? 0 : 1); }}},
                         true});

        Stats totals(Stats::TOTALS);
        totals.playTime = 123456;
        totals.levelsSolved = 12;
        totals.solutionsFound = 12;
        totals.completions = 30;
        files.push_back({"Ann_stats-1",
                         Record{totals.Serialize()},
                         {{120, 4, [](Game& g) { return uint64_t(g.stats->playTime); }},
                          {212, 4, [](Game& g) { return uint64_t(g.stats->levelsSolved); }},
                          {216, 4, [](Game& g) { return uint64_t(g.stats->solutionsFound); }},
                          {220, 4, [](Game& g) { return uint64_t(g.stats->completions); }}},
                         false});
        return files;
    }

    void StoreAll(const std::vector<SaveFileCase>& files)
    {
        std::filesystem::remove_all(VornTest::Sandbox::Data(""));
        std::filesystem::create_directories(VornTest::Sandbox::Data(""));
        for (const SaveFileCase& file : files)
            Store(file.name, file.stored);
        // Bob has played too: his records are what brings him back to a lost list.
        Store("Bob_fit", Record().I32(0));
    }
};

TEST_F(SaveDamage, IntactFieldsAreKeptAndDamageIsSetAsideAndNamed)
{
    const std::vector<SaveFileCase> files = Files();
    std::mt19937 random(20);
    for (const SaveFileCase& file : files) {
        const std::vector<uint8_t>& good = file.stored.bytes;
        // The damages: zeros, the first half, and single bits flipped in the first word, in the
        // middle, in the last byte and at random places.
        std::vector<std::pair<std::string, std::vector<uint8_t>>> damages;
        damages.push_back({"zeroed", std::vector<uint8_t>(good.size(), 0)});
        damages.push_back({"cut", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2)});
        std::vector<size_t> flips = {0, 1, 3, good.size() / 2, good.size() - 1};
        for (int i = 0; i < 6; ++i)
            flips.push_back(random() % good.size());
        for (size_t at : flips) {
            std::vector<uint8_t> flipped = good;
            flipped[at] ^= static_cast<uint8_t>(1u << (random() % 8));
            damages.push_back({"bit at " + std::to_string(at), flipped});
        }

        for (const auto& [kind, damaged] : damages) {
            SCOPED_TRACE(file.name + ", " + kind);
            StoreAll(files);
            Store(file.name, Record{damaged});
            m_game = new Game();
            ASSERT_TRUE(m_game->LoadTexts());
            SaveWriter::ResetFailureReport();
            testing::internal::CaptureStderr();
            m_game->LoadProfiles();
            const std::string said = testing::internal::GetCapturedStderr();

            std::vector<std::string> listed(m_game->profileNames, m_game->profileNames + m_game->profileCount);
            EXPECT_NE(std::find(listed.begin(), listed.end(), "Bob"), listed.end());
            ASSERT_NE(std::find(listed.begin(), listed.end(), "Ann"), listed.end());
            if (m_game->profileName != Vorn::WideString(L"Ann"))
                m_game->SelectProfile(L"Ann");
            for (const Field& field : file.fields) {
                const bool intact = field.offset + field.size <= damaged.size() &&
                                    std::equal(good.begin() + field.offset,
                                               good.begin() + field.offset + field.size,
                                               damaged.begin() + field.offset);
                if (!intact)
                    continue;
                uint64_t value = 0;
                for (size_t i = 0; i < field.size; ++i)
                    value |= uint64_t(good[field.offset + i]) << (8 * i);
                EXPECT_EQ(field.loaded(*m_game), value) << "field at " << field.offset;
            }

            bool asideFound = false;
            const std::vector<uint8_t> aside = Saved(file.name + ".damaged", &asideFound);
            const bool mustShow = damaged.size() != good.size() || (kind == "zeroed" && !file.zerosAreValid);
            if (mustShow) {
                EXPECT_TRUE(asideFound);
            }
            if (asideFound) {
                EXPECT_EQ(aside, damaged);
                EXPECT_NE(said.find(SaveFileOnDisk("save/" + file.name) + " is damaged"), std::string::npos)
                    << said;
            }
        }
    }
}

} // namespace
