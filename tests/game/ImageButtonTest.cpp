#include <gtest/gtest.h>

#include "Content.h"
#include "Game.h"
#include "Graphics.h"
#include "Image.h"
#include "ImageButton.h"

using Vorn::SmartPtr;

namespace {

constexpr int PICTURE = 54;

class ImageButtons : public ::testing::Test {
protected:
    void SetUp() override
    {
        Content::s_images.clear();
        Content::s_images[PICTURE] = new Image(30, 20);
        Content::s_images[PICTURE + 1] = new Image(30, 20);
        graphics = new Graphics(nullptr);
        graphics->StartRecording();
    }
    void TearDown() override { Content::s_images.clear(); }

    SmartPtr<Graphics> graphics;
};

}  // namespace

TEST_F(ImageButtons, AlignmentAnchorsThePicture)
{
    struct Case {
        int align, x, y;
    };
    const Case cases[] = {{0, 100, 100}, {2 | 8, 85, 90}, {4 | 16, 70, 80}, {6, 85, 100}, {24, 100, 90}};
    for (const Case& c : cases) {
        SmartPtr<ImageButton> button(new ImageButton(PICTURE, -1, 100, 100, c.align));
        EXPECT_EQ(c.x, button->x) << c.align;
        EXPECT_EQ(c.y, button->y) << c.align;
        EXPECT_EQ(30, button->w);
        EXPECT_EQ(20, button->h);
    }
}

TEST_F(ImageButtons, PressMoveAndRelease)
{
    SmartPtr<ImageButton> button(new ImageButton(PICTURE, PICTURE + 1, 10, 10, 0));
    EXPECT_TRUE(button->Contains(10, 10));
    EXPECT_TRUE(button->Contains(39, 29));
    EXPECT_FALSE(button->Contains(40, 20));
    EXPECT_FALSE(button->Contains(20, 30));

    button->Press(15, 15);
    EXPECT_TRUE(button->pressed);
    button->Draw(graphics);
    button->Move(100, 15);
    EXPECT_FALSE(button->pressed);
    button->Draw(graphics);
    ASSERT_EQ(2u, graphics->GetRecord().size());
    EXPECT_EQ(PICTURE + 1, graphics->GetRecord()[0].image);  // the pressed picture
    EXPECT_EQ(PICTURE, graphics->GetRecord()[1].image);

    button->Move(15, 15);
    EXPECT_FALSE(button->Release(100, 100));
    EXPECT_FALSE(button->pressed);
    button->Press(15, 15);
    EXPECT_TRUE(button->Release(15, 15));
    EXPECT_FALSE(button->pressed);
}

TEST_F(ImageButtons, ButtonOfAPictureNotLoadedIsEmpty)
{
    SmartPtr<ImageButton> button(new ImageButton(PICTURE + 5, -1, 10, 10, 2 | 8));
    EXPECT_EQ(0, button->w);
    EXPECT_EQ(10, button->x);
    button->Press(10, 10);
    EXPECT_FALSE(button->pressed);
    EXPECT_FALSE(button->Release(10, 10));
}

TEST_F(ImageButtons, ThemedButtonShrinksTowardsItsCentreWhilePressed)
{
    Game::COLOR_R = 0.5f;
    SmartPtr<ThemedImageButton> button(new ThemedImageButton(PICTURE, 100, 100, 0));
    EXPECT_EQ(-1, button->pressedImage);
    button->Draw(graphics);
    ASSERT_EQ(1u, graphics->GetRecord().size());
    EXPECT_EQ(Graphics::Call::COLORED, graphics->GetRecord()[0].call);
    EXPECT_FLOAT_EQ(0.5f, graphics->GetRecord()[0].r);

    button->Press(110, 110);
    for (int frame = 0; frame < 4; ++frame)
        button->Update();
    EXPECT_LT(button->scale, ThemedImageButton::MAX_SCALE);
    for (int frame = 0; frame < 6; ++frame)
        button->Update();
    EXPECT_FLOAT_EQ(ThemedImageButton::MAX_SCALE, button->scale);

    graphics->ClearRecord();
    button->Draw(graphics);
    ASSERT_EQ(1u, graphics->GetRecord().size());
    const Graphics::DrawCall& shrunk = graphics->GetRecord()[0];
    EXPECT_EQ(Graphics::Call::EX, shrunk.call);
    EXPECT_EQ(101, shrunk.x);  // 100 + 0.1 * 0.5 * 30
    EXPECT_EQ(101, shrunk.y);  // 100 + 0.1 * 0.5 * 20
    EXPECT_EQ(30, shrunk.srcW);
    EXPECT_FLOAT_EQ(0.9f, shrunk.scale);

    EXPECT_FALSE(button->Release(300, 300));
    for (int frame = 0; frame < 4; ++frame)
        button->Update();
    EXPECT_GT(button->scale, 0.0f);
    button->Update();
    EXPECT_FLOAT_EQ(0.0f, button->scale);
    button->Press(110, 110);
    button->Update();
    button->ResetScale();
    EXPECT_FLOAT_EQ(0.0f, button->scale);
    EXPECT_TRUE(button->Release(110, 110));
}
