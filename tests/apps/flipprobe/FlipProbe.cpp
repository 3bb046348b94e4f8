// vorn-flipprobe: flips one bit at a time in the game's archives and says what the game makes of
// each flip, region by region (see support/FlipProbe.h).
//
//   vorn-flipprobe [--samples N] [--seed S] ARCHIVE...
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/FlipProbe.h"

using namespace VornTest;

namespace {

void PrintRow(const std::string& archive, int region, const FlipCounts& c)
{
    if (c.tries == 0)
        return;
    std::printf("%-16s %-22s %9llu %5d |", archive.c_str(), REGION_NAMES[region],
                static_cast<unsigned long long>(c.bytes), c.tries);
    for (int outcome = 0; outcome < OUTCOMES; ++outcome)
        std::printf(outcome == OLD_START ? " | %5.1f" : " %5.1f", 100.0 * c.outcomes[outcome] / c.tries);
    std::printf(" | %5.1f\n", 100.0 * c.extractSilent / c.tries);
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
    std::printf("%-16s %-22s %9s %5s | %-23s | %-19s | %s\n", "archive", "region", "bytes", "tries",
                "now: start load silent ok", "before: start silent ok", "extract silent (%)");
    FlipCounts totals[REGION_COUNT];
    for (int i = first; i < argc; ++i) {
        FlipCounts counts[REGION_COUNT];
        std::string error;
        if (!ProbeArchive(argv[i], samples, static_cast<uint32_t>(seed), counts, error)) {
            std::fprintf(stderr, "vorn-flipprobe: %s\n", error.c_str());
            return 1;
        }
        const char* slash = std::strrchr(argv[i], '/');
        for (int region = 0; region < REGION_COUNT; ++region) {
            PrintRow(slash ? slash + 1 : argv[i], region, counts[region]);
            totals[region].bytes += counts[region].bytes;
            totals[region].tries += counts[region].tries;
            totals[region].extractSilent += counts[region].extractSilent;
            for (int outcome = 0; outcome < OUTCOMES; ++outcome)
                totals[region].outcomes[outcome] += counts[region].outcomes[outcome];
        }
        std::fflush(stdout);
    }
    for (int region = 0; region < REGION_COUNT; ++region)
        PrintRow("all", region, totals[region]);
    return 0;
}
