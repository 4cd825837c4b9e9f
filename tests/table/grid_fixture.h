#pragma once
// Shared set-up for the grid tests: a song-like table ordered by title, a data
// source, and a grid on it sized to a given number of whole rows, shown
// offscreen inside a window with one other control to take the focus.

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "forms/application.h"
#include "table/datasource.h"
#include "table/dxDBGrid.h"
#include "table/dxmdaset.h"

namespace gridtest {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class GridTest : public ::testing::Test {
protected:
    GridTest()
    {
        owner = std::make_unique<TComponent>(nullptr);
        table = new TdxMemData(owner.get());
        table->SetName("dxMemData");
        title = AddField("FileName", 40, "檔案名稱");
        length = AddField("FileLeng", 6, " 時 間");
        path = AddField("FileName2", 120, "檔案路徑");
        table->SetSortedField("FileName");
        table->Open();
        source = new TDataSource(owner.get());
        source->SetDataSet(table);

        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        other = new QLineEdit(window.get());
        layout->addWidget(other);

        grid = new TdxDBGrid(owner.get());
        grid->SetName("dxDBGrid1");
        grid->SetParentWidget(window.get());
        layout->addWidget(grid->Widget());
        grid->SetDataSource(source);
        AddColumn("RecId", 26, false, false);
        AddColumn("FileName", 144, true, true);
        AddColumn("FileLeng", 38, false, true);
        AddColumn("FileName2", 319, true, true);
        grid->SetLookAndFeel(lfFlat);
        grid->SetOptionsView(edgoBandHeaderWidth | edgoRowSelect | edgoUseBitmap);
        grid->OnDblClick = [this](TObject*) { events.push_back("DblClick"); };
        table->AfterScroll = [this](TdxMemData*) { events.push_back("AfterScroll"); };

        window->resize(600, 300);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        SetRows(7);
        viewport()->installEventFilter(&counter);

        Application->SetMessageBoxHook(
            [this](const std::string&, const std::string& text) { errors.push_back(text); });
        TdxDBGrid::SetConfirmHook([this](const std::string& caption, const std::string& text) {
            asked.push_back(caption + "|" + text);
            return answer;
        });
    }

    ~GridTest() override
    {
        TdxDBGrid::SetConfirmHook(nullptr);
        Application->SetMessageBoxHook(nullptr);
        if (grid && grid->Widget())
            viewport()->removeEventFilter(&counter);
        owner.reset();
        window.reset();
    }

    TStringField* AddField(const std::string& name, int size, const std::string& label)
    {
        auto* field = new TStringField(table);
        field->SetFieldName(name);
        field->SetSize(size);
        field->SetDisplayLabel(label);
        field->SetDataSet(table);
        return field;
    }

    TdxDBGridColumn* AddColumn(const std::string& field, int width, bool visible, bool readOnly)
    {
        auto* column = new TdxDBGridMaskColumn(owner.get());
        column->SetGrid(grid);
        column->SetFieldName(field);
        column->SetWidth(width);
        column->SetVisible(visible);
        column->SetReadOnly(readOnly);
        return column;
    }

    QAbstractScrollArea* view() const { return static_cast<QAbstractScrollArea*>(grid->Widget()); }
    QWidget* viewport() const { return view()->viewport(); }
    QScrollBar* bar() const { return view()->verticalScrollBar(); }

    // Sizes the grid so that `rows` whole rows (and a part of one more) fit.
    void SetRows(int rows)
    {
        for (int pass = 0; pass < 3; ++pass) {
            const int want = rows * grid->RowHeight() + grid->RowHeight() / 2;
            const int delta = want - viewport()->height();
            if (delta == 0)
                break;
            grid->Widget()->setFixedHeight(grid->Widget()->height() + delta);
            window->resize(600, window->sizeHint().height());
            QApplication::processEvents();
        }
        ASSERT_EQ(rows, grid->VisibleRowCount());
    }

    // Appends songs "s01", "s02", ... with paths "/m/s01.mp3", ... between
    // DisableControls and EnableControls, then First.
    void Fill(int count)
    {
        table->DisableControls();
        for (int i = 1; i <= count; ++i) {
            table->Append();
            title->SetAsString(Title(i));
            path->SetAsString("/m/" + Title(i) + ".mp3");
            table->Post();
        }
        table->First();
        table->EnableControls();
        QApplication::processEvents();
        events.clear();
    }

    static std::string Title(int i)
    {
        char text[16];
        std::snprintf(text, sizeof text, "s%02d", i);
        return text;
    }

    // The titles the grid shows, the focused one marked "*".
    std::string Shown() const
    {
        std::string all;
        for (int row = 0; row < grid->ShownRowCount(); ++row) {
            if (row)
                all += ' ';
            all += grid->ShownText(row, 0);
            if (row == grid->ShownFocusedRow())
                all += '*';
        }
        return all;
    }

    // The centre of the cell of window row `row` in visible column `column`.
    QPoint Cell(int row, int column = 0) const { return grid->CellRect(row, column).center(); }

    void Click(int row) { QTest::mouseClick(viewport(), Qt::LeftButton, {}, Cell(row)); }
    void Key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(view(), static_cast<Qt::Key>(key), modifiers);
    }
    int Count(const std::string& event) const
    {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }

    std::unique_ptr<TComponent> owner;
    std::unique_ptr<QWidget> window;
    QLineEdit* other = nullptr;
    TdxMemData* table = nullptr;
    TStringField* title = nullptr;
    TStringField* length = nullptr;
    TStringField* path = nullptr;
    TDataSource* source = nullptr;
    TdxDBGrid* grid = nullptr;
    PaintCounter counter;
    std::vector<std::string> events;
    std::vector<std::string> errors;
    std::vector<std::string> asked;
    bool answer = true;
};

}  // namespace gridtest
