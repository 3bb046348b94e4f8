// The application class run through the process entry, headless: the base size and the offscreen
// target for a window between two base sizes, and touches scaled into base pixels, first finger
// only.
#include <gtest/gtest.h>

#include "Consts.h"
#include "Game.h"
#include "TesselaApplication.h"
#include "application/playbook/CreateApplication.h"
#include "graphics/surface/Surface.h"
#include "support/BuiltData.h"
#include "support/e2e/Harness.h"

TEST(GameApplication, AWindowBetweenBaseSizesPlaysAtTheSmallerOne)
{
    VORN_SKIP_IF_MISSING(VornTest::MissingGameData());
    VornTest::Harness::Options options;
    options.width = 510;
    options.height = 850;
    VornTest::Harness harness(options);
    ASSERT_TRUE(harness.Start(Tessela::CreateApplication()));
    auto* app = static_cast<Tessela::TesselaApplication*>(harness.App());
    EXPECT_EQ(Tessela::TesselaApplication::s_baseScreenWidth, 480);
    EXPECT_EQ(Tessela::TesselaApplication::s_baseScreenHeight, 800);
    EXPECT_EQ(Consts::CELL_SIZE, 40);
    ASSERT_TRUE(app->GetOffscreen());
    EXPECT_EQ(app->GetOffscreen()->GetWidth(), 480);
    EXPECT_EQ(app->GetOffscreen()->GetHeight(), 800);
    ASSERT_TRUE(app->GetGame());
    EXPECT_EQ(app->GetGame()->screenWidth, 480);

    harness.Frame(16);
    harness.TouchDown(255, 425, 0);
    harness.Frame(16);
    EXPECT_EQ(Game::touchDownX, 240);
    EXPECT_EQ(Game::touchDownY, 400);
    // A second finger changes nothing.
    harness.TouchDown(51, 85, 1);
    harness.TouchMove(51, 85, 1);
    harness.Frame(16);
    EXPECT_EQ(Game::touchDownX, 240);
    EXPECT_EQ(Game::touchLastY, 400);
    harness.TouchUp(255, 425, 0);
    harness.Frame(16);
    EXPECT_EQ(harness.Stop(), 0);
}
