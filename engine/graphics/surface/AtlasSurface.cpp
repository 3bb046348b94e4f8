#include "graphics/surface/AtlasSurface.h"

namespace Vorn {

AtlasSurface::AtlasSurface(Surface* image, s32 x, s32 y, s32 w, s32 h) : m_image(image)
{
    w = w > 0 ? w : 0;
    h = h > 0 ? h : 0;
    SetPixelData(image->GetPixelData());
    SetFlags(image->GetFlags());
    SetClipRect(Rect{0, 0, w, h});
    SetAlpha(255);
    SetDrawOffset(0, 0);
    SetTextureOrigin(x, y);
    SetSize(w, h);
}

AtlasSurface::~AtlasSurface() = default;

}  // namespace Vorn
