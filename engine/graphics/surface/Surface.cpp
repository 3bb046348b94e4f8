#include "graphics/surface/Surface.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/ByteReader.h"
#include "base/IOStream.h"
#include "graphics/batcher/Batcher.h"
#include "graphics/pixeldata/PixelDataGL.h"

namespace Vorn {

namespace {

Batcher::Vertex MakeVertex(float x, float y, float u, float v, const Color& c)
{
    return Batcher::Vertex{x, y, u, v, c.r, c.g, c.b, c.a};
}

void AddSolidQuad(float x1, float y1, float x2, float y2, const Color& c)
{
    g_batcher->AddQuad(MakeVertex(x1, y1, 0, 0, c), MakeVertex(x2, y1, 0, 0, c),
                       MakeVertex(x2, y2, 0, 0, c), MakeVertex(x1, y2, 0, 0, c));
}

// Segments of a circle outline; below 3 nothing is drawn.
int CircleSegments(float radius)
{
    if (!(radius > 0.0f))
        return 0;
    const double n = std::sqrt(static_cast<double>(radius)) * 4.0;
    return n >= Surface::MAX_CIRCLE_SEGMENTS ? Surface::MAX_CIRCLE_SEGMENTS : static_cast<int>(n);
}

// Walks the circle's points P_0 = (cx + r, cy), P_1, ... by repeated rotation of (r, 0).
class CircleWalk {
public:
    CircleWalk(float cx, float cy, float radius, int segments)
        : cx(cx), cy(cy), px(radius), py(0.0f)
    {
        const float step = 6.2831855f / static_cast<float>(segments > 0 ? segments : 1);
        c = std::cos(step);
        s = std::sin(step);
    }
    float X() const { return cx + px; }
    float Y() const { return cy + py; }
    void Next()
    {
        const float nx = px * c - py * s;
        py = px * s + py * c;
        px = nx;
    }

private:
    float cx, cy, px, py, c, s;
};

}  // namespace

Surface::Surface()
    : m_flags(0), m_clip{0, 0, 0, 0}, m_alpha(0), m_drawOffsetX(0), m_drawOffsetY(0), m_textureOriginX(0),
      m_textureOriginY(0), m_width(0), m_height(0), m_pieceCount(0), m_pieces(nullptr)
{
}

Surface::Surface(s32 w, s32 h, s32 format) : Surface()
{
    m_pixelData = new PixelDataGL(w, h, static_cast<PixelFormat>(format));
    m_width = m_pixelData->GetWidth();
    m_height = m_pixelData->GetHeight();
    m_clip = Rect{0, 0, m_width, m_height};
    m_alpha = 255;
}

Surface::Surface(PixelData* data) : Surface()
{
    m_alpha = 255;
    if (!data)
        return;
    switch (data->GetKind()) {
    case PixelData::PD_MEMORY:
    case PixelData::PD_RLE:
        m_pixelData = new PixelDataGL(data);
        break;
    case PixelData::PD_GL:
    case PixelData::PD_COMPOSITE:
        m_pixelData = data;
        break;
    default:
        return;
    }
    m_width = m_pixelData->GetWidth();
    m_height = m_pixelData->GetHeight();
    m_clip = Rect{0, 0, m_width, m_height};
}

Surface::~Surface()
{
    delete[] m_pieces;
}

bool Surface::Update(float)
{
    return true;
}

Surface* Surface::Clone()
{
    if (!m_pixelData)
        return new Surface(nullptr);
    auto copy = new Surface(m_width, m_height, m_pixelData->GetFormat());
    copy->Clear(Color{0, 0, 0, 0});
    copy->BlitWith(static_cast<float>(m_drawOffsetX), static_cast<float>(m_drawOffsetY), this, m_clip,
                   Color{255, 255, 255, m_alpha}, Batcher::BLEND_COPY, true);
    return copy;
}

// Pieces.

void Surface::AllocPieces(u32 count)
{
    delete[] m_pieces;
    m_pieces = nullptr;
    m_pieceCount = 0;
    if (count == 0)
        return;
    m_pieces = new SurfacePiece[count]();
    m_pieceCount = count;
}

void Surface::CopyPieces(u32 count, const SurfacePiece* pieces)
{
    if (!pieces)
        count = 0;
    if (count != m_pieceCount)
        AllocPieces(count);
    std::copy(pieces, pieces + count, m_pieces);
}

void Surface::SetPiece(u32 index, const SurfacePiece& piece)
{
    if (index < m_pieceCount)
        m_pieces[index] = piece;
}

bool Surface::ReadPieces(IOStream& stream)
{
    AllocPieces(0);
    u8 header[4];
    if (stream.Read(header, 4) != 4)
        return false;
    const u32 count = LoadLE32(header);
    if (count == 0 || count > 0x7FFFFFFFu)
        return true;
    // The count is only what the file claims: pieces are kept as they arrive.
    std::vector<SurfacePiece> read;
    for (u32 i = 0; i < count; ++i) {
        u8 b[8];
        if (stream.Read(b, 8) != 8)
            return false;
        SurfacePiece p{};
        p.x = LoadLE16(b);
        p.y = LoadLE16(b + 2);
        p.w = LoadLE16(b + 4);
        p.h = LoadLE16(b + 6);
        p.ax = p.x;
        p.ay = p.y;
        read.push_back(p);
    }
    CopyPieces(count, read.data());
    return true;
}

// Conversions.

void Surface::ConvertTo565()
{
    if (m_pixelData && m_pixelData->GetKind() == PixelData::PD_GL)
        static_cast<PixelDataGL*>(m_pixelData.Get())->ConvertTo565();
}

void Surface::ConvertToRLE() {}

// Batcher state.

bool Surface::BeginTextured(Surface* source, int blendMode, bool colorKey)
{
    if (!g_batcher || !m_pixelData || !source || !source->m_pixelData)
        return false;
    Batcher* b = g_batcher.Get();
    b->SetProgram(nullptr);
    b->SetTexturing(true);
    b->SetRenderTarget(m_pixelData.Get(), m_flags);
    b->SetTexture(source->m_pixelData.Get(), source->m_flags, source->m_alpha);
    b->SetClipRect(m_clip);
    b->SetBlendMode(blendMode);
    if (colorKey && (source->m_flags & FLAG_COLORKEY)) {
        const u8* key = source->m_pixelData->GetColorKey();
        b->SetColorKey(true, key[0] / 255.0f, key[1] / 255.0f, key[2] / 255.0f);
    } else {
        b->SetColorKey(false, 0, 0, 0);
    }
    b->SetLineMode(false);
    return true;
}

bool Surface::BeginSolid(const Color& colour, bool lineMode)
{
    if (!g_batcher || !m_pixelData)
        return false;
    Batcher* b = g_batcher.Get();
    b->SetProgram(nullptr);
    b->SetTexturing(false);
    b->SetRenderTarget(m_pixelData.Get(), m_flags);
    b->SetClipRect(m_clip);
    b->SetBlendMode(Batcher::BLEND_ALPHA);
    b->SetColorKey(false, 0, 0, 0);
    b->SetLineMode(lineMode);
    b->SetAlpha(colour.a);
    return true;
}

// Source rectangles.

Rect Surface::ClampSource(const Surface* source, const Rect& r)
{
    // Clamped to the source's own picture, which for a plain image is its pixel data: an atlas
    // frame must not reach into its neighbours.
    const s64 x0 = std::max<s64>(r.x, 0), y0 = std::max<s64>(r.y, 0);
    const s64 w = std::min<s64>(s64(r.x) + r.w, std::max<s32>(source->m_width, 0)) - x0;
    const s64 h = std::min<s64>(s64(r.y) + r.h, std::max<s32>(source->m_height, 0)) - y0;
    if (w <= 0 || h <= 0)
        return Rect{0, 0, 0, 0};
    return Rect{static_cast<s32>(x0), static_cast<s32>(y0), static_cast<s32>(w), static_cast<s32>(h)};
}

void Surface::AddSourceQuads(Surface* source, const Rect& c, float x, float y, float sx, float sy,
                             const Color& colour, bool usePieces)
{
    const PixelData* pd = source->m_pixelData.Get();
    const float u = pd->GetTexelScaleU(), v = pd->GetTexelScaleV();
    const float ox = static_cast<float>(source->m_textureOriginX);
    const float oy = static_cast<float>(source->m_textureOriginY);
    Batcher* b = g_batcher.Get();

    if (!usePieces || !source->m_pieces) {
        const float s0 = (static_cast<float>(c.x) + ox) * u, t0 = (static_cast<float>(c.y) + oy) * v;
        const float s1 = s0 + static_cast<float>(c.w) * u, t1 = t0 + static_cast<float>(c.h) * v;
        const float x2 = x + static_cast<float>(c.w) * sx, y2 = y + static_cast<float>(c.h) * sy;
        b->AddQuad(MakeVertex(x, y, s0, t0, colour), MakeVertex(x2, y, s1, t0, colour),
                   MakeVertex(x2, y2, s1, t1, colour), MakeVertex(x, y2, s0, t1, colour));
        return;
    }
    for (u32 i = 0; i < source->m_pieceCount; ++i) {
        const SurfacePiece& p = source->m_pieces[i];
        const s32 left = std::max<s32>(c.x, p.x), top = std::max<s32>(c.y, p.y);
        const s32 pw = std::min<s32>(p.x + p.w, c.x + c.w) - left;
        const s32 ph = std::min<s32>(p.y + p.h, c.y + c.h) - top;
        if (pw <= 0 || ph <= 0)
            continue;
        const float qx = x + static_cast<float>(left - c.x) * sx;
        const float qy = y + static_cast<float>(top - c.y) * sy;
        const float qx2 = qx + static_cast<float>(pw) * sx, qy2 = qy + static_cast<float>(ph) * sy;
        const float tx = ox + static_cast<float>(p.ax), ty = oy + static_cast<float>(p.ay);
        if (!p.rotated) {
            const float s0 = (tx + static_cast<float>(left - p.x)) * u;
            const float t0 = (ty + static_cast<float>(top - p.y)) * v;
            const float s1 = s0 + static_cast<float>(pw) * u, t1 = t0 + static_cast<float>(ph) * v;
            b->AddQuad(MakeVertex(qx, qy, s0, t0, colour), MakeVertex(qx2, qy, s1, t0, colour),
                       MakeVertex(qx2, qy2, s1, t1, colour), MakeVertex(qx, qy2, s0, t1, colour));
        } else {
            // The picture's x runs down the texture's rows and its y along the columns.
            const float s0 = (tx + static_cast<float>(top - p.y)) * u;
            const float t0 = (ty + static_cast<float>(left - p.x)) * v;
            const float s1 = s0 + static_cast<float>(ph) * u, t1 = t0 + static_cast<float>(pw) * v;
            b->AddQuad(MakeVertex(qx, qy, s0, t0, colour), MakeVertex(qx2, qy, s0, t1, colour),
                       MakeVertex(qx2, qy2, s1, t1, colour), MakeVertex(qx, qy2, s1, t0, colour));
        }
    }
}

void Surface::BlitWith(float x, float y, Surface* source, const Rect& rect, const Color& colour,
                       int blendMode, bool usePieces)
{
    if (!BeginTextured(source, blendMode, true))
        return;
    const Rect c = ClampSource(source, rect);
    AddSourceQuads(source, c, x, y, 1.0f, 1.0f, colour, usePieces);
}

// Drawing.

void Surface::Blit(float x, float y, Surface* source, const Rect& rect)
{
    if (source)
        BlitWith(x + static_cast<float>(source->m_drawOffsetX), y + static_cast<float>(source->m_drawOffsetY),
                 source, rect, Color{255, 255, 255, source->m_alpha}, Batcher::BLEND_ALPHA, true);
}

void Surface::BlitAdditive(float x, float y, Surface* source, const Rect& rect)
{
    if (source)
        BlitWith(x + static_cast<float>(source->m_drawOffsetX), y + static_cast<float>(source->m_drawOffsetY),
                 source, rect, Color{255, 255, 255, source->m_alpha}, Batcher::BLEND_ADDITIVE, true);
}

void Surface::BlitColored(float x, float y, const Color& colour, Surface* source, const Rect& rect)
{
    if (source)
        BlitWith(x + static_cast<float>(source->m_drawOffsetX), y + static_cast<float>(source->m_drawOffsetY),
                 source, rect, Color{colour.r, colour.g, colour.b, source->m_alpha},
                 Batcher::BLEND_ALPHA, false);
}

void Surface::DrawSurface(Surface* source, const Rect& rect)
{
    Blit(0.0f, 0.0f, source, rect);
}

void Surface::StretchBlit(Surface* source, const Rect& rect)
{
    if (!source || !source->m_pixelData || !BeginTextured(source, Batcher::BLEND_ALPHA, false))
        return;
    const Rect c = ClampSource(source, rect);
    if (c.w <= 0 || c.h <= 0)
        return;
    const float sx = static_cast<float>(m_width) / static_cast<float>(c.w);
    const float sy = static_cast<float>(m_height) / static_cast<float>(c.h);
    AddSourceQuads(source, c, 0.0f, 0.0f, sx, sy, Color{255, 255, 255, source->m_alpha}, true);
}

void Surface::FillRect(float x1, float y1, float x2, float y2, const Color& colour)
{
    if (BeginSolid(colour, false))
        AddSolidQuad(x1, y1, x2, y2, colour);
}

void Surface::DrawRect(float x1, float y1, float x2, float y2, const Color& colour)
{
    if (!BeginSolid(colour, false))
        return;
    if (x2 < x1)
        std::swap(x1, x2);
    AddSolidQuad(x1 + 0.5f, y1 - 0.5f, x2 - 1.5f, y1 + 0.5f, colour);  // top
    AddSolidQuad(x1 + 0.5f, y2 - 1.5f, x2 - 1.5f, y2 - 0.5f, colour);  // bottom
    AddSolidQuad(x2 - 1.5f, y1 - 0.5f, x2 - 0.5f, y2 - 0.5f, colour);  // right
    AddSolidQuad(x1 - 0.5f, y1 - 0.5f, x1 + 0.5f, y2 - 0.5f, colour);  // left
}

void Surface::DrawLine(float x1, float y1, float x2, float y2, const Color& colour)
{
    if (BeginSolid(colour, true))
        g_batcher->AddLine(MakeVertex(x1, y1, 0, 0, colour), MakeVertex(x2, y2, 0, 0, colour));
}

void Surface::DrawVLine(float x, float y1, float y2, const Color& colour)
{
    DrawLine(x, y1, x, y2, colour);
}

void Surface::DrawHLine(float x1, float x2, float y, const Color& colour)
{
    DrawLine(x1, y, x2, y, colour);
}

void Surface::FillCircle(float cx, float cy, float radius, const Color& colour)
{
    const int n = CircleSegments(radius);
    if (n < 3 || !BeginSolid(colour, false))
        return;
    CircleWalk walk(cx, cy, radius, n);
    const Batcher::Vertex p0 = MakeVertex(walk.X(), walk.Y(), 0, 0, colour);
    walk.Next();
    for (int k = 1; k <= n - 2; ++k) {
        const Batcher::Vertex pk = MakeVertex(walk.X(), walk.Y(), 0, 0, colour);
        walk.Next();
        g_batcher->AddTriangle(p0, pk, MakeVertex(walk.X(), walk.Y(), 0, 0, colour));
    }
}

void Surface::DrawCircle(float cx, float cy, float radius, const Color& colour)
{
    if (!(radius > 0.0f) || !BeginSolid(colour, true))
        return;
    const int n = CircleSegments(radius);
    CircleWalk walk(cx, cy, radius, n);
    const Batcher::Vertex p0 = MakeVertex(walk.X(), walk.Y(), 0, 0, colour);
    g_batcher->AddLine(p0, p0);
    for (int k = 1; k <= n; ++k) {
        walk.Next();
        g_batcher->AddPoint(MakeVertex(walk.X(), walk.Y(), 0, 0, colour));
    }
}

void Surface::Clear(const Color& colour)
{
    if (!g_batcher || !m_pixelData)
        return;
    g_batcher->SetRenderTarget(m_pixelData.Get(), m_flags);
    g_batcher->SetClipRect(m_clip);
    const float a = m_pixelData->GetFormat() == PF_RGBA8888 ? 0.0f : 1.0f;
    g_batcher->Clear(colour.r / 255.0f, colour.g / 255.0f, colour.b / 255.0f, a);
}

void Surface::Clear(u8 grey)
{
    Clear(Color{grey, grey, grey, 255});
}

}  // namespace Vorn
