// The engine's view of the screen: the surface that is the screen and the orientations the
// application allows. The platform display (PlaybookDisplay) implements it.
#pragma once

#include "base/RefCounter.h"
#include "base/SmartPtr.h"

namespace Vorn {

class Surface;

class Display : public RefCounter {
public:
    // Orientation mask bits.
    static constexpr int ORIENTATION_90 = 1;
    static constexpr int ORIENTATION_0 = 2;
    static constexpr int ORIENTATION_270 = 4;
    static constexpr int ORIENTATION_180 = 8;
    static constexpr int ORIENTATION_ALL = 15;

    Display();
    ~Display() override;

    // The base accepts only the mask 1 (and changes nothing).
    virtual bool SetOrientation(int mask);
    virtual int GetOrientation();
    virtual int GetSupportedOrientations();

    Surface* GetScreen() const { return m_screen.Get(); }

protected:
    SmartPtr<Surface> m_screen;
    int m_orientation;
};

}  // namespace Vorn
