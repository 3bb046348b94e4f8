// The profile's save files: options, hints, level records, the version stamp and the high-score
// files. Every file is a small headerless record (SaveFile.h). An empty file counts as missing,
// which is what a deleted profile leaves behind (its files are emptied, not removed). A file of
// another size than its record, or holding values the game never writes, is damaged: what can be
// read of it is kept, and the file itself is set aside before the repaired record replaces it.
#include "Game.h"

#include <algorithm>
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
// A count above the game's levels is read up to its levels (a file of a version with more).
const u32 FIT_READ_LIMIT = 4 + 8 * 4096;
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

NarrowString Counted(int count, const char* what)
{
    NarrowString text;
    text.AppendInt(count);
    return text + " " + what;
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

bool Game::KeepGameInProgress()
{
    PlayfieldFit* board = playfield.Get();
    if (!board)
        return true;
    if (screenState != STATE_PLAY || !board->IsLoaded() || !board->IsNotSolved())
        return board->ClearSavedGame();
    // A piece in the finger goes back to the tray first: the save holds only what lies still.
    if (board->dragging && controller)
        controller->Cancel();
    return board->SaveGame();
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
    const NarrowString path = ProfilePath("options");
    SaveReader file;
    // Missing or emptied: the defaults. Language and twitch stay as they are: a new profile
    // takes them from the profile used before it.
    s32 storedTheme = 0, side = 0, mode = 0, storedLanguage = language;
    float sfx = DEFAULT_VOLUME, music = DEFAULT_VOLUME;
    u32 twitchOff = twitch ? 0 : 1;
    const bool found = file.Open(path, OPTIONS_SIZE + 1) && file.Size() > 0;
    // Fields the file holds in full are read; the rest keep the defaults.
    if (found && file.GetI32(storedTheme) && file.GetI32(side) && file.GetF32(sfx) &&
        file.GetF32(music) && file.GetI32(mode) && file.GetI32(storedLanguage))
        file.GetU32(twitchOff);
    // Every value indexes a table or picks a layout somewhere: none may leave its range.
    pendingTheme = ClampTheme(storedTheme);
    controlSide = Clamp(side, 0, 1);
    controls = Clamp(mode, 0, MAX_CONTROLS);
    language = ClampLanguage(storedLanguage);
    twitch = twitchOff == 0;
    sfxVolume = ClampVolume(sfx);
    musicVolume = ClampVolume(music);
    const bool inRange = pendingTheme == storedTheme && controlSide == side && controls == mode &&
                         language == storedLanguage && twitchOff <= 1 && sfxVolume == sfx &&
                         musicVolume == music;
    const bool damaged = found && (file.Size() != OPTIONS_SIZE || !inRange);
    const bool keptAside =
        damaged && KeepDamagedSave(path, file.Size() == OPTIONS_SIZE ? "the options, brought into range"
                                                                     : "the options the file held in full");
    Sounds::SetMusicVolume(VolumePercent(musicVolume));
    Sounds::SetSoundVolume(VolumePercent(sfxVolume));
    // Written back with the profile's own theme: the theme in use is still the previous profile's
    // until the switch to pendingTheme has run. A damaged file is only written over once it is
    // safe beside it.
    if (!damaged || keptAside)
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
    const NarrowString path = ProfilePath("hints");
    SaveReader file;
    if (!file.Open(path, HINTS_SIZE + 1) || file.Size() == 0) {
        // A profile from before hints were kept earns points for the solutions it has found.
        long long points = stats ? static_cast<long long>(stats->solutionsFound) * HINT_POINTS_PER_SOLUTION : 0;
        hintPoints = static_cast<int>(points < 0 ? 0 : points > INT_MAX ? INT_MAX : points);
        return;
    }
    s32 points = 0;
    file.GetI32(points);
    hintPoints = points < 0 ? 0 : points;
    int read = 0;
    for (u32& words : hintWords)
        read += file.GetU32(words);
    if (file.Size() != HINTS_SIZE || points < 0) {
        if (KeepDamagedSave(path, "the hint points and " + Counted(read, "levels' hint counts")))
            SaveHints();
    }
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
    const NarrowString path = ProfilePath("fit");
    SaveReader file;
    if (!file.Open(path, FIT_READ_LIMIT) || file.Size() == 0) {
        // Missing, or emptied with its profile or its progress.
        ResetProgressDefaults();
        return;
    }
    s32 count = -1;
    file.GetI32(count);
    // The count must agree with the bytes that follow it: a count changed by a damaged byte, or a
    // file cut short, shows here; the records the file holds in full are read all the same.
    const u32 held = file.Remaining() / 8;
    const bool whole = count >= 0 && file.Size() == 4 + 8ull * static_cast<u32>(count);
    const int stored = static_cast<int>(std::min<u32>(whole ? static_cast<u32>(count) : held, LEVEL_COUNT));
    bool plausible = true;
    int solvedLevels = 0;
    for (u64& record : levelRecords)
        record = 0;
    for (int level = 0; level < stored; ++level) {
        u64 record = 0;
        file.GetU64(record);
        // Solutions the level does not have, or found on a level never opened: no game writes
        // them.
        const u64 kept = record & LevelRecordMask(level);
        const bool found = kept > RECORD_OPEN;
        plausible = plausible && kept == record && (!found || (record & RECORD_OPEN));
        levelRecords[level] = found ? kept | RECORD_OPEN : kept;
        solvedLevels += found;
    }
    if (whole && plausible)
        return;
    // The first levels are open in every profile: damage never closes them.
    for (int level = 0; level < DEFAULT_OPEN_LEVELS; ++level)
        levelRecords[level] |= RECORD_OPEN;
    // Written back only once the damaged file is safe beside it.
    if (KeepDamagedSave(path, Counted(stored, "level records, ") + Counted(solvedLevels, "levels solved")))
        SaveFit();
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
