// Animation descriptions: an XML file (recognised by its first bytes, the declaration
// <?xml version="1.0") whose root may carry loop="true" and script="name", and whose frame
// children each name a picture (image), its display time in milliseconds (time) and a draw
// offset (x, y). The result is an AnimatedSurface.
#pragma once

#include "graphics/image/ImageLoader.h"

namespace Vorn {

class AnimImageLoader final : public ImageLoader {
public:
    static bool CanLoad(SeekableStream* stream);

    // Null when the XML does not parse, when it has no frame, when a frame has no time or its
    // picture cannot be obtained, or when animations nest deeper than MAX_NESTING (an animation
    // whose frames name itself).
    Surface* Load() override;

    static constexpr int MAX_NESTING = 4;

private:
    static int s_nesting;
};

}  // namespace Vorn
