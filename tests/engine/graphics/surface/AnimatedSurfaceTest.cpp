// Animation descriptions loaded through the image factory, stepped by time and by script.
#include <gtest/gtest.h>

extern "C" {
#include <lua.h>
}

#include "base/AssetDict.h"
#include "base/Lua.h"
#include "graphics/image/ImageLoader.h"
#include "graphics/surface/AnimatedSurface.h"
#include "support/ImageEncode.h"
#include "support/MemoryMount.h"
#include "vfs/Vfs.h"

using namespace Vorn;
using namespace VornTest;

namespace {

class AnimatedSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mount = MemoryMount::Install("a/");
        mount->Add("one.png", EncodePngRgb(2, 3, std::vector<u8>(2 * 3 * 3, 10), false));
        mount->Add("two.png", EncodePngRgb(4, 1, std::vector<u8>(4 * 1 * 3, 20), false));
    }
    void TearDown() override
    {
        g_assetDict = nullptr;
        Vfs::Shutdown();
    }

    // The animation of an XML text, through the factory; null when it gives none.
    SmartPtr<AnimatedSurface> Load(const std::string& xml)
    {
        mount->Add("anim.xml", xml);
        SmartPtr<Surface> surface(ImageLoader::Load(NarrowString("a/anim.xml")));
        return SmartPtr<AnimatedSurface>(dynamic_cast<AnimatedSurface*>(surface.Get()));
    }

    MemoryMount* mount = nullptr;
};

const char* const TWO_FRAMES =
    "<?xml version=\"1.0\"?><anim loop=\"%s\">"
    "<frame image=\"a/one.png\" time=\"100\" x=\"3\" y=\"-2\"/><frame image=\"a/two.png\" time=\"100\"/></anim>";

std::string TwoFrames(const char* loop)
{
    char text[512];
    std::snprintf(text, sizeof text, TWO_FRAMES, loop);
    return text;
}

}  // namespace

TEST_F(AnimatedSurfaceTest, StepsOnceByFrameTimesAndStopsAfterTheLast)
{
    SmartPtr<AnimatedSurface> anim = Load(TwoFrames("false"));
    ASSERT_TRUE(anim);
    EXPECT_EQ(2u, anim->GetFrameCount());
    EXPECT_EQ(0u, anim->GetCurrentFrame());
    EXPECT_EQ(2, anim->GetWidth());
    EXPECT_EQ(3, anim->GetDrawOffsetX());
    EXPECT_EQ(-2, anim->GetDrawOffsetY());
    EXPECT_EQ(255, anim->GetAlpha());

    // One step however large dt is; the overshoot is dropped.
    EXPECT_TRUE(anim->Update(0.25f));
    EXPECT_EQ(1u, anim->GetCurrentFrame());
    EXPECT_FLOAT_EQ(0.1f, anim->GetTimeLeft());
    EXPECT_EQ(4, anim->GetWidth());
    EXPECT_EQ(0, anim->GetDrawOffsetX());
    EXPECT_EQ(anim->GetFrame(1)->surface->GetPixelData(), anim->GetPixelData());
    EXPECT_TRUE(anim->Update(0.05f));
    EXPECT_EQ(1u, anim->GetCurrentFrame());
    EXPECT_FALSE(anim->Update(0.1f));
    EXPECT_FALSE(anim->Update(0.0f));
    EXPECT_EQ(1u, anim->GetCurrentFrame());
}

TEST_F(AnimatedSurfaceTest, LoopsBackToTheFirstFrame)
{
    SmartPtr<AnimatedSurface> anim = Load(TwoFrames("true"));
    ASSERT_TRUE(anim);
    EXPECT_TRUE(anim->Update(0.25f));
    EXPECT_TRUE(anim->Update(0.15f));
    EXPECT_EQ(0u, anim->GetCurrentFrame());
    EXPECT_EQ(3, anim->GetDrawOffsetX());
    // dt 0 never steps, even from a frame of time 0.
    SmartPtr<AnimatedSurface> zero =
        Load("<?xml version=\"1.0\"?><a><frame image=\"a/one.png\" time=\"0\"/><frame image=\"a/two.png\" time=\"0\"/></a>");
    ASSERT_TRUE(zero);
    EXPECT_TRUE(zero->Update(0.0f));
    EXPECT_EQ(0u, zero->GetCurrentFrame());
    EXPECT_TRUE(zero->Update(0.001f));
    EXPECT_EQ(1u, zero->GetCurrentFrame());
}

TEST_F(AnimatedSurfaceTest, DescriptionsThatCannotShowAFrameGiveNoSurface)
{
    EXPECT_FALSE(Load("<?xml version=\"1.0\"?><anim/>"));
    EXPECT_FALSE(Load("<?xml version=\"1.0\"?><anim><frame image=\"a/one.png\"/></anim>"));
    EXPECT_FALSE(Load("<?xml version=\"1.0\"?><anim><frame image=\"a/one.png\" time=\"\"/></anim>"));
    EXPECT_FALSE(Load("<?xml version=\"1.0\"?><anim><frame image=\"a/none.png\" time=\"5\"/></anim>"));
    EXPECT_FALSE(Load("<?xml version=\"1.0\"?><anim><frame time=\"5\"/></anim>"));
    EXPECT_FALSE(Load("<?xml version=\"1.0\"?><anim><frame image=\"a/one.png\" time=\"5\"/>"
                      "<frame image=\"a/none.png\" time=\"5\"/></anim>"));
    EXPECT_FALSE(Load("<?xml version=\"1.0\"?><anim><frame image=\"a/one.png\" time=\"5\"></anim>"));
    // An animation whose frame is itself.
    EXPECT_FALSE(Load("<?xml version=\"1.0\"?><anim><frame image=\"a/anim.xml\" time=\"5\"/></anim>"));
    // Absent offsets are 0; a nested animation is a frame like any other.
    mount->Add("inner.xml", TwoFrames("false"));
    SmartPtr<AnimatedSurface> outer =
        Load("<?xml version=\"1.0\"?><anim><frame image=\"a/inner.xml\" time=\"0x10\"/></anim>");
    ASSERT_TRUE(outer);
    EXPECT_EQ(0, outer->GetDrawOffsetX());
    EXPECT_FLOAT_EQ(0.016f, outer->GetFrame(0)->seconds);
}

TEST_F(AnimatedSurfaceTest, NamedAssetsAreUsedWithTheirPieces)
{
    g_assetDict = new AssetDict();
    SmartPtr<Surface> named(new Surface(8, 8, PF_RGBA8888));
    named->AllocPieces(2);
    named->SetPiece(1, SurfacePiece{3, 4, 5, 6, 3, 4, 0, 0, 0});
    ASSERT_TRUE(g_assetDict->AddAsset<Surface>("frame:star", named.Get()));
    SmartPtr<AnimatedSurface> anim =
        Load("<?xml version=\"1.0\"?><anim><frame image=\"frame:star\" time=\"10\"/></anim>");
    ASSERT_TRUE(anim);
    EXPECT_EQ(named.Get(), anim->GetFrame(0)->surface.Get());
    EXPECT_EQ(2u, anim->GetPieceCount());
    EXPECT_EQ(5, anim->GetPieces()[1].w);
    // The animation's pieces are its own copy: setting one leaves the frame's picture alone, and
    // the picture keeps its array when the animation goes.
    anim->SetPiece(1, SurfacePiece{});
    EXPECT_EQ(5, named->GetPieces()[1].w);
    anim = nullptr;
    EXPECT_EQ(2u, named->GetPieceCount());
}

TEST_F(AnimatedSurfaceTest, ScriptsChooseFramesThroughTheirFunctions)
{
    mount->Add("s.lua",
               "calls = 0\n"
               "function Update(dt)\n"
               "  calls = calls + 1\n"
               "  if FrameTime(5) ~= nil then return 0 end\n"
               "  SetFrame(99)\n"
               "  if FrameNum() == 0 and NumFrames() == 2 and FrameTime(1) > 0.099 then SetFrame(1) end\n"
               "  SetAlpha(state)\n"
               "  if dt > 1 then return 0 end\n"
               "  return 1\n"
               "end\n"
               "state = 300\n"
               "function SetState(n) state = n end\n");
    SmartPtr<AnimatedSurface> anim = Load(
        "<?xml version=\"1.0\"?><anim script=\"a/s.lua\"><frame image=\"a/one.png\" time=\"100\"/>"
        "<frame image=\"a/two.png\" time=\"100\"/></anim>");
    ASSERT_TRUE(anim);
    ASSERT_TRUE(anim->GetScript());
    lua_State* state = anim->GetScript()->GetState();
    const int top = lua_gettop(state);
    EXPECT_TRUE(anim->Update(0.5f));
    EXPECT_EQ(1u, anim->GetCurrentFrame());
    EXPECT_EQ(44, anim->GetAlpha());
    anim->SetState(-1);
    EXPECT_FALSE(anim->Update(2.0f));  // the current result, not the first one
    EXPECT_EQ(255, anim->GetAlpha());
    for (int i = 0; i < 100; ++i)
        anim->Update(0.01f);
    EXPECT_EQ(top, lua_gettop(state));

    // A copy plays by frame times and has no script.
    AnimatedSurface copy(*anim);
    EXPECT_FALSE(copy.GetScript());
    EXPECT_EQ(0u, copy.GetCurrentFrame());
    EXPECT_TRUE(copy.Update(0.2f));
    EXPECT_EQ(1u, copy.GetCurrentFrame());
    EXPECT_EQ(1u, anim->GetCurrentFrame());
}

TEST_F(AnimatedSurfaceTest, ScriptErrorsAndMissingScriptsEndQuietly)
{
    mount->Add("bad.lua", "function Update(dt) error('no') end");
    SmartPtr<AnimatedSurface> failing = Load(
        "<?xml version=\"1.0\"?><anim script=\"a/bad.lua\"><frame image=\"a/one.png\" time=\"1\"/></anim>");
    ASSERT_TRUE(failing);
    const int top = lua_gettop(failing->GetScript()->GetState());
    EXPECT_FALSE(failing->Update(0.1f));
    EXPECT_EQ(top, lua_gettop(failing->GetScript()->GetState()));
    SmartPtr<AnimatedSurface> missing = Load(
        "<?xml version=\"1.0\"?><anim script=\"a/none.lua\"><frame image=\"a/one.png\" time=\"1\"/></anim>");
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->Update(0.1f));
    missing->SetState(3);
    EXPECT_EQ(0u, missing->GetCurrentFrame());
}
