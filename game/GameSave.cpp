// The profile's save files: options, hints, level records, the version stamp and the high-score
// files. Every file is a small headerless record (SaveFile.h). A deleted profile leaves its files
// emptied, not removed: for a profile created afresh under that name an empty file counts as
// missing, for any other it is damage. A file of another size than its record, or holding values
// the game never writes, is damaged: what can be read of it is kept, and the file itself is set
// aside before the repaired record replaces it.
#include "Game.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "Consts.h"
#include "Content.h"
#include "Controller.h"
#include "LevelTables.h"
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

// The bits of a record of a level with this many solutions: bit 0 and one bit per solution.
uint64_t RecordMask(int solutions)
{
    return solutions >= 63 ? ~uint64_t(0) : (uint64_t(1) << (solutions + 1)) - 1;
}

int CountFound(uint64_t record)
{
    int found = 0;
    for (record >>= 1; record; record >>= 1)
        found += record & 1;
    return found;
}

// What a "fit" file held, read into records.
struct FitReading {
    bool whole = false;     // the count agrees with the bytes that follow it
    bool plausible = true;  // every record is one a game writes
    int stored = 0;         // records read
    int solved = 0;
    int earlier = 0;        // records of earlier level tables, brought to today's
};

// A record written against earlier tables: the numbers of its solutions cannot be matched with
// the level's table today, so it keeps what it can, "solved" and how many it had found, counted
// from the level's first solution and never more than the level has.
uint64_t RecordOfEarlierTables(const Game& game, int level, uint64_t record)
{
    const uint64_t mask = game.LevelRecordMask(level);
    const int solutions = CountFound(mask);
    uint64_t kept = record & mask;
    int missing = std::min(CountFound(record), solutions) - CountFound(kept);
    for (int bit = 1; missing > 0 && bit <= solutions; ++bit) {
        if (!((kept >> bit) & 1)) {
            kept |= uint64_t(1) << bit;
            --missing;
        }
    }
    return kept;
}

// Reads a "fit" file's records; earlierTables lets solution numbers past a level's table stand
// where an earlier table had them. Each record is read on its own, in a damaged file too: only
// the bits no table gives the level are damage.
FitReading ReadFit(const Game& game, SaveReader& file, uint64_t (&records)[Game::LEVEL_COUNT],
                   bool earlierTables)
{
    FitReading reading;
    s32 count = -1;
    file.GetI32(count);
    // The count must agree with the bytes that follow it: a count changed by a damaged byte, or a
    // file cut short, shows here; the records the file holds in full are read all the same.
    const u32 held = file.Remaining() / 8;
    reading.whole = count >= 0 && file.Size() == 4 + 8ull * static_cast<u32>(count);
    reading.stored = static_cast<int>(
        std::min<u32>(reading.whole ? static_cast<u32>(count) : held, Game::LEVEL_COUNT));
    for (u64& record : records)
        record = 0;
    for (int level = 0; level < reading.stored; ++level) {
        u64 record = 0;
        file.GetU64(record);
        const u64 today = game.LevelRecordMask(level);
        const u64 known =
            today | (earlierTables ? RecordMask(LevelTables::EarlierSolutions(level)) : 0);
        u64 kept = record & known;
        const bool earlier = (kept & ~today) != 0;
        if (earlier)
            kept = RecordOfEarlierTables(game, level, kept);
        // Solutions past every table of the level, or found on a level never opened: no game
        // writes them.
        const bool found = kept > Game::RECORD_OPEN;
        reading.plausible =
            reading.plausible && (record & ~known) == 0 && (!found || (record & Game::RECORD_OPEN));
        records[level] = found ? kept | Game::RECORD_OPEN : kept;
        reading.solved += found;
        reading.earlier += earlier;
    }
    return reading;
}

// What the line about a damaged "fit" says was kept.
NarrowString FitKept(const FitReading& reading)
{
    NarrowString kept = Counted(reading.stored, "level record", "level records") + ", " +
                        Counted(reading.solved, "level solved", "levels solved");
    if (reading.earlier > 0)
        kept += ", " + Counted(reading.earlier, "record", "records") +
                " brought from earlier level tables to today's";
    return kept;
}

// "save_version": the version's name, then the level tables (0 where a version wrote none). False
// when not even the name can be read.
bool ReadVersionFile(NarrowString& version, u32& tables)
{
    SaveReader file;
    if (!file.Open(Game::SavePath("save_version"), 8 + MAX_VERSION_BYTES) ||
        !file.GetText(version, MAX_VERSION_BYTES))
        return false;
    file.GetU32(tables);
    return true;
}

// Levels 0..3 open, nothing else.
void StartRecords(uint64_t (&records)[Game::LEVEL_COUNT])
{
    for (int level = 0; level < Game::LEVEL_COUNT; ++level)
        records[level] = level < DEFAULT_OPEN_LEVELS ? Game::RECORD_OPEN : 0;
}

bool WriteFit(const NarrowString& path, const uint64_t (&records)[Game::LEVEL_COUNT])
{
    SaveWriter file(path);
    file.PutI32(Game::LEVEL_COUNT);
    for (u64 record : records)
        file.PutU64(record);
    return file.Finish();
}

// Reads the "fit" file at path into records and writes back what had to change: records brought
// to today's tables, or a damaged file's repair once the file is safe beside itself. False when
// the file had to change and was not written.
bool LoadFitFile(const Game& game, const NarrowString& path, SaveReader& file,
                 uint64_t (&records)[Game::LEVEL_COUNT], bool earlierTables)
{
    const FitReading reading = ReadFit(game, file, records, earlierTables);
    if (reading.whole && reading.plausible)
        return reading.earlier == 0 || WriteFit(path, records);
    // The first levels are open in every profile: damage never closes them.
    for (int level = 0; level < DEFAULT_OPEN_LEVELS; ++level)
        records[level] |= Game::RECORD_OPEN;
    return KeepDamagedSave(path, FitKept(reading)) && WriteFit(path, records);
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
    return file ? RecordMask(file->solutionCount) : ~uint64_t(0);
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
    // The tables follow the name: a version that reads only the name still reads it.
    SaveWriter file(SavePath("save_version"));
    file.PutText(s_appVersionName);
    file.PutU32(progressTables);
    return file.Finish();
}

NarrowString Game::ReadSaveVersion()
{
    NarrowString version;
    u32 tables = 0;
    return ReadVersionFile(version, tables) ? version : s_appVersionName;
}

uint32_t Game::ReadProgressTables()
{
    NarrowString version;
    u32 tables = 0;
    ReadVersionFile(version, tables);
    return tables;
}

void Game::BringProgressToLevelTables()
{
    progressTables = ReadProgressTables();
    if (progressTables == LevelTables::SHIPPED)
        return;
    bool written = true;
    for (const NarrowString& path : ListSaveFiles("_fit")) {
        SaveReader file;
        uint64_t records[LEVEL_COUNT];
        if (!file.Open(path, FIT_READ_LIMIT)) {
            written = false;
            continue;
        }
        // An emptied file holds no progress to bring: a deleted profile's, or damage that its
        // profile's selection says.
        if (file.Size() > 0)
            written = LoadFitFile(*this, path, file, records, true) && written;
    }
    // Recorded only once every file is brought up: until then the next start tries again, and
    // reads every record against the earlier tables too.
    if (written) {
        progressTables = LevelTables::SHIPPED;
        SaveVersion();
    }
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

void Game::LoadOptions(bool created)
{
    const NarrowString path = ProfilePath("options");
    SaveReader file;
    // Missing or emptied: the defaults. Language and twitch stay as they are: a new profile
    // takes them from the profile used before it.
    s32 storedTheme = 0, side = 0, mode = 0, storedLanguage = language;
    float sfx = DEFAULT_VOLUME, music = DEFAULT_VOLUME;
    u32 twitchOff = twitch ? 0 : 1;
    const bool found = file.Open(path, OPTIONS_SIZE + 1) && (file.Size() > 0 || !created);
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
    // safe beside it, by this write or by the theme switch.
    optionsFileHeld = damaged && !keptAside;
    if (!optionsFileHeld)
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

void Game::LoadHints(bool created)
{
    hintPoints = 0;
    for (u32& words : hintWords)
        words = 0;
    const NarrowString path = ProfilePath("hints");
    SaveReader file;
    const bool found = file.Open(path, HINTS_SIZE + 1);
    if (!found || file.Size() == 0) {
        // A profile from before hints were kept earns points for the solutions it has found, and
        // so does one whose hints were lost.
        long long points = stats ? static_cast<long long>(stats->solutionsFound) * HINT_POINTS_PER_SOLUTION : 0;
        hintPoints = static_cast<int>(points < 0 ? 0 : points > INT_MAX ? INT_MAX : points);
        if (found && !created && KeepDamagedSave(path, "nothing, the hint points earned again"))
            SaveHints();
        return;
    }
    s32 points = 0;
    file.GetI32(points);
    hintPoints = points < 0 ? 0 : points;
    int read = 0;
    for (u32& words : hintWords)
        read += file.GetU32(words);
    if (file.Size() != HINTS_SIZE || points < 0) {
        if (KeepDamagedSave(path, "the hint points and " +
                                   Counted(read, "level's hint count", "levels' hint counts")))
            SaveHints();
    }
}

bool Game::SaveFit()
{
    return WriteFit(ProfilePath("fit"), levelRecords);
}

void Game::LoadFit(bool created)
{
    const NarrowString path = ProfilePath("fit");
    SaveReader file;
    const bool found = file.Open(path, FIT_READ_LIMIT);
    if (!found || (file.Size() == 0 && created)) {
        // Missing, or emptied with a deleted profile of the same name: a start from the beginning.
        StartRecords(levelRecords);
        SaveFit();
        return;
    }
    LoadFitFile(*this, path, file, levelRecords, progressTables != LevelTables::SHIPPED);
}

void Game::ResetProgressDefaults()
{
    hintPoints = 0;
    for (u32& words : hintWords)
        words = 0;
    StartRecords(levelRecords);
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
