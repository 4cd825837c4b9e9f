#pragma once
// The console reporter of our benchmark programs. Besides printing each run as
// usual, it keeps each benchmark's time per iteration and its counters, so that
// the program can print its ratios against a baseline measured in the same run
// once everything has run. Colours and the tabular layout are used only on a
// terminal, so that piped output stays plain text.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// Seconds per iteration; zero for a benchmark that did not run (filtered out,
// or skipped with an error).
struct Times {
    double real = 0;
    double cpu = 0;
};

// a / b, or zero when either is missing (zero).
inline double Ratio(double a, double b)
{
    return a > 0 && b > 0 ? a / b : 0;
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // With no aggregate, the figures of each benchmark's last run are kept;
    // with one ("min", "mean", ...), only that aggregate's figures.
    explicit RatioReporter(std::string aggregate = {})
        : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular), FAggregate(std::move(aggregate))
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            if (FAggregate.empty() ? run.run_type != Run::RT_Iteration : run.aggregate_name != FAggregate)
                continue;
            // An aggregate carries its statistic as a single "iteration".
            const double n = run.iterations > 0 ? static_cast<double>(run.iterations) : 1.0;
            Figures& figures = FFigures[Key(run)];
            figures.times = {run.real_accumulated_time / n, run.cpu_accumulated_time / n};
            figures.counters.clear();
            for (const auto& [name, counter] : run.counters)
                figures.counters[name] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // A benchmark by its name and arguments, without its run options:
    // "BM_Table/10000", "Decode/utf8/5", "ExpandInTree".
    Times Time(const std::string& name) const
    {
        const auto found = FFigures.find(name);
        return found == FFigures.end() ? Times{} : found->second.times;
    }

    // A counter the benchmark set in its state; zero when missing.
    double Counter(const std::string& name, const std::string& counter) const
    {
        const auto found = FFigures.find(name);
        if (found == FFigures.end())
            return 0;
        const auto value = found->second.counters.find(counter);
        return value == found->second.counters.end() ? 0 : value->second;
    }

    double RealRatio(const std::string& a, const std::string& b) const { return Ratio(Time(a).real, Time(b).real); }
    double CpuRatio(const std::string& a, const std::string& b) const { return Ratio(Time(a).cpu, Time(b).cpu); }

private:
    struct Figures {
        Times times;
        std::map<std::string, double> counters;
    };

    static std::string Key(const Run& run)
    {
        const auto& name = run.run_name;
        return name.args.empty() ? name.function_name : name.function_name + "/" + name.args;
    }

    std::string FAggregate;
    std::map<std::string, Figures> FFigures;
};

}  // namespace bench
