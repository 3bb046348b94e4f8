// The fit board's saved game: "save" holds the board (Playfield::SaveGame), "save2" the level, the
// level list's position and the pack.
//
// "save", 4-byte little-endian fields: game mode, seven unused words, recent types[28], T, T tray
// records, P, P placed records, play time (ms); a record is type, x, y, tray state (floats for
// the three in the middle), colour slot. "save2": level, scroll position (float), pack.
#include <cmath>
#include <vector>

#include "BinaryFiles.h"
#include "Content.h"
#include "Game.h"
#include "PlayfieldFit.h"
#include "SaveFile.h"

namespace {

const Vorn::u32 RECORD_BYTES = 20;
const Vorn::u32 HEADER_BYTES = 144; // game mode, the unused words and the recent types
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

} // namespace

void PlayfieldFit::SaveGame()
{
    gameMode = 0;
    Playfield::SaveGame();
    SaveWriter writer(Game::SavePath("save2"));
    if (!writer.IsOpen())
        return;
    Game* game = Game::instance.Get();
    writer.PutI32(level);
    writer.PutF32(game ? game->scrollPosition : 0.0f);
    writer.PutI32(game ? game->currentPack : -1);
    writer.Finish();
}

bool PlayfieldFit::LoadGame()
{
    SaveReader where;
    if (!where.Open(Game::SavePath("save2"), SAVE2_BYTES + 1) || where.Size() != SAVE2_BYTES)
        return false;
    Vorn::s32 savedLevel = 0, savedPack = 0;
    float scroll = 0.0f;
    where.GetI32(savedLevel);
    where.GetF32(scroll);
    where.GetI32(savedPack);
    if (!Content::GetLevel(savedLevel) || savedPack != BinaryFiles::PackOfLevel(savedLevel) ||
        !std::isfinite(scroll))
        return false;

    SaveReader board;
    if (!board.Open(Game::SavePath("save"), MAX_SAVE_BYTES + 1))
        return false;
    Vorn::s32 mode = -1, trayRecords = -1, placedRecords = -1, savedTime = 0;
    // Only the fit game's own saves are restored.
    if (!board.GetI32(mode) || mode != 0 || !Skip(board, HEADER_BYTES - 4))
        return false;
    if (!board.GetI32(trayRecords) || trayRecords < 0 || trayRecords > MAX_TRAY_RECORDS ||
        !Skip(board, RECORD_BYTES * static_cast<Vorn::u32>(trayRecords)))
        return false;
    if (!board.GetI32(placedRecords) || placedRecords < 0 || placedRecords > MAX_PLACED_RECORDS)
        return false;
    std::vector<PieceRecord> pieces(static_cast<size_t>(placedRecords));
    for (PieceRecord& piece : pieces)
        if (!ReadPiece(board, piece) || !IsPlausible(piece))
            return false;
    if (!board.GetI32(savedTime) || board.Remaining() != 0)
        return false;

    // The tray comes from the level file; the pieces must fit on its board and be pieces its
    // tray holds.
    if (!LoadLevel(savedLevel))
        return false;
    int trayOfType[Block::TYPE_COUNT] = {};
    for (const Vorn::SmartPtr<Block>& entry : tray)
        ++trayOfType[entry->type];
    for (const PieceRecord& piece : pieces) {
        const int x = static_cast<int>(piece.x);
        const int y = static_cast<int>(piece.y);
        if (--trayOfType[piece.type] < 0 || !CanPlaceBlock(piece.type, x, y)) {
            LoadLevel(savedLevel);
            return false;
        }
        Vorn::SmartPtr<Block> block(new Block(piece.type, piece.x, piece.y, piece.trayState));
        block->colour = piece.colour;
        PlaceBlock(block);
    }
    playTime = savedTime > 0 ? savedTime : 0;
    paused = true;

    if (Game* game = Game::instance.Get()) {
        game->scrollPosition = scroll;
        game->currentPack = savedPack;
        game->scrollVelocity = 0.0f;
        game->currentLevel = savedLevel;
    }
    return true;
}
