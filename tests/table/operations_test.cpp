// Writing records, their ordered place, moves, and the events of each operation.

#include "tests/table/table_fixture.h"

using tabletest::TableTest;
using Events = std::vector<std::string>;

TEST_F(TableTest, CloseAndOpenEmptyTheTableAndRestartTheNumbering)
{
    log.Attach(*table);
    AddTitles({"a", "b"});
    log.Take();
    table->Close();
    EXPECT_EQ(log.Take(), (Events{"BeforeClose", "AfterClose"}));
    table->Close();
    table->Open();
    EXPECT_EQ(log.Take(), (Events{"BeforeOpen", "AfterOpen"}));
    table->Open();
    EXPECT_TRUE(log.Take().empty());
    EXPECT_EQ(table->RecordCount(), 0);
    EXPECT_EQ(table->RecNo(), 0);
    EXPECT_TRUE(table->Bof());
    EXPECT_TRUE(table->Eof());
    AddTitles({"c"});
    EXPECT_EQ(table->RecIdField()->AsInteger(), 1);
}

TEST_F(TableTest, PostedRecordsTakeTheirOrderedPlaceAndKeepTheCursor)
{
    Sorted();
    std::vector<int> recNos;
    for (const char* value : {"c", "a", "b"}) {
        AddTitles({value});
        recNos.push_back(table->RecNo());
        EXPECT_FALSE(table->Bof());
        EXPECT_FALSE(table->Eof());
    }
    EXPECT_EQ(recNos, (std::vector<int>{1, 1, 2}));
    EXPECT_EQ(Titles(), "a b c");
    EXPECT_EQ(Column(table->RecIdField()), "2 3 1");
}

TEST_F(TableTest, EqualValuesArePlacedByTheRule)
{
    Sorted();
    // The equal values end the table behind a smaller one: after them.
    AddTitles({"a", "b", "b"});
    EXPECT_EQ(Column(path), "p1 p2 p3");
    // Equal values inside the table: in front of them.
    table->Close();
    table->Open();
    AddTitles({"a", "c", "a"});
    EXPECT_EQ(Titles(), "a a c");
    EXPECT_EQ(Column(path), "p6 p4 p5");
    // Every record has the value: first.
    table->Close();
    table->Open();
    AddTitles({"x", "x", "x"});
    EXPECT_EQ(Column(path), "p9 p8 p7");
}

TEST_F(TableTest, OrderFollowsTheCollationNotTheBytes)
{
    Sorted();
    AddTitles({"B", "a", "c", "A"});
    EXPECT_EQ(Titles(), "a A B c");
}

TEST_F(TableTest, DescendingOrderReversesEveryComparison)
{
    table->SetSortOptions(soDesc);
    Sorted();
    AddTitles({"b", "c", "a", "b"});
    EXPECT_EQ(Titles(), "c b b a");
    // The second "b" went in front of the first one.
    EXPECT_EQ(Column(path), "p2 p4 p1 p3");
}

TEST_F(TableTest, WithoutASortFieldRecordsStayInTheOrderTheyWereAdded)
{
    AddTitles({"c", "a", "b"});
    EXPECT_EQ(Titles(), "c a b");
    table->SetSortedField("NoSuchField");
    AddTitles({"0"});
    EXPECT_EQ(Titles(), "c a b 0");
}

TEST_F(TableTest, ChangingTheSortFieldSortsTheRecordsAnewByValueThenRecId)
{
    AddTitles({"b", "a", "b", "a"});
    table->SetRecNo(3);  // the second "b", p3
    Sorted();
    EXPECT_EQ(Titles(), "a a b b");
    EXPECT_EQ(Column(path), "p2 p4 p1 p3");
    EXPECT_EQ(path->AsString(), "p3");
    table->SetSortOptions(soDesc);
    EXPECT_EQ(Column(path), "p1 p3 p2 p4");
    EXPECT_EQ(path->AsString(), "p3");
}

TEST_F(TableTest, AppendFiresItsEventsWithTheEmptyNewRecordCurrent)
{
    Sorted();
    AddTitles({"a"});
    log.Attach(*table);
    std::vector<std::string> seen;
    table->AfterScroll = [&](TdxMemData*) {
        log.events.push_back("AfterScroll");
        seen.push_back(title->AsString() + "|" + path->AsString() + "|" + table->RecIdField()->AsString());
    };
    table->Append();
    EXPECT_EQ(log.Take(), (Events{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}));
    EXPECT_EQ(seen, Events{"||2"});
    EXPECT_EQ(table->State(), dsInsert);
    EXPECT_TRUE(table->Eof());
    EXPECT_FALSE(table->Bof());
    EXPECT_EQ(table->RecordCount(), 1);
    title->SetAsString("0");
    table->Post();
    EXPECT_EQ(log.Take(), (Events{"BeforePost", "AfterPost"}));
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(table->RecNo(), 1);
}

TEST_F(TableTest, APendingRecordIsPostedWhenWrittenToAndDroppedOtherwise)
{
    log.Attach(*table);
    table->Append();
    title->SetAsString("kept");
    log.Take();
    table->Append();  // posts "kept" first
    EXPECT_EQ(log.Take(), (Events{"BeforePost", "AfterPost", "BeforeInsert", "BeforeScroll", "OnNewRecord",
                                  "AfterInsert", "AfterScroll"}));
    table->First();  // drops the untouched new record
    EXPECT_EQ(log.Take(), (Events{"BeforeCancel", "BeforeScroll", "AfterCancel", "AfterScroll", "BeforeScroll",
                                  "AfterScroll"}));
    EXPECT_EQ(Titles(), "kept");
    // A dropped record used up no number.
    AddTitles({"next"});
    EXPECT_EQ(table->RecIdField()->AsInteger(), 2);
}

TEST_F(TableTest, CancelDropsANewRecordOrTheChangesOfAnEdit)
{
    AddTitles({"a", "b", "c"});
    table->First();
    log.Attach(*table);
    table->Append();
    title->SetAsString("z");
    log.Take();
    table->Cancel();
    EXPECT_EQ(log.Take(), (Events{"BeforeCancel", "BeforeScroll", "AfterCancel", "AfterScroll"}));
    EXPECT_EQ(table->RecordCount(), 3);
    EXPECT_EQ(title->AsString(), "c");  // the last record, after a cancelled Append

    table->First();
    table->Edit();
    EXPECT_EQ(log.Take(), (Events{"BeforeScroll", "AfterScroll", "BeforeEdit", "AfterEdit"}));
    title->SetAsString("changed");
    EXPECT_EQ(table->GetAsString(0, title), "changed");
    table->Cancel();
    EXPECT_EQ(log.Take(), (Events{"BeforeCancel", "AfterCancel"}));
    EXPECT_EQ(title->AsString(), "a");
    table->Cancel();
    EXPECT_TRUE(log.Take().empty());
}

TEST_F(TableTest, InsertBeginsInFrontOfTheCurrentRecord)
{
    AddTitles({"a", "b", "c"});
    table->SetRecNo(2);
    log.Attach(*table);
    table->Insert();
    EXPECT_EQ(log.Take(), (Events{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}));
    EXPECT_EQ(table->RecNo(), 2);
    EXPECT_EQ(Titles(), "a  b c");
    table->Cancel();
    EXPECT_EQ(title->AsString(), "b");
    table->Insert();
    title->SetAsString("new");
    table->Post();
    EXPECT_EQ(Titles(), "a new b c");
    EXPECT_EQ(table->RecNo(), 2);
}

TEST_F(TableTest, AnInsertedRecordMovesToItsOrderedPlaceWhenPosted)
{
    Sorted();
    AddTitles({"a", "b", "d"});
    table->First();
    table->Insert();
    title->SetAsString("c");
    table->Post();
    EXPECT_EQ(Titles(), "a b c d");
    EXPECT_EQ(table->RecNo(), 3);
    EXPECT_EQ(title->AsString(), "c");
}

TEST_F(TableTest, EditingTheSortValueMovesTheRecord)
{
    Sorted();
    AddTitles({"a", "b", "c"});
    table->First();
    table->Edit();
    title->SetAsString("d");
    table->Post();
    EXPECT_EQ(Titles(), "b c d");
    EXPECT_EQ(table->RecNo(), 3);
    EXPECT_EQ(path->AsString(), "p1");
    EXPECT_EQ(table->RecIdField()->AsInteger(), 1);
    // Editing another field leaves the record in its place.
    table->First();
    table->Edit();
    path->SetAsString("changed");
    table->Post();
    EXPECT_EQ(Column(path), "changed p3 p1");
}

TEST_F(TableTest, EditOnAnEmptyTableBeginsANewRecord)
{
    table->Edit();
    EXPECT_EQ(table->State(), dsInsert);
}

TEST_F(TableTest, DeleteMakesTheFollowingRecordCurrent)
{
    AddTitles({"a", "b", "c"});
    table->SetRecNo(2);
    log.Attach(*table);
    table->Delete();
    EXPECT_EQ(log.Take(), (Events{"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
    EXPECT_EQ(Titles(), "a c");
    EXPECT_EQ(title->AsString(), "c");
    table->Delete();  // the last one: the new last becomes current
    EXPECT_EQ(title->AsString(), "a");
    table->Delete();
    EXPECT_EQ(table->RecordCount(), 0);
    EXPECT_EQ(table->RecNo(), 0);
    EXPECT_TRUE(table->Bof() && table->Eof());
    // Delete while inserting drops the new record.
    AddTitles({"x"});
    table->Append();
    table->Delete();
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(Titles(), "x");
}

TEST_F(TableTest, FirstAndLastFireTheirEventsAlsoOnAnEmptyTable)
{
    log.Attach(*table);
    table->First();
    EXPECT_EQ(log.Take(), (Events{"BeforeScroll", "AfterScroll"}));
    table->Last();
    EXPECT_EQ(log.Take(), (Events{"BeforeScroll", "AfterScroll"}));
    EXPECT_TRUE(table->Bof() && table->Eof());
    table->Next();
    table->Prior();
    EXPECT_EQ(log.Take(), (Events{"BeforeScroll", "BeforeScroll"}));
}

TEST_F(TableTest, NextOnTheLastRecordScrollsOnceThenNoMore)
{
    AddTitles({"a", "b"});
    log.Attach(*table);
    table->Next();
    EXPECT_EQ(log.Take(), (Events{"BeforeScroll", "AfterScroll"}));
    EXPECT_EQ(table->RecNo(), 2);
    EXPECT_TRUE(table->Eof());
    table->Next();
    EXPECT_EQ(log.Take(), (Events{"BeforeScroll"}));
    EXPECT_EQ(table->RecNo(), 2);
    table->Prior();
    EXPECT_EQ(log.Take(), (Events{"BeforeScroll", "AfterScroll"}));
    EXPECT_EQ(table->RecNo(), 1);
    EXPECT_FALSE(table->Eof());
}

TEST_F(TableTest, PriorAfterFirstDoesNothingButAfterALocateOntoTheFirstItScrolls)
{
    Sorted();
    AddTitles({"a", "b", "c"});
    table->First();
    log.Attach(*table);
    table->Prior();
    EXPECT_EQ(log.Take(), (Events{"BeforeScroll"}));
    table->Last();
    ASSERT_TRUE(table->Locate("Title", "a", 0));
    EXPECT_FALSE(table->Bof());
    log.Take();
    table->Prior();
    EXPECT_EQ(log.Take(), (Events{"BeforeScroll", "AfterScroll"}));
    EXPECT_EQ(table->RecNo(), 1);
    EXPECT_TRUE(table->Bof());
}

TEST_F(TableTest, MoveByGoesAsFarAsItCanInOneMove)
{
    AddTitles({"a", "b", "c", "d", "e"});
    table->First();
    log.Attach(*table);
    EXPECT_EQ(table->MoveBy(3), 3);
    EXPECT_EQ(log.Take(), (Events{"BeforeScroll", "AfterScroll"}));
    EXPECT_EQ(table->MoveBy(10), 1);
    EXPECT_TRUE(table->Eof());
    EXPECT_EQ(table->MoveBy(-10), -4);
    EXPECT_TRUE(table->Bof());
    EXPECT_EQ(table->RecNo(), 1);
    EXPECT_EQ(table->MoveBy(0), 0);
}

TEST_F(TableTest, WritingRecNoMovesTheCursorAndIgnoresPlacesOutOfRange)
{
    AddTitles({"a", "b", "c"});
    log.Attach(*table);
    table->SetRecNo(1);
    EXPECT_EQ(log.Take(), (Events{"BeforeScroll", "AfterScroll"}));
    EXPECT_EQ(title->AsString(), "a");
    table->SetRecNo(1);
    EXPECT_EQ(log.Take(), (Events{"BeforeScroll"}));
    table->SetRecNo(0);
    table->SetRecNo(4);
    EXPECT_TRUE(log.Take().empty());
    EXPECT_EQ(table->RecNo(), 1);
    // A pending record is posted first, even when the place is out of range.
    table->Append();
    title->SetAsString("d");
    log.Take();
    table->SetRecNo(9);
    EXPECT_EQ(log.Take(), (Events{"BeforePost", "AfterPost"}));
    EXPECT_EQ(table->RecordCount(), 4);
}

TEST_F(TableTest, ActiveOpensAndCloses)
{
    table->SetActive(false);
    EXPECT_FALSE(table->Active());
    EXPECT_EQ(table->State(), dsInactive);
    table->SetActive(true);
    EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(TableTest, AnErrorInABeforeEventAbandonsTheOperation)
{
    AddTitles({"a"});
    table->BeforePost = [](TdxMemData*) { throw Exception("refused"); };
    table->Append();
    title->SetAsString("b");
    EXPECT_THROW(table->Post(), Exception);
    EXPECT_EQ(table->State(), dsInsert);
    EXPECT_EQ(table->RecordCount(), 1);
    table->BeforePost = nullptr;
    table->Post();
    EXPECT_EQ(Titles(), "a b");
}

TEST_F(TableTest, AHandlerThatEmptiesTheTableDuringAMoveLeavesItConsistent)
{
    Sorted();
    bool empty = false;
    table->BeforeScroll = [&](TdxMemData*) {
        if (std::exchange(empty, false)) {
            table->Close();
            table->Open();
        }
    };
    AddTitles({"a", "b", "c"});
    empty = true;
    table->SetRecNo(3);
    EXPECT_EQ(table->RecNo(), 0);
    EXPECT_EQ(title->AsString(), "");
    AddTitles({"a", "b", "c"});
    empty = true;
    EXPECT_FALSE(table->Locate("Title", "a", 0));
    EXPECT_EQ(table->RecNo(), 0);
    AddTitles({"x"});
    EXPECT_EQ(Titles(), "x");
}

TEST_F(TableTest, HandlersThatFinishOrCloseTheTableThemselvesEndTheOperation)
{
    AddTitles({"a", "b"});
    log.Attach(*table);
    bool act = false;
    table->BeforeDelete = [&](TdxMemData*) {
        if (std::exchange(act, false))
            table->Close();
    };
    act = true;
    table->Delete();
    EXPECT_FALSE(table->Active());

    table->Open();
    AddTitles({"a"});
    table->BeforePost = [&](TdxMemData*) {
        if (std::exchange(act, false))
            table->Cancel();
    };
    table->Append();
    title->SetAsString("dropped");
    act = true;
    table->Post();
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(Titles(), "a");

    table->BeforeInsert = [&](TdxMemData*) {
        if (std::exchange(act, false))
            table->Close();
    };
    act = true;
    EXPECT_THROW(table->Append(), EDatabaseError);
    EXPECT_EQ(table->State(), dsInactive);

    int opened = 0;
    table->AfterOpen = [&](TdxMemData*) { ++opened; };
    table->BeforeOpen = [&](TdxMemData*) {
        if (std::exchange(act, false))
            table->Open();
    };
    act = true;
    table->Open();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(table->State(), dsBrowse);
}

// A sort change finishes the pending edit first, in the order the records are
// in, so that the edit's handlers search by halves over an order that holds.
TEST_F(TableTest, ASortChangePostsThePendingEditBeforeTheOrderChanges)
{
    AddTitles({"e", "d", "c", "b", "a"});  // paths p1..p5 in the opposite order
    Sorted();
    std::vector<std::string> found;
    auto edit = [&](int recNo, const std::string& value, const std::string& field, const std::string& key) {
        table->SetRecNo(recNo);
        table->Edit();
        title->SetAsString(value);
        table->AfterPost = [&, field, key](TdxMemData*) {
            found.push_back(table->Locate(field, key, loCaseInsensitive) ? title->AsString() : "missed");
        };
    };
    edit(3, "cc", "Title", "A");
    table->SetSortOptions(soDesc | soCaseInsensitive);
    EXPECT_EQ(Titles(), "e d cc b a");
    table->SetSortOptions(soCaseInsensitive);
    edit(1, "aa", "Path", "P2");
    table->SetSortedField("Path");
    EXPECT_EQ(Column(path), "p1 p2 p3 p4 p5");
    EXPECT_EQ(found, (std::vector<std::string>{"a", "d"}));
}
