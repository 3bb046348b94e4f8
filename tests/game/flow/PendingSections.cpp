// Sections of the game flow that land with other branches. Until they do, the update's reference to
// the menu construction is met here, weakly: the library's own definition takes its place as soon
// as it exists. These tests set the game's fields by hand so that they never reach it.
#include <gtest/gtest.h>

#include "Game.h"

__attribute__((weak)) void Game::CreateMenus()
{
    ADD_FAILURE() << "the menu construction is not part of these tests";
}
