// The console report, keeping each benchmark's best time over its repetitions (the run least
// disturbed by other work on the machine) so that a benchmark can print its ratios after it.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class BestOfReporter : public benchmark::ConsoleReporter {
public:
    enum Clock { REAL_TIME, CPU_TIME };

    // counter: a user counter to keep beside the time (its last value), or null.
    explicit BestOfReporter(Clock clock, const char* counter = nullptr)
        : m_clock(clock), m_counter(counter ? counter : "")
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration)
                continue;
            const std::string name = run.run_name.function_name;
            const double time =
                m_clock == REAL_TIME ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
            const auto known = m_times.find(name);
            if (known == m_times.end() || time < known->second)
                m_times[name] = time;
            const auto counter = run.counters.find(m_counter);
            if (!m_counter.empty() && counter != run.counters.end())
                m_counters[name] = counter->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The best time of the benchmark in its unit, 0 when it did not run.
    double Best(const std::string& name) const { return Find(m_times, name); }
    // The kept counter of the benchmark, 0 when there is none.
    double Counter(const std::string& name) const { return Find(m_counters, name); }

private:
    static double Find(const std::map<std::string, double>& values, const std::string& name)
    {
        const auto it = values.find(name);
        return it == values.end() ? 0.0 : it->second;
    }

    Clock m_clock;
    std::string m_counter;
    std::map<std::string, double> m_times;
    std::map<std::string, double> m_counters;
};
