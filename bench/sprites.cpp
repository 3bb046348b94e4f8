// 10,000 sprites of 32 x 32 from one atlas into a 480 x 800 offscreen target per frame: the
// engine's blits through the batcher against a minimal hand-written GLES2 loop that draws the same
// quads from one buffer with one draw call. Prints ms per frame, draw calls per frame and the
// engine's frame rate as a ratio of the loop's.
#include <benchmark/benchmark.h>

#include "BestOfReporter.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <GLES2/gl2.h>

#include "base/SmartPtr.h"
#include "graphics/OpenGL.h"
#include "graphics/batcher/OpenGLBatcher.h"
#include "graphics/pixeldata/MemPixelData.h"
#include "graphics/playbook/PlaybookDisplay.h"
#include "graphics/surface/Surface.h"
#include "screen/screen.h"
#include "standin/standin.h"

using namespace Vorn;

namespace {

const int SPRITES = 10000;
const int SIZE = 32;
const int TARGET_W = 480;
const int TARGET_H = 800;
const int ATLAS = 256;  // 8 x 8 frames

struct Sprite {
    int x, y, frame;
};

const std::vector<Sprite>& Sprites()
{
    static const std::vector<Sprite> s_sprites = [] {
        std::mt19937 random(7);
        std::vector<Sprite> sprites(SPRITES);
        for (Sprite& s : sprites)
            s = Sprite{static_cast<int>(random() % (TARGET_W - SIZE)),
                       static_cast<int>(random() % (TARGET_H - SIZE)), static_cast<int>(random() % 64)};
        return sprites;
    }();
    return s_sprites;
}

// Atlas pixels as B, G, R, A: every frame a different translucent-edged tile.
MemPixelData* MakeAtlas()
{
    auto data = new MemPixelData(ATLAS, ATLAS, PF_RGBA8888);
    u8* p = data->Lock();
    for (int y = 0; y < ATLAS; ++y) {
        for (int x = 0; x < ATLAS; ++x, p += 4) {
            const int frame = (y / SIZE) * 8 + x / SIZE, fx = x % SIZE, fy = y % SIZE;
            p[0] = static_cast<u8>(frame * 4);
            p[1] = static_cast<u8>(fx * 8);
            p[2] = static_cast<u8>(fy * 8);
            p[3] = (fx == 0 || fy == 0 || fx == SIZE - 1 || fy == SIZE - 1) ? 128 : 255;
        }
    }
    return data;
}

bool StartGL()
{
    standin_set_backend(STANDIN_BACKEND_HEADLESS);
    screen_context_t context = nullptr;
    screen_window_t window = nullptr;
    if (screen_create_context(&context, SCREEN_APPLICATION_CONTEXT) != 0 ||
        screen_create_window(&window, context) != 0)
        return false;
    PlaybookDisplay::Create(context, window)->AddRef();  // kept for the process
    return static_cast<bool>(g_batcher);
}

void EngineFrames(benchmark::State& state)
{
    OpenGL::Init();  // a batcher whose caches match GL, whatever ran before
    auto batcher = static_cast<OpenGLBatcher*>(g_batcher.Get());
    SmartPtr<Surface> target(new Surface(TARGET_W, TARGET_H, PF_RGBA8888));
    SmartPtr<Surface> atlas(new Surface(MakeAtlas()));
    const std::vector<Sprite>& sprites = Sprites();
    batcher->ResetStats();
    for (auto _ : state) {
        target->Clear(Color{0, 0, 0, 255});
        for (const Sprite& s : sprites)
            target->Blit(static_cast<float>(s.x), static_cast<float>(s.y), atlas.Get(),
                         Rect{(s.frame % 8) * SIZE, (s.frame / 8) * SIZE, SIZE, SIZE});
        batcher->Flush();
        glFinish();
    }
    state.counters["draws/frame"] =
        static_cast<double>(batcher->GetStats().drawCalls) / static_cast<double>(state.iterations());
}

const char* const LOOP_VERTEX =
    "attribute vec2 pos; attribute vec2 uv; attribute vec4 colour;\n"
    "varying vec2 vUV; varying vec4 vColour;\n"
    "void main() { vUV = uv; vColour = colour;\n"
    "  gl_Position = vec4(pos.x * (2.0 / 480.0) - 1.0, pos.y * (2.0 / 800.0) - 1.0, 0.0, 1.0); }\n";
const char* const LOOP_FRAGMENT =
    "precision mediump float; uniform sampler2D tex; varying vec2 vUV; varying vec4 vColour;\n"
    "void main() { gl_FragColor = texture2D(tex, vUV) * vColour; }\n";

GLuint Compile(GLenum type, const char* source)
{
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// The same quads, drawn by the minimal loop a hand-written GLES2 renderer would have: vertex and
// index data built once, uploaded and drawn with one call per frame.
void HandLoopFrames(benchmark::State& state)
{
    GLuint program = glCreateProgram();
    glAttachShader(program, Compile(GL_VERTEX_SHADER, LOOP_VERTEX));
    glAttachShader(program, Compile(GL_FRAGMENT_SHADER, LOOP_FRAGMENT));
    glBindAttribLocation(program, 0, "pos");
    glBindAttribLocation(program, 1, "uv");
    glBindAttribLocation(program, 2, "colour");
    glLinkProgram(program);

    SmartPtr<MemPixelData> atlasPixels(MakeAtlas());
    std::vector<u8> rgba(atlasPixels->LockConst(), atlasPixels->LockConst() + ATLAS * ATLAS * 4);
    for (size_t i = 0; i < rgba.size(); i += 4)
        std::swap(rgba[i], rgba[i + 2]);
    GLuint texture = 0, target = 0, framebuffer = 0, buffers[2] = {};
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, ATLAS, ATLAS, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glGenTextures(1, &target);
    glBindTexture(GL_TEXTURE_2D, target);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 512, 1024, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
    glGenBuffers(2, buffers);

    struct Vertex {
        float x, y, u, v;
        u8 r, g, b, a;
    };
    std::vector<Vertex> vertices;
    std::vector<u16> indices;
    for (const Sprite& s : Sprites()) {
        const float x0 = static_cast<float>(s.x), y0 = static_cast<float>(s.y);
        const float u0 = static_cast<float>((s.frame % 8) * SIZE) / ATLAS;
        const float v0 = static_cast<float>((s.frame / 8) * SIZE) / ATLAS;
        const float d = static_cast<float>(SIZE) / ATLAS;
        const u16 n = static_cast<u16>(vertices.size());
        vertices.push_back({x0, y0, u0, v0, 255, 255, 255, 255});
        vertices.push_back({x0 + SIZE, y0, u0 + d, v0, 255, 255, 255, 255});
        vertices.push_back({x0 + SIZE, y0 + SIZE, u0 + d, v0 + d, 255, 255, 255, 255});
        vertices.push_back({x0, y0 + SIZE, u0, v0 + d, 255, 255, 255, 255});
        for (u16 i : {0, 1, 2, 0, 2, 3})
            indices.push_back(static_cast<u16>(n + i));
    }

    for (auto _ : state) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glViewport(0, 0, TARGET_W, TARGET_H);
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glUseProgram(program);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, texture);
        glEnable(GL_BLEND);
        glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)),
                     vertices.data(), GL_STREAM_DRAW);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(u16)),
                     indices.data(), GL_STREAM_DRAW);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(0));
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(8));
        glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex), reinterpret_cast<void*>(16));
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_SHORT, nullptr);
        glFinish();
    }
    state.counters["draws/frame"] = 1;

    glDeleteBuffers(2, buffers);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &target);
    glDeleteTextures(1, &texture);
    glDeleteProgram(program);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// The engine's frame rate as a ratio of the hand loop's, from the best run of each.
void PrintRatio(const BestOfReporter& reporter)
{
    const double engine = reporter.Best("engine");
    const double loop = reporter.Best("hand_loop");
    if (engine <= 0 || loop <= 0)
        return;
    std::printf("\n10,000 sprites per frame: engine %.2f ms, hand loop %.2f ms; engine rate / "
                "loop rate = %.3f (goal >= 0.8)\n",
                engine, loop, loop / engine);
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    if (!StartGL()) {
        std::fprintf(stderr, "no GL context\n");
        return 1;
    }
    benchmark::RegisterBenchmark("engine", &EngineFrames)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Repetitions(5);
    benchmark::RegisterBenchmark("hand_loop", &HandLoopFrames)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Repetitions(5);
    benchmark::Initialize(&argc, argv);
    BestOfReporter reporter(BestOfReporter::REAL_TIME);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatio(reporter);
    benchmark::Shutdown();
    return 0;
}
