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
#include <algorithm>
#include <cmath>
#include <vector>

#include "BinaryFiles.h"
#include "Content.h"
#include "Game.h"
#include "PlayfieldFit.h"
#include "SaveFile.h"

namespace {

const Vorn::u32 RECORD_BYTES = 20;
const Vorn::u32 HEADER_BYTES = 144; // game mode, seven unused words and the recent types
const Vorn::u32 SAVE2_BYTES = 12;
// More tray entries than a level file can hold, or more pieces than a board has cells, is not a
// saved game of this board.
const Vorn::s32 MAX_TRAY_RECORDS = 255;
const Vorn::s32 MAX_PLACED_RECORDS = LevelFile::MAX_WIDTH * LevelFile::MAX_HEIGHT;
const Vorn::u32 MAX_SAVE_BYTES =
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
    Vorn::s32 type = 0, colour = 0;
    if (!reader.GetI32(type) || !reader.GetF32(piece.x) || !reader.GetF32(piece.y) ||
        !reader.GetF32(piece.trayState) || !reader.GetI32(colour))
        return false;
    piece.type = type;
    piece.colour = colour;
    return true;
}

bool Skip(SaveReader& reader, Vorn::u32 bytes)
{
    Vorn::u32 word = 0;
    for (Vorn::u32 i = 0; i < bytes / 4; ++i)
        if (!reader.GetU32(word))
            return false;
    return true;
}

// A placed piece the board can hold: a shape, a position on the grid, a colour of the six.
bool IsPlausible(const PieceRecord& piece)
{
    return piece.type >= 0 && piece.type < Block::TYPE_COUNT && std::isfinite(piece.x) &&
           std::isfinite(piece.y) && std::isfinite(piece.trayState) && piece.x >= 0.0f &&
           piece.y >= 0.0f && piece.x < Playfield::GRID_WIDTH && piece.y < Playfield::GRID_HEIGHT &&
           piece.colour >= 0 && piece.colour < 6;
}

// What "save2" holds: where the saved game was played.
struct SavedPlace {
    Vorn::s32 level;
    float scroll;
    Vorn::s32 pack;
};

// Reads "save2"; false when it is missing, of the wrong size or names no level of its pack.
bool ReadPlace(SavedPlace& place)
{
    SaveReader where;
    if (!where.Open(Game::SavePath("save2"), SAVE2_BYTES + 1) || where.Size() != SAVE2_BYTES)
        return false;
    place.level = 0;
    place.pack = 0;
    place.scroll = 0.0f;
    where.GetI32(place.level);
    where.GetF32(place.scroll);
    where.GetI32(place.pack);
    return Content::GetLevel(place.level) && place.pack == BinaryFiles::PackOfLevel(place.level) &&
           std::isfinite(place.scroll);
}

// What "save" holds, read but not yet checked against the level.
struct SavedBoard {
    int recent[Playfield::RECENT_TYPES];
    std::vector<PieceRecord> trayPieces;
    std::vector<PieceRecord> pieces;
    Vorn::s32 time;
};

// Reads "save"; false when it is missing, not a fit game's, cut short, too long or holds a value
// no board can have.
bool ReadBoard(SavedBoard& saved)
{
    SaveReader board;
    if (!board.Open(Game::SavePath("save"), MAX_SAVE_BYTES + 1))
        return false;
    Vorn::s32 mode = -1, trayRecords = -1, placedRecords = -1;
    saved.time = 0;
    // Only the fit game's own saves are restored.
    if (!board.GetI32(mode) || mode != 0 || !Skip(board, 7 * 4))
        return false;
    for (int& type : saved.recent) {
        Vorn::s32 value = 0;
        if (!board.GetI32(value) || value < -1 || value >= Block::TYPE_COUNT)
            return false;
        type = value;
    }
    if (!board.GetI32(trayRecords) || trayRecords < 0 || trayRecords > MAX_TRAY_RECORDS)
        return false;
    saved.trayPieces.resize(static_cast<size_t>(trayRecords));
    for (PieceRecord& piece : saved.trayPieces)
        if (!ReadPiece(board, piece) || !std::isfinite(piece.trayState))
            return false;
    if (!board.GetI32(placedRecords) || placedRecords < 0 || placedRecords > MAX_PLACED_RECORDS)
        return false;
    saved.pieces.resize(static_cast<size_t>(placedRecords));
    for (PieceRecord& piece : saved.pieces)
        if (!ReadPiece(board, piece) || !IsPlausible(piece))
            return false;
    return board.GetI32(saved.time) && board.Remaining() == 0;
}

} // namespace

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

bool PlayfieldFit::LoadGame()
{
    if (RestoreGame())
        return true;
    // A save that is there but cannot be restored is kept aside, so that nothing writes over it,
    // and the next start does not meet it again.
    SaveReader board;
    if (board.Open(Game::SavePath("save"), 1) && board.Size() > 0) {
        const char* kept = "nothing, the level in progress is not restored";
        KeepDamagedSave(Game::SavePath("save"), kept);
        if (board.Open(Game::SavePath("save2"), 1) && board.Size() > 0)
            KeepDamagedSave(Game::SavePath("save2"), kept);
        ClearSavedGame();
    }
    return false;
}

bool PlayfieldFit::RestoreGame()
{
    SavedPlace place;
    if (!ReadPlace(place))
        return false;
    const Vorn::s32 savedLevel = place.level;
    SavedBoard saved;
    if (!ReadBoard(saved))
        return false;
    const std::vector<PieceRecord>& trayPieces = saved.trayPieces;
    const std::vector<PieceRecord>& pieces = saved.pieces;

    // The tray is the level's own: the save must agree with it entry by entry.
    if (!LoadLevel(savedLevel) || trayPieces.size() != tray.size())
        return Abandon(savedLevel);
    int hiddenOfType[Block::TYPE_COUNT] = {};
    for (size_t i = 0; i < tray.size(); ++i) {
        const PieceRecord& piece = trayPieces[i];
        Block& entry = *tray[i];
        if (piece.type != entry.type || piece.x != entry.x || piece.y != entry.y ||
            piece.colour < 0 || piece.colour >= 6)
            return Abandon(savedLevel);
        entry.trayState = piece.trayState == -1.0f ? -1.0f : 0.0f;
        entry.colour = piece.colour;
        hiddenOfType[entry.type] += entry.trayState == -1.0f;
    }
    // Oldest first, so that the placed list keeps its order; every piece must fit and account
    // for exactly one hidden tray entry.
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        const PieceRecord& piece = *it;
        const int x = static_cast<int>(piece.x);
        const int y = static_cast<int>(piece.y);
        if (--hiddenOfType[piece.type] < 0 || !CanPlaceBlock(piece.type, x, y))
            return Abandon(savedLevel);
        Vorn::SmartPtr<Block> block(new Block(piece.type, piece.x, piece.y, piece.trayState));
        block->colour = piece.colour;
        PlaceBlock(block);
    }
    // The restored tray shows which entries the pieces took; none is owed.
    m_owedIds.clear();
    for (int hidden : hiddenOfType)
        if (hidden != 0)
            return Abandon(savedLevel);

    std::copy(std::begin(saved.recent), std::end(saved.recent), recentTypes);
    playTime = saved.time > 0 ? saved.time : 0;
    paused = true;
    // What was restored is what the save holds already.
    m_saveDue = false;

    if (Game* game = Game::instance.Get()) {
        game->scrollPosition = place.scroll;
        game->currentPack = place.pack;
        game->scrollVelocity = 0.0f;
        game->currentLevel = savedLevel;
    }
    return true;
}

bool PlayfieldFit::Abandon(int levelNumber)
{
    LoadLevel(levelNumber);
    return false;
}
