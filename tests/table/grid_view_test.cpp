// What the grid shows: columns and captions, the window of records, following
// the table's cursor, the highlight, and drawing only when the table's
// controls are enabled.

#include <QHeaderView>
#include <QImage>
#include <QScreen>
#include <QWindow>
#include <QStandardItemModel>

#include "tests/table/grid_fixture.h"

namespace gridtest {
namespace {

QHeaderView* Header(TdxDBGrid* grid) { return grid->Widget()->findChild<QHeaderView*>(); }

TEST_F(GridTest, ShowsVisibleColumnsUnderTheFieldLabelsAndHidesTheOthers)
{
    const std::vector<TdxDBGridColumn*> shown = grid->VisibleColumns();
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ("FileName", shown[0]->FieldName());
    EXPECT_EQ("FileName2", shown[1]->FieldName());
    EXPECT_EQ("檔案名稱", shown[0]->Caption());
    EXPECT_EQ("檔案路徑", shown[1]->Caption());
    EXPECT_EQ("RecId", grid->Columns(0)->Caption());  // a label-less field: its name

    QHeaderView* header = Header(grid);
    ASSERT_NE(nullptr, header);
    EXPECT_TRUE(header->isVisible());
    EXPECT_EQ("檔案名稱", header->model()->headerData(1, Qt::Horizontal).toString().toStdString());
    EXPECT_TRUE(header->isSectionHidden(0));
    EXPECT_TRUE(header->isSectionHidden(2));
    EXPECT_EQ(144, grid->CellRect(0, 0).width());
    EXPECT_EQ(319, grid->CellRect(0, 1).width());
    EXPECT_EQ(grid->CellRect(0, 0).right() + 1, grid->CellRect(0, 1).left());

    Fill(3);
    EXPECT_EQ("s01* s02 s03", Shown());
    EXPECT_EQ("/m/s02.mp3", grid->ShownText(1, 1));
}

TEST_F(GridTest, WithoutHeaderTheRowsStartAtTheTop)
{
    const int withHeader = viewport()->mapTo(grid->Widget(), QPoint(0, 0)).y();
    grid->SetShowHeader(false);
    QApplication::processEvents();
    EXPECT_FALSE(Header(grid)->isVisible());
    EXPECT_LT(viewport()->mapTo(grid->Widget(), QPoint(0, 0)).y(), withHeader);
    EXPECT_EQ(0, grid->HeaderHeight());
    EXPECT_EQ(0, grid->RowRect(0).top());
}

TEST_F(GridTest, EmptyOrClosedTableShowsNoRows)
{
    EXPECT_EQ(0, grid->ShownRowCount());
    EXPECT_EQ(-1, grid->ShownFocusedRow());
    Fill(4);
    EXPECT_EQ(4, grid->ShownRowCount());
    table->Close();
    EXPECT_EQ(0, grid->ShownRowCount());
    EXPECT_EQ(-1, grid->ShownFocusedRow());
    table->Open();
    EXPECT_EQ(0, grid->ShownRowCount());
    // A grid without a data source shows nothing either.
    Fill(2);
    grid->SetDataSource(nullptr);
    EXPECT_EQ(0, grid->ShownRowCount());
}

TEST_F(GridTest, ShowsOnlyTheRowsThatFit)
{
    Fill(50);
    EXPECT_EQ(7, grid->ShownRowCount());
    EXPECT_EQ("s01* s02 s03 s04 s05 s06 s07", Shown());
    SetRows(4);
    EXPECT_EQ("s01* s02 s03 s04", Shown());
}

TEST_F(GridTest, LocateCentresTheFoundRecordWhereverItWas)
{
    Fill(20);
    // Already visible, past the edge, backwards: always the fourth of seven rows.
    for (int i : {5, 6, 15, 9, 12, 4, 17}) {
        ASSERT_TRUE(table->Locate("FileName", Title(i), 0));
        EXPECT_EQ(3, grid->ShownFocusedRow()) << i;
        EXPECT_EQ(Title(i), grid->ShownText(3, 0)) << i;
        EXPECT_EQ(7, grid->ShownRowCount());
    }
    // Near the ends the rows stay filled and the record sits higher or lower.
    ASSERT_TRUE(table->Locate("FileName", Title(2), 0));
    EXPECT_EQ("s01 s02* s03 s04 s05 s06 s07", Shown());
    ASSERT_TRUE(table->Locate("FileName", Title(19), 0));
    EXPECT_EQ("s14 s15 s16 s17 s18 s19* s20", Shown());
}

TEST_F(GridTest, FollowsTheTableCursor)
{
    Fill(20);
    table->Next();
    table->Next();
    EXPECT_EQ("s01 s02 s03* s04 s05 s06 s07", Shown());
    table->MoveBy(6);  // past the bottom edge: the window scrolls by the distance
    EXPECT_EQ("s03 s04 s05 s06 s07 s08 s09*", Shown());
    table->Last();
    EXPECT_EQ("s14 s15 s16 s17 s18 s19 s20*", Shown());
    table->SetRecNo(10);
    EXPECT_EQ("s07 s08 s09 s10* s11 s12 s13", Shown());
    table->First();
    EXPECT_EQ("s01* s02 s03 s04 s05 s06 s07", Shown());
    EXPECT_EQ(1, bar()->value());
    table->SetRecNo(15);
    EXPECT_EQ(15, bar()->value());
}

TEST_F(GridTest, ShowsChangesOfTheDataAtOnce)
{
    Fill(3);
    table->Append();
    title->SetAsString("a00");
    table->Post();
    EXPECT_EQ("a00* s01 s02 s03", Shown());
    table->Next();
    table->Delete();
    EXPECT_EQ("a00 s02* s03", Shown());
}

TEST_F(GridTest, FocusedRecordIsHighlightedAlsoWithoutInputFocus)
{
    Fill(10);
    other->setFocus();
    ASSERT_TRUE(table->Locate("FileName", Title(6), 0));
    QApplication::processEvents();
    ASSERT_FALSE(view()->hasFocus());
    const QImage image = viewport()->grab().toImage();
    const QColor highlight = view()->palette().color(QPalette::Active, QPalette::Highlight);
    const QColor base = view()->palette().color(QPalette::Active, QPalette::Base);
    const auto at = [&](int row, int column) {
        const QRect cell = grid->CellRect(row, column);
        return image.pixelColor(cell.left() + 1, cell.top() + 1);
    };
    // Row select: every cell of the focused (fourth) row, and no other row.
    EXPECT_EQ(highlight, at(3, 0));
    EXPECT_EQ(highlight, at(3, 1));
    EXPECT_EQ(base, at(2, 0));
    EXPECT_EQ(base, at(4, 1));
}

TEST_F(GridTest, WithoutRowSelectOnlyTheFocusedCellIsHighlighted)
{
    grid->SetOptionsView(edgoBandHeaderWidth | edgoUseBitmap);
    Fill(5);
    grid->SetFocusedColumn(1);
    QApplication::processEvents();
    const QImage image = viewport()->grab().toImage();
    const QColor highlight = view()->palette().color(QPalette::Active, QPalette::Highlight);
    const QRect focused = grid->CellRect(0, 1);
    const QRect beside = grid->CellRect(0, 0);
    EXPECT_EQ(highlight, image.pixelColor(focused.left() + 1, focused.top() + 1));
    EXPECT_NE(highlight, image.pixelColor(beside.left() + 1, beside.top() + 1));
}

TEST_F(GridTest, NoRepaintWhileControlsAreDisabledThenOneRedraw)
{
    Fill(5);
    table->Next();
    QApplication::processEvents();
    const std::string before = Shown();
    const int paints = counter.paints;

    table->DisableControls();
    for (int i = 0; i < 30; ++i) {
        table->Append();
        title->SetAsString("a" + Title(i));
        table->Post();
    }
    table->First();
    QApplication::processEvents();
    // The grid also keeps what it shows when it must paint meanwhile.
    viewport()->repaint();
    const int whileDisabled = counter.paints;
    EXPECT_EQ(before, Shown());
    EXPECT_EQ(paints + 1, whileDisabled);

    table->EnableControls();
    EXPECT_EQ("as00* as01 as02 as03 as04 as05 as06", Shown());
    QApplication::processEvents();
    EXPECT_EQ(whileDisabled + 1, counter.paints);
}

TEST_F(GridTest, NestedDisableWaitsForTheOutermostEnable)
{
    Fill(3);
    table->DisableControls();
    table->DisableControls();
    table->Last();
    table->EnableControls();
    EXPECT_EQ("s01* s02 s03", Shown());
    table->EnableControls();
    EXPECT_EQ("s01 s02 s03*", Shown());
}

TEST_F(GridTest, MoveInsideTheWindowRepaintsOnlyTwoRows)
{
    Fill(20);
    QApplication::processEvents();
    QRegion painted;
    class RegionSpy : public QObject {
    public:
        explicit RegionSpy(QRegion& region) : FRegion(region) {}

    protected:
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                FRegion += static_cast<QPaintEvent*>(event)->region();
            return false;
        }

    private:
        QRegion& FRegion;
    } spy(painted);
    viewport()->installEventFilter(&spy);
    table->Next();
    QApplication::processEvents();
    viewport()->removeEventFilter(&spy);
    EXPECT_EQ(grid->RowRect(0).united(grid->RowRect(1)), painted.boundingRect());
}

TEST_F(GridTest, ClickOnTheHeaderDoesNotSort)
{
    Fill(5);
    table->Last();
    events.clear();
    const std::string before = Shown();
    QHeaderView* header = Header(grid);
    const QPoint caption(header->sectionViewportPosition(1) + 10, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, caption);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, caption);
    EXPECT_EQ(before, Shown());
    EXPECT_EQ(5, table->RecNo());
    EXPECT_TRUE(events.empty());
}

TEST_F(GridTest, ColumnsFollowTheirSettings)
{
    Fill(2);
    TdxDBGridColumn* path = grid->Columns(3);
    path->SetVisible(false);
    ASSERT_EQ(1u, grid->VisibleColumns().size());
    grid->Columns(2)->SetVisible(true);
    ASSERT_EQ(2u, grid->VisibleColumns().size());
    EXPECT_EQ("FileLeng", grid->VisibleColumns()[1]->FieldName());
    EXPECT_EQ(" 時 間", Header(grid)->model()->headerData(2, Qt::Horizontal).toString().toStdString());
    grid->Columns(1)->SetWidth(60);
    EXPECT_EQ(60, grid->CellRect(0, 0).width());
    // A user's resize by the header is the column's width.
    Header(grid)->resizeSection(1, 90);
    EXPECT_EQ(90, grid->Columns(1)->Width());
    // Dragged before the title, the length column is shown first.
    Header(grid)->moveSection(2, 1);
    EXPECT_EQ("FileLeng", grid->VisibleColumns()[0]->FieldName());
    EXPECT_EQ("s01", grid->ShownText(0, 1));
    // A freed column leaves the grid.
    delete path;
    EXPECT_EQ(3, grid->ColumnCount());
}

TEST_F(GridTest, SurvivesItsWidgetFreedFirst)
{
    Fill(3);
    window.reset();  // frees the grid's widget with its parent
    EXPECT_EQ(nullptr, grid->Widget());
    // The table goes on telling the grid, which has nothing left to draw on.
    table->Last();
    EXPECT_EQ(3, table->RecNo());
    table->Close();
    EXPECT_EQ(0, table->RecNo());
    grid->SetDataSource(nullptr);
    EXPECT_EQ(nullptr, grid->DataSource());
}

}  // namespace
}  // namespace gridtest

namespace {

using gridtest::GridTest;

// A centred cursor moves the window a row at a time; the rows kept in view are
// moved on the screen rather than painted again, and the screen must show
// what a full paint shows, marked rows included.
TEST_F(GridTest, StepsOfACentredCursorShowWhatAFullPaintShows)
{
    Fill(30);
    grid->SetHighlightFocus(false);
    table->SetRecNo(10);
    QApplication::processEvents();
    for (int recNo = 11; recNo <= 14; ++recNo) {
        table->SetRecNo(recNo);
        grid->SetMarkedRows({recNo - 1, recNo});
        QApplication::processEvents();
        const QPoint origin = viewport()->mapTo(window.get(), QPoint(0, 0));
        const QImage screen = window->screen()
                                  ->grabWindow(window->winId(), origin.x(), origin.y(), viewport()->width(),
                                               viewport()->height())
                                  .toImage()
                                  .convertToFormat(QImage::Format_RGB32);
        const QImage painted = viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(screen.size(), painted.size());
        EXPECT_TRUE(screen == painted) << "at record " << recNo;
        EXPECT_TRUE(grid->ShownMarked(grid->ShownFocusedRow()));
    }
}

// A long table's cursor moves the thumb less than a pixel at most steps: the
// bar is painted again only when it moves, nothing behind the bar is painted,
// and the screen always shows what a full paint of the bar shows.
TEST_F(GridTest, TheBarIsPaintedOnlyWhenItsThumbMoves)
{
    Fill(240);
    table->SetRecNo(100);
    QApplication::processEvents();
    gridtest::PaintCounter barPaints, windowPaints;
    bar()->installEventFilter(&barPaints);
    window->installEventFilter(&windowPaints);
    constexpr int steps = 30;
    for (int recNo = 101; recNo <= 100 + steps; ++recNo) {
        table->SetRecNo(recNo);
        QApplication::processEvents();
        const QPoint origin = bar()->mapTo(window.get(), QPoint(0, 0));
        const QImage screen =
            window->screen()
                ->grabWindow(window->winId(), origin.x(), origin.y(), bar()->width(), bar()->height())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        bar()->removeEventFilter(&barPaints);  // the full paint is not counted
        const QImage painted = bar()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        bar()->installEventFilter(&barPaints);
        ASSERT_EQ(screen.size(), painted.size());
        EXPECT_TRUE(screen == painted) << "at record " << recNo;
    }
    bar()->removeEventFilter(&barPaints);
    window->removeEventFilter(&windowPaints);
    EXPECT_GT(barPaints.paints, 0);
    EXPECT_LT(barPaints.paints, steps / 2);
    EXPECT_EQ(windowPaints.paints, 0);
}

}  // namespace
