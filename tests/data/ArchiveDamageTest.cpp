// One-bit flips in the archives the build produced, a few drawn in each region: each is caught at
// the start, or said when its member is loaded, or changes nothing the game shows.
#include <gtest/gtest.h>

#include <string>

#include "support/BuiltData.h"
#include "support/FlipProbe.h"
#include "support/Sandbox.h"

using namespace VornTest;

TEST(ArchiveDamage, FlipsInTheBuiltArchivesAreSaidOrChangeNothing)
{
    for (const char* name : {"data_240.pak", "data_common.pak"}) {
        SCOPED_TRACE(name);
        const std::string path = BuiltData(name);
        VORN_SKIP_IF_MISSING(MissingBuiltData({path}));
        FlipCounts counts[REGION_COUNT];
        std::string error;
        ASSERT_TRUE(ProbeArchive(path, 6, 28, counts, error)) << error;
        for (int region = 0; region < REGION_COUNT; ++region) {
            const FlipCounts& c = counts[region];
            SCOPED_TRACE(REGION_NAMES[region]);
            EXPECT_EQ(c.tries, c.bytes > 0 ? 6 : 0);
            // A flip LZMA's decoder lets through, or one that loses a sound's first audio page,
            // which the Vorbis decoder does not notice, can be drawn; more than one in six cannot
            // be chance.
            EXPECT_LE(c.outcomes[NOW_SILENT], 1);
            // vorn-pak extract finds every flip in a picture or a sound, also where the game does not.
            EXPECT_LE(c.extractSilent, region == REGION_RAW_PNG || region == REGION_RAW_OGG ? 0 : 1);
            // Nothing the game reads lies in raw blocks but what checks itself; the container and
            // the directory are read at the start, or the flip lands where no reader looks.
            if (region == REGION_RAW_OTHER) {
                EXPECT_EQ(c.outcomes[NOW_HARMLESS], c.tries);
            } else if (region == REGION_HEADER || region == REGION_DIRECTORY) {
                EXPECT_EQ(c.outcomes[NOW_START] + c.outcomes[NOW_HARMLESS], c.tries);
            }
        }
    }
}
