// Mount points of the game's file system: where the start-up mounts each archive and the save
// directory, and the prefixes every game path begins with.
#pragma once

namespace Tessela {

// Constant arrays rather than string objects: paths are built during static initialisation too,
// and these need no construction order.
inline constexpr char DEVICE_MOUNT[] = "device/";   // the archive of the chosen base size
inline constexpr char COMMON_MOUNT[] = "common/";   // the shared archive: levels and texts
inline constexpr char RES_MOUNT[] = "res/";
inline constexpr char SAVE_MOUNT[] = "save/";       // the writable save directory
inline constexpr char SOUNDS_MOUNT[] = "sounds/";
inline constexpr char LEVEL_DIRECTORY[] = "common/levels/android_full"; // the level files

}  // namespace Tessela
