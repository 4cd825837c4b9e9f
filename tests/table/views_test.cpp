// What attached views are told, and the window of rows the table keeps for them.

#include <cstdio>

#include "tests/table/table_fixture.h"

using tabletest::RecordingLink;
using tabletest::TableTest;
using Told = std::vector<std::string>;

namespace {

class ViewsTest : public TableTest {
protected:
    ViewsTest()
    {
        Sorted();
        source = std::make_unique<TDataSource>(nullptr);
        source->SetDataSet(table.get());
        link.SetBufferCount(7);
        link.SetDataSource(source.get());
    }

    // r01 .. rNN
    void Fill(int count)
    {
        for (int i = 1; i <= count; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "r%02d", i);
            AddTitles({name});
        }
        link.Take();
    }
    std::string Window() const { return link.Window("Title"); }

    std::unique_ptr<TDataSource> source;
    RecordingLink link;
};

}  // namespace

TEST_F(ViewsTest, MovesInsideTheWindowMoveTheFocusAndMovesPastAnEdgeScrollIt)
{
    Fill(20);
    table->First();
    EXPECT_EQ(link.Take(), Told{"scrolled -13"});
    EXPECT_EQ(Window(), "r01* r02 r03 r04 r05 r06 r07");
    for (int i = 0; i < 6; ++i)
        table->Next();
    EXPECT_EQ(link.Take(), Told(6, "scrolled 0"));
    EXPECT_EQ(link.ActiveRecord(), 6);
    table->Next();
    EXPECT_EQ(link.Take(), Told{"scrolled 1"});
    EXPECT_EQ(Window(), "r02 r03 r04 r05 r06 r07 r08*");
    table->MoveBy(3);
    EXPECT_EQ(link.Take(), Told{"scrolled 3"});
    EXPECT_EQ(link.FirstRecord(), 4);
    table->Prior();
    EXPECT_EQ(link.Take(), Told{"scrolled 0"});
    EXPECT_EQ(link.ActiveRecord(), 5);
    table->Last();
    EXPECT_EQ(Window(), "r14 r15 r16 r17 r18 r19 r20*");
    EXPECT_EQ(link.RecordIndex(0), 13);
    EXPECT_EQ(link.RecordIndex(7), -1);
}

TEST_F(ViewsTest, AJumpCentresTheFoundRecordAsFarAsTheRowsAllow)
{
    Fill(20);
    ASSERT_TRUE(table->Locate("Title", "r10", 0));
    EXPECT_EQ(Window(), "r07 r08 r09 r10* r11 r12 r13");
    // Already visible: centred again.
    ASSERT_TRUE(table->Locate("Title", "r11", 0));
    EXPECT_EQ(Window(), "r08 r09 r10 r11* r12 r13 r14");
    table->Next();
    link.Take();
    // The current record itself: no scroll, but the view is refreshed around it.
    ASSERT_TRUE(table->Locate("Title", "r12", 0));
    EXPECT_EQ(link.Take(), Told{"changed"});
    EXPECT_EQ(Window(), "r09 r10 r11 r12* r13 r14 r15");
    ASSERT_TRUE(table->Locate("Title", "r02", 0));
    EXPECT_EQ(Window(), "r01 r02* r03 r04 r05 r06 r07");
    ASSERT_TRUE(table->Locate("Title", "r19", 0));
    EXPECT_EQ(Window(), "r14 r15 r16 r17 r18 r19* r20");
    table->SetRecNo(5);
    EXPECT_EQ(Window(), "r02 r03 r04 r05* r06 r07 r08");
}

TEST_F(ViewsTest, ANewRecordIsARowOfTheWindowUntilItIsPosted)
{
    Fill(3);
    table->Append();
    EXPECT_EQ(link.Take(), (Told{"state", "changed"}));
    EXPECT_EQ(Window(), "r01 r02 r03 *");
    EXPECT_EQ(table->RecNo(), 4);
    EXPECT_EQ(table->RecordCount(), 3);
    title->SetAsString("r00");
    EXPECT_EQ(link.Take(), Told{"record Title"});
    EXPECT_EQ(Window(), "r01 r02 r03 r00*");
    table->Post();
    EXPECT_EQ(link.Take(), (Told{"state", "changed"}));
    EXPECT_EQ(Window(), "r00* r01 r02 r03");

    Fill(20);
    table->First();
    table->Append();
    EXPECT_EQ(link.FirstRecord(), table->RowCount() - 7);
    EXPECT_EQ(link.ActiveRecord(), 6);
    table->Cancel();
    EXPECT_EQ(link.ActiveRecord(), 6);
    EXPECT_EQ(link.AsString(6, title), "r20");
}

TEST_F(ViewsTest, OpeningClosingAndDeletingAreTold)
{
    Fill(9);
    table->Last();
    link.Take();
    table->Delete();
    EXPECT_EQ(link.Take(), Told{"changed"});
    // The window stays filled after the last record went.
    EXPECT_EQ(Window(), "r02 r03 r04 r05 r06 r07 r08*");
    table->Close();
    EXPECT_EQ(link.Take(), Told{"active"});
    EXPECT_EQ(link.RecordCount(), 0);
    EXPECT_EQ(link.ActiveRecord(), -1);
    table->Open();
    EXPECT_EQ(link.Take(), Told{"active"});
    EXPECT_EQ(link.RecordCount(), 0);
    title->SetDisplayLabel("Name");
    EXPECT_EQ(link.Take(), Told{"layout"});
}

TEST_F(ViewsTest, DisabledControlsHearNothingUntilEnabledAgain)
{
    Fill(10);
    int scrolls = 0;
    table->AfterScroll = [&](TdxMemData*) { ++scrolls; };
    table->DisableControls();
    table->DisableControls();
    table->First();
    table->Next();
    table->EnableControls();
    EXPECT_TRUE(link.Take().empty());
    table->EnableControls();
    EXPECT_EQ(link.Take(), Told{"changed"});
    EXPECT_EQ(scrolls, 2);
    EXPECT_EQ(Window(), "r01 r02* r03 r04 r05 r06 r07");
    table->EnableControls();  // unmatched: nothing
    EXPECT_TRUE(link.Take().empty());

    // A fill between the two: one reload, as a layout change since the state
    // changed meanwhile.
    table->DisableControls();
    table->Close();
    table->Open();
    Fill(30);
    table->First();
    table->EnableControls();
    EXPECT_EQ(link.Take(), Told{"layout"});
    EXPECT_EQ(scrolls, 2 + 30 + 1);
    EXPECT_EQ(Window(), "r01* r02 r03 r04 r05 r06 r07");

    // Ending in another state: the state, then (closed) the activity.
    table->DisableControls();
    table->Close();
    table->EnableControls();
    EXPECT_EQ(link.Take(), (Told{"state", "active"}));
}

TEST_F(ViewsTest, EveryLinkHasItsOwnWindow)
{
    RecordingLink small;
    small.SetBufferCount(3);
    small.SetDataSource(source.get());
    Fill(10);
    ASSERT_TRUE(table->Locate("Title", "r05", 0));
    EXPECT_EQ(small.Window("Title"), "r04 r05* r06");
    EXPECT_EQ(Window(), "r02 r03 r04 r05* r06 r07 r08");
    // Shrinking a window keeps the current record in it.
    link.SetBufferCount(2);
    EXPECT_EQ(link.ActiveRecord() >= 0, true);
    EXPECT_EQ(link.RecordCount(), 2);
    link.SetBufferCount(0);
    EXPECT_EQ(link.BufferCount(), 1);
    EXPECT_EQ(Window(), "r05*");
}

TEST_F(ViewsTest, ALinkAttachedLaterShowsTheCurrentRecord)
{
    Fill(20);
    table->SetRecNo(15);
    RecordingLink late;
    late.SetBufferCount(5);
    auto other = std::make_unique<TDataSource>(nullptr);
    late.SetDataSource(other.get());
    EXPECT_FALSE(late.Active());
    other->SetDataSet(table.get());
    EXPECT_EQ(late.Take(), Told{"active"});
    EXPECT_EQ(late.Window("Title"), "r13 r14 r15* r16 r17");
    EXPECT_EQ(other->State(), dsBrowse);
    EXPECT_EQ(late.MoveBy(-1), -1);
    EXPECT_EQ(late.Window("Title"), "r13 r14* r15 r16 r17");
}
