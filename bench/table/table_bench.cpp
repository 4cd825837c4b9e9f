// Fills a sorted table with n random titles (Latin and CJK, many of them
// equal) by Append/Post, then Locates every title. The baseline sorts the same
// titles with the same collator (std::sort) and finds each with
// std::lower_bound. Goals: at n = 100,000 the table takes at most 2x the
// baseline, and its time grows at most 15x from n = 10,000 to n = 100,000.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/ratio.h"
#include "table/dxmdaset.h"
#include "text/collation.h"

namespace {

// Titles of up to 40 bytes, so that the table keeps them whole: a quarter as
// many distinct titles as n, so each comes about four times.
std::vector<std::string> Titles(int n)
{
    static const char* const latin[] = {"la", "ve", "ri", "so", "mu", "ka", "Ne", "To", "da", "Sy", " ", "-"};
    static const char* const cjk[] = {"歌", "愛", "你", "我", "的", "心", "雨", "夜", "風", "月", "花", "海"};
    std::mt19937 random(12345);
    const int distinct = std::max(1, n / 4);
    std::vector<std::string> pool;
    pool.reserve(static_cast<size_t>(distinct));
    for (int i = 0; i < distinct; ++i) {
        std::string title;
        const bool wide = random() % 2 == 0;
        const int parts = 2 + static_cast<int>(random() % 6);
        for (int p = 0; p < parts; ++p)
            title += wide && random() % 4 != 0 ? cjk[random() % 12] : latin[random() % 12];
        pool.push_back(title.substr(0, 40));
    }
    std::vector<std::string> titles;
    titles.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        titles.push_back(pool[random() % pool.size()]);
    return titles;
}

const std::vector<std::string>& CachedTitles(int n)
{
    static std::map<int, std::vector<std::string>> cache;
    auto it = cache.find(n);
    if (it == cache.end())
        it = cache.emplace(n, Titles(n)).first;
    return it->second;
}

void BM_Table(benchmark::State& state)
{
    const auto& titles = CachedTitles(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TdxMemData table(nullptr);
        table.SetName("dxMemData");
        auto* title = new TStringField(&table);
        title->SetFieldName("FileName");
        title->SetSize(40);
        title->SetDataSet(&table);
        table.SetSortedField("FileName");
        table.Open();
        table.DisableControls();
        for (const std::string& value : titles) {
            table.Append();
            title->SetAsString(value);
            table.Post();
        }
        table.EnableControls();
        int found = 0;
        for (const std::string& value : titles)
            found += table.Locate("FileName", value, 0) ? 1 : 0;
        if (found != static_cast<int>(titles.size()))
            state.SkipWithError("a title was not found");
        benchmark::DoNotOptimize(found);
    }
}

void BM_Baseline(benchmark::State& state)
{
    const auto& titles = CachedTitles(static_cast<int>(state.range(0)));
    const text::Collator& collator = text::Collator::User();
    auto less = [&](const std::string& a, const std::string& b) { return collator.Compare(a, b) < 0; };
    for (auto _ : state) {
        std::vector<std::string> sorted = titles;
        std::sort(sorted.begin(), sorted.end(), less);
        int found = 0;
        for (const std::string& value : titles) {
            const auto it = std::lower_bound(sorted.begin(), sorted.end(), value, less);
            found += it != sorted.end() && *it == value ? 1 : 0;
        }
        if (found != static_cast<int>(titles.size()))
            state.SkipWithError("a title was not found");
        benchmark::DoNotOptimize(found);
    }
}

// Five repetitions each; the ratios use the fastest, which other work on the
// machine disturbs least.
double Fastest(const std::vector<double>& times)
{
    return *std::min_element(times.begin(), times.end());
}

BENCHMARK(BM_Table)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2)->Repetitions(5)
    ->ComputeStatistics("min", Fastest)->DisplayAggregatesOnly();
BENCHMARK(BM_Baseline)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2)->Repetitions(5)
    ->ComputeStatistics("min", Fastest)->DisplayAggregatesOnly();

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    // The fastest of the repetitions of each benchmark.
    bench::RatioReporter reporter("min");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const bench::Times table10k = reporter.Time("BM_Table/10000");
    const bench::Times table100k = reporter.Time("BM_Table/100000");
    const bench::Times base100k = reporter.Time("BM_Baseline/100000");
    if (table10k.real > 0 && table100k.real > 0 && base100k.real > 0) {
        const auto line = [](const char* what, double real, double cpu, double goal) {
            std::printf("%s: %.2fx real time, %.2fx CPU time (goal: at most %gx) %s\n", what, real, cpu, goal,
                        real <= goal ? "met" : "NOT MET");
        };
        std::printf("\n");
        line("table/baseline at n=100000", table100k.real / base100k.real, table100k.cpu / base100k.cpu, 2.0);
        line("table growth 10000 -> 100000", table100k.real / table10k.real, table100k.cpu / table10k.cpu, 15.0);
    } else {
        std::printf("\n(ratios need BM_Table/10000, BM_Table/100000 and BM_Baseline/100000)\n");
    }
    benchmark::Shutdown();
    return 0;
}
