#include "graphics/OpenGL.h"

#include <cctype>
#include <set>

#include <GLES2/gl2.h>

#include "graphics/batcher/OpenGLBatcher.h"
#include "graphics/batcher/OpenGLShader.h"
#include "graphics/pixeldata/PixelDataGL.h"

namespace Vorn {

namespace {

OpenGL::Capabilities s_caps = {};
OpenGL::Capabilities s_reportedCaps = {};  // s_caps less what is disabled
OpenGL::CompressedOverride s_compressedOverride = OpenGL::COMPRESSED_AS_DETECTED;
NarrowString s_vendor;
NarrowString s_renderer;
NarrowString s_version;

std::set<NarrowString>& Extensions()
{
    // Never destroyed, like the registries of textures and programs.
    static auto* s_extensions = new std::set<NarrowString>;
    return *s_extensions;
}

NarrowString GetGLString(GLenum name)
{
    return NarrowString(reinterpret_cast<const char*>(glGetString(name)));
}

}  // namespace

void OpenGL::AddExtensions(const char* text)
{
    if (!text)
        return;
    const char* p = text;
    while (*p) {
        while (*p && std::isspace(static_cast<unsigned char>(*p)))
            ++p;
        const char* start = p;
        while (*p && !std::isspace(static_cast<unsigned char>(*p)))
            ++p;
        if (p > start)
            Extensions().insert(NarrowString(start, static_cast<size_t>(p - start)));
    }
}

void OpenGL::Init()
{
    AddExtensions(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    s_vendor = GetGLString(GL_VENDOR);
    s_renderer = GetGLString(GL_RENDERER);
    s_version = GetGLString(GL_VERSION);
    // OpenGL ES 2.0 has all three.
    s_caps.fbo = 1;
    s_caps.vbo = 1;
    s_caps.glsl = 1;
    if (HasExtension("GL_IMG_texture_compression_pvrtc"))
        s_caps.pvr = 1;
    if (HasExtension("GL_EXT_texture_compression_s3tc"))
        s_caps.dxtc = 1;
    if (HasExtension("GL_OES_compressed_ETC1_RGB8_texture"))
        s_caps.etc = 1;
    GLint value = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
    s_caps.texsize = value;
    value = 0;
    glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &value);
    s_caps.tmu = value;

    // GL's default unpack alignment of 4 would skew the rows of every texture whose row is not a
    // multiple of 4 bytes (RGB888, RGB565 and A8 images of odd widths).
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    g_batcher = nullptr;
    g_batcher = new OpenGLBatcher();
}

void OpenGL::Shutdown()
{
    g_batcher = nullptr;
    PixelDataGL::ReleaseAll();
    OpenGLShader::ReleaseAll();
}

const OpenGL::Capabilities& OpenGL::GetCaps()
{
    s_reportedCaps = s_caps;
    if (s_compressedOverride != COMPRESSED_AS_DETECTED) {
        const u8 value = s_compressedOverride == COMPRESSED_ALL ? 1 : 0;
        s_reportedCaps.pvr = s_reportedCaps.dxtc = s_reportedCaps.etc = value;
    }
    return s_reportedCaps;
}

void OpenGL::SetCompressedOverride(CompressedOverride mode)
{
    s_compressedOverride = mode;
}

const NarrowString& OpenGL::GetVendor()
{
    return s_vendor;
}

const NarrowString& OpenGL::GetRenderer()
{
    return s_renderer;
}

const NarrowString& OpenGL::GetVersion()
{
    return s_version;
}

bool OpenGL::HasExtension(const char* name)
{
    return name && Extensions().count(NarrowString(name)) != 0;
}

s32 OpenGL::GetMaxTextureSize()
{
    return s_caps.texsize > 0 ? s_caps.texsize : DEFAULT_MAX_TEXTURE_SIZE;
}

}  // namespace Vorn
