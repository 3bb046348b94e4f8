// The display of the platform: the one screen surface and the allowed-orientation mask.
#pragma once

#include "graphics/Display.h"
#include "screen/screen.h"

namespace Vorn {

class PlaybookDisplay final : public Display {
public:
    // A new display (count 0) over the screen surface. The first call makes that surface (EGL
    // and GL set-up included) over the runtime's screen context and window and gives the display
    // every orientation; later calls (after an orientation change) keep the surface and its
    // context, rebuild its window buffers and take the mask of the application's current display.
    static PlaybookDisplay* Create(screen_context_t context, screen_window_t window);

    // Stores the mask and rebuilds the window buffers for it.
    bool SetOrientation(int mask) override;
    int GetOrientation() override;
    int GetSupportedOrientations() override;

private:
    PlaybookDisplay() = default;
};

}  // namespace Vorn
