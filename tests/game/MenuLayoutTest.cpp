// The layout of every button list at every base size: inside the screen's margins, no two buttons
// of a list on top of each other, the rows of a list on one grid, the bottom rows of the menus on
// one line and nothing over the logo.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "ButtonDisplayer.h"
#include "SaveDataFixture.h"

namespace {

constexpr float EPS = 1e-3f;

struct Box {
    int id;
    float x, y, w, h;
};

bool Overlap(const Box& a, const Box& b)
{
    return a.x < b.x + b.w - EPS && b.x < a.x + a.w - EPS && a.y < b.y + b.h - EPS &&
           b.y < a.y + a.h - EPS;
}

class MenuLayout : public SaveDataTest::SaveDataFixture {
protected:
    void TearDown() override
    {
        SaveDataFixture::TearDown();
        Consts::Init(480, 800, true);
    }

    std::vector<Box> Boxes(int list) const
    {
        std::vector<Box> boxes;
        const Vorn::SmartPtr<ButtonDisplayer>& menu = m_game->menus[list];
        for (const ButtonRecord* b = menu ? menu->GetHead() : nullptr; b; b = b->next)
            boxes.push_back({b->id, b->x, b->y, b->w, b->h});
        return boxes;
    }
};

const std::pair<int, int> BASE_SIZES[] = {{240, 320}, {320, 480}, {480, 800}, {600, 1024}};

} // namespace

TEST_F(MenuLayout, EveryListFitsTheScreenWithoutOverlapsAtEveryBaseSize)
{
    for (const auto& size : BASE_SIZES) {
        Consts::Init(size.first, size.second, true);
        m_game->CreateMenus();
        const float margin = m_game->menuMargin;
        const float columns = m_game->screenColumns, rows = m_game->screenRows;
        const float logoFoot = static_cast<float>(Consts::MAIN_MENU_Y) / Consts::CELL_SIZE;
        int built = 0;
        for (int list = 0; list < Game::MENU_COUNT; ++list) {
            const std::vector<Box> boxes = Boxes(list);
            if (boxes.empty())
                continue;
            ++built;
            SCOPED_TRACE(testing::Message() << size.first << "x" << size.second << " list " << list);
            float bottom = 0.0f;
            std::vector<float> tops;
            for (size_t i = 0; i < boxes.size(); ++i) {
                const Box& b = boxes[i];
                EXPECT_GE(b.x, margin - EPS) << "id " << b.id;
                EXPECT_LE(b.x + b.w, columns - margin + EPS) << "id " << b.id;
                EXPECT_GE(b.y, margin - EPS) << "id " << b.id;
                EXPECT_LE(b.y + b.h, rows - margin + EPS) << "id " << b.id;
                EXPECT_GT(b.w, 0.0f) << "id " << b.id;
                EXPECT_GT(b.h, 0.0f) << "id " << b.id;
                for (size_t j = i + 1; j < boxes.size(); ++j)
                    EXPECT_FALSE(Overlap(b, boxes[j])) << "ids " << b.id << " and " << boxes[j].id;
                // Buttons side by side in a row share its top and height.
                for (size_t j = i + 1; j < boxes.size(); ++j) {
                    if (std::fabs(b.y - boxes[j].y) < EPS) {
                        EXPECT_NEAR(b.h, boxes[j].h, EPS)
                            << "ids " << b.id << " and " << boxes[j].id;
                    }
                }
                bottom = std::max(bottom, b.y + b.h);
                tops.push_back(b.y);
            }

            // The rows of a list stand on one grid: every gap between two rows is a whole number
            // of the smallest gap (a row may be left free, as the options' slider row is).
            std::sort(tops.begin(), tops.end());
            tops.erase(std::unique(tops.begin(), tops.end(),
                                   [](float a, float b) { return std::fabs(a - b) < EPS; }),
                       tops.end());
            if (tops.size() > 1) {
                float step = tops[1] - tops[0];
                for (size_t i = 2; i < tops.size(); ++i)
                    step = std::min(step, tops[i] - tops[i - 1]);
                for (size_t i = 1; i < tops.size(); ++i) {
                    const float steps = (tops[i] - tops[i - 1]) / step;
                    EXPECT_NEAR(steps, std::round(steps), EPS) << "row at " << tops[i];
                }
            }

            // The pause panel covers the board in play, where no logo is drawn; every other list
            // stays below the logo.
            if (list != Game::MENU_PAUSE) {
                EXPECT_GE(tops.front(), logoFoot + margin - EPS);
            }
            // BACK, CONTINUE and the other last rows of the menus and panels all stand on the
            // screen's bottom margin; the notice and the hint sit over the board, and the spare
            // lists are never drawn.
            if (list != Game::MENU_NOTICE && list != Game::MENU_HINT &&
                list != Game::MENU_SPARE_CONTINUE_A && list != Game::MENU_SPARE_CONTINUE_B) {
                EXPECT_NEAR(bottom, rows - margin, EPS);
            }
        }
        EXPECT_EQ(built, 21);
    }
}
