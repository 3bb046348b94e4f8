// The one interface all 2D drawing goes through. Callers set the drawing state (render target,
// texture, clip, blending, colour key, texturing, line mode) and then add geometry; the
// implementation collects it and draws a whole run of unchanged state at once.
//
// Calling order of a drawing operation: SetProgram, SetTexturing, SetRenderTarget, SetTexture
// (textured drawing only), SetClipRect, SetBlendMode, SetColorKey, SetLineMode, SetAlpha
// (untextured drawing only), then the Add calls. Clearing sets only the render target and the
// clip rectangle. Nothing is reset between operations: each sets what it needs.
#pragma once

#include <vector>

#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "graphics/GraphicsTypes.h"
#include "system/Types.h"

namespace Vorn {

class OpenGLShader;
class PixelData;

class Batcher : public RefCounter {
public:
    // The GL vertex layout (20 bytes): position in target pixels, texture coordinates over the
    // padded texture (0..1), colour multiplied with the texel.
    struct Vertex {
        float x;
        float y;
        float u;
        float v;
        u8 r;
        u8 g;
        u8 b;
        u8 a;
    };

    // Blend modes. BLEND_COPY writes the source unblended (alpha included): copying an image.
    enum BlendMode { BLEND_ALPHA = 0, BLEND_ADDITIVE = 1, BLEND_COPY = 2 };

    // An inert facility of the base: a mode byte and a list of 16-byte records that nothing in
    // this engine sets or fills.
    struct Record {
        u32 words[4];
    };

    Batcher();
    ~Batcher() override;

    // texture: a GL texture (PD_GL) or a composite (PD_COMPOSITE); flags: the owning surface's
    // (linear filtering when the texture is made on this bind); alpha: the surface alpha.
    virtual void SetTexture(PixelData* texture, u32 flags, u8 alpha) = 0;
    // target: a GL texture or the window target; flags as above, if it must be made first.
    virtual void SetRenderTarget(PixelData* target, u32 flags) = 0;
    virtual void SetBlendMode(int mode) = 0;
    // Texels of this colour (components 0..1) are discarded while the key is on.
    virtual void SetColorKey(bool on, float r, float g, float b) = 0;
    // Target pixels, origin top left.
    virtual void SetClipRect(const Rect& rect) = 0;
    virtual void SetTexturing(bool on) = 0;
    // In line mode geometry is drawn as lines (AddLine, AddPoint).
    virtual void SetLineMode(bool on) = 0;
    // Alpha of untextured drawing: decides whether blending is needed.
    virtual void SetAlpha(u8 alpha) = 0;
    virtual void Flush() = 0;
    // Called by a dying texture before its GL objects go: pending geometry aimed at it as a
    // target is discarded, geometry drawn from it is drawn first.
    virtual void DropPixelData(PixelData* pixelData) = 0;
    // Clears the current target within the clip rectangle; pending geometry is discarded.
    virtual void Clear(float r, float g, float b, float a) = 0;
    // Continues a line strip: in line mode each point draws the segment back to the vertex
    // added before it; the first point of a strip only anchors it.
    virtual void AddPoint(const Vertex& a) = 0;
    virtual void AddLine(const Vertex& a, const Vertex& b) = 0;
    virtual void AddTriangle(const Vertex& a, const Vertex& b, const Vertex& c) = 0;
    // Corners in order around the quad (two triangles a-b-c and a-c-d).
    virtual void AddQuad(const Vertex& a, const Vertex& b, const Vertex& c, const Vertex& d) = 0;
    // A caller's program, drawn with until SetProgram(null) returns to the built-in ones.
    virtual void SetProgram(OpenGLShader* program) = 0;
    // Sets the global render scale (shared by all batchers); the base does nothing.
    virtual bool SetScale(float scale);

    void SetMode(u8 mode);
    u8 GetMode() const { return m_mode; }
    std::vector<Record> TakeRecords();

    static float GetScale() { return s_scale; }
    static float GetInverseScale() { return s_inverseScale; }

protected:
    static float s_scale;
    static float s_inverseScale;

private:
    u8 m_mode;
    u32 m_modeCounter;
    std::vector<Record> m_records;
    u8 m_recordsTaken;
    u32 m_recordsHandedOut;
};

extern SmartPtr<Batcher> g_batcher;

}  // namespace Vorn
