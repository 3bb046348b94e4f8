#include "SdlVideo.h"

#include <SDL.h>

namespace standin {

bool SdlVideoInit()
{
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

void SdlVideoQuit()
{
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace standin
