// The 200 levels the data build wrote into the common archive, mounted for the game to read: the
// level path points at them and every level is loaded. The virtual file system must be up (a
// Sandbox starts it).
#pragma once

#include "base/SmartPtr.h"
#include "vfs/PakMount.h"

namespace VornTest {

class BuiltLevels {
public:
    BuiltLevels();
    // Forgets the levels and the level path.
    ~BuiltLevels();
    BuiltLevels(const BuiltLevels&) = delete;
    BuiltLevels& operator=(const BuiltLevels&) = delete;

    // False when the data build is switched off (no archive): the test then skips.
    bool Available() const { return static_cast<bool>(m_pak); }

private:
    Vorn::SmartPtr<Vorn::PakMount> m_pak;
};

} // namespace VornTest
