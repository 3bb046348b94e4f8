#include "graphics/Display.h"

#include "graphics/surface/Surface.h"

namespace Vorn {

Display::Display() : m_orientation(ORIENTATION_90) {}

Display::~Display() {}

bool Display::SetOrientation(int mask)
{
    return mask == ORIENTATION_90;
}

int Display::GetOrientation()
{
    return ORIENTATION_90;
}

int Display::GetSupportedOrientations()
{
    return ORIENTATION_90;
}

}  // namespace Vorn
