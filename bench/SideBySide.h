// Times two ways of doing the same work in alternating rounds on the calling thread, by that
// thread's CPU time, so that both meet the same state of the machine; reports the ratio of their
// rates as the median over the rounds with its lowest and highest round, for the whole work or
// for each of its timed parts.
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
// One unit of work timed in parts: it adds each part's CPU seconds to parts and returns how much
// output it made.
typedef std::function<double(std::vector<double>& parts)> PartedWork;

struct Ratio {
    double median = 0;
    double low = 0;
    double high = 0;
    double rateA = 0;  // the medians of the two sides' rates
    double rateB = 0;
};

// Output per CPU second of each of count parts, running work for at least seconds of CPU time.
inline std::vector<double> PartRates(const PartedWork& work, size_t count, double seconds)
{
    std::vector<double> parts(count, 0.0);
    double output = 0;
    const double start = ThreadSeconds();
    do {
        output += work(parts);
    } while (ThreadSeconds() - start < seconds);
    for (double& part : parts)
        part = output / part;
    return parts;
}

// For each part, rate(a) / rate(b), round by round, after one round of each to warm up.
inline std::vector<Ratio> CompareParts(const PartedWork& a, const PartedWork& b, size_t count,
                                       int rounds = 9, double seconds = 0.15)
{
    PartRates(a, count, seconds / 2);
    PartRates(b, count, seconds / 2);
    std::vector<std::vector<double>> ratios(count), as(count), bs(count);
    for (int r = 0; r < rounds; ++r) {
        // The order alternates too, so that neither side always runs first.
        std::vector<double> ra, rb;
        if (r % 2) {
            ra = PartRates(a, count, seconds);
            rb = PartRates(b, count, seconds);
        } else {
            rb = PartRates(b, count, seconds);
            ra = PartRates(a, count, seconds);
        }
        for (size_t k = 0; k < count; ++k) {
            as[k].push_back(ra[k]);
            bs[k].push_back(rb[k]);
            ratios[k].push_back(ra[k] / rb[k]);
        }
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::vector<Ratio> result(count);
    for (size_t k = 0; k < count; ++k) {
        result[k].median = median(ratios[k]);
        result[k].low = *std::min_element(ratios[k].begin(), ratios[k].end());
        result[k].high = *std::max_element(ratios[k].begin(), ratios[k].end());
        result[k].rateA = median(as[k]);
        result[k].rateB = median(bs[k]);
    }
    return result;
}

// rate(a) / rate(b), round by round, after one round of each to warm up.
inline Ratio Compare(const Work& a, const Work& b, int rounds = 9, double seconds = 0.15)
{
    auto whole = [](const Work& work) {
        return [&work](std::vector<double>& parts) {
            const double start = ThreadSeconds();
            const double output = work();
            parts[0] += ThreadSeconds() - start;
            return output;
        };
    };
    return CompareParts(whole(a), whole(b), 1, rounds, seconds)[0];
}

inline void Print(const char* what, const Ratio& r, const char* goal)
{
    std::printf("%s: %.2f (rounds %.2f to %.2f; %s)\n", what, r.median, r.low, r.high, goal);
}

} // namespace SideBySide
