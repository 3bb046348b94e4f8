#include "PaintWorld.h"

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "Help.h"
#include "Image.h"
#include "Images.h"
#include "PlayfieldFit.h"
#include "StringDisplayer.h"
#include "support/GameFont.h"
#include "support/MemoryMount.h"
#include "vfs/Vfs.h"

namespace PaintTest {

std::vector<TextRun> ReadTexts(const std::vector<Graphics::DrawCall>& calls)
{
    std::vector<TextRun> runs;
    for (const Graphics::DrawCall& call : calls) {
        const bool glyph = (call.image == FONT || call.image == SMALL_FONT) &&
                           call.call == Graphics::Call::EX && call.srcW == GLYPH;
        if (!glyph)
            continue;
        const char c = static_cast<char>(32 + call.srcX / GLYPH);
        const int centre = call.y + GLYPH / 2;
        if (!runs.empty()) {
            TextRun& last = runs.back();
            if (last.font == call.image && last.y == centre && last.Right() == call.x) {
                last.text += c;
                continue;
            }
        }
        runs.push_back(TextRun{call.image, call.x, centre, std::string(1, c)});
    }
    return runs;
}

std::vector<TextRun> FindTexts(const std::vector<TextRun>& runs, const std::string& text)
{
    std::vector<TextRun> found;
    for (const TextRun& run : runs)
        if (run.text == text)
            found.push_back(run);
    return found;
}

bool HasText(const std::vector<Graphics::DrawCall>& calls, const std::string& text)
{
    return !FindTexts(ReadTexts(calls), text).empty();
}

PaintWorld::PaintWorld(int width, int height, bool images)
    : m_world(new VornTest::BoardWorld(width, height))
{
    Game& g = game();
    Game::theme = 0;
    Game::imgBackground = Consts::THEME_BACKGROUND[0];
    Game::COLOR_R = Game::COLOR_G = Game::COLOR_B = 0.0f;
    Game::typedName.clear();
    Game::keyPage = 1;
    Game::keyboardPrompt.clear();
    g.twitch = false;
    g.screenState = Game::STATE_MAIN_MENU;

    if (images) {
        for (int id = 0; id < Images::COUNT; ++id)
            Content::s_images[id] = new Image(64, 64);
        VornTest::MemoryMount* mount = new VornTest::MemoryMount("device/");
        Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), mount);
        VornTest::TestFontSpec spec;
        spec.advance = GLYPH;
        spec.height = GLYPH;
        for (int id : {FONT, SMALL_FONT}) {
            VornTest::AddTestFont(*mount, id, spec);
            VornTest::CacheTestFontImage(id, spec, false);
        }
        g.font = new GLFont(FONT);
        g.smallFont = new GLFont(SMALL_FONT);
    }

    for (int index = 0; index < Game::MENU_COUNT; ++index) {
        if (g.menus[index])
            continue;
        g.menus[index] = new ButtonDisplayer();
        g.menus[index]->AddButton(0, L"OK", g.smallFont, 0.2f, g.screenRows - g.menuRowHeight,
                                  g.screenColumns - 0.4f, g.menuRowHeight - 0.4f, 0.4f, -1);
    }
    const int cell = Consts::CELL_SIZE;
    for (int state : {14, 15, 18, 20, 21, 22, 27})
        g.dialogTexts[state] = new StringDisplayer(g.font, L"QUESTION", cell, cell, 10 * cell,
                                                   4 * cell, StringDisplayer::ALIGN_CENTER, 0);
    g.help = new Help();
    graphics = new Graphics(nullptr);
}

PaintWorld::~PaintWorld()
{
    Game::typedName.clear();
    Game::keyPage = 1;
    Game::keyboardPrompt.clear();
    Game::packPreviewClock = 0.0f;
    graphics = nullptr;
    m_world.reset();
}

std::vector<Graphics::DrawCall> PaintWorld::Record(
    const std::function<void(const Vorn::SmartPtr<Graphics>&)>& paint)
{
    graphics->ClearRecord();
    graphics->StartRecording();
    paint(graphics);
    graphics->StopRecording();
    return graphics->GetRecord();
}

std::vector<Graphics::DrawCall> PaintWorld::RecordFrame()
{
    return Record([this](const Vorn::SmartPtr<Graphics>& g) { game().Render(g); });
}

void PaintWorld::InstallLevel(int level)
{
    VornTest::LevelDesign design;
    design.x0 = 3;
    design.y0 = 2;
    design.rows = {"###", "#.#", "###"};
    design.tray = {{0, 12, 0}, {3, 12, 27}, {6, 12, 27}};
    design.solutions = {{{0, 3, 2}}};
    m_world->InstallLevel(level, design);
    Vorn::SmartPtr<PlayfieldFit> preview(new PlayfieldFit(0, 0, 1, 16));
    game().levelOutlines[level] = preview->LoadLevelOutline(level);
}

} // namespace PaintTest
