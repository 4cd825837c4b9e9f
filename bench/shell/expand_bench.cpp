// Expanding a folder of 10,000 sub-folders in the folder tree, against a
// baseline of what any listing must do: readdir, one stat per entry and a
// collated sort of the names. Prints the ratio of the two.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QTreeView>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <random>
#include <string>
#include <unicode/ucol.h>
#include <vector>

#include "common/qt_app.h"
#include "common/ratio.h"
#include "forms/application.h"
#include "shell/ShellCtrls.h"
#include "text/collation.h"

namespace {

constexpr int kFolders = 10000;
std::string gParent;  // holds the one folder "big"
std::string gBig;

void MakeFolders()
{
    char pattern[] = "/tmp/shell-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    gParent = pattern;
    gBig = gParent + "/big";
    std::filesystem::create_directory(gBig);
    // Names as a music library has them: words, mixed case, numbers.
    const char* words[] = {"Album", "live", "Best of", "disc", "周杰倫", "Mix", "öl", "track"};
    std::mt19937 random(42);
    for (int i = 0; i < kFolders; ++i) {
        const std::string name = std::string(words[random() % 8]) + " " + std::to_string(random() % 5000) + " " +
                                 std::to_string(i);
        std::filesystem::create_directory(gBig + "/" + name);
    }
}

void Baseline(benchmark::State& state)
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open(text::UserCollationLocale(), &status);
    ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    for (auto _ : state) {
        std::vector<std::string> names;
        DIR* dir = opendir(gBig.c_str());
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue;
            struct stat st {};
            if (fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode))
                names.emplace_back(entry->d_name);
        }
        closedir(dir);
        std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
            UErrorCode error = U_ZERO_ERROR;
            return ucol_strcollUTF8(collator, a.data(), static_cast<int32_t>(a.size()), b.data(),
                                    static_cast<int32_t>(b.size()), &error) == UCOL_LESS;
        });
        if (names.size() != kFolders)
            state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(names.data());
    }
    ucol_close(collator);
}

void ExpandInTree(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<TShellTreeView>(nullptr);
        tree->Widget()->resize(300, 600);
        tree->SetRoot(gParent);
        tree->Widget()->show();
        QApplication::processEvents();
        TTreeNode* big = tree->TopItem()->Item(0);
        state.ResumeTiming();

        tree->Expand(big);
        // Until the expanded tree has been laid out and painted.
        tree->TreeView()->repaint();
        QApplication::processEvents();

        state.PauseTiming();
        if (big->Count() != kFolders)
            state.SkipWithError("wrong count");
        tree.reset();
        state.ResumeTiming();
    }
}

BENCHMARK(Baseline)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(ExpandInTree)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv)
{
    bench::QtApplication qt(argc, argv);
    InitializeShell();
    MakeFolders();

    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const bench::Times baseline = reporter.Time("Baseline");
    const bench::Times tree = reporter.Time("ExpandInTree");
    if (baseline.real > 0 && tree.real > 0)
        std::printf("\nExpanding %d sub-folders: %.2f ms (CPU %.2f ms); baseline (readdir + stat + collated sort) "
                    "%.2f ms (CPU %.2f ms); ratio %.2f real, %.2f CPU (goal: at most 2)\n",
                    kFolders, tree.real * 1e3, tree.cpu * 1e3, baseline.real * 1e3, baseline.cpu * 1e3,
                    tree.real / baseline.real, tree.cpu / baseline.cpu);

    FinalizeShell();
    std::error_code error;
    std::filesystem::remove_all(gParent, error);
    benchmark::Shutdown();
    return 0;
}
