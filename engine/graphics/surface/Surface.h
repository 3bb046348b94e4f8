// The engine's drawable image: a counted, weakly referenceable object over one GL pixel data that
// can be drawn into other surfaces and drawn into itself. Every drawing operation is a short fixed
// sequence of batcher calls on g_batcher followed by quads, triangles or lines; nothing is drawn
// at once (the batcher draws on a state change, a full batch or the frame's flip). Atlas frames
// are surfaces whose picture is assembled from pieces of a shared texture.
#pragma once

#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "base/WeakPtr.h"
#include "graphics/GraphicsTypes.h"
#include "graphics/pixeldata/PixelData.h"
#include "system/Types.h"

namespace Vorn {

class IOStream;

// One rectangle of an atlas frame's picture. x, y, w, h: the piece inside the frame's own
// picture; ax, ay: its first texel in the pixel data; dx = ax - x, dy = ay - y; rotated: stored
// with its axes exchanged (the picture's x runs down the texture's rows).
struct SurfacePiece {
    u16 x;
    u16 y;
    u16 w;
    u16 h;
    s32 ax;
    s32 ay;
    s32 dx;
    s32 dy;
    u8 rotated;
};

class Surface : public RefCounter, public WeakRefCounter {
public:
    // Flag bits: colour-keyed drawing (texels of the pixel data's key colour are discarded) and
    // linear filtering (used when the texture is made).
    static constexpr u32 FLAG_COLORKEY = 1;
    static constexpr u32 FLAG_LINEAR = 2;

    // A new GL texture of this size and pixel format (a render target or an image to fill).
    Surface(s32 width, s32 height, s32 format);
    // Memory and RLE pixel data are copied into a new GL texture (and emptied); GL textures and
    // composites are shared. Any other kind, or null, makes an empty surface of size 0.
    explicit Surface(PixelData* pixelData);
    ~Surface() override;

    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // Advances an animation; the base has none and returns true.
    virtual bool Update(float seconds);

    // A new surface of this size and format holding a copy of the image within the clip
    // rectangle, copied unblended (translucent texels stay as they are). Count 0: the caller
    // wraps it.
    Surface* Clone();

    // Pieces.
    void AllocPieces(u32 count);
    // Copies one record in; an index outside the array is ignored.
    void SetPiece(u32 index, const SurfacePiece& piece);
    // Reads a little-endian u32 count, then per piece u16 x, y, w, h (ax, ay = x, y; not
    // rotated). A count of 0 or one with the top bit set leaves no pieces. False, and no pieces,
    // when the stream ends early.
    bool ReadPieces(IOStream& stream);
    u32 GetPieceCount() const { return m_pieceCount; }
    const SurfacePiece* GetPieces() const { return m_pieces; }

    // Turns a pending RGB888 upload into RGB565; nothing for any other pixel data.
    void ConvertTo565();
    void ConvertToRLE();

    // Drawing into this surface. Positions are floats in this surface's pixels.
    void Blit(float x, float y, Surface* source, const Rect& rect);
    void BlitAdditive(float x, float y, Surface* source, const Rect& rect);
    // One quad tinted with colour's r, g, b (pieces ignored).
    void BlitColored(float x, float y, const Color& colour, Surface* source, const Rect& rect);
    void DrawSurface(Surface* source, const Rect& rect);
    // The rectangle scaled to cover this whole surface.
    void StretchBlit(Surface* source, const Rect& rect);
    void FillRect(float x1, float y1, float x2, float y2, const Color& colour);
    // A one-unit outline around (x1, y1) .. (x2, y2).
    void DrawRect(float x1, float y1, float x2, float y2, const Color& colour);
    void DrawLine(float x1, float y1, float x2, float y2, const Color& colour);
    void DrawVLine(float x, float y1, float y2, const Color& colour);
    void DrawHLine(float x1, float x2, float y, const Color& colour);
    // A regular polygon of (int)(sqrt(radius) * 4) sides (at most MAX_CIRCLE_SEGMENTS); nothing
    // below 3 sides.
    void FillCircle(float cx, float cy, float radius, const Color& colour);
    void DrawCircle(float cx, float cy, float radius, const Color& colour);
    // The clip rectangle to the colour; alpha becomes 0 on an RGBA8888 surface and 1 on others
    // (the colour's own alpha is not used).
    void Clear(const Color& colour);
    void Clear(u8 grey);

    static constexpr int MAX_CIRCLE_SEGMENTS = 1024;

    PixelData* GetPixelData() const { return m_pixelData.Get(); }
    s32 GetWidth() const { return m_width; }
    s32 GetHeight() const { return m_height; }
    u32 GetFlags() const { return m_flags; }
    void SetFlags(u32 value) { m_flags = value; }
    u8 GetAlpha() const { return m_alpha; }
    void SetAlpha(u8 value) { m_alpha = value; }
    const Rect& GetClipRect() const { return m_clip; }
    void SetClipRect(const Rect& rect) { m_clip = rect; }
    s32 GetDrawOffsetX() const { return m_drawOffsetX; }
    s32 GetDrawOffsetY() const { return m_drawOffsetY; }
    void SetDrawOffset(s32 x, s32 y)
    {
        m_drawOffsetX = x;
        m_drawOffsetY = y;
    }
    s32 GetTextureOriginX() const { return m_textureOriginX; }
    s32 GetTextureOriginY() const { return m_textureOriginY; }
    void SetTextureOrigin(s32 x, s32 y)
    {
        m_textureOriginX = x;
        m_textureOriginY = y;
    }

protected:
    // For derived surfaces: every field zero (no pixel data, alpha 0).
    Surface();
    void SetPixelData(PixelData* data) { m_pixelData = data; }
    void SetSize(s32 w, s32 h)
    {
        m_width = w;
        m_height = h;
    }
    // Takes a copy of another surface's pieces (none for a null array), reusing the array it has
    // when the count is the same: pieces set on this surface never reach the other one.
    void CopyPieces(u32 count, const SurfacePiece* pieces);

private:
    // The source rectangle clamped to the source's image: x0, y0, w, h.
    static Rect ClampSource(const Surface* source, const Rect& rect);
    bool BeginTextured(Surface* source, int blendMode, bool colorKey);
    bool BeginSolid(const Color& colour, bool lineMode);
    void AddSourceQuads(Surface* source, const Rect& clamped, float x, float y, float scaleX,
                        float scaleY, const Color& colour, bool usePieces);
    void BlitWith(float x, float y, Surface* source, const Rect& rect, const Color& colour,
                  int blendMode, bool usePieces);

    u32 m_flags;
    SmartPtr<PixelData> m_pixelData;
    Rect m_clip;
    u8 m_alpha;
    s32 m_drawOffsetX;
    s32 m_drawOffsetY;
    s32 m_textureOriginX;
    s32 m_textureOriginY;
    s32 m_width;
    s32 m_height;
    u32 m_pieceCount;
    SurfacePiece* m_pieces;
};

}  // namespace Vorn
