// The menu screens' painters come from another part of the game. These weak stand-ins let the
// painters here link on their own; wherever the real ones are linked in, they take their place.
#include "Game.h"

#define STAND_IN __attribute__((weak))

STAND_IN void Game::DrawAbout(const Vorn::SmartPtr<Graphics>&) {}
STAND_IN void Game::DrawOptions(const Vorn::SmartPtr<Graphics>&) {}
STAND_IN void Game::DrawMoreMenu(const Vorn::SmartPtr<Graphics>&) {}
STAND_IN void Game::DrawLanguageMenu(const Vorn::SmartPtr<Graphics>&) {}
STAND_IN void Game::DrawFirstLanguageMenu(const Vorn::SmartPtr<Graphics>&) {}
STAND_IN void Game::DrawPanel(const Vorn::SmartPtr<Graphics>&, float, float, float, float,
                              const Vorn::SmartPtr<GLFont>&, const Vorn::WideString&)
{
}
