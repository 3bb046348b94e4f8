// Pixel data held as an OpenGL ES texture: every image is drawn from one and every offscreen
// surface renders into one. Made empty at a size (render targets; compressed textures that a
// loader fills through Lock) or as the copy of CPU pixel data, padded to a power-of-two size and
// kept in an upload buffer until the batcher first binds it. All live textures are registered so
// that GL shutdown can release them together and, when the application asks for it, idle ones
// age out.
#pragma once

#include <cstddef>

#include <GLES2/gl2.h>

#include "base/SmartPtr.h"
#include "graphics/pixeldata/PixelData.h"
#include "system/Types.h"

namespace Vorn {

class PixelDataGL : public PixelData {
public:
    // What the texture is made from, until it is uploaded (or for good, when the application
    // keeps upload records so that evicted textures can be made again).
    struct UploadRecord {
        GLenum internalFormat = 0;
        GLenum glFormat = 0;  // 0: compressed, uploaded with glCompressedTexImage2D
        GLenum type = 0;
        s32 textureHeight = 0;
        s32 textureWidth = 0;
        SmartPtr<PixelData> source;  // the CPU pixel data it was made from, or null
        u8* buffer = nullptr;  // owned, unless it is the source's own memory
        size_t bufferSize = 0;
    };

    // Framebuffer field value: none made yet. 0 is the window's own framebuffer.
    static s32 invalid_fbo;
    // Surface flag bit: linear filtering when the texture is made.
    static constexpr u32 FLAG_LINEAR = 2;
    // With the application flag AbstractApp::FLAG_TEXTURE_AGEING, upload records are kept and a
    // texture idle for more frames than this loses its GL objects.
    static constexpr s32 MAX_IDLE_FRAMES = 50;

    // An empty texture. PF_RLE and codes above PF_ETC1 become PF_RGB888. The compressed formats
    // get an upload buffer of their compressed size for a loader to fill; the others none (the
    // texture is made without contents). A size whose texture would exceed
    // OpenGL::GetMaxTextureSize() makes a texture of no size and no buffer.
    PixelDataGL(s32 width, s32 height, PixelFormat format);
    // The GL copy of memory or RLE pixel data (formats A8 to RGBA8888 and RLE, which becomes
    // RGBA8888). The source's pixels are copied into the upload buffer and then freed (its
    // Unlock). A source too large for a texture, or without pixels, gives a texture without
    // contents.
    explicit PixelDataGL(PixelData* source);
    ~PixelDataGL() override;

    // The window's own framebuffer as pixel data: no record, marked uploaded, texture 0,
    // framebuffer 0, format PF_RGBA8888.
    static PixelDataGL* CreateWindowTarget(s32 width, s32 height);
    // Window target only: the size of the window buffers.
    void SetWindowSize(s32 width, s32 height);

    // The upload buffer (null without record or buffer).
    u8* Lock() override;
    const u8* LockConst() const override;
    void Unlock() override;
    void Touch() override;

    // Creates and fills the GL texture; flags are the drawing surface's (FLAG_LINEAR).
    void Upload(u32 flags);
    // Deletes the framebuffer and texture; the object stays and can be uploaded again while it
    // keeps its record.
    void ReleaseTexture();
    static void ReleaseAll();
    // One frame of ageing (only while the application keeps textures).
    static void AgeAll();

    // Fills the record's GL formats for a pixel format (the table of GL formats).
    void SetGLFormat(PixelFormat format);

    GLuint GetTexture() const { return m_texture; }
    s32 GetFramebuffer() const { return m_framebuffer; }
    // For the batcher's render-target switch, which makes the framebuffer on first use.
    void SetFramebuffer(s32 name) { m_framebuffer = name; }
    bool IsUploaded() const { return m_uploaded != 0; }
    // True when the GL texture was filled with pixels (an image), false for one made empty (a
    // render target).
    bool HasContents() const { return m_hasContents != 0; }
    s32 GetTextureWidth() const { return m_textureWidth; }
    s32 GetTextureHeight() const { return m_textureHeight; }
    const UploadRecord* GetUploadRecord() const { return m_record; }
    s32 GetIdleAge() const { return m_idleAge; }

    // Turns a pending RGB888 upload buffer into RGB565 in place; false (and nothing changed) for
    // any other format or when the buffer is gone.
    bool ConvertTo565();

    // How many textures exist (tests).
    static size_t GetLiveCount();

    // Smallest power of two not below size (a size below 1 counts as 1); 0 when that exceeds
    // limit.
    static s32 TextureSide(s32 size, s32 limit);

private:
    PixelDataGL();
    void InitSizes(s32 w, s32 h);
    void BuildUploadBuffer(PixelData* source);
    void ReleaseRecord();
    void DeleteGLObjects();

    GLuint m_texture;
    s32 m_framebuffer;
    u8 m_uploaded;
    u8 m_hasContents;
    UploadRecord* m_record;
    s32 m_idleAge;
    s32 m_textureWidth;
    s32 m_textureHeight;
};

// A colour texture and an alpha texture drawn together by the composite program; the alpha
// texture carries 1 - alpha in its red channel.
class PixelDataComposite final : public PixelData {
public:
    PixelDataComposite(PixelDataGL* colour, PixelDataGL* alpha);
    ~PixelDataComposite() override;

    void Touch() override;
    void Upload(u32 flags);

    PixelDataGL* GetColorTexture() const { return m_colorTexture.Get(); }
    PixelDataGL* GetAlphaTexture() const { return m_alphaTexture.Get(); }

private:
    SmartPtr<PixelDataGL> m_colorTexture;
    SmartPtr<PixelDataGL> m_alphaTexture;
};

}  // namespace Vorn
