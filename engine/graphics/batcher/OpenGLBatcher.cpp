#include "graphics/batcher/OpenGLBatcher.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "graphics/OpenGL.h"
#include "graphics/batcher/ShaderLibrary.h"
#include "graphics/pixeldata/PixelDataGL.h"

namespace Vorn {

namespace {

// Index bytes in use above which each add operation flushes first.
const size_t QUAD_LIMIT = 32755;
const size_t TRIANGLE_LIMIT = 32761;
const size_t LINE_LIMIT = 32763;

struct ProgramSources {
    const char* const* vertex;
    const char* const* fragment;
    bool twoTextures;
};

// Indexed by OpenGLBatcher::BuiltinProgram.
const ProgramSources BUILTIN_SOURCES[] = {
    {&ShaderLibrary::ColorKeyVertex, &ShaderLibrary::ColorKeyFragment, false},
    {&ShaderLibrary::TexturingCommonVertex, &ShaderLibrary::TexturingFragment, false},
    {&ShaderLibrary::TexturingCommonVertex, &ShaderLibrary::CompositeTexturingFragment, true},
    {&ShaderLibrary::TexturingCommonVertex, &ShaderLibrary::AlphaTexturingFragment, false},
    {&ShaderLibrary::SolidVertex, &ShaderLibrary::SolidFragment, false},
    {&ShaderLibrary::DebugVertex, &ShaderLibrary::DebugFragment, false},
};
static_assert(sizeof(BUILTIN_SOURCES) / sizeof(BUILTIN_SOURCES[0]) == OpenGLBatcher::BUILTIN_COUNT,
              "one source pair per built-in program");

// The framebuffer cache holds this when GL's binding is not known (after the bound framebuffer
// was deleted), so that the next render target is bound in full.
const s32 UNKNOWN_FRAMEBUFFER = -2;

u8 ToByte(float c)
{
    const float v = c * 255.0f;
    if (!(v > 0.0f))
        return 0;
    return v >= 255.0f ? 255 : static_cast<u8>(v);
}

}  // namespace

OpenGLBatcher::OpenGLBatcher()
    : m_currentTarget(nullptr), m_vertexBuffer(0), m_indexBuffer(0), m_vertices(nullptr), m_indices(nullptr),
      m_indexCount(0), m_vertexCount(0), m_currentTexture(0), m_currentTexture2(0), m_currentFramebuffer(0),
      m_blendMode(BLEND_ALPHA), m_blendingOn(0), m_compositeBound(0), m_colorKeyOn(0),
      m_alphaTextureBound(0), m_textureNeedsBlending(0), m_keyR(0), m_keyG(0), m_keyB(0), m_clearR(0),
      m_clearG(0), m_clearB(0), m_clearA(0), m_clipCache{0, 0, 0, 0}, m_targetHeight(0), m_targetWidth(0),
      m_texturingOn(0), m_lineModeOn(0), m_shadersAvailable(0), m_currentProgram(nullptr),
      m_userProgramActive(0), m_currentProgramName(0), m_vendorIsIntel(0), m_buffersUsed(0),
      m_drawIndexPointer(nullptr), m_bufferUsage(GL_STREAM_DRAW), m_viewportWidth(0), m_viewportHeight(0),
      m_viewportScale(1.0f), m_stats()
{
    m_vertices = new Vertex[VERTEX_CAPACITY];
    m_indices = new u16[INDEX_CAPACITY];

    for (int i = 0; i < BUILTIN_COUNT; ++i)
        m_programs[i] = new OpenGLShader(BUILTIN_SOURCES[i].twoTextures);
    m_vendorIsIntel = OpenGL::GetVendor() == "Intel";

    const OpenGL::Capabilities& caps = OpenGL::GetCaps();
    if (caps.vbo && !m_vendorIsIntel) {
        m_buffersUsed = 1;
        glGenBuffers(1, &m_vertexBuffer);
        glGenBuffers(1, &m_indexBuffer);
        glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
        m_drawIndexPointer = nullptr;
    } else {
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        m_drawIndexPointer = m_indices;
    }

    if (caps.glsl) {
        m_shadersAvailable = 1;
        for (int i = 0; i < BUILTIN_COUNT; ++i)
            m_programs[i]->SetSources(*BUILTIN_SOURCES[i].vertex, *BUILTIN_SOURCES[i].fragment);
        m_currentProgram = m_programs[TEXTURING].Get();
        m_currentProgram->Use();
        m_currentProgramName = m_currentProgram->GetProgram();
    }

    const char* base = m_buffersUsed ? nullptr : reinterpret_cast<const char*>(m_vertices);
    const GLsizei stride = sizeof(Vertex);
    glEnableVertexAttribArray(OpenGLShader::ATTRIB_POSITION);
    glEnableVertexAttribArray(OpenGLShader::ATTRIB_UV);
    glEnableVertexAttribArray(OpenGLShader::ATTRIB_COLOR);
    glVertexAttribPointer(OpenGLShader::ATTRIB_POSITION, 2, GL_FLOAT, GL_FALSE, stride,
                          base + offsetof(Vertex, x));
    glVertexAttribPointer(OpenGLShader::ATTRIB_UV, 2, GL_FLOAT, GL_FALSE, stride,
                          base + offsetof(Vertex, u));
    glVertexAttribPointer(OpenGLShader::ATTRIB_COLOR, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          base + offsetof(Vertex, r));

    // GL keeps its state across batchers (a new one comes with every window surface): bring it
    // in line with this batcher's caches, so that no cached "unchanged" hides a different state.
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDisable(GL_BLEND);
    ApplyBlendFunc(BLEND_ALPHA);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 0, 0);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);

    m_bufferUsage = GL_STREAM_DRAW;
    m_texturingOn = 1;
    SelectBuiltinProgram();
}

OpenGLBatcher::~OpenGLBatcher()
{
    glDisableVertexAttribArray(OpenGLShader::ATTRIB_POSITION);
    glDisableVertexAttribArray(OpenGLShader::ATTRIB_UV);
    glDisableVertexAttribArray(OpenGLShader::ATTRIB_COLOR);
    if (m_buffersUsed) {
        glDeleteBuffers(1, &m_vertexBuffer);
        glDeleteBuffers(1, &m_indexBuffer);
    }
    delete[] m_vertices;
    delete[] m_indices;
    for (int i = BUILTIN_COUNT - 1; i >= 0; --i)
        m_programs[i] = nullptr;
}

// Geometry.

void OpenGLBatcher::ResetArrays()
{
    m_vertexCount = 0;
    m_indexCount = 0;
}

bool OpenGLBatcher::Fits(size_t newVertices, size_t limit) const
{
    return m_indexCount * sizeof(u16) <= limit && m_vertexCount + newVertices <= VERTEX_CAPACITY;
}

void OpenGLBatcher::PushVertex(const Vertex& v)
{
    m_vertices[m_vertexCount++] = v;
}

void OpenGLBatcher::AddQuad(const Vertex& a, const Vertex& b, const Vertex& c, const Vertex& d)
{
    if (!Fits(4, QUAD_LIMIT))
        Flush();
    const u32 n = m_vertexCount;
    PushVertex(a);
    PushVertex(b);
    PushVertex(c);
    PushVertex(d);
    PushIndex(n);
    PushIndex(n + 1);
    PushIndex(n + 2);
    PushIndex(n);
    PushIndex(n + 2);
    PushIndex(n + 3);
}

void OpenGLBatcher::AddTriangle(const Vertex& a, const Vertex& b, const Vertex& c)
{
    if (!Fits(3, TRIANGLE_LIMIT))
        Flush();
    const u32 n = m_vertexCount;
    PushVertex(a);
    PushVertex(b);
    PushVertex(c);
    PushIndex(n);
    PushIndex(n + 1);
    PushIndex(n + 2);
}

void OpenGLBatcher::AddLine(const Vertex& a, const Vertex& b)
{
    if (!Fits(2, LINE_LIMIT))
        Flush();
    const u32 n = m_vertexCount;
    PushVertex(a);
    PushVertex(b);
    PushIndex(n);
    PushIndex(n + 1);
}

void OpenGLBatcher::AddPoint(const Vertex& a)
{
    if (m_vertexCount == 0) {
        // The first point of a batch has no segment to draw yet: it only anchors the next one.
        // An index of its own would pair every later segment with the wrong vertex.
        PushVertex(a);
        return;
    }
    if (!Fits(1, INDEX_BYTES - 2 * sizeof(u16))) {
        // The strip goes on in the next batch from a copy of its last vertex, so that no segment
        // is lost at the flush.
        const Vertex previous = m_vertices[m_vertexCount - 1];
        Flush();
        PushVertex(previous);
    }
    const u32 n = m_vertexCount;
    PushVertex(a);
    PushIndex(n);
    PushIndex(n - 1);
}

void OpenGLBatcher::Flush()
{
    if (m_indexCount != 0)
        DrawBatch();
    else
        ResetArrays();  // a lone anchor point draws nothing
}

void OpenGLBatcher::DrawBatch()
{
    if (m_indexCount != 0) {
        if (m_buffersUsed) {
            // Bound again each time: a post-process or a caller may have bound buffers of its own.
            glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_vertexCount * sizeof(Vertex)),
                         m_vertices, m_bufferUsage);
            glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                         static_cast<GLsizeiptr>(m_indexCount * sizeof(u16)), m_indices, m_bufferUsage);
        }
        glDrawElements(m_lineModeOn ? GL_LINES : GL_TRIANGLES, static_cast<GLsizei>(m_indexCount),
                       GL_UNSIGNED_SHORT, m_drawIndexPointer);
        ++m_stats.drawCalls;
        m_stats.indices += m_indexCount;
        m_stats.vertices += m_vertexCount;
    }
    ResetArrays();
}

// Programs.

void OpenGLBatcher::UseProgram(OpenGLShader* program)
{
    if (!program)
        return;
    if (program == m_currentProgram && program->GetProgram() == m_currentProgramName &&
        m_currentProgramName != 0)
        return;
    Flush();
    program->Use();
    m_currentProgram = program;
    m_currentProgramName = program->GetProgram();
    if (m_targetWidth > 0 && m_targetHeight > 0)
        SetViewport(m_targetWidth, m_targetHeight, m_currentFramebuffer, program, s_scale);
}

void OpenGLBatcher::SelectBuiltinProgram()
{
    if (!m_shadersAvailable || m_userProgramActive)
        return;
    BuiltinProgram which;
    if (!m_texturingOn)
        which = SOLID;
    else if (m_compositeBound)
        which = COMPOSITE_TEXTURING;  // the key cannot apply to a two-texture image
    else if (m_colorKeyOn)
        which = COLOR_KEY;
    else if (m_alphaTextureBound)
        which = ALPHA_TEXTURING;
    else
        which = TEXTURING;
    OpenGLShader* program = m_programs[which].Get();
    const bool switching = program != m_currentProgram || program->GetProgram() != m_currentProgramName;
    UseProgram(program);
    if (which == COLOR_KEY && switching)
        program->SetUniform3f("key", m_keyR, m_keyG, m_keyB);
}

void OpenGLBatcher::SetProgram(OpenGLShader* program)
{
    if (!m_shadersAvailable)
        return;
    if (!program) {
        if (m_userProgramActive) {
            // Back to the built-in programs now: the following setters may all find their state
            // unchanged, and none of them would replace the caller's program.
            m_userProgramActive = 0;
            SelectBuiltinProgram();
        }
        return;
    }
    Flush();
    m_userProgramActive = 1;
    UseProgram(program);
}

void OpenGLBatcher::ReapplyProgram()
{
    if (!m_currentProgram)
        return;
    Flush();
    m_currentProgram->Use();
    m_currentProgramName = m_currentProgram->GetProgram();
    if (m_targetWidth > 0 && m_targetHeight > 0)
        SetViewport(m_targetWidth, m_targetHeight, m_currentFramebuffer, m_currentProgram, s_scale);
}

void OpenGLBatcher::SetViewport(s32 width, s32 height, s32 framebuffer, OpenGLShader* program,
                                float scale)
{
    if (width <= 0 || height <= 0)
        return;
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    if (IsWindow(framebuffer)) {
        if (program && m_shadersAvailable)
            program->SetUniform3f("screen", 2.0f / (scale * w), -2.0f / (scale * h), -1.0f);
        if (m_viewportWidth == static_cast<u32>(width) && m_viewportHeight == static_cast<u32>(height) &&
            m_viewportScale == scale)
            return;
    } else if (program && m_shadersAvailable) {
        program->SetUniform3f("screen", 2.0f / w, 2.0f / h, 1.0f);
    }
    m_viewportWidth = static_cast<u32>(width);
    m_viewportHeight = static_cast<u32>(height);
    m_viewportScale = scale;
    glViewport(0, 0, width, height);
}

bool OpenGLBatcher::SetScale(float scale)
{
    if (!(scale > 0.0f))
        return false;
    if (scale == s_scale)
        return true;
    Flush();
    s_scale = scale;
    s_inverseScale = 1.0f / scale;
    if (m_targetWidth > 0)
        SetViewport(m_targetWidth, m_targetHeight, m_currentFramebuffer, m_currentProgram, s_scale);
    return true;
}

// Blending.

void OpenGLBatcher::ApplyBlendFunc(int mode)
{
    // Alpha always accumulates as (ONE, ONE_MINUS_SRC_ALPHA): an opaque target stays opaque
    // under translucent drawing, so an offscreen target stretched onto the window never lets
    // the window's undefined back buffer through.
    if (mode == BLEND_ADDITIVE)
        glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    else
        glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
}

void OpenGLBatcher::SetBlending(bool on)
{
    if (on == (m_blendingOn != 0))
        return;
    Flush();
    if (on)
        glEnable(GL_BLEND);
    else
        glDisable(GL_BLEND);
    m_blendingOn = on ? 1 : 0;
}

bool OpenGLBatcher::BlendingNeeded() const
{
    if (m_blendMode == BLEND_COPY)
        return false;
    return m_blendMode == BLEND_ADDITIVE || m_textureNeedsBlending;
}

void OpenGLBatcher::SetBlendMode(int mode)
{
    if (mode == m_blendMode)
        return;
    Flush();
    m_blendMode = mode;
    if (mode == BLEND_ALPHA || mode == BLEND_ADDITIVE)
        ApplyBlendFunc(mode);
    // SetTexture decided blending under the previous mode; decide again under this one.
    // Untextured drawing is decided by the SetAlpha that follows.
    if (m_texturingOn)
        SetBlending(BlendingNeeded());
    else if (mode == BLEND_ADDITIVE)
        SetBlending(true);
    else if (mode == BLEND_COPY)
        SetBlending(false);
}

void OpenGLBatcher::ApplyBlendMode(int mode)
{
    Flush();
    m_blendMode = mode;
    if (mode == BLEND_ALPHA || mode == BLEND_ADDITIVE)
        ApplyBlendFunc(mode);
    if (mode == BLEND_ADDITIVE)
        SetBlending(true);
}

void OpenGLBatcher::SetAlpha(u8 alpha)
{
    if (m_blendMode == BLEND_COPY)
        SetBlending(false);
    else
        SetBlending(alpha != 255 || m_blendMode == BLEND_ADDITIVE);
}

// Textures and targets.

void OpenGLBatcher::ForgetTextures()
{
    m_currentTexture = 0;
    m_compositeBound = 0;
}

void OpenGLBatcher::SetTexture(PixelData* texture, u32 flags, u8 alpha)
{
    if (!texture)
        return;
    texture->Touch();
    if (texture->GetKind() == PixelData::PD_GL) {
        auto t = static_cast<PixelDataGL*>(texture);
        if (m_compositeBound || m_currentTexture != t->GetTexture() || !t->IsUploaded()) {
            Flush();
            if (!t->IsUploaded())
                t->Upload(flags);  // leaves it bound on unit 0
            else
                glBindTexture(GL_TEXTURE_2D, t->GetTexture());
            m_currentTexture = t->GetTexture();
            m_compositeBound = 0;
            m_alphaTextureBound = t->GetFormat() == PF_A8 ? 1 : 0;
            SelectBuiltinProgram();
        }
    } else if (texture->GetKind() == PixelData::PD_COMPOSITE) {
        auto c = static_cast<PixelDataComposite*>(texture);
        PixelDataGL* colour = c->GetColorTexture();
        PixelDataGL* alphaTexture = c->GetAlphaTexture();
        if (!colour || !alphaTexture)
            return;
        if (!m_compositeBound || m_currentTexture != alphaTexture->GetTexture() ||
            m_currentTexture2 != colour->GetTexture() || !colour->IsUploaded() ||
            !alphaTexture->IsUploaded()) {
            Flush();
            if (!colour->IsUploaded())
                colour->Upload(flags);
            if (!alphaTexture->IsUploaded())
                alphaTexture->Upload(flags);
            glBindTexture(GL_TEXTURE_2D, alphaTexture->GetTexture());
            glActiveTexture(GL_TEXTURE1);
            glBindTexture(GL_TEXTURE_2D, colour->GetTexture());
            glActiveTexture(GL_TEXTURE0);
            m_currentTexture = alphaTexture->GetTexture();
            m_currentTexture2 = colour->GetTexture();
            m_compositeBound = 1;
            m_alphaTextureBound = 0;
            m_colorKeyOn = 0;
            SelectBuiltinProgram();
        }
    } else {
        return;
    }
    m_textureNeedsBlending = (GetPixelFormatInfo(texture->GetFormat()).alpha > 0 || alpha != 255);
    SetBlending(BlendingNeeded());
}

void OpenGLBatcher::BindTextureUnit(int unit, PixelDataGL* texture, u32 flags)
{
    if (!texture || unit < 0)
        return;
    Flush();
    texture->Touch();
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    if (!texture->IsUploaded())
        texture->Upload(flags);
    else
        glBindTexture(GL_TEXTURE_2D, texture->GetTexture());
    glActiveTexture(GL_TEXTURE0);
    if (unit == 0)
        m_currentTexture = texture->GetTexture();
    else if (unit == 1)
        m_currentTexture2 = texture->GetTexture();
    m_compositeBound = 0;
}

void OpenGLBatcher::SetRenderTarget(PixelData* target, u32 flags)
{
    if (!target || target->GetKind() != PixelData::PD_GL)
        return;
    auto t = static_cast<PixelDataGL*>(target);
    t->Touch();
    if (m_currentFramebuffer == t->GetFramebuffer() && t->IsUploaded() &&
        m_targetWidth == t->GetWidth() && m_targetHeight == t->GetHeight()) {
        m_currentTarget = t;
        return;
    }
    Flush();
    if (!t->IsUploaded()) {
        t->Upload(flags);
        // Making the texture bound it on unit 0 in place of whatever was bound there.
        ForgetTextures();
    }
    if (OpenGL::GetCaps().fbo && t->GetFramebuffer() != m_currentFramebuffer) {
        if (t->GetFramebuffer() == PixelDataGL::invalid_fbo) {
            GLuint name = 0;
            glGenFramebuffers(1, &name);
            glBindFramebuffer(GL_FRAMEBUFFER, name);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                                   t->GetTexture(), 0);
            t->SetFramebuffer(static_cast<s32>(name));
            m_currentFramebuffer = static_cast<s32>(name);
            // A new target starts opaque black in full, whatever the scissor box of the
            // previous target says; an image drawn into keeps its pixels.
            if (!t->HasContents()) {
                glDisable(GL_SCISSOR_TEST);
                Clear(0.0f, 0.0f, 0.0f, 1.0f);
                glEnable(GL_SCISSOR_TEST);
            }
        } else {
            glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(t->GetFramebuffer()));
            m_currentFramebuffer = t->GetFramebuffer();
        }
    }
    if (m_shadersAvailable && m_currentProgram && m_currentProgram->GetProgram() != m_currentProgramName)
        UseProgram(m_currentProgram);
    m_targetWidth = t->GetWidth();
    m_targetHeight = t->GetHeight();
    SetViewport(m_targetWidth, m_targetHeight, t->GetFramebuffer(), m_currentProgram, s_scale);
    m_currentTarget = t;
}

void OpenGLBatcher::DropPixelData(PixelData* p)
{
    if (!p || p->GetKind() != PixelData::PD_GL)
        return;
    auto t = static_cast<PixelDataGL*>(p);
    const bool isTarget = t == m_currentTarget ||
                          (OpenGL::GetCaps().fbo && t->GetFramebuffer() != PixelDataGL::invalid_fbo &&
                           t->GetFramebuffer() == m_currentFramebuffer);
    if (isTarget) {
        // The pending geometry was aimed at the dying target: it is dropped, not drawn. Deleting
        // a bound framebuffer binds the window's in its place, so the next target is bound anew.
        ResetArrays();
        m_currentTarget = nullptr;
        m_currentFramebuffer = UNKNOWN_FRAMEBUFFER;
        m_targetWidth = m_targetHeight = 0;
    }
    const GLuint name = t->GetTexture();
    if (name != 0 && (name == m_currentTexture || name == m_currentTexture2)) {
        Flush();
        ForgetTextures();
        if (name == m_currentTexture2)
            m_currentTexture2 = 0;
    }
}

// Remaining setters.

void OpenGLBatcher::SetColorKey(bool on, float r, float g, float b)
{
    if (!m_shadersAvailable || m_userProgramActive)
        return;
    if (on == (m_colorKeyOn != 0) && (!on || (r == m_keyR && g == m_keyG && b == m_keyB)))
        return;
    Flush();
    m_colorKeyOn = on ? 1 : 0;
    const bool keyChanged = r != m_keyR || g != m_keyG || b != m_keyB;
    if (on) {
        m_keyR = r;
        m_keyG = g;
        m_keyB = b;
    }
    SelectBuiltinProgram();
    if (on && keyChanged && m_currentProgram == m_programs[COLOR_KEY].Get())
        m_currentProgram->SetUniform3f("key", m_keyR, m_keyG, m_keyB);
}

void OpenGLBatcher::SetClipRect(const Rect& rect)
{
    Rect scissor = rect;
    if (IsWindow(m_currentFramebuffer))
        scissor.y = static_cast<s32>(static_cast<float>(m_targetHeight) * s_scale) - rect.y - rect.h;
    if (scissor == m_clipCache)
        return;
    Flush();
    glScissor(scissor.x, scissor.y, std::max(scissor.w, 0), std::max(scissor.h, 0));
    m_clipCache = scissor;
}

void OpenGLBatcher::SetTexturing(bool on)
{
    if (on == (m_texturingOn != 0))
        return;
    Flush();
    m_texturingOn = on ? 1 : 0;
    SelectBuiltinProgram();
}

void OpenGLBatcher::SelectTexturingProgram(bool on)
{
    Flush();
    m_texturingOn = on ? 1 : 0;
    SelectBuiltinProgram();
}

void OpenGLBatcher::SetLineMode(bool on)
{
    if (on == (m_lineModeOn != 0))
        return;
    Flush();
    m_lineModeOn = on ? 1 : 0;
}

void OpenGLBatcher::Clear(float r, float g, float b, float a)
{
    ResetArrays();
    const u8 br = ToByte(r), bg = ToByte(g), bb = ToByte(b), ba = ToByte(a);
    if (br != m_clearR || bg != m_clearG || bb != m_clearB || ba != m_clearA) {
        m_clearR = br;
        m_clearG = bg;
        m_clearB = bb;
        m_clearA = ba;
        glClearColor(r, g, b, a);
    }
    glClear(GL_COLOR_BUFFER_BIT);
}

}  // namespace Vorn

