// The fit board's saved game: "save" holds the board (Playfield::SaveGame), "save2" the level, the
// level list's position and the pack.
//
// "save", 4-byte little-endian fields: game mode, seven unused words, recent types[28], T, T tray
// records, P, P placed records, play time (ms); a record is type, x, y, tray state (floats for
// the three in the middle), colour slot; both lists newest first. "save2": level, scroll position
// (float), pack.
//
// A restored board is the level's, with the saved tray states and colours of its tray entries and
// the saved pieces placed again, so that saving it again writes the same bytes.
//
// Damage keeps what can still be read. The level is the one whose tray the saved tray is, so a
// damaged "save2" loses nothing, else the one "save2" names; the tray's pieces and places are the
// level's own; counts that do not add up with the file's size are read by the level's tray and by
// the records the file holds in full; a placed piece that cannot be true (off the grid, not
// fitting, without a tray entry of its type) goes back to the tray; what is derived (the recently
// used types, the pack, the list position, which tray entries are taken) is rebuilt. Each damaged
// file is set aside and named, and the repaired board is written only once every damaged file is
// safe beside itself.
#include <algorithm>
#include <cmath>
#include <vector>

#include "BinaryFiles.h"
#include "Content.h"
#include "Game.h"
#include "PlayfieldFit.h"
#include "SaveFile.h"

using Vorn::s32;
using Vorn::u32;

namespace {

const u32 RECORD_BYTES = 20;
const u32 HEADER_BYTES = 144; // game mode, seven unused words and the recent types
const u32 SAVE2_BYTES = 12;
const int UNUSED_WORDS = 7;
const int COLOUR_SLOTS = 6;
// More tray entries than a level file can hold, or more pieces than a board has cells, is not a
// saved game of this board.
const s32 MAX_TRAY_RECORDS = 255;
const s32 MAX_PLACED_RECORDS = LevelFile::MAX_WIDTH * LevelFile::MAX_HEIGHT;
const u32 MAX_SAVE_BYTES =
    HEADER_BYTES + 4 + RECORD_BYTES * MAX_TRAY_RECORDS + 4 + RECORD_BYTES * MAX_PLACED_RECORDS + 4;

struct PieceRecord {
    int type;
    float x;
    float y;
    float trayState;
    int colour;
};

bool ReadPiece(SaveReader& reader, PieceRecord& piece)
{
    s32 type = 0, colour = 0;
    if (!reader.GetI32(type) || !reader.GetF32(piece.x) || !reader.GetF32(piece.y) ||
        !reader.GetF32(piece.trayState) || !reader.GetI32(colour))
        return false;
    piece.type = type;
    piece.colour = colour;
    return true;
}

bool IsColour(int colour)
{
    return colour >= 0 && colour < COLOUR_SLOTS;
}

// A placed piece the board can hold: a shape at a whole cell of the grid.
bool IsPlausible(const PieceRecord& piece)
{
    return piece.type >= 0 && piece.type < Block::TYPE_COUNT && std::isfinite(piece.x) &&
           std::isfinite(piece.y) && std::isfinite(piece.trayState) && piece.x >= 0.0f &&
           piece.y >= 0.0f && piece.x < Playfield::GRID_WIDTH && piece.y < Playfield::GRID_HEIGHT &&
           piece.x == std::floor(piece.x) && piece.y == std::floor(piece.y);
}

// What "save2" holds: where the saved game was played.
struct SavedPlace {
    s32 level = -1;
    float scroll = 0.0f;
    s32 pack = -1;
    bool found = false; // the file is there
    bool whole = false; // of its size, naming a level of its pack
};

SavedPlace ReadPlace()
{
    SavedPlace place;
    SaveReader where;
    place.found = where.Open(Game::SavePath("save2"), SAVE2_BYTES + 1);
    where.GetI32(place.level);
    where.GetF32(place.scroll);
    where.GetI32(place.pack);
    place.whole = where.Size() == SAVE2_BYTES && Content::GetLevel(place.level) &&
                  place.pack == BinaryFiles::PackOfLevel(place.level);
    return place;
}

// Whether the scroll position is one of the pack's list (any position while the list is unknown).
bool IsListPosition(const Game& game, int pack, float scroll)
{
    const size_t listed = game.packLevels[pack].size();
    return std::isfinite(scroll) && scroll >= 0.0f &&
           (listed == 0 || scroll < static_cast<float>(listed));
}

// What "save" holds, read as far as it can be.
struct SavedBoard {
    int recent[Playfield::RECENT_TYPES];
    bool recentWhole = true;         // the recent types as a game keeps them
    std::vector<PieceRecord> tray;   // the tray records held in full
    std::vector<PieceRecord> pieces; // the placed records held in full
    s32 time = 0;
    bool whole = true; // the file holds exactly what its counts say, and nothing a game never writes
};

// The recently used types as a game keeps them: each type once, the unused entries (-1) last.
bool IsRecentList(const int (&recent)[Playfield::RECENT_TYPES])
{
    bool seen[Block::TYPE_COUNT] = {};
    for (int i = 0; i < Playfield::RECENT_TYPES; ++i) {
        const int type = recent[i];
        if (type == -1 && (i + 1 == Playfield::RECENT_TYPES || recent[i + 1] == -1))
            continue;
        if (type < 0 || type >= Block::TYPE_COUNT || seen[type])
            return false;
        seen[type] = true;
    }
    return true;
}

// Reads the words before the tray: the mode, the unused words and the recent types.
void ReadHeader(SaveReader& board, SavedBoard& saved)
{
    s32 mode = -1;
    saved.whole = board.GetI32(mode) && mode == 0;
    for (int i = 0; i < UNUSED_WORDS; ++i) {
        u32 unused = 0;
        const bool read = board.GetU32(unused);
        saved.whole = saved.whole && read && unused == 0;
    }
    for (int& type : saved.recent) {
        s32 value = -1;
        saved.recentWhole = board.GetI32(value) && saved.recentWhole;
        type = value;
    }
    saved.recentWhole = saved.recentWhole && IsRecentList(saved.recent);
    saved.whole = saved.whole && saved.recentWhole;
}

// Reads up to count records, as many as the file holds in full.
void ReadRecords(SaveReader& board, s32 count, std::vector<PieceRecord>& records)
{
    PieceRecord piece;
    for (s32 i = 0; i < count && ReadPiece(board, piece); ++i)
        records.push_back(piece);
}

// Reads "save"'s bytes with trayCount tray records (-1: the stored count); false when there is no
// count to take.
bool ParseBoard(const std::vector<Vorn::u8>& bytes, s32 trayCount, SavedBoard& saved)
{
    saved = SavedBoard();
    SaveReader board;
    board.SetBytes(bytes.data(), bytes.size());
    ReadHeader(board, saved);
    s32 storedTray = -1, storedPlaced = -1;
    board.GetI32(storedTray);
    if (trayCount < 0)
        trayCount = storedTray >= 0 && storedTray <= MAX_TRAY_RECORDS ? storedTray : -1;
    if (trayCount < 0)
        return false;
    ReadRecords(board, trayCount, saved.tray);
    const bool placedRead = board.GetI32(storedPlaced);
    // A placed count that the rest of the file cannot hold is read as the records it holds.
    const s32 held = static_cast<s32>(std::min<u32>(board.Remaining() / RECORD_BYTES, MAX_PLACED_RECORDS));
    const s32 placedCount = storedPlaced >= 0 && storedPlaced <= held ? storedPlaced : held;
    ReadRecords(board, placedCount, saved.pieces);
    const bool timeRead = board.GetI32(saved.time);
    saved.whole = saved.whole && storedTray == trayCount && placedRead &&
                  storedPlaced == placedCount && timeRead && saved.time >= 0 &&
                  board.Remaining() == 0 && static_cast<s32>(saved.tray.size()) == trayCount;
    saved.time = std::max(saved.time, 0);
    return true;
}

// Whether the records are the level's tray, entry for entry (the board keeps its tray newest
// first, the level file oldest first).
bool IsTrayOf(const LevelFile* file, const std::vector<PieceRecord>& tray)
{
    if (!file || tray.size() != file->tray.size())
        return false;
    for (size_t i = 0; i < tray.size(); ++i) {
        const LevelTrayEntry& entry = file->tray[tray.size() - 1 - i];
        if (tray[i].type != entry.type || tray[i].x != static_cast<float>(entry.x) ||
            tray[i].y != static_cast<float>(entry.y))
            return false;
    }
    return true;
}

// The level whose tray the saved tray is, "named" first; -1 when it is no level's.
int LevelOfTray(const std::vector<PieceRecord>& tray, int named)
{
    if (IsTrayOf(Content::GetLevel(named), tray))
        return named;
    for (int level = 0; level < Content::LEVEL_COUNT; ++level)
        if (IsTrayOf(Content::GetLevel(level), tray))
            return level;
    return -1;
}

// The recently used types rebuilt from the placed pieces, newest first.
void RebuildRecent(const std::vector<Vorn::SmartPtr<Block>>& placed, int (&recent)[Playfield::RECENT_TYPES])
{
    std::fill(std::begin(recent), std::end(recent), -1);
    int count = 0;
    for (const Vorn::SmartPtr<Block>& block : placed)
        if (std::find(recent, recent + count, block->type) == recent + count)
            recent[count++] = block->type;
}

} // namespace

// What a restore made of the two files.
struct SavedGameRepair {
    bool boardDamaged = false; // "save" held something no game writes, or not all it should
    bool placeDamaged = false; // "save2" likewise, or named another level than the board's
    bool placeMissing = false;
    size_t piecesSaved = 0;    // placed records "save" held in full
};

std::vector<Vorn::u8> PlayfieldFit::PrepareSave()
{
    gameMode = 0;
    m_saveDue = false;
    // Pieces drawn in this frame still owe their tray entries; a save must show them taken, as
    // the restore checks.
    while (!m_owedIds.empty())
        SettleTrayEntry(m_owedIds.front());
    SaveWriter place;
    Game* game = Game::instance.Get();
    place.PutI32(level);
    place.PutF32(game ? game->scrollPosition : 0.0f);
    place.PutI32(game ? game->currentPack : -1);
    return place.Bytes();
}

bool PlayfieldFit::SaveGame()
{
    // "save2" first: it does not change within a level, and a level's first save finds "save"
    // emptied, so a crash between the two writes never pairs a board with another level's place.
    const std::vector<Vorn::u8> place = PrepareSave();
    SaveWriter writer(Game::SavePath("save2"));
    writer.PutBytes(place.data(), place.size());
    const bool placeSaved = writer.Finish();
    return Playfield::SaveGame() && placeSaved;
}

void PlayfieldFit::SaveGameInBackground()
{
    SaveWriter::WriteInBackground(Game::SavePath("save2"), PrepareSave());
    SaveWriter::WriteInBackground(Game::SavePath("save"), GameBytes());
}

namespace {

// The entry a saved piece of this type takes: one the save marks taken, else one still shown;
// -1 when every entry of the type is claimed.
int FreeEntry(const PlayfieldFit& board, const std::vector<bool>& claimed, int type)
{
    int shown = -1;
    for (size_t i = 0; i < board.tray.size(); ++i) {
        if (claimed[i] || board.tray[i]->type != type)
            continue;
        if (board.tray[i]->trayState == -1.0f)
            return static_cast<int>(i);
        if (shown < 0)
            shown = static_cast<int>(i);
    }
    return shown;
}

// Puts the saved states and colours on the level's tray; false when a record is not its entry's
// or holds a state or colour no game writes (that entry keeps the level's).
bool RestoreTray(PlayfieldFit& board, const std::vector<PieceRecord>& records)
{
    bool intact = records.size() == board.tray.size();
    for (size_t i = 0; i < board.tray.size() && i < records.size(); ++i) {
        const PieceRecord& piece = records[i];
        Block& entry = *board.tray[i];
        if (piece.type != entry.type || piece.x != entry.x || piece.y != entry.y ||
            !std::isfinite(piece.trayState) || !IsColour(piece.colour)) {
            intact = false;
            continue;
        }
        entry.trayState = piece.trayState == -1.0f ? -1.0f : 0.0f;
        entry.colour = piece.colour;
    }
    return intact;
}

// Places the saved pieces again, oldest first, so that the placed list keeps its order; each
// takes a tray entry of its type. False when a piece had to go back to the tray (it cannot be
// true, does not fit or has no entry) or the tray's marks did not agree with the pieces.
bool RestorePieces(PlayfieldFit& board, const std::vector<PieceRecord>& pieces)
{
    bool intact = true;
    std::vector<bool> claimed(board.tray.size(), false);
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        const PieceRecord& piece = *it;
        const int entry = IsPlausible(piece) ? FreeEntry(board, claimed, piece.type) : -1;
        if (entry < 0 ||
            !board.CanPlaceBlock(piece.type, static_cast<int>(piece.x), static_cast<int>(piece.y))) {
            intact = false;
            continue;
        }
        Block& taken = *board.tray[entry];
        claimed[entry] = true;
        intact = intact && taken.trayState == -1.0f && IsColour(piece.colour);
        taken.trayState = -1.0f;
        Vorn::SmartPtr<Block> block(new Block(piece.type, piece.x, piece.y, piece.trayState));
        block->colour = IsColour(piece.colour) ? piece.colour : taken.colour;
        board.PlaceBlock(block);
    }
    for (size_t i = 0; i < board.tray.size(); ++i) {
        if (!claimed[i] && board.tray[i]->trayState == -1.0f) {
            board.tray[i]->trayState = 0.0f;
            intact = false;
        }
    }
    return intact;
}

// Where the level sits in its pack's list, for a place "save2" could not give.
float ListPosition(const Game& game, int pack, int level)
{
    const std::vector<int>& levels = game.packLevels[pack];
    const auto found = std::find(levels.begin(), levels.end(), level);
    return found == levels.end() ? 0.0f : static_cast<float>(found - levels.begin());
}

} // namespace

bool PlayfieldFit::LoadGame()
{
    SaveReader board;
    // An empty "save" is what a solved or abandoned level leaves: there is no game.
    if (!board.Open(Game::SavePath("save"), MAX_SAVE_BYTES + 1) || board.Size() == 0)
        return false;
    SavedGameRepair repair;
    const bool restored = RestoreGame(board.Bytes(), repair);
    Vorn::NarrowString kept = "nothing, the level in progress is not restored";
    if (restored) {
        kept = "the level in progress, ";
        kept.AppendInt(placedCount);
        kept += " of its " +
                Counted(static_cast<int>(repair.piecesSaved), "placed piece", "placed pieces");
    }
    // Nothing is written over a damaged file that is not safe beside itself.
    bool safe = true;
    if (repair.boardDamaged || !restored)
        safe = KeepDamagedSave(Game::SavePath("save"), kept);
    if (repair.placeDamaged)
        safe = KeepDamagedSave(Game::SavePath("save2"), restored ? kept + ", its level told by the board"
                                                                 : kept) &&
               safe;
    if (!safe)
        return restored;
    if (!restored)
        ClearSavedGame();
    else if (repair.boardDamaged || repair.placeDamaged || repair.placeMissing)
        SaveGame();
    return restored;
}

bool PlayfieldFit::RestoreGame(const std::vector<Vorn::u8>& bytes, SavedGameRepair& repair)
{
    Game* game = Game::instance.Get();
    const SavedPlace place = ReadPlace();
    repair.placeDamaged = place.found && !place.whole;
    repair.placeMissing = !place.found;
    SavedBoard saved;
    // The level the saved tray is, as its stored count reads it, else the one "save2" names.
    int savedLevel = ParseBoard(bytes, -1, saved) ? LevelOfTray(saved.tray, place.level) : -1;
    if (savedLevel < 0 && Content::GetLevel(place.level))
        savedLevel = place.level;
    if (savedLevel < 0 || !LoadLevel(savedLevel))
        return false;
    ParseBoard(bytes, static_cast<s32>(tray.size()), saved);
    const bool trayIntact = RestoreTray(*this, saved.tray);
    const bool piecesIntact = RestorePieces(*this, saved.pieces);
    // The restored tray shows which entries the pieces took; none is owed.
    m_owedIds.clear();
    if (saved.recentWhole)
        std::copy(std::begin(saved.recent), std::end(saved.recent), recentTypes);
    else
        RebuildRecent(placed, recentTypes);
    playTime = saved.time;
    paused = true;
    // What was restored is what the save holds already.
    m_saveDue = false;

    const int pack = BinaryFiles::PackOfLevel(savedLevel);
    const bool scrollKept = !game || IsListPosition(*game, pack, place.scroll);
    repair.boardDamaged = !saved.whole || !trayIntact || !piecesIntact;
    repair.placeDamaged = place.found && (!place.whole || place.level != savedLevel || !scrollKept);
    repair.piecesSaved = saved.pieces.size();
    if (game) {
        game->currentPack = pack;
        game->scrollPosition = scrollKept ? place.scroll : ListPosition(*game, pack, savedLevel);
        game->scrollVelocity = 0.0f;
        game->currentLevel = savedLevel;
    }
    return true;
}
