// The profile's save files: options, hints, level records, the version stamp and the high-score
// files. Every file is a small headerless record (SaveFile.h); a file shorter than its record is
// treated as missing, which is what a deleted profile leaves behind (its files are emptied, not
// removed).
#include "Game.h"

#include <climits>
#include <cmath>

#include "Consts.h"
#include "Content.h"
#include "Controller.h"
#include "PlayfieldFit.h"
#include "SaveFile.h"
#include "Sounds.h"
#include "Stats.h"

using Vorn::NarrowString;
using Vorn::s32;
using Vorn::u32;
using Vorn::u64;

namespace {

const u32 OPTIONS_SIZE = 7 * 4;
const u32 HINTS_SIZE = 4 + 4 * Game::LEVEL_COUNT;
const u32 FIT_MAX_SIZE = 4 + 8 * Game::LEVEL_COUNT;
const u32 MAX_VERSION_BYTES = 64;
const float DEFAULT_VOLUME = 5.0f;
const float MAX_VOLUME = 10.0f;
const int DEFAULT_OPEN_LEVELS = 4;
const int HINT_POINTS_PER_SOLUTION = 10;
const int MAX_CONTROLS = 2;

int Clamp(int value, int low, int high)
{
    return value < low ? low : value > high ? high : value;
}

} // namespace

NarrowString Game::ProfilePath(const char* name) const
{
    return NarrowString(profilePrefix) + name;
}

int Game::ClampTheme(int value)
{
    int count = Consts::THEMES_COUNT > 0 ? Consts::THEMES_COUNT : Consts::MAX_THEMES;
    return Clamp(value, 0, count - 1);
}

int Game::ClampLanguage(int value)
{
    return Clamp(value, 0, LANGUAGE_COUNT - 1);
}

float Game::ClampVolume(float value)
{
    // A stored NaN compares false both ways and would reach the sound layer as garbage.
    if (std::isnan(value))
        return DEFAULT_VOLUME;
    return value < 0.0f ? 0.0f : value > MAX_VOLUME ? MAX_VOLUME : value;
}

int Game::VolumePercent(float volume)
{
    return static_cast<int>(ClampVolume(volume) * 10.0f);
}

uint64_t Game::LevelRecordMask(int level) const
{
    const LevelFile* file = Content::GetLevel(level);
    // Without the level's data there is nothing to check against; its record is kept as it is.
    if (!file)
        return ~uint64_t(0);
    int solutions = file->solutionCount;
    return solutions >= 63 ? ~uint64_t(0) : (uint64_t(1) << (solutions + 1)) - 1;
}

void Game::KeepGameInProgress()
{
    PlayfieldFit* board = playfield.Get();
    if (!board)
        return;
    if (screenState != STATE_PLAY || !board->IsLoaded() || !board->IsNotSolved()) {
        board->ClearSavedGame();
        return;
    }
    // A piece in the finger goes back to the tray first: the save holds only what lies still.
    if (board->dragging && controller)
        controller->Cancel();
    board->SaveGame();
}

bool Game::EmptySaveFile(const NarrowString& path)
{
    SaveWriter file(path);
    return file.Finish();
}

bool Game::SaveVersion()
{
    SaveWriter file(SavePath("save_version"));
    file.PutText(s_appVersionName);
    return file.Finish();
}

NarrowString Game::ReadSaveVersion()
{
    SaveReader file;
    NarrowString version;
    if (!file.Open(SavePath("save_version"), 4 + MAX_VERSION_BYTES) ||
        !file.GetText(version, MAX_VERSION_BYTES))
        return s_appVersionName;
    return version;
}

int Game::ReadLastProfileTheme()
{
    NarrowString names[PROFILE_SLOTS];
    int count = 0;
    bool listFound = false;
    ReadProfileList(names, count, listFound);
    NarrowString name = listFound ? ResolveLastProfile(names, count) : NarrowString(GUEST_NAME);
    SaveReader file;
    s32 storedTheme = 0;
    if (!file.Open(SavePath("") + name + "_options", OPTIONS_SIZE) || file.Size() < OPTIONS_SIZE ||
        !file.GetI32(storedTheme))
        return 0;
    return ClampTheme(storedTheme);
}

bool Game::SaveOptions()
{
    return WriteOptions(theme);
}

bool Game::WriteOptions(int storedTheme)
{
    SaveWriter file(ProfilePath("options"));
    file.PutI32(storedTheme);
    file.PutI32(controlSide);
    file.PutF32(sfxVolume);
    file.PutF32(musicVolume);
    file.PutI32(controls);
    file.PutI32(language);
    file.PutU32(twitch ? 0 : 1);
    return file.Finish();
}

void Game::LoadOptions()
{
    SaveReader file;
    if (file.Open(ProfilePath("options"), OPTIONS_SIZE) && file.Size() == OPTIONS_SIZE) {
        s32 storedTheme = 0, side = 0, mode = 0, storedLanguage = 0;
        u32 twitchOff = 0;
        file.GetI32(storedTheme);
        file.GetI32(side);
        file.GetF32(sfxVolume);
        file.GetF32(musicVolume);
        file.GetI32(mode);
        file.GetI32(storedLanguage);
        file.GetU32(twitchOff);
        // Every value indexes a table or picks a layout somewhere: none may leave its range.
        pendingTheme = ClampTheme(storedTheme);
        controlSide = Clamp(side, 0, 1);
        controls = Clamp(mode, 0, MAX_CONTROLS);
        language = ClampLanguage(storedLanguage);
        twitch = twitchOff == 0;
    } else {
        // Missing or cut short. Language and twitch stay as they are: a new profile takes them
        // from the profile used before it.
        pendingTheme = 0;
        controlSide = 0;
        controls = 0;
        sfxVolume = DEFAULT_VOLUME;
        musicVolume = DEFAULT_VOLUME;
    }
    sfxVolume = ClampVolume(sfxVolume);
    musicVolume = ClampVolume(musicVolume);
    Sounds::SetMusicVolume(VolumePercent(musicVolume));
    Sounds::SetSoundVolume(VolumePercent(sfxVolume));
    // Written back with the profile's own theme: the theme in use is still the previous profile's
    // until the switch to pendingTheme has run.
    WriteOptions(pendingTheme);
}

bool Game::SaveHints()
{
    SaveWriter file(ProfilePath("hints"));
    file.PutI32(hintPoints);
    for (u32 words : hintWords)
        file.PutU32(words);
    return file.Finish();
}

void Game::LoadHints()
{
    hintPoints = 0;
    for (u32& words : hintWords)
        words = 0;
    SaveReader file;
    if (!file.Open(ProfilePath("hints"), HINTS_SIZE) || file.Size() < HINTS_SIZE) {
        // A profile from before hints were kept earns points for the solutions it has found.
        long long points = stats ? static_cast<long long>(stats->solutionsFound) * HINT_POINTS_PER_SOLUTION : 0;
        hintPoints = static_cast<int>(points < 0 ? 0 : points > INT_MAX ? INT_MAX : points);
        return;
    }
    s32 points = 0;
    file.GetI32(points);
    hintPoints = points;
    for (u32& words : hintWords)
        file.GetU32(words);
}

bool Game::SaveFit()
{
    SaveWriter file(ProfilePath("fit"));
    file.PutI32(LEVEL_COUNT);
    for (u64 record : levelRecords)
        file.PutU64(record);
    return file.Finish();
}

void Game::LoadFit()
{
    SaveReader file;
    s32 count = 0;
    bool readable = file.Open(ProfilePath("fit"), FIT_MAX_SIZE) && file.GetI32(count) && count >= 0;
    int stored = readable ? (count < LEVEL_COUNT ? count : LEVEL_COUNT) : 0;
    if (!readable || file.Remaining() < 8u * static_cast<u32>(stored)) {
        ResetProgressDefaults();
        return;
    }
    for (u64& record : levelRecords)
        record = 0;
    for (int level = 0; level < stored; ++level) {
        file.GetU64(levelRecords[level]);
        levelRecords[level] &= LevelRecordMask(level);
    }
}

void Game::ResetProgressDefaults()
{
    hintPoints = 0;
    for (u32& words : hintWords)
        words = 0;
    for (int level = 0; level < LEVEL_COUNT; ++level)
        levelRecords[level] = level < DEFAULT_OPEN_LEVELS ? 1 : 0;
    if (stats) {
        stats->levelsSolved = 0;
        stats->solutionsFound = 0;
        stats->Save();
    }
    SaveFit();
}

void Game::ClearFitFile()
{
    EmptySaveFile(ProfilePath("fit"));
}

void Game::DeleteProgress()
{
    ClearFitFile();
    ResetProgressDefaults();
    // The reset clears the hint counts in memory only; without writing them the next selection of
    // the profile would read the old counts back beside a progress that starts over.
    SaveHints();
}

void Game::ClearHighscores()
{
    for (int mode = 1; mode <= 3; ++mode)
        EmptySaveFile(SavePath("highscores_") + modeNames[mode]);
}
