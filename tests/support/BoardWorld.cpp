#include "support/BoardWorld.h"

#include <algorithm>

#include "BinaryFiles.h"
#include "Block.h"
#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Content.h"
#include "ControllerPrecise.h"
#include "GLFont.h"
#include "Image.h"
#include "Images.h"
#include "SaveFile.h"
#include "Stats.h"
#include "vfs/Vfs.h"

namespace VornTest {

std::vector<uint8_t> BuildLevel(const LevelDesign& design)
{
    const int height = static_cast<int>(design.rows.size());
    const int width = height ? static_cast<int>(design.rows[0].size()) : 0;
    std::vector<uint8_t> bytes = {0, static_cast<uint8_t>(design.flags),
                                  static_cast<uint8_t>(design.tray.size())};
    for (const LevelDesign::TrayPiece& piece : design.tray) {
        bytes.push_back(static_cast<uint8_t>((piece.x << 4) | piece.y));
        bytes.push_back(static_cast<uint8_t>(piece.type));
    }
    bytes.push_back(static_cast<uint8_t>(((width - 1) << 4) | (height - 1)));
    bytes.push_back(static_cast<uint8_t>((design.x0 << 4) | design.y0));
    for (const std::string& row : design.rows)
        for (char c : row)
            bytes.push_back(c == '#' ? 0 : 1);
    const int perSolution = design.piecesPerSolution >= 0
                                ? design.piecesPerSolution
                                : (design.solutions.empty() ? 0 : static_cast<int>(design.solutions[0].size()));
    bytes.push_back(static_cast<uint8_t>(design.solutions.size()));
    bytes.push_back(static_cast<uint8_t>(perSolution));
    for (const std::vector<LevelPlacement>& solution : design.solutions) {
        for (const LevelPlacement& placement : solution) {
            bytes.push_back(static_cast<uint8_t>(placement.type));
            bytes.push_back(static_cast<uint8_t>(placement.x));
            bytes.push_back(static_cast<uint8_t>(placement.y));
        }
    }
    return bytes;
}

BoardWorld::BoardWorld(int width, int height) : m_sandbox(new Sandbox()), m_sounds(InstallSoundRecorder())
{
    Consts::Init(width, height, true);
    m_game = new Game();
    m_game->Init();
    Vorn::Vfs::MountNative("./", "save/",
                           Vorn::VfsMount::FALL_THROUGH | Vorn::VfsMount::SAVE_STORAGE);
    Game& game = *m_game;
    const float cell = static_cast<float>(Consts::CELL_SIZE);
    game.menuMargin = 0.2f;
    game.menuRowHeight = (height - Consts::MAIN_MENU_Y) / (4.0f * cell);
    game.screenColumns = width / cell;
    game.screenRows = height / cell;
    game.boardTopRows = (game.screenRows - 16.0f) * 0.5f;
    game.BuildPackTables();
    game.stats = new Stats(Stats::TOTALS);
    game.gameMode = 0;
    for (int index : {Game::MENU_HINT, Game::MENU_NOTICE}) {
        game.menus[index] = new ButtonDisplayer();
        game.menus[index]->AddButton(0, L"", nullptr, 3.0f, game.boardTopRows + 13.2f, 6.0f, 1.6f,
                                     0.2f, -1);
    }
}

BoardWorld::~BoardWorld()
{
    // A save still being written goes into this sandbox, not the next one.
    SaveWriter::WaitForBackgroundWrites();
    if (m_board && m_board->controller)
        m_board->controller->target = nullptr;
    m_board = nullptr;
    m_game = nullptr;
    Game::instance = nullptr;
    Content::ForgetLevels();
    Content::s_images.clear();
    RemoveSoundRecorder();
    m_sandbox.reset();
}

void BoardWorld::InstallLevel(int level, const LevelDesign& design)
{
    const std::vector<uint8_t> bytes = BuildLevel(design);
    Content::SetBinary(level, bytes.data(), bytes.size());
    m_game->levelSolutions[level] = PlayfieldFit::ReadSolutions(level);
    if (m_game->levelRecords[level] == 0)
        m_game->levelRecords[level] = Game::RECORD_OPEN;
}

Vorn::SmartPtr<PlayfieldFit> BoardWorld::StartLevel(int level)
{
    Game& game = *m_game;
    game.currentLevel = level;
    game.currentPack = BinaryFiles::PackOfLevel(level);
    m_board = new PlayfieldFit(Consts::OFFSET_X, static_cast<int>(Consts::CELL_SIZE * game.boardTopRows), 1, 16);
    m_board->LoadLevel(level);
    game.playfield = m_board;
    Game::controls = 0;
    game.controller = game.CreateControllerPrecise();
    game.controller->target = m_board.Get();
    m_board->SetController(game.controller);
    m_board->SetMode(Game::controlSide);
    m_board->stats = new Stats(0);
    m_board->stats->level = level;
    game.screenState = Game::STATE_PLAY;
    return m_board;
}

void BoardWorld::Down(int x, int y)
{
    m_game->controller->ForwardTouchDown(x, y);
}

void BoardWorld::Move(int x, int y)
{
    m_game->controller->ForwardTouchMove(x, y);
}

void BoardWorld::Up(int x, int y)
{
    m_game->controller->ForwardTouchUp(x, y);
}

void BoardWorld::Frame(int ms)
{
    m_board->Tick(ms);
}

void BoardWorld::TrayPoint(const Block& entry, int& x, int& y) const
{
    const int cell = Consts::CELL_SIZE;
    x = Consts::DISPLAY_AREA_X + static_cast<int>(entry.x * cell) + cell;
    y = static_cast<int>((entry.y + m_game->boardTopRows) * cell) + cell;
}

void BoardWorld::DropPoint(int type, int tx, int ty, int& x, int& y) const
{
    const int cell = Consts::CELL_SIZE;
    x = m_board->originX + tx * cell + Block::blocksWidth[type] / 2;
    y = m_board->originY + ty * cell + Block::blocksHeight[type] / 2;
}

void BoardWorld::CellPoint(int x, int y, int& px, int& py) const
{
    const int cell = Consts::CELL_SIZE;
    px = m_board->originX + x * cell + cell / 2;
    py = m_board->originY + y * cell + cell / 2;
}

void BoardWorld::DragTo(const Block& entry, int tx, int ty)
{
    int x = 0, y = 0;
    TrayPoint(entry, x, y);
    const int type = entry.type;
    Down(x, y);
    Frame(100);
    Frame(100);
    DropPoint(type, tx, ty, x, y);
    Move(x, y);
    Up(x, y);
    Frame(16);
}

void BoardWorld::DrawCells(const std::vector<std::pair<int, int>>& cells)
{
    int x = 0, y = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        CellPoint(cells[i].first, cells[i].second, x, y);
        if (i == 0)
            Down(x, y);
        else
            Move(x, y);
    }
    Up(x, y);
}

std::string BoardWorld::DataName(const std::string& savePath)
{
    // The save mount stores "save/a" as the flat name "._a" in the data directory.
    std::string name = "./" + savePath.substr(std::string("save/").size());
    std::replace(name.begin(), name.end(), '/', '_');
    return Sandbox::Data(name);
}

std::vector<uint8_t> BoardWorld::SavedBytes(const std::string& savePath, bool* found) const
{
    SaveWriter::WaitForBackgroundWrites();
    return ReadBytes(DataName(savePath), found);
}

} // namespace VornTest
