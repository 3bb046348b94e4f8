// The application icon: a few coloured pieces tiling a square on a paper plate, drawn large enough
// for a launcher and still readable when shrunk to 48 pixels.
#pragma once

#include "art/Canvas.h"

namespace DataBuild {

// ICON_SIZE x ICON_SIZE colour with alpha; transparent around the plate.
Canvas DrawGameIcon();

constexpr int ICON_SIZE = 256;

} // namespace DataBuild
