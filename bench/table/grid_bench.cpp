// The grid's cost does not depend on the table's size: 1,000 cursor moves,
// each followed by the repaint it causes, on a grid of 20 rows over a table
// of 1,000 records (the baseline) and of 1,000,000 records. Goal: the large
// table takes at most 1.5x the baseline's time, measured in the same run.
//
// The moves go down and up in runs of 30, so most only move the focus inside
// the rows and some scroll the window past an edge, as a user's do.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "common/qt_app.h"
#include "common/ratio.h"
#include "forms/application.h"
#include "table/datasource.h"
#include "table/dxDBGrid.h"
#include "table/dxmdaset.h"

namespace {

// A song table of n records with a grid showing it in a shown window.
struct Scene {
    explicit Scene(int n)
    {
        table = new TdxMemData(&owner);
        table->SetName("dxMemData");
        auto* title = AddField("FileName", 40);
        auto* path = AddField("FileName2", 120);
        table->SetSortedField("FileName");
        table->Open();
        table->DisableControls();
        char text[64];
        for (int i = 0; i < n; ++i) {
            table->Append();
            std::snprintf(text, sizeof text, "song %07d", i);
            title->SetAsString(text);
            std::snprintf(text, sizeof text, "/music/album %04d/song %07d.mp3", i / 12, i);
            path->SetAsString(text);
            table->Post();
        }
        table->SetRecNo(n / 2);
        table->EnableControls();

        source = new TDataSource(&owner);
        source->SetDataSet(table);
        grid = new TdxDBGrid(&owner);
        grid->SetParentWidget(&window);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(grid->Widget());
        grid->SetDataSource(source);
        grid->SetLookAndFeel(lfFlat);
        grid->SetOptionsView(edgoBandHeaderWidth | edgoRowSelect | edgoUseBitmap);
        AddColumn("FileName", 144);
        AddColumn("FileName2", 319);
        window.resize(520, 20 * grid->RowHeight() + 40);
        window.show();
        QApplication::processEvents();
    }

    TStringField* AddField(const char* name, int size)
    {
        auto* field = new TStringField(table);
        field->SetFieldName(name);
        field->SetSize(size);
        field->SetDataSet(table);
        return field;
    }

    void AddColumn(const char* field, int width)
    {
        auto* column = new TdxDBGridMaskColumn(&owner);
        column->SetGrid(grid);
        column->SetFieldName(field);
        column->SetWidth(width);
    }

    QWidget window;
    TComponent owner{nullptr};
    TdxMemData* table = nullptr;
    TDataSource* source = nullptr;
    TdxDBGrid* grid = nullptr;
};

// Built once per size; freed before the Qt application.
std::map<int, std::unique_ptr<Scene>> scenes;

Scene& SceneOf(int n)
{
    auto& scene = scenes[n];
    if (!scene)
        scene = std::make_unique<Scene>(n);
    return *scene;
}

void BM_MovesWithRepaint(benchmark::State& state)
{
    Scene& scene = SceneOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            scene.table->MoveBy((i / 30) % 2 == 0 ? 1 : -1);
            QApplication::processEvents();  // the repaint the move asked for
        }
    }
    benchmark::DoNotOptimize(scene.table->RecNo());
}

}  // namespace

int main(int argc, char** argv)
{
    bench::QtApplication qt(argc, argv);

    benchmark::RegisterBenchmark("MovesWithRepaint", BM_MovesWithRepaint)
        ->Arg(1000)
        ->Arg(1000000)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // CPU milliseconds per 1,000 moves.
    const double small = reporter.Time("MovesWithRepaint/1000").cpu * 1e3;
    const double large = reporter.Time("MovesWithRepaint/1000000").cpu * 1e3;
    if (small > 0 && large > 0) {
        const double ratio = large / small;
        std::printf("\n1,000 moves with repaint: %.2f ms at 1,000 records, %.2f ms at 1,000,000 records\n", small,
                    large);
        std::printf("ratio 1,000,000 / 1,000: %.2fx (goal <= 1.5x): %s\n", ratio, ratio <= 1.5 ? "met" : "NOT met");
    }
    scenes.clear();
    benchmark::Shutdown();
    return 0;
}
