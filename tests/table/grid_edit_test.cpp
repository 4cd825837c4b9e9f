// Editing in a grid without row select: the in-place editor, Insert, Esc, and
// what happens to a pending record when the user leaves it.

#include "tests/table/grid_fixture.h"

namespace gridtest {
namespace {

// The path column is editable, the title column (the sort field) is not.
class GridEditTest : public GridTest {
protected:
    GridEditTest()
    {
        grid->SetOptionsView(edgoBandHeaderWidth | edgoUseBitmap);
        grid->Columns(3)->SetReadOnly(false);
        Fill(5);
        table->SetRecNo(3);
        grid->SetFocusedColumn(1);
        view()->setFocus();
        events.clear();
    }

    QLineEdit* Editor() const
    {
        for (QLineEdit* edit : viewport()->findChildren<QLineEdit*>())
            return edit;
        return nullptr;
    }
    void Type(const QString& text) { QTest::keyClicks(Editor(), text); }
    void EditorKey(int key) { QTest::keyClick(Editor(), static_cast<Qt::Key>(key)); }
};

TEST_F(GridEditTest, F2EditsTheFocusedCellAndLeavingTheRowPosts)
{
    Key(Qt::Key_F2);
    ASSERT_TRUE(grid->Editing());
    EXPECT_EQ(dsEdit, table->State());
    EXPECT_TRUE(Editor()->isVisible());
    EXPECT_EQ("/m/s03.mp3", Editor()->text().toStdString());
    EXPECT_EQ(grid->CellRect(grid->ShownFocusedRow(), 1).topLeft(), Editor()->geometry().topLeft());
    Type("new path");  // replaces the selected text
    EXPECT_EQ("new path", path->AsString());
    EXPECT_EQ("new path", grid->ShownText(2, 1));

    EditorKey(Qt::Key_Down);
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ(dsBrowse, table->State());
    EXPECT_EQ(4, table->RecNo());
    EXPECT_EQ("new path", table->GetAsString(2, path));
    EXPECT_EQ("s03", table->GetAsString(2, title));  // the record kept its place
}

TEST_F(GridEditTest, TypingOpensTheEditorWithTheTypedText)
{
    QTest::keyClicks(view(), "q");
    ASSERT_TRUE(grid->Editing());
    EXPECT_EQ("q", Editor()->text().toStdString());
    Type("rs");
    EXPECT_EQ("qrs", path->AsString());
    EditorKey(Qt::Key_Return);  // closes the editor, the record stays pending
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ(dsEdit, table->State());
    EXPECT_TRUE(view()->hasFocus());
    Key(Qt::Key_Up);
    EXPECT_EQ(dsBrowse, table->State());
    EXPECT_EQ("qrs", table->GetAsString(2, path));
}

TEST_F(GridEditTest, EscDropsTheTypedTextThenThePendingEdit)
{
    Key(Qt::Key_F2);
    Type("typed");
    EditorKey(Qt::Key_Escape);
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ("/m/s03.mp3", path->AsString());
    EXPECT_EQ(dsEdit, table->State());
    Key(Qt::Key_Escape);
    EXPECT_EQ(dsBrowse, table->State());
    EXPECT_EQ("/m/s03.mp3", path->AsString());
    EXPECT_EQ(3, table->RecNo());
}

TEST_F(GridEditTest, ReadOnlyColumnsAndRowSelectGridsNeverEdit)
{
    grid->SetFocusedColumn(0);
    Key(Qt::Key_F2);
    QTest::keyClicks(view(), "x");
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ(dsBrowse, table->State());

    grid->SetFocusedColumn(1);
    grid->SetOptionsView(edgoRowSelect);
    Key(Qt::Key_F2);
    Key(Qt::Key_Insert);
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ(dsBrowse, table->State());
    EXPECT_EQ(5, table->RecordCount());
}

TEST_F(GridEditTest, InsertBeginsARecordInFrontThatEscDrops)
{
    Key(Qt::Key_Insert);
    EXPECT_EQ(dsInsert, table->State());
    EXPECT_EQ("s01 s02 * s03 s04 s05", Shown());
    Key(Qt::Key_Escape);
    EXPECT_EQ(dsBrowse, table->State());
    EXPECT_EQ("s01 s02 s03* s04 s05", Shown());
    EXPECT_EQ(5, table->RecordCount());
}

TEST_F(GridEditTest, AnUntouchedNewRecordIsDroppedWhenLeft)
{
    Key(Qt::Key_Insert);
    Key(Qt::Key_Down);  // to the row shown below the new record
    EXPECT_EQ(5, table->RecordCount());
    EXPECT_EQ("s01 s02 s03* s04 s05", Shown());
}

TEST_F(GridEditTest, ANewRecordWithTextIsPostedWhenLeft)
{
    Key(Qt::Key_Insert);
    QTest::keyClicks(view(), "/");
    Type("new");
    EditorKey(Qt::Key_Down);
    EXPECT_EQ(6, table->RecordCount());
    // Ordered by title: the empty title goes first; the cursor went on to
    // the record that was shown below the new one.
    EXPECT_EQ("/new", table->GetAsString(0, path));
    EXPECT_EQ("s03", title->AsString());
}

TEST_F(GridEditTest, ANewRecordWhoseTextEscTookBackIsDroppedWhenLeft)
{
    Key(Qt::Key_Insert);
    QTest::keyClicks(view(), "/");
    Type("gone");
    EditorKey(Qt::Key_Escape);
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ(dsInsert, table->State());
    Key(Qt::Key_Down);
    EXPECT_EQ(dsBrowse, table->State());
    EXPECT_EQ(5, table->RecordCount());
    EXPECT_EQ("s03", title->AsString());
}

TEST_F(GridEditTest, ClickOnTheFocusedCellOpensTheEditorAndAnotherRowPosts)
{
    const int row = grid->ShownFocusedRow();
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, Cell(row, 1));
    ASSERT_TRUE(grid->Editing());
    Type("clicked");
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, Cell(0, 1));
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ(dsBrowse, table->State());
    EXPECT_EQ(1, table->RecNo());
    EXPECT_EQ("clicked", table->GetAsString(2, path));
    // A click on a cell of another row only moves there.
    EXPECT_FALSE(grid->Editing());
}

TEST_F(GridEditTest, LeavingTheGridPostsAnEditAndDropsAnUntouchedNewRecord)
{
    Key(Qt::Key_F2);
    Type("kept");
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(dsBrowse, table->State());
    EXPECT_EQ("kept", table->GetAsString(2, path));

    view()->setFocus();
    Key(Qt::Key_Insert);
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(dsBrowse, table->State());
    EXPECT_EQ(5, table->RecordCount());
}

TEST_F(GridEditTest, TextTypedIsKeptWhenTheProgramMovesTheCursor)
{
    Key(Qt::Key_F2);
    Type("during play");
    ASSERT_TRUE(table->Locate("FileName", Title(5), 0));
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ(dsBrowse, table->State());
    EXPECT_EQ("during play", table->GetAsString(2, path));
}

TEST_F(GridEditTest, FreeingTheGridWhileEditingLeavesTheTableUsable)
{
    Key(Qt::Key_F2);
    Type("half");
    ASSERT_TRUE(grid->Editing());
    delete grid->Columns(3);  // the editor's column: it closes, keeping the text
    EXPECT_FALSE(grid->Editing());
    grid->Columns(1)->SetReadOnly(false);
    Key(Qt::Key_F2);
    ASSERT_TRUE(grid->Editing());
    delete grid;
    grid = nullptr;
    // The pending edit stays with the table, which goes on without the grid.
    EXPECT_EQ(dsEdit, table->State());
    table->Post();
    EXPECT_EQ("half", table->GetAsString(2, path));
    table->Close();
}

}  // namespace
}  // namespace gridtest
