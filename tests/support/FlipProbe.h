// One-bit flips over the regions of a built game archive, and what the game makes of each: the
// probe behind the figures of the README ("What it does not do") and the test that keeps them.
#pragma once

#include <cstdint>
#include <string>

namespace VornTest {

// The kinds of bytes of an archive file a flip can land in.
enum FlipRegion {
    REGION_HEADER,    // the container's header and block table
    REGION_DIRECTORY, // the blocks holding the archive's directory
    REGION_CODED,     // other LZMA-coded blocks
    REGION_RAW_PNG,   // raw blocks, bytes of a PNG member
    REGION_RAW_OGG,   // raw blocks, bytes of an Ogg member
    REGION_RAW_OTHER, // raw blocks, bytes of any other member or of padding between members
    REGION_COUNT
};
const char* RegionName(int region);

// What became of the flips of one region.
struct FlipCounts {
    uint64_t bytes = 0; // of the archive file in the region
    int tries = 0;
    // As the game reads them now: the start ends with exit 1 naming the archive (and the member);
    // said once when the member is loaded, the game going on without it; a member shown
    // differently (its pixels, its samples, its bytes for other kinds) or missing, with nothing
    // said; every member shown as it was (padding, a bit no reader uses).
    int start = 0, load = 0, silent = 0, harmless = 0;
    // As the game read them before its members were checked and their damage said: only an
    // archive that would not mount was said; any member shown differently was shown wrong in
    // silence.
    int oldStart = 0, oldSilent = 0, oldHarmless = 0;
};

// Flips `samples` bits, at positions drawn from seed, in each region of the archive at path: one
// at a time, in a copy under scratchDir. Each is classified by the game's own code: the archive
// mounted, the members the game needs checked as at its start (DataCheck), then every member the
// flip can reach read and decoded by its reader (images, sounds, descriptions). The archive's kind
// comes from its name: data_common.pak or data_<width>.pak. False, with error, when the archive
// cannot be probed at all. Says nothing on stderr while it probes.
bool ProbeArchive(const std::string& path, const std::string& scratchDir, int samples,
                  uint32_t seed, FlipCounts counts[REGION_COUNT], std::string& error);

} // namespace VornTest
