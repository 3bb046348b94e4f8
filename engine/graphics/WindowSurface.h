// The surface over the application's window: what the frame tick draws into and presents. The
// backend's display makes it (graphics/playbook); the rest of the engine sees only this.
#pragma once

#include "graphics/surface/Surface.h"

namespace Vorn {

class WindowSurface : public Surface {
public:
    // Drawing may proceed this frame.
    virtual bool BeginFrame() = 0;
    // Draws what the batcher holds and presents the frame.
    virtual void Flip() = 0;

protected:
    explicit WindowSurface(PixelData* pixelData) : Surface(pixelData) {}
};

}  // namespace Vorn
