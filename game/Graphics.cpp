#include "Graphics.h"

#include <algorithm>

#include "Content.h"
#include "Image.h"
#include "Images.h"
#include "graphics/GraphicsTypes.h"
#include "graphics/surface/Surface.h"
#include "graphics/surface/TriangleEngine.h"

namespace {

// Float channel 0..1 to a byte; values outside the range are clamped rather than converted, since
// an out-of-range float-to-byte conversion has no defined result.
Vorn::u8 ToByte(float value)
{
    const float scaled = value * 255.0f;
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 255.0f)
        return 255;
    return static_cast<Vorn::u8>(scaled);
}

Graphics::DrawCall MakeCall(Graphics::Call kind, int image, int x, int y)
{
    Graphics::DrawCall call{};
    call.call = kind;
    call.image = image;
    call.x = x;
    call.y = y;
    call.scale = 1.0f;
    call.r = call.g = call.b = call.a = 1.0f;
    return call;
}

void WholeImage(Graphics::DrawCall& call, const Image* image)
{
    call.srcX = 0;
    call.srcY = 0;
    call.srcW = image->width;
    call.srcH = image->height;
}

void Tint(Graphics::DrawCall& call, float r, float g, float b, float a)
{
    call.r = r;
    call.g = g;
    call.b = b;
    call.a = a;
    call.tinted = true;
}

Vorn::Rect SourceRect(const Graphics::DrawCall& call)
{
    return Vorn::Rect{call.srcX, call.srcY, call.srcW, call.srcH};
}

}  // namespace

Graphics::Graphics(Vorn::Surface* surface) : target(surface), m_recording(false) {}

Graphics::~Graphics() {}

Image* Graphics::FindImage(int image)
{
    if (image < 0 || image >= Images::COUNT)
        return nullptr;
    const auto found = Content::s_images.find(image);
    return found == Content::s_images.end() ? nullptr : found->second.Get();
}

void Graphics::StartRecording()
{
    m_recording = true;
}

void Graphics::StopRecording()
{
    m_recording = false;
}

Vorn::Surface* Graphics::Begin(const DrawCall& call)
{
    if (m_recording)
        m_record.push_back(call);
    Image* image = FindImage(call.image);
    if (!target || !image)
        return nullptr;
    return image->surface.Get();
}

void Graphics::DrawImage(int image, int x, int y)
{
    const Image* found = FindImage(image);
    if (!found)
        return;
    DrawCall call = MakeCall(Call::IMAGE, image, x, y);
    WholeImage(call, found);
    if (Vorn::Surface* source = Begin(call))
        target->Blit(static_cast<float>(x), static_cast<float>(y), source, SourceRect(call));
}

void Graphics::DrawImagePart(int image, int x, int y, int w, int h)
{
    if (!FindImage(image))
        return;
    DrawCall call = MakeCall(Call::PART, image, x, y);
    call.srcW = w;
    call.srcH = h;
    if (Vorn::Surface* source = Begin(call))
        target->Blit(static_cast<float>(x), static_cast<float>(y), source, SourceRect(call));
}

void Graphics::DrawImageRotated(int image, int x, int y, float pivotX, float pivotY, float angle,
                                float scale)
{
    const Image* found = FindImage(image);
    if (!found)
        return;
    DrawImageScaled(image, x, y, 0, 0, found->width, found->height, pivotX, pivotY, angle, scale);
    if (m_recording)
        m_record.back().call = Call::ROTATED;
}

void Graphics::DrawImageScaled(int image, int x, int y, int srcX, int srcY, int srcW, int srcH,
                               float pivotX, float pivotY, float angle, float scale)
{
    if (!FindImage(image))
        return;
    DrawCall call = MakeCall(Call::SCALED, image, x, y);
    call.srcX = srcX;
    call.srcY = srcY;
    call.srcW = srcW;
    call.srcH = srcH;
    call.pivotX = pivotX;
    call.pivotY = pivotY;
    call.angle = angle;
    call.scale = scale;
    if (Vorn::Surface* source = Begin(call)) {
        const float scales[2] = {scale, scale};
        const float pivot[2] = {pivotX, pivotY};
        Vorn::TriangleEngine::Draw(target.Get(), source, static_cast<float>(x),
                                   static_cast<float>(y), angle, scales, pivot,
                                   Vorn::TriangleEngine::FLIP_NONE, SourceRect(call));
    }
}

void Graphics::DrawImageColored(int image, int x, int y, float r, float g, float b, float a)
{
    const Image* found = FindImage(image);
    if (!found)
        return;
    DrawImageEx(image, x, y, 0, 0, found->width, found->height, 1.0f, r, g, b, a);
    if (m_recording)
        m_record.back().call = Call::COLORED;
}

void Graphics::DrawImageEx(int image, int x, int y, int srcX, int srcY, int srcW, int srcH,
                           float scale, float r, float g, float b, float a)
{
    DrawImageExMirrored(image, x, y, srcX, srcY, srcW, srcH, scale, r, g, b, a, false);
}

void Graphics::DrawImageExFlipped(int image, int x, int y, int srcX, int srcY, int srcW, int srcH,
                                  float scale, float r, float g, float b, float a)
{
    DrawImageExMirrored(image, x, y, srcX, srcY, srcW, srcH, scale, r, g, b, a, true);
}

void Graphics::DrawImageExMirrored(int image, int x, int y, int srcX, int srcY, int srcW, int srcH,
                                   float scale, float r, float g, float b, float a, bool flipped)
{
    if (!FindImage(image))
        return;
    DrawCall call = MakeCall(flipped ? Call::EX_FLIPPED : Call::EX, image, x, y);
    call.srcX = srcX;
    call.srcY = srcY;
    call.srcW = srcW;
    call.srcH = srcH;
    call.scale = scale;
    call.flipped = flipped;
    Tint(call, r, g, b, a);
    if (Vorn::Surface* source = Begin(call)) {
        source->SetAlpha(ToByte(a));
        const float scales[2] = {scale, scale};
        const float pivot[2] = {0.0f, 0.0f};
        Vorn::TriangleEngine::DrawColored(
            target.Get(), source, static_cast<float>(x), static_cast<float>(y), 0.0f, scales, pivot,
            flipped ? Vorn::TriangleEngine::FLIP_HORIZONTAL : Vorn::TriangleEngine::FLIP_NONE,
            SourceRect(call), Vorn::Color{ToByte(r), ToByte(g), ToByte(b), ToByte(a)});
    }
}

void Graphics::DrawImageCentered(int image, int x, int y, int align)
{
    const Image* found = FindImage(image);
    if (!found)
        return;
    if (align & ALIGN_CENTER_X)
        x -= found->width / 2;
    else if (align & ALIGN_RIGHT)
        x -= found->width;
    if (align & ALIGN_CENTER_Y)
        y -= found->height / 2;
    else if (align & ALIGN_BOTTOM)
        y -= found->height;
    DrawCall call = MakeCall(Call::CENTERED, image, x, y);
    WholeImage(call, found);
    if (Vorn::Surface* source = Begin(call))
        target->Blit(static_cast<float>(x), static_cast<float>(y), source, SourceRect(call));
}
