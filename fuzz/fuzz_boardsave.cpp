// A saved game: the first 12 bytes are "save2" (level, list position, pack), the rest "save",
// restored onto the board as the end of loading does it. Level 40 is a small level whose tray
// holds two L shapes and a square.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "BinaryFiles.h"
#include "Block.h"
#include "Consts.h"
#include "Content.h"
#include "FuzzFiles.h"
#include "Game.h"
#include "PlayfieldFit.h"

namespace {

const uint8_t LEVEL_40[] = {
    0, 0, 3,             // flags, three tray pieces
    0x0C, 5, 0x3C, 0, 0x6C, 5, // L at (0, 12), square at (3, 12), L at (6, 12)
    0x32, 0x31,          // 4 x 3 at (3, 1)
    0, 0, 0, 0,          // ####
    1, 0, 1, 0,          // .#.#
    1, 0, 1, 0,          // .#.#
    1, 2,                // one solution of two pieces
    5, 3, 1, 5, 5, 1,
};

Game& World()
{
    static Game* s_game = [] {
        Consts::Init(480, 800, true);
        Block::InitTables();
        BinaryFiles::Init();
        Game* game = new Game();
        game->saveRoot = L"m/";
        Content::SetBinary(40, LEVEL_40, sizeof LEVEL_40);
        return game;
    }();
    return *s_game;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    World();
    const size_t whereBytes = size < 12 ? size : 12;
    VornFuzz::Files().Set("save2", data, whereBytes);
    VornFuzz::Files().Set("save", data + whereBytes, size - whereBytes);
    Vorn::SmartPtr<PlayfieldFit> board(new PlayfieldFit(0, 0, 1, 16));
    if (board->LoadGame()) {
        // What was restored must hold together: one frame of play and a look at every piece.
        board->Tick(16);
        volatile int sum = 0;
        for (const auto& piece : board->Placed())
            sum += board->Cell(static_cast<int>(piece->x), static_cast<int>(piece->y));
    }
    return 0;
}
