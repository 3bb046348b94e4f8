// A full-screen movie: the application holds at most one and releases it once it has finished.
#pragma once

#include "base/NarrowString.h"
#include "base/RefCounter.h"

namespace Vorn {

class MoviePlayerInterface : public RefCounter {
public:
    // Starts the movie file of the install area at volume 0..100 (negative: leave the volume).
    // False for a movie that cannot play, said on stderr; it is then finished from the start.
    virtual bool Play(const NarrowString& /*file*/, int /*volume*/) { return false; }
    virtual bool IsFinished() { return true; }
    virtual void Resume() {}
    virtual void Pause() {}

    // The backend's player, defined beside it; its count is 0.
    static MoviePlayerInterface* CreatePlatform();
};

} // namespace Vorn
