// The user moves the table's cursor through the grid: clicks, double clicks,
// the keyboard, the scroll bar and the wheel; Ctrl+Delete deletes.

#include <QWheelEvent>

#include "tests/table/grid_fixture.h"

namespace gridtest {
namespace {

TEST_F(GridTest, ClickOnARowIsOneMoveToIt)
{
    Fill(20);
    Click(2);
    EXPECT_EQ(std::vector<std::string>{"AfterScroll"}, events);
    EXPECT_EQ(3, table->RecNo());
    EXPECT_EQ("s01 s02 s03* s04 s05 s06 s07", Shown());
    EXPECT_TRUE(view()->hasFocus());

    // On the focused row: nothing moves.
    events.clear();
    Click(2);
    EXPECT_TRUE(events.empty());

    // Below the last record, or with the right button: nothing either.
    table->Close();
    table->Open();
    Fill(2);
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, Cell(5));
    QTest::mouseClick(viewport(), Qt::RightButton, {}, Cell(1));
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(1, table->RecNo());
}

TEST_F(GridTest, DoubleClickIsReportedOnceAfterTheRowBecameCurrent)
{
    Fill(10);
    int recNoSeen = 0;
    grid->OnDblClick = [&](TObject* sender) {
        EXPECT_EQ(grid, sender);
        recNoSeen = table->RecNo();
        events.push_back("DblClick");
    };
    QTest::mouseDClick(viewport(), Qt::LeftButton, {}, Cell(4));
    EXPECT_EQ((std::vector<std::string>{"AfterScroll", "DblClick"}), events);
    EXPECT_EQ(5, recNoSeen);

    // On the empty area below the records nothing is reported.
    table->Close();
    table->Open();
    Fill(2);
    QTest::mouseDClick(viewport(), Qt::LeftButton, {}, Cell(5));
    EXPECT_TRUE(events.empty());
}

TEST_F(GridTest, UpAndDownStopAtTheEndsAsTheTableDoes)
{
    Fill(3);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(3, table->RecNo());
    events.clear();
    Key(Qt::Key_Down);  // on the last record: the table's own Next
    EXPECT_EQ(1, Count("AfterScroll"));
    EXPECT_EQ(3, table->RecNo());
    Key(Qt::Key_Down);
    EXPECT_EQ(1, Count("AfterScroll"));
    Key(Qt::Key_Up);
    EXPECT_EQ(2, table->RecNo());
    EXPECT_EQ("s01 s02* s03", Shown());
}

TEST_F(GridTest, KeysAndWheelOnAnEmptyTableMoveNothing)
{
    for (int key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp})
        Key(key);
    QWheelEvent down(Cell(0), viewport()->mapToGlobal(Cell(0)), {}, QPoint(0, -120), Qt::NoButton, {},
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport(), &down);
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(0, grid->ShownRowCount());
}

TEST_F(GridTest, PageKeysGoToTheEdgeRowFirstThenByAPage)
{
    Fill(30);
    Key(Qt::Key_PageDown);  // from the top row to the bottom visible row
    EXPECT_EQ(7, table->RecNo());
    EXPECT_EQ("s01 s02 s03 s04 s05 s06 s07*", Shown());
    events.clear();
    Key(Qt::Key_PageDown);  // on the bottom row: by the rows less one
    EXPECT_EQ(13, table->RecNo());
    EXPECT_EQ(1, Count("AfterScroll"));
    Key(Qt::Key_PageUp);  // to the top visible row
    EXPECT_EQ(7, table->RecNo());
    Key(Qt::Key_PageUp);
    EXPECT_EQ(1, table->RecNo());
    table->SetRecNo(10);  // centred: strictly inside the rows
    Key(Qt::Key_PageDown);
    EXPECT_EQ(13, table->RecNo());
}

TEST_F(GridTest, HomeAndEndMoveToTheEndsInARowSelectGrid)
{
    Fill(12);
    Key(Qt::Key_End);
    EXPECT_EQ(12, table->RecNo());
    EXPECT_EQ("s06 s07 s08 s09 s10 s11 s12*", Shown());
    Key(Qt::Key_Home);
    EXPECT_EQ(1, table->RecNo());
}

TEST_F(GridTest, WithoutRowSelectHomeAndEndPickTheColumnUnlessCtrl)
{
    grid->SetOptionsView(edgoBandHeaderWidth | edgoUseBitmap);
    Fill(12);
    Key(Qt::Key_End);
    EXPECT_EQ(1, table->RecNo());
    EXPECT_EQ(1, grid->FocusedColumn());
    Key(Qt::Key_Home);
    EXPECT_EQ(0, grid->FocusedColumn());
    Key(Qt::Key_Right);
    EXPECT_EQ(1, grid->FocusedColumn());
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(12, table->RecNo());
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(1, table->RecNo());
}

TEST_F(GridTest, CtrlDeleteAsksAndDeletesOnlyOnOk)
{
    Fill(5);
    table->SetRecNo(2);
    events.clear();
    answer = false;
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(std::vector<std::string>{"Confirm|Delete record?"}, asked);
    EXPECT_EQ(5, table->RecordCount());
    EXPECT_EQ(2, table->RecNo());
    EXPECT_TRUE(events.empty());

    answer = true;
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(4, table->RecordCount());
    EXPECT_EQ("s01 s03* s04 s05", Shown());
    EXPECT_EQ(1, Count("AfterScroll"));

    // Delete without Ctrl, and Ctrl+Delete on an empty table, ask nothing.
    asked.clear();
    Key(Qt::Key_Delete);
    table->Close();
    table->Open();
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(errors.empty());
}

TEST_F(GridTest, CtrlDeleteKeepsARecordTheCursorLeftWhileAsking)
{
    Fill(5);
    TdxDBGrid::SetConfirmHook([this](const std::string&, const std::string&) {
        table->Next();  // a timer's handler while the box is open
        return true;
    });
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(5, table->RecordCount());
    EXPECT_EQ(2, table->RecNo());
}

TEST_F(GridTest, DeletingTheLastRecordFocusesTheNewLast)
{
    Fill(3);
    table->Last();
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ("s01 s02*", Shown());
}

TEST_F(GridTest, ScrollBarMovesTheTableCursor)
{
    Fill(40);
    ASSERT_TRUE(bar()->isVisibleTo(view()));
    EXPECT_EQ(1, bar()->minimum());
    EXPECT_EQ(40, bar()->maximum());

    bar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // the record below the rows
    EXPECT_EQ(8, table->RecNo());
    EXPECT_EQ(8, bar()->value());
    EXPECT_EQ("s02 s03 s04 s05 s06 s07 s08*", Shown());
    bar()->triggerAction(QAbstractSlider::SliderSingleStepSub);  // the record above them
    EXPECT_EQ(1, table->RecNo());
    bar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(8, table->RecNo());
    bar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(1, table->RecNo());
    bar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(40, table->RecNo());
    bar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(1, table->RecNo());
    EXPECT_EQ(1, bar()->value());

    // Dragging the thumb moves nothing until it is released.
    events.clear();
    bar()->setSliderDown(true);
    bar()->setSliderPosition(25);
    EXPECT_EQ(1, table->RecNo());
    EXPECT_TRUE(events.empty());
    bar()->setSliderDown(false);
    EXPECT_EQ(25, table->RecNo());
    EXPECT_EQ(1, Count("AfterScroll"));
    EXPECT_EQ(3, grid->ShownFocusedRow());  // placed in the middle
    EXPECT_EQ(25, bar()->value());
}

TEST_F(GridTest, ScrollBarAppearsOnlyWhenRecordsExceedTheRows)
{
    Fill(7);
    EXPECT_EQ(bar()->minimum(), bar()->maximum());
    table->Append();
    title->SetAsString("s99");
    table->Post();
    EXPECT_EQ(8, bar()->maximum());
}

TEST_F(GridTest, WheelMovesTheCursor)
{
    Fill(20);
    const QPoint at = Cell(1);
    QWheelEvent down(at, viewport()->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, {}, Qt::NoScrollPhase,
                     false);
    QApplication::sendEvent(viewport(), &down);
    EXPECT_EQ(1 + QApplication::wheelScrollLines(), table->RecNo());
    EXPECT_EQ(1, Count("AfterScroll"));
}

TEST_F(GridTest, TableErrorsFromInputAreReportedOnce)
{
    Fill(5);
    table->BeforeScroll = [](TdxMemData*) { throw Exception("no moving now"); };
    Click(3);
    Key(Qt::Key_Down);
    EXPECT_EQ((std::vector<std::string>{"no moving now.", "no moving now."}), errors);
    EXPECT_EQ(1, table->RecNo());
    EXPECT_EQ("s01* s02 s03 s04 s05", Shown());
}

}  // namespace
}  // namespace gridtest
