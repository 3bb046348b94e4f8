// Times two ways of doing the same work in alternating rounds on the calling thread, by that
// thread's CPU time, so that both meet the same state of the machine; reports the ratio of their
// rates as the median over the rounds with its lowest and highest round.
#pragma once

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace SideBySide {

inline double ThreadSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// One unit of work, returning how much output it made (seconds of audio, say).
typedef std::function<double()> Work;

// Output per CPU second, running work for at least seconds of CPU time.
inline double Rate(const Work& work, double seconds)
{
    double output = 0;
    const double start = ThreadSeconds();
    double now = start;
    do {
        output += work();
        now = ThreadSeconds();
    } while (now - start < seconds);
    return output / (now - start);
}

struct Ratio {
    double median = 0;
    double low = 0;
    double high = 0;
    double rateA = 0;  // the medians of the two sides' rates
    double rateB = 0;
};

// rate(a) / rate(b), round by round, after one round of each to warm up.
inline Ratio Compare(const Work& a, const Work& b, int rounds = 9, double seconds = 0.15)
{
    Rate(a, seconds / 2);
    Rate(b, seconds / 2);
    std::vector<double> ratios, as, bs;
    for (int r = 0; r < rounds; ++r) {
        // The order alternates too, so that neither side always runs first.
        double ra = 0, rb = 0;
        if (r % 2) {
            ra = Rate(a, seconds);
            rb = Rate(b, seconds);
        } else {
            rb = Rate(b, seconds);
            ra = Rate(a, seconds);
        }
        as.push_back(ra);
        bs.push_back(rb);
        ratios.push_back(ra / rb);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    Ratio result;
    result.median = median(ratios);
    result.low = *std::min_element(ratios.begin(), ratios.end());
    result.high = *std::max_element(ratios.begin(), ratios.end());
    result.rateA = median(as);
    result.rateB = median(bs);
    return result;
}

inline void Print(const char* what, const Ratio& r, const char* goal)
{
    std::printf("%s: %.2f (rounds %.2f to %.2f; %s)\n", what, r.median, r.low, r.high, goal);
}

} // namespace SideBySide
