// A game over a fresh save area with button lists of its own at known rectangles, driven by
// touches in base pixels (480x800: one cell is 40 pixels, the display area starts at 0, 0).
#pragma once

#include <vector>

#include "ButtonDisplayer.h"
#include "GLFont.h"
#include "game/SaveDataFixture.h"

namespace TouchTest {

// What the stand-ins of other sections' methods saw (GameTouchStubs.cpp).
extern std::vector<int> g_startedLevels;
extern int g_menuRebuilds;

constexpr int CELL = 40;

inline int Px(float cells)
{
    return static_cast<int>(cells * CELL);
}

class GameTouchFixture : public SaveDataTest::SaveDataFixture {
protected:
    void SetUp() override
    {
        SaveDataFixture::SetUp();
        g_startedLevels.clear();
        g_menuRebuilds = 0;
        m_game->Init();
        m_game->menuMargin = 0.2f;
        m_game->menuRowHeight = 3.4375f;
        m_game->screenRows = 20.0f;
        m_game->screenColumns = 12.0f;
        m_game->boardTopRows = 2.0f;
        m_game->packRowHeight = 2.0f;
        int first = 0;
        const int sizes[Game::PACK_COUNT] = {27, 26, 32, 25, 36, 20, 34};
        for (int pack = 0; pack < Game::PACK_COUNT; ++pack) {
            m_game->packSizes[pack] = sizes[pack];
            m_game->packLevels[pack].clear();
            for (int i = 0; i < sizes[pack]; ++i)
                m_game->packLevels[pack].push_back(first + i);
            first += sizes[pack];
        }
        m_game->currentPack = -1;
        m_game->pressedPack = -1;
    }

    // A list of full-width buttons, one per id, each two cells high, the first at row `top`.
    Vorn::SmartPtr<ButtonDisplayer> Rows(int menu, const std::vector<int>& ids, float top = 2.0f)
    {
        Vorn::SmartPtr<ButtonDisplayer> list(new ButtonDisplayer());
        float y = top;
        for (int id : ids) {
            list->AddButton(id, Vorn::WideString(), nullptr, 0.2f, y, 11.6f, 2.0f, 0.4f, -1);
            y += 2.0f;
        }
        m_game->menus[menu] = list;
        return list;
    }

    // The pixel centre of the n-th button (0-based) of a list made by Rows.
    static int RowY(int n, float top = 2.0f) { return Px(top + 2.0f * n + 1.0f); }

    void Tap(int x, int y)
    {
        m_game->OnTouchDown(x, y);
        m_game->OnTouchUp(x, y);
    }
    void Drag(int x0, int y0, int x1, int y1)
    {
        m_game->OnTouchDown(x0, y0);
        m_game->OnTouchMove(x1, y1);
        m_game->OnTouchUp(x1, y1);
    }
    // The n-th button of a Rows list.
    void TapRow(int n) { Tap(Px(6.0f), RowY(n)); }

    void OpenLevels(std::initializer_list<int> openLevels)
    {
        for (uint64_t& record : m_game->levelRecords)
            record = 0;
        for (int level : openLevels)
            m_game->levelRecords[level] = Game::RECORD_OPEN;
    }
};

} // namespace TouchTest
