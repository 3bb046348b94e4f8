// Profiles: the list of up to five named profiles and the guest, which of them is current, and
// what making one current loads. The guest has no slot; its files carry the literal name GUEST,
// and on screen it shows as the current language's text of that key.
#include "Game.h"

#include <algorithm>

#include "SaveFile.h"
#include "Stats.h"
#include "base/TextDict.h"

using Vorn::NarrowString;
using Vorn::s32;
using Vorn::u32;
using Vorn::WideString;

namespace {

// A character takes at most four bytes of UTF-8.
const u32 MAX_NAME_BYTES = 4 * Game::MAX_PROFILE_NAME_LENGTH;
const u32 PROFILES_MAX_SIZE = 4 + Game::PROFILE_SLOTS * (4 + MAX_NAME_BYTES);
const u32 LAST_PROFILE_MAX_SIZE = 4 + MAX_NAME_BYTES;
// Deleting a profile empties its game records up to its game counter. The counter comes from a
// file, so the search also ends after this many numbers in a row without a record.
const int MAX_MISSING_GAME_RECORDS = 64;

} // namespace

const char* const Game::GUEST_NAME = "GUEST";

bool Game::IsValidProfileName(const NarrowString& name)
{
    if (name.empty() || name.size() > MAX_NAME_BYTES)
        return false;
    // The name must be exact UTF-8: it is decoded for the screen and encoded again for the file
    // names, and both must give the same bytes. A NUL would also cut every path built from it.
    WideString decoded(name);
    if (NarrowString(decoded) != name || decoded.size() > static_cast<size_t>(MAX_PROFILE_NAME_LENGTH))
        return false;
    bool blank = true;
    for (wchar_t c : decoded) {
        // A '/' would make the name a folder of the save path; control characters cannot be shown.
        if (c < 0x20 || c == 0x7F || c == L'/')
            return false;
        if (c != L' ')
            blank = false;
    }
    return !blank;
}

const std::vector<WideString>& Game::GetGuestTexts()
{
    if (guestTexts.empty()) {
        guestTexts.push_back(WideString(NarrowString(GUEST_NAME)));
        for (int language = 0; language < LANGUAGE_COUNT; ++language) {
            Vorn::SmartPtr<Vorn::TextDict> texts(new Vorn::TextDict());
            if (!texts->Load(GetLanguagePath(language)))
                continue;
            auto found = texts->GetTexts().find(GUEST_NAME);
            if (found != texts->GetTexts().end())
                guestTexts.push_back(found->second);
        }
    }
    return guestTexts;
}

bool Game::IsGuestText(const WideString& name)
{
    if (name == GetText(GUEST_NAME))
        return true;
    for (const WideString& text : GetGuestTexts())
        if (name == text)
            return true;
    return false;
}

int Game::FindProfileSlot(const NarrowString& name) const
{
    for (int slot = 0; slot < profileCount; ++slot)
        if (profileNames[slot] == name)
            return slot;
    return -1;
}

bool Game::IsGuest() const
{
    return guestSelected;
}

WideString Game::GetProfileDisplayName() const
{
    return guestSelected ? GetText(GUEST_NAME) : profileName;
}

WideString Game::GetProfileCaption() const
{
    return GetText("PROFILE") + L" " + GetProfileDisplayName();
}

WideString Game::GetSlotCaption(int slot) const
{
    if (slot < 0 || slot >= profileCount)
        return GetText("EMPTY_SLOT");
    return WideString(profileNames[slot]);
}

bool Game::SaveProfiles(bool writeList, bool writeLast)
{
    bool saved = true;
    if (writeList) {
        SaveWriter list(SavePath("profiles"));
        list.PutI32(profileCount);
        for (int slot = 0; slot < profileCount; ++slot)
            list.PutText(profileNames[slot]);
        saved = list.Finish();
    }
    if (writeLast) {
        SaveWriter last(SavePath("lastProfile"));
        last.PutText(NarrowString(profileName));
        saved = last.Finish() && saved;
    }
    return saved;
}

void Game::ReadProfileList(NarrowString (&names)[PROFILE_SLOTS], int& count, bool& listFound,
                           bool* damaged)
{
    count = 0;
    for (NarrowString& name : names)
        name.clear();
    SaveReader file;
    s32 stored = 0;
    listFound = file.Open(SavePath("profiles"), PROFILES_MAX_SIZE + 1);
    bool whole = listFound && file.GetI32(stored) && stored >= 0 && stored <= PROFILE_SLOTS;
    if (listFound && stored > PROFILE_SLOTS)
        stored = PROFILE_SLOTS;
    for (s32 i = 0; i < stored; ++i) {
        NarrowString name;
        if (!file.GetText(name, MAX_NAME_BYTES)) {
            whole = false;
            break;
        }
        // Names the game could not have accepted are dropped, and the later ones move up: an
        // empty slot, the guest under another name, or the same profile twice.
        bool taken = false;
        for (int slot = 0; slot < count; ++slot)
            taken = taken || names[slot] == name;
        if (taken || !IsValidProfileName(name) || IsGuestText(WideString(name))) {
            whole = false;
            continue;
        }
        names[count++] = name;
    }
    if (damaged)
        *damaged = listFound && (!whole || file.Remaining() != 0);
}

void Game::AddProfilesOnDisk(NarrowString (&names)[PROFILE_SLOTS], int& count)
{
    // Every profile that was ever selected has its level records; a deleted one has them emptied.
    const NarrowString suffix = "_fit";
    const size_t root = SavePath("").size();
    std::vector<NarrowString> found;
    for (const NarrowString& path : ListSaveFiles(suffix.c_str())) {
        if (path.size() <= root + suffix.size())
            continue;
        NarrowString name = path.substr(root, path.size() - root - suffix.size());
        SaveReader records;
        if (IsValidProfileName(name) && !IsGuestText(WideString(name)) &&
            records.Open(path, 1) && records.Size() > 0)
            found.push_back(name);
    }
    std::sort(found.begin(), found.end());
    for (const NarrowString& name : found) {
        bool listed = false;
        for (int slot = 0; slot < count; ++slot)
            listed = listed || names[slot] == name;
        if (!listed && count < PROFILE_SLOTS)
            names[count++] = name;
    }
}

bool Game::ReadLastProfileName(NarrowString& name, bool* damaged)
{
    SaveReader file;
    const bool found = file.Open(SavePath("lastProfile"), LAST_PROFILE_MAX_SIZE + 1);
    const bool read = found && file.GetText(name, MAX_NAME_BYTES) && file.Remaining() == 0;
    // The game never leaves it empty.
    if (damaged)
        *damaged = found && !read;
    return read;
}

NarrowString Game::ResolveLastProfile(const NarrowString (&names)[PROFILE_SLOTS], int count,
                                      bool* damaged)
{
    NarrowString last;
    if (!ReadLastProfileName(last, damaged))
        return GUEST_NAME;
    for (int slot = 0; slot < count; ++slot)
        if (names[slot] == last)
            return last;
    // The guest, or a name that is not in the list: the list decides which profiles exist. The
    // game stores the guest or a name it has just listed, so any other name is damage (or follows
    // a list that could not be written, which was said then).
    const WideString decoded(last);
    if (damaged && !(NarrowString(decoded) == last && IsGuestText(decoded)))
        *damaged = true;
    return GUEST_NAME;
}

void Game::LoadProfiles()
{
    BringProgressToLevelTables();
    bool listFound = false, listDamaged = false, lastDamaged = false;
    ReadProfileList(profileNames, profileCount, listFound, &listDamaged);
    // A list that reads well can still be damaged in a name: that profile then has no files, and
    // the one it was has files but no place in the list. Only then is the save area searched.
    bool unknown = false;
    if (listFound && !listDamaged) {
        for (int slot = 0; slot < profileCount; ++slot) {
            SaveReader records;
            unknown = unknown ||
                      !records.Open(NarrowString(SavePath("")) + profileNames[slot] + "_fit", 1);
        }
    }
    const int read = profileCount;
    if (listDamaged || unknown)
        AddProfilesOnDisk(profileNames, profileCount);
    // A damaged file is written over only once it is safe beside itself.
    bool listAside = true, lastAside = true;
    if (listDamaged || profileCount > read) {
        // The list is rebuilt: what it still held, then the profiles whose files are there.
        NarrowString kept = "the " + Counted(read, "profile", "profiles") + " it held";
        if (profileCount > read) {
            kept += ", and from their files";
            for (int slot = read; slot < profileCount; ++slot)
                kept += (slot > read ? ", " : " ") + profileNames[slot];
        }
        listAside = KeepDamagedSave(SavePath("profiles"), kept);
    }
    NarrowString last = GUEST_NAME;
    if (listFound)
        last = ResolveLastProfile(profileNames, profileCount, &lastDamaged);
    if (lastDamaged)
        lastAside = KeepDamagedSave(SavePath("lastProfile"), "nothing, the guest is selected");
    SelectProfile(WideString(last), Selection{listAside, lastAside, false});
}

void Game::SelectProfile(const WideString& name)
{
    SelectProfile(name, Selection{true, true, false});
}

void Game::SelectProfile(const WideString& name, const Selection& how)
{
    NarrowString stored(name);
    guestSelected = FindProfileSlot(stored) < 0;
    profileName = guestSelected ? WideString(NarrowString(GUEST_NAME)) : name;
    SaveProfiles(how.writeList, how.writeLast);
    profilePrefix = saveRoot + profileName + L"_";
    stats = Stats::Load(Stats::TOTALS, how.created);
    LoadOptions(how.created);
    LoadFit(how.created);
    if (!themeChangePending)
        SetTheme(pendingTheme);
    LoadHints(how.created);
}

Game::ProfileResult Game::CreateProfile(const NarrowString& name)
{
    if (!IsValidProfileName(name))
        return PROFILE_NAME_REFUSED;
    if (IsGuestText(WideString(name)) || FindProfileSlot(name) >= 0)
        return PROFILE_NAME_IN_USE;
    if (profileCount >= PROFILE_SLOTS)
        return PROFILE_NAME_REFUSED;
    profileNames[profileCount++] = name;
    themeChangePending = true;
    // Selected from memory rather than by reading the list back: after a failed write the files
    // would not hold the new profile. Its files may be those a deleted profile of the same name
    // left emptied: for a new profile they mean nothing yet.
    SelectProfile(WideString(name), Selection{true, true, true});
    return PROFILE_CREATED;
}

bool Game::DeleteCurrentProfile()
{
    int slot = guestSelected ? -1 : FindProfileSlot(NarrowString(profileName));
    if (slot < 0)
        return false;
    EmptySaveFile(ProfilePath("stats-1"));
    int games = stats ? stats->gameCounter : 0;
    for (int game = 0, missing = 0; game < games && missing < MAX_MISSING_GAME_RECORDS; ++game) {
        NarrowString path = ProfilePath("stats");
        path.AppendInt(game);
        if (SaveFileExists(path)) {
            EmptySaveFile(path);
            missing = 0;
        } else {
            ++missing;
        }
    }
    EmptySaveFile(ProfilePath("hints"));
    EmptySaveFile(ProfilePath("options"));
    EmptySaveFile(ProfilePath("fit"));
    for (int i = slot; i + 1 < PROFILE_SLOTS; ++i)
        profileNames[i] = profileNames[i + 1];
    profileNames[PROFILE_SLOTS - 1].clear();
    --profileCount;
    themeChangePending = true;
    SelectProfile(WideString(NarrowString(GUEST_NAME)));
    return true;
}
