// Save data: the profile list, the last profile and the current profile's options, level records,
// hints and totals, as the game reads them when it selects a profile, then a profile created and
// deleted over them.
//
// The input is a sequence of files: one byte choosing the file (below), two bytes of length
// (little-endian), then the content. Files live in memory: the save area here is a mount that keeps
// what is written.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Consts.h"
#include "Game.h"
#include "Images.h"
#include "vfs/CachedFile.h"
#include "vfs/Vfs.h"
#include "vfs/VfsMount.h"

namespace {

// Profile files are matched by the end of their name, whatever profile they belong to.
const char* const FILE_NAMES[] = {"profiles", "lastProfile", "_options", "_fit",
                                  "_hints",   "_stats-1",    "save_version"};
const size_t FILE_KINDS = sizeof FILE_NAMES / sizeof FILE_NAMES[0];

std::map<std::string, std::vector<uint8_t>> g_files;

size_t KindOf(const std::string& path)
{
    for (size_t kind = 0; kind < FILE_KINDS; ++kind) {
        const std::string name = FILE_NAMES[kind];
        if (path.size() >= name.size() && path.compare(path.size() - name.size(), name.size(), name) == 0)
            return kind;
    }
    return FILE_KINDS;
}

// Collects what is written and hands it to the file table when closed.
class WrittenFile final : public Vorn::File {
public:
    explicit WrittenFile(const std::string& path) : m_path(path) {}
    ~WrittenFile() override { Close(); }

    Vorn::s32 Read(void*, Vorn::u32) override { return 0; }
    Vorn::u32 Write(const void* buffer, Vorn::u32 count) override
    {
        const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
        m_bytes.insert(m_bytes.end(), bytes, bytes + count);
        return count;
    }
    bool Seek(int, int) override { return false; }
    Vorn::u32 Tell() override { return static_cast<Vorn::u32>(m_bytes.size()); }
    Vorn::u32 GetSize() override { return static_cast<Vorn::u32>(m_bytes.size()); }
    bool Close() override
    {
        if (!m_path.empty())
            g_files[m_path] = m_bytes;
        m_path.clear();
        return true;
    }

private:
    std::string m_path;
    std::vector<uint8_t> m_bytes;
};

class SaveMount final : public Vorn::VfsMount {
public:
    SaveMount() : Vorn::VfsMount("save/", 0) {}

    Vorn::File* Open(const char* relativePath) override
    {
        auto found = g_files.find(relativePath);
        if (found == g_files.end())
            return nullptr;
        return new Vorn::CachedFile(found->second.data(), static_cast<Vorn::u32>(found->second.size()), true);
    }
    Vorn::File* OpenWrite(const char* relativePath) override { return new WrittenFile(relativePath); }
};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckState(const Game& game)
{
    Check(game.profileCount >= 0 && game.profileCount <= Game::PROFILE_SLOTS);
    for (int slot = 0; slot < Game::PROFILE_SLOTS; ++slot)
        Check((slot < game.profileCount) == Game::IsValidProfileName(game.profileNames[slot]));
    Check(Game::theme >= 0 && Game::theme < Consts::THEMES_COUNT);
    Check(game.pendingTheme >= 0 && game.pendingTheme < Consts::THEMES_COUNT);
    Check(game.language >= 0 && game.language < Game::LANGUAGE_COUNT);
    Check(Game::controlSide == 0 || Game::controlSide == 1);
    Check(game.sfxVolume >= 0.0f && game.sfxVolume <= 10.0f);
    Check(game.musicVolume >= 0.0f && game.musicVolume <= 10.0f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool s_ready = [] {
        Consts::Init(480, 800, true);
        Images::Init();
        Vorn::Vfs::Init();
        Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), new SaveMount());
        return true;
    }();
    (void)s_ready;

    g_files.clear();
    std::vector<uint8_t> byKind[FILE_KINDS];
    bool present[FILE_KINDS] = {};
    while (size >= 3) {
        size_t kind = data[0] % FILE_KINDS;
        size_t length = data[1] | static_cast<size_t>(data[2]) << 8;
        data += 3;
        size -= 3;
        if (length > size)
            length = size;
        byKind[kind].assign(data, data + length);
        present[kind] = true;
        data += length;
        size -= length;
    }
    // Every profile the list or the last profile could name finds its files under its own name.
    auto install = [&](const std::string& prefix) {
        for (size_t kind = 2; kind < 6; ++kind)
            if (present[kind])
                g_files[prefix + FILE_NAMES[kind]] = byKind[kind];
    };
    for (size_t kind : {size_t(0), size_t(1), size_t(6)})
        if (present[kind])
            g_files[FILE_NAMES[kind]] = byKind[kind];
    install("GUEST");
    if (present[1] && byKind[1].size() > 4)
        install(std::string(byKind[1].begin() + 4, byKind[1].end()));

    Vorn::SmartPtr<Game> game(new Game());
    Game::theme = 0;
    Check(game->ReadLastProfileTheme() >= 0);
    game->LoadProfiles();
    CheckState(*game);
    game->ReadSaveVersion();

    game->CreateProfile("Fuzz");
    CheckState(*game);
    if (!game->IsGuest())
        Check(game->DeleteCurrentProfile());
    CheckState(*game);
    Check(game->IsGuest());

    Game::instance = nullptr;
    return 0;
}
