#include <gtest/gtest.h>

#include <GLES2/gl2.h>

#include "support/HeadlessGL.h"
#include "graphics/OpenGL.h"
#include "graphics/batcher/Batcher.h"

using namespace Vorn;

namespace {

TEST(OpenGLExtensions, SplitAtAnyWhiteSpaceWithoutEmptyNames)
{
    OpenGL::AddExtensions("  TEST_one   TEST_two\tTEST_three\n ");
    EXPECT_TRUE(OpenGL::HasExtension("TEST_one"));
    EXPECT_TRUE(OpenGL::HasExtension("TEST_two"));
    EXPECT_TRUE(OpenGL::HasExtension("TEST_three"));
    EXPECT_FALSE(OpenGL::HasExtension(""));
    EXPECT_FALSE(OpenGL::HasExtension(" "));
    EXPECT_FALSE(OpenGL::HasExtension(nullptr));
    OpenGL::AddExtensions(nullptr);
}

TEST(OpenGLExtensions, MatchWholeNamesOnly)
{
    OpenGL::AddExtensions("TEST_prefix_and_more");
    EXPECT_FALSE(OpenGL::HasExtension("TEST_prefix"));
    EXPECT_FALSE(OpenGL::HasExtension("TEST_prefix_and_more_still"));
    EXPECT_TRUE(OpenGL::HasExtension("TEST_prefix_and_more"));
}

TEST(OpenGLSetUp, ReadsTheContextAndSetsTightUnpacking)
{
    if (!VornTest::HeadlessScreen())
        GTEST_SKIP() << "no GL";
    const OpenGL::Capabilities& caps = OpenGL::GetCaps();
    EXPECT_EQ(caps.fbo, 1);
    EXPECT_EQ(caps.vbo, 1);
    EXPECT_EQ(caps.glsl, 1);
    EXPECT_GE(caps.texsize, 2048);
    EXPECT_GE(caps.tmu, 2);
    EXPECT_EQ(OpenGL::GetMaxTextureSize(), caps.texsize);
    EXPECT_FALSE(OpenGL::GetVendor().empty());
    EXPECT_FALSE(OpenGL::GetRenderer().empty());
    EXPECT_FALSE(OpenGL::GetVersion().empty());
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 1);
}

TEST(OpenGLSetUp, ShutdownDropsTheBatcherAndASecondSetUpKeepsTheExtensions)
{
    if (!VornTest::HeadlessScreen())
        GTEST_SKIP() << "no GL";
    OpenGL::AddExtensions("TEST_from_before");
    Batcher* first = g_batcher.Get();
    ASSERT_NE(first, nullptr);
    OpenGL::Shutdown();
    EXPECT_EQ(g_batcher.Get(), nullptr);
    OpenGL::Init();
    ASSERT_NE(g_batcher.Get(), nullptr);
    EXPECT_TRUE(OpenGL::HasExtension("TEST_from_before"));
}

}  // namespace
