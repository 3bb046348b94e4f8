// vorn-flipprobe: flips one bit at a time in the game's archives and says what the game makes of
// each flip, region by region (see support/FlipProbe.h).
//
//   vorn-flipprobe [--samples N] [--seed S] ARCHIVE...
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/FlipProbe.h"
#include "support/Sandbox.h"

using namespace VornTest;

namespace {

double Share(int part, int whole)
{
    return whole > 0 ? 100.0 * part / whole : 0.0;
}

void PrintRow(const char* archive, const char* region, const FlipCounts& c)
{
    std::printf("%-16s %-22s %9llu %5d | %5.1f %5.1f %5.1f %5.1f | %5.1f %5.1f %5.1f\n", archive,
                region, static_cast<unsigned long long>(c.bytes), c.tries, Share(c.start, c.tries),
                Share(c.load, c.tries), Share(c.silent, c.tries), Share(c.harmless, c.tries),
                Share(c.oldStart, c.tries), Share(c.oldSilent, c.tries), Share(c.oldHarmless, c.tries));
}

void Add(FlipCounts& sum, const FlipCounts& c)
{
    sum.bytes += c.bytes;
    sum.tries += c.tries;
    sum.start += c.start;
    sum.load += c.load;
    sum.silent += c.silent;
    sum.harmless += c.harmless;
    sum.oldStart += c.oldStart;
    sum.oldSilent += c.oldSilent;
    sum.oldHarmless += c.oldHarmless;
}

} // namespace

int main(int argc, char** argv)
{
    int samples = 100;
    unsigned long seed = 1;
    int first = 1;
    for (; first + 1 < argc && argv[first][0] == '-'; first += 2) {
        if (std::strcmp(argv[first], "--samples") == 0)
            samples = std::atoi(argv[first + 1]);
        else if (std::strcmp(argv[first], "--seed") == 0)
            seed = std::strtoul(argv[first + 1], nullptr, 10);
        else
            break;
    }
    if (first >= argc || samples <= 0) {
        std::fprintf(stderr, "usage: vorn-flipprobe [--samples N] [--seed S] ARCHIVE...\n");
        return 2;
    }
    std::printf("%-16s %-22s %9s %5s | %-23s | %s\n", "archive", "region", "bytes", "tries",
                "now: start load silent ok", "before: start silent ok (%)");
    FlipCounts totals[REGION_COUNT];
    TempDir scratch;
    for (int i = first; i < argc; ++i) {
        FlipCounts counts[REGION_COUNT];
        std::string error;
        if (!ProbeArchive(argv[i], scratch.Path(), samples, static_cast<uint32_t>(seed), counts, error)) {
            std::fprintf(stderr, "vorn-flipprobe: %s\n", error.c_str());
            return 1;
        }
        const std::string name = std::strrchr(argv[i], '/') ? std::strrchr(argv[i], '/') + 1 : argv[i];
        for (int region = 0; region < REGION_COUNT; ++region) {
            if (counts[region].tries > 0)
                PrintRow(name.c_str(), RegionName(region), counts[region]);
            Add(totals[region], counts[region]);
        }
        std::fflush(stdout);
    }
    for (int region = 0; region < REGION_COUNT; ++region) {
        if (totals[region].tries > 0)
            PrintRow("all", RegionName(region), totals[region]);
    }
    return 0;
}
