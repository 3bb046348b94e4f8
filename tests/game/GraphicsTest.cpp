// The image drawing helpers: what reaches the target for which ids, recorded without GL.
#include <gtest/gtest.h>

#include "Content.h"
#include "Graphics.h"
#include "Image.h"

using Vorn::SmartPtr;

namespace {

class Drawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        Content::s_images.clear();
        Content::s_images[7] = new Image(30, 21);
        Content::s_images[419] = new Image(4, 4);
        graphics = new Graphics(nullptr);
        graphics->StartRecording();
    }
    void TearDown() override { Content::s_images.clear(); }

    void DrawEveryWay(int id)
    {
        graphics->DrawImage(id, 1, 2);
        graphics->DrawImagePart(id, 1, 2, 3, 4);
        graphics->DrawImageRotated(id, 1, 2, 0.5f, 0.5f, 1.0f, 2.0f);
        graphics->DrawImageScaled(id, 1, 2, 3, 4, 5, 6, 0.0f, 0.0f, 0.0f, 1.0f);
        graphics->DrawImageColored(id, 1, 2, 1.0f, 0.0f, 0.0f, 0.5f);
        graphics->DrawImageEx(id, 1, 2, 3, 4, 5, 6, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
        graphics->DrawImageExFlipped(id, 1, 2, 3, 4, 5, 6, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
        graphics->DrawImageCentered(id, 1, 2, 10);
    }

    SmartPtr<Graphics> graphics;
};

}  // namespace

TEST_F(Drawing, IdsOutsideTheTableOrNotCachedDrawNothing)
{
    // 420 and -1 lie outside the table, 8 was never loaded; a slot reserved without picture is
    // absent too.
    Content::s_images[8] = nullptr;
    Content::s_images[420] = new Image(4, 4);
    Content::s_images[-1] = new Image(4, 4);
    for (int id : {420, -1, 8, 9, 100000})
        DrawEveryWay(id);
    EXPECT_TRUE(graphics->GetRecord().empty());
    EXPECT_EQ(nullptr, Graphics::FindImage(420));
    EXPECT_EQ(nullptr, Graphics::FindImage(8));

    DrawEveryWay(419);
    EXPECT_EQ(8u, graphics->GetRecord().size());
}

TEST_F(Drawing, EachHelperRecordsItsSourceAndTransform)
{
    DrawEveryWay(7);
    const auto& r = graphics->GetRecord();
    ASSERT_EQ(8u, r.size());
    using C = Graphics::Call;
    const C kinds[] = {C::IMAGE, C::PART, C::ROTATED, C::SCALED, C::COLORED, C::EX, C::EX_FLIPPED, C::CENTERED};
    for (size_t i = 0; i < r.size(); ++i) {
        EXPECT_EQ(kinds[i], r[i].call);
        EXPECT_EQ(7, r[i].image);
    }
    EXPECT_EQ(30, r[0].srcW);  // the whole image
    EXPECT_EQ(21, r[0].srcH);
    EXPECT_EQ(3, r[1].srcW);  // its top-left part
    EXPECT_EQ(0, r[1].srcX);
    EXPECT_EQ(30, r[2].srcW);
    EXPECT_FLOAT_EQ(2.0f, r[2].scale);
    EXPECT_FLOAT_EQ(1.0f, r[2].angle);
    EXPECT_EQ(3, r[3].srcX);
    EXPECT_EQ(6, r[3].srcH);
    EXPECT_TRUE(r[4].tinted);
    EXPECT_FLOAT_EQ(0.5f, r[4].a);
    EXPECT_EQ(21, r[4].srcH);
    EXPECT_FALSE(r[5].flipped);
    EXPECT_TRUE(r[6].flipped);
    EXPECT_FALSE(r[0].tinted);
}

TEST_F(Drawing, CentredImagesAreAnchoredByTheirAlignBits)
{
    struct Case {
        int align, x, y;
    };
    // 30 x 21 at (100, 100): halves of 15 and 10.
    const Case cases[] = {
        {0, 100, 100},  {2, 85, 100},  {4, 70, 100},  {6, 85, 100}, {8, 100, 90},
        {16, 100, 79},  {24, 100, 90}, {10, 85, 90},  {20, 70, 79}, {1, 100, 100},
    };
    for (const Case& c : cases) {
        graphics->ClearRecord();
        graphics->DrawImageCentered(7, 100, 100, c.align);
        ASSERT_EQ(1u, graphics->GetRecord().size());
        EXPECT_EQ(c.x, graphics->GetRecord()[0].x) << c.align;
        EXPECT_EQ(c.y, graphics->GetRecord()[0].y) << c.align;
    }
    // Halves truncate toward zero when the anchor is negative too.
    graphics->ClearRecord();
    graphics->DrawImageCentered(7, -1, -1, 10);
    EXPECT_EQ(-16, graphics->GetRecord()[0].x);
    EXPECT_EQ(-11, graphics->GetRecord()[0].y);
}

TEST_F(Drawing, RecordingCanBeStopped)
{
    graphics->StopRecording();
    graphics->DrawImage(7, 0, 0);
    EXPECT_TRUE(graphics->GetRecord().empty());
    EXPECT_FALSE(graphics->IsRecording());
}
