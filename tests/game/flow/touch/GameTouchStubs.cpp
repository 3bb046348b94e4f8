// Stand-ins for the methods of other sections of Game that the touch handling calls, so this
// suite links on its own. They are weak: where the real definitions are linked in, those win.
#include "GameTouchFixture.h"

namespace TouchTest {

std::vector<int> g_startedLevels;
int g_menuRebuilds = 0;

} // namespace TouchTest

__attribute__((weak)) void Game::StartLevel(int level)
{
    if (LevelRecord(level) == 0)
        return;
    TouchTest::g_startedLevels.push_back(level);
    currentLevel = level;
    screenState = STATE_PLAY;
}

__attribute__((weak)) void Game::RebuildMenus()
{
    ++TouchTest::g_menuRebuilds;
}
