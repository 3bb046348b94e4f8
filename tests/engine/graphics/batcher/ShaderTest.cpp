#include <gtest/gtest.h>

#include <GLES2/gl2.h>

#include "support/HeadlessGL.h"
#include "base/SmartPtr.h"
#include "graphics/batcher/OpenGLShader.h"
#include "graphics/batcher/ShaderLibrary.h"

using namespace Vorn;

namespace {

class ShaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!VornTest::HeadlessScreen())
            GTEST_SKIP() << "no GL";
    }
};

struct Pair {
    const char* name;
    const char* vertex;
    const char* fragment;
    bool twoTextures;
};

// Every pairing the engine builds, and the blur pair that nothing builds yet.
std::vector<Pair> AllPairs()
{
    namespace L = ShaderLibrary;
    return {{"ColorKey", L::ColorKeyVertex, L::ColorKeyFragment, false},
            {"Texturing", L::TexturingCommonVertex, L::TexturingFragment, false},
            {"CompositeTexturing", L::TexturingCommonVertex, L::CompositeTexturingFragment, true},
            {"AlphaTexturing", L::TexturingCommonVertex, L::AlphaTexturingFragment, false},
            {"Solid", L::SolidVertex, L::SolidFragment, false},
            {"Debug", L::DebugVertex, L::DebugFragment, false},
            {"Tint", L::TintVertex, L::TintFragment, false},
            {"BlurHorizontal", L::BlurHorizontalVertex, L::BlurFragment, false},
            {"BlurVertical", L::BlurVerticalVertex, L::BlurFragment, false}};
}

TEST_F(ShaderTest, EveryLibraryProgramCompilesAndLinks)
{
    for (const Pair& pair : AllPairs()) {
        SmartPtr<OpenGLShader> shader(new OpenGLShader(pair.twoTextures));
        shader->SetSources(pair.vertex, pair.fragment);
        EXPECT_TRUE(shader->Link()) << pair.name;
        GLint status = GL_FALSE;
        glGetProgramiv(shader->GetProgram(), GL_LINK_STATUS, &status);
        EXPECT_EQ(status, GL_TRUE) << pair.name;
        EXPECT_EQ(glGetAttribLocation(shader->GetProgram(), "inPos"), OpenGLShader::ATTRIB_POSITION)
            << pair.name;
        EXPECT_NE(glGetUniformLocation(shader->GetProgram(), "screen"), -1) << pair.name;
    }
}

TEST_F(ShaderTest, EveryPositionMacroCompiles)
{
    for (const char* macro : ShaderLibrary::PositionMacro) {
        OpenGLShader shader;
        GLuint name = 0;
        std::string source = std::string(macro) + ShaderLibrary::SolidVertex;
        EXPECT_TRUE(shader.CompileShader(name, source.c_str(), OpenGLShader::VERTEX_SHADER)) << macro;
        glDeleteShader(name);
    }
}

TEST_F(ShaderTest, BrokenSourceFailsToLinkButKeepsItsName)
{
    SmartPtr<OpenGLShader> shader(new OpenGLShader);
    shader->SetSources(ShaderLibrary::SolidVertex, "void main() { gl_FragColor = nope; }\n");
    EXPECT_FALSE(shader->Link());
    EXPECT_NE(shader->GetProgram(), 0u);
}

TEST_F(ShaderTest, CompileShaderRefusesUnknownTypes)
{
    OpenGLShader shader;
    GLuint name = 12345;
    EXPECT_FALSE(shader.CompileShader(name, ShaderLibrary::SolidFragment, 2));
    EXPECT_EQ(name, 12345u);
}

TEST_F(ShaderTest, LinksOnceAndAgainAfterReleaseAll)
{
    SmartPtr<OpenGLShader> shader(new OpenGLShader);
    shader->SetSources(ShaderLibrary::SolidVertex, ShaderLibrary::SolidFragment);
    EXPECT_EQ(shader->GetProgram(), 0u);
    shader->Use();
    const GLuint first = shader->GetProgram();
    ASSERT_NE(first, 0u);
    shader->Use();
    EXPECT_EQ(shader->GetProgram(), first);

    OpenGLShader::ReleaseAll();
    EXPECT_EQ(shader->GetProgram(), 0u);
    shader->Use();
    EXPECT_NE(shader->GetProgram(), 0u);
    EXPECT_TRUE(glIsProgram(shader->GetProgram()));
    // The batcher's own programs were released too; its next use links them again.
}

TEST_F(ShaderTest, DestroyedProgramsLeaveTheLiveSet)
{
    const size_t before = OpenGLShader::GetLiveCount();
    {
        SmartPtr<OpenGLShader> a(new OpenGLShader);
        SmartPtr<OpenGLShader> b(new OpenGLShader(true));
        EXPECT_EQ(OpenGLShader::GetLiveCount(), before + 2);
    }
    EXPECT_EQ(OpenGLShader::GetLiveCount(), before);
    OpenGLShader::ReleaseAll();  // must not touch the destroyed ones
}

}  // namespace
