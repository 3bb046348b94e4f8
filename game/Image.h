// One loaded picture of the game: its engine surface and pixel size.
//
// Images are addressed by id (Images::files) and kept in the game's image cache; this class is
// only the loaded object. Surfaces are shared through the engine's asset dictionary, so an atlas
// frame or a picture that another holder keeps alive is not loaded twice.
#pragma once

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"

namespace Vorn {
class Surface;
}

class Image : public Vorn::RefCounter {
public:
    Image();
    // A picture of this size without a surface: what a failed load leaves, and what rule tests put
    // into the cache to stand in for real pictures.
    Image(int width, int height);
    ~Image() override;

    // A new image loaded from "device" + name (names of the image table start with "/" once the
    // image directory is prefixed). Never null; a failed load leaves an image without surface.
    static Vorn::SmartPtr<Image> Create(const Vorn::NarrowString& name);

    // Takes the surface named path (a path, optionally followed by '@' and options) from the asset
    // dictionary, loading and registering it there when no live surface has that name, and copies
    // its size. False, with no surface and size 0 x 0, when it cannot be loaded.
    bool Load(const Vorn::NarrowString& path);

    Vorn::SmartPtr<Vorn::Surface> GetSurface() const;

    int width;
    int height;
    Vorn::SmartPtr<Vorn::Surface> surface;
};
