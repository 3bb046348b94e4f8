// One-bit flips over the regions of a built game archive, and what the game makes of each: the
// probe behind the README's figures ("What it does not do") and the test that keeps them.
#pragma once

#include <cstdint>
#include <string>

namespace VornTest {

// Where a flip lands: the container's header and block table, the archive's directory, other
// LZMA-coded blocks; in raw blocks, a PNG member, an Ogg member, any other member or padding.
enum FlipRegion {
    REGION_HEADER, REGION_DIRECTORY, REGION_CODED, REGION_RAW_PNG, REGION_RAW_OGG, REGION_RAW_OTHER, REGION_COUNT
};
extern const char* const REGION_NAMES[REGION_COUNT];

// What became of a flip, as the game reads archives now: the start ends with exit 1 naming the
// archive (and the member); said once when the member is loaded, the game going on without it; a
// member shown differently (its pixels, its samples, its bytes for other kinds) or missing, with
// nothing said; every member shown as it was. And as the game read them before its members were
// checked: only an archive that did not mount was said, any member shown differently was shown
// wrong in silence.
enum FlipOutcome { NOW_START, NOW_LOAD, NOW_SILENT, NOW_HARMLESS, OLD_START, OLD_SILENT, OLD_HARMLESS, OUTCOMES };

struct FlipCounts {
    uint64_t bytes = 0; // of the archive file in the region
    int tries = 0;
    int outcomes[OUTCOMES] = {}; // each try counts once among the NOW_ and once among the OLD_
    int extractSilent = 0; // tries after which vorn-pak extract would write a member changed or drop it unsaid
};

// Flips `samples` bits, at positions drawn from seed, in each region of the archive at path: one
// at a time, in a copy of its own. Each is classified by the game's own code: the archive mounted,
// the members the game needs checked as at its start (DataCheck), then every member the flip can
// reach read and decoded by its reader (images, sounds, descriptions). The archive's kind comes
// from its name: data_common.pak or data_<width>.pak. False, with error, when the archive cannot
// be probed at all. Says nothing on stderr while it probes.
bool ProbeArchive(const std::string& path, int samples, uint32_t seed, FlipCounts counts[REGION_COUNT],
                  std::string& error);

} // namespace VornTest
