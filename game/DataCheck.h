// The start-up's check of the members of the game's archives that it cannot be played or read
// without: the text table of every language and every level file in the common archive, every
// atlas and every theme's fonts in the archive of the base size. Each is read whole and checked
// (descriptions parsed, levels validated, the atlases' PNG pictures by their chunks' CRCs, which
// costs a small part of the decode their loading stage makes of them anyway) before anything is
// drawn, so that a damaged one ends the start rather than showing raw text keys or wrong
// pictures. The images and sounds the game can do without are left to their loading, which says
// a damaged one and goes on.
#pragma once

namespace DataCheck {

// Each check says every failure on stderr, naming the archive and the member: a damaged member is
// said by its archive, a missing one here. True when every member read and decoded.
// The common archive, mounted on COMMON_MOUNT; the level path must be set (Content::SetLevelPath).
bool CheckCommonArchive();
// The archive of the base size, mounted on DEVICE_MOUNT, for a screen of that width.
bool CheckDeviceArchive(int screenWidth);

}  // namespace DataCheck
