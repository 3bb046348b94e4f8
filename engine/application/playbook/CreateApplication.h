// What the process entry needs of the application it runs: the factory the application provides
// (the game, or a test program standing in for it).
#pragma once

namespace Vorn {
class PlaybookApplication;
}

namespace Tessela {

// A new application object on which nobody holds a reference yet; the process entry calls it
// first, before any platform call, and owns the result.
Vorn::PlaybookApplication* CreateApplication();

} // namespace Tessela
