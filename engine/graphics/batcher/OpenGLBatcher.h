// The batcher over OpenGL ES 2.0: one vertex array and one 16-bit index array, drawn with a
// single glDrawElements whenever the state really changes, the arrays are full, or somebody
// flushes. Every setter compares with a cached value and does nothing when it is unchanged.
#pragma once

#include <GLES2/gl2.h>

#include "graphics/batcher/Batcher.h"
#include "graphics/batcher/OpenGLShader.h"

namespace Vorn {

class PixelDataGL;

class OpenGLBatcher final : public Batcher {
public:
    static constexpr size_t VERTEX_CAPACITY = 16384;
    static constexpr size_t INDEX_CAPACITY = 16384;
    static constexpr size_t INDEX_BYTES = INDEX_CAPACITY * sizeof(u16);

    // Counters of what reached GL, for tests and benchmarks.
    struct Stats {
        u64 drawCalls;
        u64 indices;
        u64 vertices;
    };

    // Needs a current context and OpenGL::Init's capabilities.
    OpenGLBatcher();
    ~OpenGLBatcher() override;

    void SetTexture(PixelData* texture, u32 flags, u8 alpha) override;
    void SetRenderTarget(PixelData* target, u32 flags) override;
    void SetBlendMode(int mode) override;
    void SetColorKey(bool on, float r, float g, float b) override;
    void SetClipRect(const Rect& rect) override;
    void SetTexturing(bool on) override;
    void SetLineMode(bool on) override;
    void SetAlpha(u8 alpha) override;
    void Flush() override;
    void DropPixelData(PixelData* pixelData) override;
    void Clear(float r, float g, float b, float a) override;
    void AddPoint(const Vertex& a) override;
    void AddLine(const Vertex& a, const Vertex& b) override;
    void AddTriangle(const Vertex& a, const Vertex& b, const Vertex& c) override;
    void AddQuad(const Vertex& a, const Vertex& b, const Vertex& c, const Vertex& d) override;
    bool SetScale(float scale) override;

    void SetProgram(OpenGLShader* program) override;
    // Makes program current (linking it when needed) with the viewport of the current target.
    void UseProgram(OpenGLShader* program);
    // Sets the "screen" uniform of program for a target of this size and the GL viewport. The
    // window (framebuffer 0) has y = 0 at its top edge; an offscreen target has y = 0 at texture
    // row 0.
    void SetViewport(s32 width, s32 height, s32 framebuffer, OpenGLShader* program, float scale);
    void DrawBatch();

    // Operations without callers in the engine, kept for post-processes.
    void ReapplyProgram();
    void BindTextureUnit(int unit, PixelDataGL* texture, u32 flags);
    void ApplyBlendMode(int mode);
    void SelectTexturingProgram(bool on);

    const Stats& GetStats() const { return m_stats; }
    void ResetStats() { m_stats = Stats(); }
    size_t GetPendingIndexBytes() const { return m_indexCount * sizeof(u16); }
    size_t GetPendingVertices() const { return m_vertexCount; }
    OpenGLShader* GetCurrentProgram() const { return m_currentProgram; }
    bool IsBlending() const { return m_blendingOn != 0; }

    // The built-in programs, in construction order.
    enum BuiltinProgram { COLOR_KEY, TEXTURING, COMPOSITE_TEXTURING, ALPHA_TEXTURING, SOLID, DEBUG,
                          BUILTIN_COUNT };
    OpenGLShader* GetBuiltinProgram(BuiltinProgram which) const { return m_programs[which].Get(); }

private:
    bool IsWindow(s32 framebuffer) const { return framebuffer == 0; }
    void ResetArrays();
    void PushVertex(const Vertex& v);
    void PushIndex(u32 index) { m_indices[m_indexCount++] = static_cast<u16>(index); }
    bool Fits(size_t m_vertices, size_t indexBytes) const;
    void SelectBuiltinProgram();
    void SetBlending(bool on);
    bool BlendingNeeded() const;
    void ApplyBlendFunc(int mode);
    void ForgetTextures();

    PixelData* m_currentTarget;
    GLuint m_vertexBuffer;
    GLuint m_indexBuffer;
    Vertex* m_vertices;
    u16* m_indices;
    size_t m_indexCount;
    u32 m_vertexCount;
    GLuint m_currentTexture;   // unit 0
    GLuint m_currentTexture2;  // unit 1 (a composite's colour)
    s32 m_currentFramebuffer;
    int m_blendMode;
    u8 m_blendingOn;
    u8 m_compositeBound;
    u8 m_colorKeyOn;
    u8 m_alphaTextureBound;
    u8 m_textureNeedsBlending;  // the bound texture has alpha bits or its surface alpha is not 255
    float m_keyR, m_keyG, m_keyB;
    u8 m_clearR, m_clearG, m_clearB, m_clearA;
    Rect m_clipCache;
    s32 m_targetHeight;
    s32 m_targetWidth;
    u8 m_texturingOn;
    u8 m_lineModeOn;
    u8 m_shadersAvailable;
    SmartPtr<OpenGLShader> m_programs[BUILTIN_COUNT];
    OpenGLShader* m_currentProgram;
    u8 m_userProgramActive;
    GLuint m_currentProgramName;
    u8 m_vendorIsIntel;
    u8 m_buffersUsed;
    const void* m_drawIndexPointer;
    GLenum m_bufferUsage;
    u32 m_viewportWidth;
    u32 m_viewportHeight;
    float m_viewportScale;
    Stats m_stats;
};

}  // namespace Vorn
