#include "graphics/pixeldata/PixelDataGL.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <set>

#include "application/AbstractApp.h"
#include "graphics/OpenGL.h"
#include "graphics/batcher/Batcher.h"
#include "graphics/pixeldata/CompressedSize.h"
#include "graphics/pixeldata/PixelDataRLE.h"

#ifndef GL_COMPRESSED_RGB_S3TC_DXT1_EXT
#define GL_COMPRESSED_RGB_S3TC_DXT1_EXT 0x83F0
#endif
#ifndef GL_COMPRESSED_RGBA_S3TC_DXT5_EXT
#define GL_COMPRESSED_RGBA_S3TC_DXT5_EXT 0x83F3
#endif

namespace Vorn {

s32 PixelDataGL::invalid_fbo = -1;

namespace {

std::set<PixelDataGL*>& LiveTextures()
{
    // Never destroyed: GL objects may still be released while static objects go away at exit.
    static auto* s_live = new std::set<PixelDataGL*>;
    return *s_live;
}

struct GLFormatRow {
    GLenum internalFormat;
    GLenum format;  // 0: compressed
    GLenum type;
};

// Indexed by pixel format; any other code uploads as alpha.
const GLFormatRow GL_FORMATS[] = {
    {GL_ALPHA, GL_ALPHA, GL_UNSIGNED_BYTE},                 // PF_A8
    {GL_RGB, GL_RGB, GL_UNSIGNED_SHORT_5_6_5},              // PF_RGB565
    {GL_RGB, GL_RGB, GL_UNSIGNED_BYTE},                     // PF_RGB888
    {GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE},                   // PF_RGBA8888
    {GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE},                   // PF_RLE
    {GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 0, GL_UNSIGNED_BYTE},  // PF_DXT1
    {GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, GL_UNSIGNED_BYTE}, // PF_DXT5
    {0x8C01, 0, GL_UNSIGNED_BYTE},                          // PF_PVRTC2_RGB
    {0x8C03, 0, GL_UNSIGNED_BYTE},                          // PF_PVRTC2_RGBA
    {0x8C00, 0, GL_UNSIGNED_BYTE},                          // PF_PVRTC4_RGB
    {0x8C02, 0, GL_UNSIGNED_BYTE},                          // PF_PVRTC4_RGBA
    {0x8D64, 0, GL_UNSIGNED_BYTE},                          // PF_ETC1
};
const GLFormatRow GL_FORMAT_OTHER = {GL_ALPHA, GL_ALPHA, GL_UNSIGNED_BYTE};

bool IsCompressed(PixelFormat f)
{
    return f >= PF_DXT1 && f <= PF_ETC1;
}

// Bytes per pixel of the CPU source formats the upload buffer is built from; 0 for the rest.
int SourceBytes(PixelFormat f)
{
    switch (f) {
    case PF_A8: return 1;
    case PF_RGB565: return 2;
    case PF_RGB888: return 3;
    case PF_RGBA8888:
    case PF_RLE: return 4;
    default: return 0;
    }
}

// Copies a row of count pixels of b bytes from src to dst (which may be src itself), turning the
// memory order B, G, R (, A) of 24- and 32-bit pixels into the R, G, B (, A) that GL reads.
void ConvertRowForGL(const u8* src, u8* dst, size_t count, int b)
{
    size_t i = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // Whole words at a time: a pixel's byte 0 is its part's low byte, byte 2 its third.
    if (b == 4) {
        // Two pixels a word.
        const u64 keep = 0xFF00FF00FF00FF00ull, low = 0x000000FF000000FFull;
        for (; i + 2 <= count; i += 2) {
            u64 p;
            std::memcpy(&p, src + i * 4, 8);
            p = (p & keep) | (p >> 16 & low) | (p & low) << 16;
            std::memcpy(dst + i * 4, &p, 8);
        }
    } else if (b == 3) {
        // Four pixels in three words: B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3 become
        // R0 G0 B0 R1 | G1 B1 R2 G2 | B2 R3 G3 B3.
        for (; i + 4 <= count; i += 4) {
            u32 a, m, c;
            std::memcpy(&a, src + i * 3, 4);
            std::memcpy(&m, src + i * 3 + 4, 4);
            std::memcpy(&c, src + i * 3 + 8, 4);
            const u32 x = (a >> 16 & 0xFFu) | (a & 0xFF00u) | (a & 0xFFu) << 16 | (m & 0xFF00u) << 16;
            const u32 y = (m & 0xFFu) | (a >> 24) << 8 | (c & 0xFFu) << 16 | (m & 0xFF000000u);
            const u32 z = (m >> 16 & 0xFFu) | (c >> 24) << 8 | (c & 0xFF0000u) | (c & 0xFF00u) << 16;
            std::memcpy(dst + i * 3, &x, 4);
            std::memcpy(dst + i * 3 + 4, &y, 4);
            std::memcpy(dst + i * 3 + 8, &z, 4);
        }
    }
#endif
    if (b == 4) {
        for (; i < count; ++i) {
            const u8 blue = src[i * 4], green = src[i * 4 + 1], red = src[i * 4 + 2],
                     alpha = src[i * 4 + 3];
            dst[i * 4] = red;
            dst[i * 4 + 1] = green;
            dst[i * 4 + 2] = blue;
            dst[i * 4 + 3] = alpha;
        }
    } else if (b == 3) {
        for (; i < count; ++i) {
            const u8 blue = src[i * 3], green = src[i * 3 + 1], red = src[i * 3 + 2];
            dst[i * 3] = red;
            dst[i * 3 + 1] = green;
            dst[i * 3 + 2] = blue;
        }
    } else if (src != dst) {
        std::memcpy(dst, src, count * static_cast<size_t>(b));
    }
}

// Fills pixels used .. total of a row of b-byte pixels with copies of pixel used - 1: one copy,
// then what is filled so far copied on after itself, doubling each time.
void RepeatLastPixel(u8* row, size_t used, size_t total, int b)
{
    const size_t bytes = static_cast<size_t>(b);
    u8* out = row + used * bytes;
    const size_t length = (total - used) * bytes;
    if (length == 0)
        return;
    std::memcpy(out, out - bytes, bytes);
    for (size_t done = bytes; done < length;) {
        const size_t n = std::min(done, length - done);
        std::memcpy(out + done, out, n);
        done += n;
    }
}

u32 ApplicationFlags()
{
    return AbstractApp::s_application ? AbstractApp::s_application->GetFlags() : 0;
}

}  // namespace

s32 PixelDataGL::TextureSide(s32 size, s32 limit)
{
    s64 side = 1;
    while (side < size)
        side <<= 1;
    return side > limit ? 0 : static_cast<s32>(side);
}

PixelDataGL::PixelDataGL()
    : m_texture(0), m_framebuffer(invalid_fbo), m_uploaded(0), m_hasContents(0), m_record(nullptr), m_idleAge(0),
      m_textureWidth(0), m_textureHeight(0)
{
    m_kind = PD_GL;
}

void PixelDataGL::InitSizes(s32 w, s32 h)
{
    m_width = std::max(w, 0);
    m_height = std::max(h, 0);
    const s32 limit = OpenGL::GetMaxTextureSize();
    m_textureWidth = TextureSide(m_width, limit);
    m_textureHeight = TextureSide(m_height, limit);
    if (m_textureWidth == 0 || m_textureHeight == 0)
        m_textureWidth = m_textureHeight = 0;
    m_texelScaleU = m_textureWidth ? 1.0f / static_cast<float>(m_textureWidth) : 1.0f;
    m_texelScaleV = m_textureHeight ? 1.0f / static_cast<float>(m_textureHeight) : 1.0f;
}

PixelDataGL::PixelDataGL(s32 w, s32 h, PixelFormat f) : PixelDataGL()
{
    if (f == PF_RLE || f < PF_A8 || f > PF_ETC1)
        f = PF_RGB888;
    m_format = f;
    InitSizes(w, h);
    const int bytes = GetPixelFormatInfo(f).bytes;
    m_pitch = m_width * bytes;
    m_record = new UploadRecord;
    SetGLFormat(f);
    if (IsCompressed(f) && m_textureWidth > 0) {
        m_record->bufferSize = static_cast<size_t>(CompressedDataSize(f, static_cast<u64>(m_textureWidth),
                                                                      static_cast<u64>(m_textureHeight)));
        m_record->buffer = new u8[m_record->bufferSize]();
    }
    LiveTextures().insert(this);
}

PixelDataGL::PixelDataGL(PixelData* source) : PixelDataGL()
{
    PixelFormat f = source ? source->GetFormat() : PF_RGBA8888;
    if (f == PF_RLE || SourceBytes(f) == 0)
        f = PF_RGBA8888;
    m_format = f;
    if (source) {
        InitSizes(source->GetWidth(), source->GetHeight());
        m_pitch = m_width * GetPixelFormatInfo(f).bytes;
    }
    m_record = new UploadRecord;
    SetGLFormat(f);
    if (source)
        BuildUploadBuffer(source);
    LiveTextures().insert(this);
}

PixelDataGL* PixelDataGL::CreateWindowTarget(s32 w, s32 h)
{
    auto target = new PixelDataGL();
    target->m_framebuffer = 0;
    target->m_uploaded = 1;
    target->m_format = PF_RGBA8888;
    target->SetWindowSize(w, h);
    return target;
}

void PixelDataGL::SetWindowSize(s32 w, s32 h)
{
    m_width = std::max(w, 0);
    m_height = std::max(h, 0);
    m_pitch = m_width * 4;
    m_textureWidth = m_width;
    m_textureHeight = m_height;
}

PixelDataGL::~PixelDataGL()
{
    LiveTextures().erase(this);
    if ((m_texture || m_uploaded) && g_batcher)
        g_batcher->DropPixelData(this);
    DeleteGLObjects();
    ReleaseRecord();
    delete m_record;
}

void PixelDataGL::BuildUploadBuffer(PixelData* source)
{
    m_record->source = source;
    const int b = SourceBytes(source->GetFormat());
    const size_t W = static_cast<size_t>(m_textureWidth), H = static_cast<size_t>(m_textureHeight);
    const size_t w = static_cast<size_t>(m_width), h = static_cast<size_t>(m_height);
    const size_t bufferPitch = W * static_cast<size_t>(b);

    // Every byte of the buffer is written below (rows, their padding, the rows under them), so
    // it is not cleared first.
    bool filled = false;
    u8* buffer = nullptr;
    if (b > 0 && W > 0) {
        buffer = new u8[W * H * static_cast<size_t>(b)];
        if (source->GetFormat() == PF_RLE && source->GetKind() == PD_RLE) {
            // Rows that do not decode stay transparent black (the decoder clears each row).
            static_cast<PixelDataRLE*>(source)->Decode(buffer, bufferPitch);
            for (size_t y = 0; y < h; ++y) {
                u8* row = buffer + y * bufferPitch;
                ConvertRowForGL(row, row, w, b);
            }
            filled = true;
        } else if (source->GetKind() == PD_MEMORY) {
            const u8* src = source->LockConst();
            const size_t srcPitch = static_cast<size_t>(std::max(source->GetPitch(), 0));
            if (src && srcPitch >= w * static_cast<size_t>(b)) {
                for (size_t y = 0; y < h; ++y)
                    ConvertRowForGL(src + y * srcPitch, buffer + y * bufferPitch, w, b);
                filled = true;
            }
        }
    }
    if (filled && (w == 0 || h == 0)) {
        // Nothing to repeat: the texture's one texel row stays black.
        std::memset(buffer, 0, W * H * static_cast<size_t>(b));
    } else if (filled) {
        // Repeat the last column and row into the padding, so that linear filtering at the
        // image's edges does not blend in texels that are not part of it.
        for (size_t y = 0; y < h; ++y)
            RepeatLastPixel(buffer + y * bufferPitch, w, W, b);
        for (size_t y = h; y < H; ++y)
            std::memcpy(buffer + y * bufferPitch, buffer + (h - 1) * bufferPitch, bufferPitch);
    }
    if (!filled) {
        delete[] buffer;
        buffer = nullptr;
    }
    m_record->buffer = buffer;
    m_record->bufferSize = buffer ? W * H * static_cast<size_t>(b) : 0;
    source->Unlock();
}

void PixelDataGL::SetGLFormat(PixelFormat f)
{
    if (!m_record)
        return;
    const GLFormatRow& row =
        (f >= PF_A8 && f <= PF_ETC1) ? GL_FORMATS[static_cast<int>(f)] : GL_FORMAT_OTHER;
    m_record->internalFormat = row.internalFormat;
    m_record->glFormat = row.format;
    m_record->type = row.type;
    m_record->textureWidth = m_textureWidth;
    m_record->textureHeight = m_textureHeight;
}

u8* PixelDataGL::Lock()
{
    return m_record ? m_record->buffer : nullptr;
}

const u8* PixelDataGL::LockConst() const
{
    return m_record ? m_record->buffer : nullptr;
}

void PixelDataGL::Unlock() {}

void PixelDataGL::Touch()
{
    m_idleAge = 0;
}

void PixelDataGL::Upload(u32 flags)
{
    if (!m_texture)
        glGenTextures(1, &m_texture);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    const GLint filter = (flags & FLAG_LINEAR) ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    m_hasContents = 0;
    if (m_record && m_textureWidth > 0 && m_textureHeight > 0) {
        m_hasContents = m_record->buffer ? 1 : 0;
        if (m_record->glFormat != 0)
            glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(m_record->internalFormat),
                         m_textureWidth, m_textureHeight, 0, m_record->glFormat, m_record->type,
                         m_record->buffer);
        else if (m_record->buffer)
            glCompressedTexImage2D(GL_TEXTURE_2D, 0, m_record->internalFormat, m_textureWidth,
                                   m_textureHeight, 0, static_cast<GLsizei>(m_record->bufferSize),
                                   m_record->buffer);
    }
    if (!(ApplicationFlags() & AbstractApp::FLAG_TEXTURE_AGEING))
        ReleaseRecord();
    m_uploaded = 1;
}

// Frees what only an upload needs (the pixels and the source); the GL formats stay, so a
// texture whose GL objects were released can still be made again at its size, if without its
// pixels.
void PixelDataGL::ReleaseRecord()
{
    if (!m_record)
        return;
    if (m_record->buffer && !(m_record->source && m_record->buffer == m_record->source->LockConst()))
        delete[] m_record->buffer;
    m_record->buffer = nullptr;
    m_record->bufferSize = 0;
    m_record->source = nullptr;
}

void PixelDataGL::DeleteGLObjects()
{
    if (m_framebuffer != invalid_fbo && m_framebuffer != 0) {
        GLuint name = static_cast<GLuint>(m_framebuffer);
        glDeleteFramebuffers(1, &name);
        m_framebuffer = invalid_fbo;
    }
    if (m_texture) {
        glDeleteTextures(1, &m_texture);
        m_texture = 0;
    }
}

void PixelDataGL::ReleaseTexture()
{
    if (!m_texture)
        return;  // the window target and textures never made
    if (g_batcher)
        g_batcher->DropPixelData(this);
    DeleteGLObjects();
    m_uploaded = 0;
}

void PixelDataGL::ReleaseAll()
{
    for (PixelDataGL* p : LiveTextures())
        p->ReleaseTexture();
}

void PixelDataGL::AgeAll()
{
    if (!(ApplicationFlags() & AbstractApp::FLAG_TEXTURE_AGEING))
        return;
    for (PixelDataGL* p : LiveTextures()) {
        ++p->m_idleAge;
        if (p->m_idleAge > MAX_IDLE_FRAMES && p->m_texture)
            p->ReleaseTexture();
    }
}

bool PixelDataGL::ConvertTo565()
{
    if (m_format != PF_RGB888 || !m_record || !m_record->buffer || m_record->glFormat != GL_RGB ||
        m_record->type != GL_UNSIGNED_BYTE)
        return false;
    u8* p = m_record->buffer;
    const size_t count = m_record->bufferSize / 3;
    for (size_t i = 0; i < count; ++i) {
        const u16 pixel = static_cast<u16>(((p[3 * i] & 0xF8) << 8) | ((p[3 * i + 1] & 0xFC) << 3) |
                                           (p[3 * i + 2] >> 3));
        std::memcpy(p + 2 * i, &pixel, 2);  // GL reads 16-bit pixels in the machine's order
    }
    m_record->bufferSize = count * 2;
    m_format = PF_RGB565;
    m_pitch = m_width * 2;
    SetGLFormat(PF_RGB565);
    return true;
}

size_t PixelDataGL::GetLiveCount()
{
    return LiveTextures().size();
}

// Composite.

PixelDataComposite::PixelDataComposite(PixelDataGL* colour, PixelDataGL* alpha)
    : m_colorTexture(colour), m_alphaTexture(alpha)
{
    m_kind = PD_COMPOSITE;
    m_format = PF_RGBA8888;
    if (colour) {
        m_width = colour->GetWidth();
        m_height = colour->GetHeight();
        m_texelScaleU = colour->GetTexelScaleU();
        m_texelScaleV = colour->GetTexelScaleV();
    }
}

PixelDataComposite::~PixelDataComposite()
{
    m_alphaTexture = nullptr;
    m_colorTexture = nullptr;
}

void PixelDataComposite::Touch()
{
    if (m_colorTexture)
        m_colorTexture->Touch();
    if (m_alphaTexture)
        m_alphaTexture->Touch();
}

void PixelDataComposite::Upload(u32 flags)
{
    if (m_colorTexture)
        m_colorTexture->Upload(flags);
    if (m_alphaTexture)
        m_alphaTexture->Upload(flags);
}

}  // namespace Vorn
