// One frame of a texture atlas: a surface that shares the atlas image's pixel data and shows only
// its frame, either one rectangle of the image or a picture assembled from pieces of it.
#pragma once

#include "base/SmartPtr.h"
#include "graphics/surface/Surface.h"

namespace Vorn {

class AtlasSurface final : public Surface {
public:
    // The frame (x, y, w, h) of image (not null): shares its pixel data and flags; texture origin
    // (x, y), size and clip rectangle (w, h). Negative sizes count as 0.
    AtlasSurface(Surface* image, s32 x, s32 y, s32 w, s32 h);
    ~AtlasSurface() override;

    Surface* GetImage() const { return m_image.Get(); }

private:
    // Keeps the image, and with it the shared pixel data, alive while the frame lives.
    SmartPtr<Surface> m_image;
};

}  // namespace Vorn
