// An effect applied while a rectangle of a source surface is drawn into a target surface.
#pragma once

#include "base/RefCounter.h"
#include "graphics/GraphicsTypes.h"
#include "system/Types.h"

namespace Vorn {

class Surface;

class PostProcess : public RefCounter {
public:
    // Capability bit: effects may use shader programs of their own.
    static constexpr u32 CAPABILITY_SHADERS = 0x10;

    // The effects this platform offers (OpenGL ES 2: every one, shaders included).
    static u32 GetCapabilities();

    // Draws rect of source into target with its top-left corner at (x, y) (plus the source's draw
    // offset).
    virtual void Render(Surface* source, Surface* target, int x, int y, const Rect& rect) = 0;
};

} // namespace Vorn
