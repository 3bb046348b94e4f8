#include "Command.h"
#include "art/GameIcon.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

using namespace DataBuild;

TEST(GameIcon, ArtworkSitsOnATransparentMarginAndSurvivesTheFile)
{
    const std::string path = ::testing::TempDir() + "/tessela_icon.png";
    const Command* icon = FindCommand("icon");
    ASSERT_NE(icon, nullptr);
    ASSERT_EQ(icon->run({path}), 0);
    EXPECT_EQ(icon->run({}), 2);

    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    Canvas canvas;
    std::string error;
    ASSERT_TRUE(DecodePng(bytes, canvas, error)) << error;
    ASSERT_EQ(canvas.Width(), 256);
    ASSERT_EQ(canvas.Height(), 256);
    EXPECT_EQ(canvas.GetFormat(), Canvas::COLOUR);

    // Nothing in the outer ring but a faint shadow; the corners fully clear.
    for (int i = 0; i < 256; ++i) {
        for (const auto& xy : {std::make_pair(i, 0), std::make_pair(i, 255), std::make_pair(0, i),
                               std::make_pair(255, i)})
            EXPECT_EQ(canvas.Get(xy.first, xy.second).a, 0) << xy.first << "," << xy.second;
    }
    EXPECT_EQ(canvas.Get(6, 6).a, 0);
    EXPECT_EQ(canvas.Get(249, 249).a, 0);
    // The middle is opaque, and the pieces differ in colour from one another and from the plate.
    EXPECT_EQ(canvas.Get(128, 128).a, 255);
    const Pixel plate = canvas.Get(128, 24);
    const Pixel pieces[] = {canvas.Get(59, 59), canvas.Get(197, 151), canvas.Get(59, 151),
                            canvas.Get(151, 151)};
    for (size_t a = 0; a < 4; ++a) {
        EXPECT_GT(std::abs(pieces[a].r - plate.r) + std::abs(pieces[a].g - plate.g) +
                      std::abs(pieces[a].b - plate.b), 60) << a;
        for (size_t b = a + 1; b < 4; ++b)
            EXPECT_GT(std::abs(pieces[a].r - pieces[b].r) + std::abs(pieces[a].g - pieces[b].g) +
                          std::abs(pieces[a].b - pieces[b].b), 60) << a << " " << b;
    }
}
