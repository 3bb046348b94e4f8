#include <gtest/gtest.h>

#include <GLES2/gl2.h>

#include "support/HeadlessGL.h"
#include "application/AbstractApp.h"
#include "base/SmartPtr.h"
#include "graphics/OpenGL.h"
#include "graphics/batcher/OpenGLBatcher.h"
#include "graphics/batcher/ShaderLibrary.h"
#include "graphics/pixeldata/MemPixelData.h"
#include "graphics/pixeldata/PixelDataGL.h"
#include "graphics/playbook/PlaybookSurface.h"
#include "graphics/surface/Surface.h"

using namespace Vorn;
using VornTest::Image;
using VornTest::MakeRgbaSurface;
using VornTest::ReadPixels;

namespace {

const Batcher::Vertex V = {0, 0, 0, 0, 255, 255, 255, 255};

class BatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!VornTest::HeadlessScreen())
            GTEST_SKIP() << "no GL";
        batcher = static_cast<OpenGLBatcher*>(g_batcher.Get());
        target = new Surface(64, 64, PF_RGBA8888);
        texA = MakeRgbaSurface(4, 4, [](int, int) { return 0xFF0000FFu; });
        texB = MakeRgbaSurface(4, 4, [](int, int) { return 0x00FF00FFu; });
        // Opaque black: clearing an RGBA8888 surface leaves alpha 0.
        target->FillRect(0, 0, 64, 64, Color{0, 0, 0, 255});
        batcher->Flush();
        batcher->ResetStats();
    }

    // The state a blit of tex sets, without its quad.
    void Prepare(Surface* tex)
    {
        batcher->SetProgram(nullptr);
        batcher->SetTexturing(true);
        batcher->SetRenderTarget(target->GetPixelData(), 0);
        batcher->SetTexture(tex->GetPixelData(), 0, 255);
        batcher->SetClipRect(target->GetClipRect());
        batcher->SetBlendMode(Batcher::BLEND_ALPHA);
        batcher->SetColorKey(false, 0, 0, 0);
        batcher->SetLineMode(false);
    }

    u64 Draws() const { return batcher->GetStats().drawCalls; }

    OpenGLBatcher* batcher = nullptr;
    SmartPtr<Surface> target;
    SmartPtr<Surface> texA;
    SmartPtr<Surface> texB;
};

TEST_F(BatcherTest, VertexIsTheTwentyByteGLLayout)
{
    EXPECT_EQ(sizeof(Batcher::Vertex), 20u);
    EXPECT_EQ(offsetof(Batcher::Vertex, u), 8u);
    EXPECT_EQ(offsetof(Batcher::Vertex, r), 16u);
}

TEST_F(BatcherTest, OneTextureIsOneDrawAndATextureChangeStartsAnother)
{
    for (int i = 0; i < 10; ++i)
        target->Blit(static_cast<float>(i), 0, texA.Get(), Rect{0, 0, 4, 4});
    EXPECT_EQ(Draws(), 0u);
    target->Blit(0, 10, texB.Get(), Rect{0, 0, 4, 4});
    EXPECT_EQ(Draws(), 1u);
    EXPECT_EQ(batcher->GetStats().indices, 60u);
    target->Blit(0, 20, texB.Get(), Rect{0, 0, 4, 4});
    batcher->Flush();
    EXPECT_EQ(Draws(), 2u);
}

TEST_F(BatcherTest, EmptyFlushDrawsNothing)
{
    batcher->Flush();
    batcher->Flush();
    EXPECT_EQ(Draws(), 0u);
}

TEST_F(BatcherTest, UnchangedSettersDoNotSplitTheBatch)
{
    Prepare(texA.Get());
    batcher->AddQuad(V, V, V, V);
    Prepare(texA.Get());
    batcher->SetScale(1.0f);
    batcher->AddQuad(V, V, V, V);
    EXPECT_EQ(Draws(), 0u);
    EXPECT_EQ(batcher->GetPendingIndexBytes(), 24u);
    batcher->SetLineMode(true);
    EXPECT_EQ(Draws(), 1u);
}

TEST_F(BatcherTest, FullIndexArrayFlushesAtTheThresholds)
{
    Prepare(texA.Get());
    // 5458 triangles and two lines fill 32756 index bytes: a quad flushes first although its
    // 12 bytes would still fit.
    for (int i = 0; i < 5458; ++i)
        batcher->AddTriangle(V, V, V);
    batcher->AddLine(V, V);
    batcher->AddLine(V, V);
    ASSERT_EQ(batcher->GetPendingIndexBytes(), 32756u);
    batcher->AddQuad(V, V, V, V);
    EXPECT_EQ(Draws(), 1u);
    EXPECT_EQ(batcher->GetPendingIndexBytes(), 12u);

    batcher->Flush();
    batcher->ResetStats();
    for (int i = 0; i < 5459; ++i)  // 32754 bytes
        batcher->AddTriangle(V, V, V);
    batcher->AddQuad(V, V, V, V);
    EXPECT_EQ(Draws(), 0u);
    EXPECT_EQ(batcher->GetPendingIndexBytes(), 32766u);
    batcher->AddLine(V, V);  // above 32763: flush
    EXPECT_EQ(Draws(), 1u);
    EXPECT_EQ(batcher->GetPendingIndexBytes(), 4u);
}

TEST_F(BatcherTest, QuadsFillABatchOf2730)
{
    Prepare(texA.Get());
    for (int i = 0; i < 2731; ++i)
        batcher->AddQuad(V, V, V, V);
    EXPECT_EQ(Draws(), 1u);
    EXPECT_EQ(batcher->GetStats().indices, 2730u * 6);
    EXPECT_EQ(batcher->GetPendingIndexBytes(), 12u);
}

TEST_F(BatcherTest, PointsKeepLinePairsAlignedAcrossFlushes)
{
    batcher->SetTexturing(false);
    batcher->SetRenderTarget(target->GetPixelData(), 0);
    batcher->SetLineMode(true);
    // The first point of a batch only anchors the strip.
    batcher->AddPoint(V);
    EXPECT_EQ(batcher->GetPendingIndexBytes(), 0u);
    EXPECT_EQ(batcher->GetPendingVertices(), 1u);
    for (int i = 0; i < 8192; ++i)
        batcher->AddPoint(V);
    EXPECT_EQ(batcher->GetPendingIndexBytes(), 32768u);
    EXPECT_EQ(Draws(), 0u);
    // No room for a pair: the strip goes on from a copy of its last vertex.
    batcher->AddPoint(V);
    EXPECT_EQ(Draws(), 1u);
    EXPECT_EQ(batcher->GetStats().indices % 2, 0u);
    EXPECT_EQ(batcher->GetPendingVertices(), 2u);
    EXPECT_EQ(batcher->GetPendingIndexBytes(), 4u);
    // A lone anchor is no draw.
    batcher->Flush();
    batcher->AddPoint(V);
    batcher->Flush();
    EXPECT_EQ(Draws(), 2u);
}

TEST_F(BatcherTest, ClearDiscardsPendingGeometry)
{
    target->Blit(0, 0, texA.Get(), Rect{0, 0, 4, 4});
    target->Clear(Color{0, 0, 255, 255});
    batcher->Flush();
    EXPECT_EQ(Draws(), 0u);
    Image image = ReadPixels(target.Get());
    EXPECT_EQ(image.Pixel(1, 1), 0x0000FF00u);  // RGBA8888 clears to alpha 0
}

TEST_F(BatcherTest, DyingTargetDropsItsGeometryAndDyingTextureIsDrawnFirst)
{
    {
        SmartPtr<Surface> doomed(new Surface(16, 16, PF_RGBA8888));
        doomed->Blit(0, 0, texA.Get(), Rect{0, 0, 4, 4});
        ASSERT_GT(batcher->GetPendingVertices(), 0u);
    }
    EXPECT_EQ(batcher->GetPendingVertices(), 0u);
    EXPECT_EQ(Draws(), 0u);

    {
        SmartPtr<Surface> source(MakeRgbaSurface(2, 2, [](int, int) { return 0x123456FFu; }));
        target->Blit(5, 5, source.Get(), Rect{0, 0, 2, 2});
    }
    EXPECT_EQ(Draws(), 1u);
    Image image = ReadPixels(target.Get());
    EXPECT_EQ(image.Pixel(5, 5), 0x123456FFu);
    // The next target after a dropped one is bound in full.
    target->Blit(0, 0, texB.Get(), Rect{0, 0, 4, 4});
    image = ReadPixels(target.Get());
    EXPECT_EQ(image.Pixel(0, 0), 0x00FF00FFu);
}

TEST_F(BatcherTest, AdditiveModeKeepsBlendingWhateverTheAlpha)
{
    batcher->SetTexturing(false);
    batcher->SetRenderTarget(target->GetPixelData(), 0);
    batcher->SetBlendMode(Batcher::BLEND_ALPHA);
    batcher->SetAlpha(255);
    EXPECT_FALSE(batcher->IsBlending());
    batcher->SetBlendMode(Batcher::BLEND_ADDITIVE);
    batcher->SetAlpha(255);
    EXPECT_TRUE(batcher->IsBlending());
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    batcher->SetBlendMode(Batcher::BLEND_ALPHA);
    batcher->SetAlpha(128);
    EXPECT_TRUE(batcher->IsBlending());
    batcher->SetAlpha(255);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(BatcherTest, WindowScissorIsFlippedAndOffscreenIsNot)
{
    PlaybookSurface* screen = VornTest::HeadlessScreen();
    batcher->SetRenderTarget(screen->GetPixelData(), 0);
    batcher->SetClipRect(Rect{0, 0, 10, 10});
    GLint box[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[0], 0);
    EXPECT_EQ(box[1], screen->GetHeight() - 10);
    EXPECT_EQ(box[2], 10);
    EXPECT_EQ(box[3], 10);

    batcher->SetRenderTarget(target->GetPixelData(), 0);
    batcher->SetClipRect(Rect{0, 0, 10, 10});
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[1], 0);
}

TEST_F(BatcherTest, NewBatcherStartsFromKnownGLState)
{
    glEnable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    OpenGL::Init();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    // An opaque fill over red must replace it, not blend with it.
    SmartPtr<Surface> t(new Surface(8, 8, PF_RGBA8888));
    t->Clear(Color{255, 0, 0, 255});
    t->FillRect(0, 0, 8, 8, Color{0, 0, 255, 255});
    EXPECT_EQ(ReadPixels(t.Get()).Pixel(3, 3), 0x0000FFFFu);
}

TEST_F(BatcherTest, CallerProgramIsLeftBehindAtTheNextDrawing)
{
    SmartPtr<OpenGLShader> tint(new OpenGLShader);
    tint->SetSources(ShaderLibrary::TintVertex, ShaderLibrary::TintFragment);
    batcher->SetProgram(tint.Get());
    tint->SetUniform3f("vColor", 0.0f, 0.0f, 0.0f);
    batcher->SetTexturing(true);
    batcher->SetRenderTarget(target->GetPixelData(), 0);
    batcher->SetTexture(texA->GetPixelData(), 0, 255);
    batcher->SetClipRect(target->GetClipRect());
    const Batcher::Vertex a = {0, 0, 0, 0, 255, 255, 255, 255}, b = {4, 0, 0.99f, 0, 255, 255, 255, 255},
                          c = {4, 4, 0.99f, 0.99f, 255, 255, 255, 255}, d = {0, 4, 0, 0.99f, 255, 255, 255, 255};
    batcher->AddQuad(a, b, c, d);
    // The same texture, target and state again: only the program differs.
    target->Blit(10, 0, texA.Get(), Rect{0, 0, 4, 4});
    Image image = ReadPixels(target.Get());
    EXPECT_EQ(image.Pixel(1, 1), 0x000000FFu);    // tinted black
    EXPECT_EQ(image.Pixel(11, 1), 0xFF0000FFu);   // drawn with the built-in program
}

TEST_F(BatcherTest, AlphaTextureFlagFollowsEveryBind)
{
    // An A8 image bound while the colour key is on, then drawn plainly: the plain draw must use
    // the alpha program (white with the texel's alpha), not the one for colour textures (black).
    auto data = new MemPixelData(2, 2, PF_A8);
    std::fill(data->Lock(), data->Lock() + 4, 255);
    SmartPtr<Surface> mask(new Surface(data));
    texA->SetFlags(Surface::FLAG_COLORKEY);
    mask->SetFlags(Surface::FLAG_COLORKEY);
    target->Blit(0, 0, texA.Get(), Rect{0, 0, 2, 2});
    target->Blit(4, 0, mask.Get(), Rect{0, 0, 2, 2});
    mask->SetFlags(0);
    target->Blit(10, 0, mask.Get(), Rect{0, 0, 2, 2});
    Image image = ReadPixels(target.Get());
    EXPECT_EQ(image.Pixel(10, 0), 0xFFFFFFFFu);
    EXPECT_EQ(image.Pixel(11, 1), 0xFFFFFFFFu);
}

// A composite of a red colour texture and an alpha texture whose red channel is 0 (opaque).
SmartPtr<Surface> MakeRedComposite(SmartPtr<PixelDataGL>& colour)
{
    auto colourData = new MemPixelData(2, 2, PF_RGB888);
    auto alphaData = new MemPixelData(2, 2, PF_RGB888);
    for (int i = 0; i < 4; ++i) {
        colourData->Lock()[3 * i] = 0;  // B, G, R
        colourData->Lock()[3 * i + 1] = 0;
        colourData->Lock()[3 * i + 2] = 255;
    }
    std::fill(alphaData->Lock(), alphaData->Lock() + 12, 0);
    colour = new PixelDataGL(colourData);
    return SmartPtr<Surface>(new Surface(new PixelDataComposite(colour.Get(), new PixelDataGL(alphaData))));
}

TEST_F(BatcherTest, CompositeIsDrawnFromBothUnits)
{
    SmartPtr<PixelDataGL> colour;
    SmartPtr<Surface> composite = MakeRedComposite(colour);
    SmartPtr<Surface> colourOnly(new Surface(colour.Get()));
    target->Blit(0, 0, composite.Get(), Rect{0, 0, 2, 2});
    target->Blit(4, 0, colourOnly.Get(), Rect{0, 0, 2, 2});
    target->Blit(8, 0, texB.Get(), Rect{0, 0, 2, 2});
    target->Blit(12, 0, composite.Get(), Rect{0, 0, 2, 2});
    Image image = ReadPixels(target.Get());
    EXPECT_EQ(image.Pixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(image.Pixel(4, 0), 0xFF0000FFu);
    EXPECT_EQ(image.Pixel(8, 0), 0x00FF00FFu);
    EXPECT_EQ(image.Pixel(13, 1), 0xFF0000FFu);
}

TEST_F(BatcherTest, UploadingANewTargetDoesNotLeaveACompositeStale)
{
    SmartPtr<PixelDataGL> colour;
    SmartPtr<Surface> composite = MakeRedComposite(colour);
    target->Blit(0, 0, composite.Get(), Rect{0, 0, 2, 2});
    // The new target's texture is made (and bound on unit 0) before the composite is drawn again.
    SmartPtr<Surface> second(new Surface(8, 8, PF_RGBA8888));
    second->Blit(0, 0, composite.Get(), Rect{0, 0, 2, 2});
    Image image = ReadPixels(second.Get());
    EXPECT_EQ(image.Pixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(image.Pixel(1, 1), 0xFF0000FFu);
}

TEST_F(BatcherTest, TranslucentDrawingKeepsAnOpaqueTargetOpaque)
{
    SmartPtr<Surface> glass(MakeRgbaSurface(4, 4, [](int, int) { return 0xFFFFFF80u; }));
    target->Blit(0, 0, glass.Get(), Rect{0, 0, 4, 4});
    target->BlitAdditive(10, 0, glass.Get(), Rect{0, 0, 4, 4});
    target->FillRect(20, 0, 24, 4, Color{0, 255, 0, 64});
    Image image = ReadPixels(target.Get());
    EXPECT_TRUE(VornTest::Near(image, 1, 1, 0x808080FFu));
    EXPECT_TRUE(VornTest::Near(image, 11, 1, 0x808080FFu));
    EXPECT_TRUE(VornTest::Near(image, 21, 1, 0x004000FFu));
}

TEST_F(BatcherTest, SetViewportSetsTheTargetMapping)
{
    // y = 0 is the top row of an offscreen target as read back.
    target->FillRect(0, 0, 64, 1, Color{255, 255, 255, 255});
    Image image = ReadPixels(target.Get());
    EXPECT_EQ(image.Pixel(30, 0), 0xFFFFFFFFu);
    EXPECT_EQ(image.Pixel(30, 1), 0x000000FFu);
}

TEST_F(BatcherTest, ModeAndRecordsAreInert)
{
    batcher->SetMode(3);
    EXPECT_EQ(batcher->GetMode(), 3);
    EXPECT_TRUE(batcher->TakeRecords().empty());
    batcher->SetMode(0);
}

}  // namespace
