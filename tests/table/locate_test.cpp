// Locate: the binary search on the sort field, the scan elsewhere, the options.

#include "tests/table/table_fixture.h"

using tabletest::TableTest;
using Events = std::vector<std::string>;

TEST_F(TableTest, LocateTakesTheKeyWholeSoATooLongKeyNeverMatches)
{
    Sorted();
    const std::string text45 = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRS";
    AddTitles({"0", text45, "zz"});
    EXPECT_FALSE(table->Locate("Title", text45, 0));
    EXPECT_TRUE(table->Locate("Title", text45.substr(0, 40), 0));
    EXPECT_EQ(title->AsString(), text45.substr(0, 40));
}

TEST_F(TableTest, LocateIsCaseSensitiveAndMatchesWholeValues)
{
    Sorted();
    AddTitles({"ABC", "abcd", "b"});
    EXPECT_FALSE(table->Locate("Title", "abc", 0));
    // The same on a field that is not the sort field (a scan).
    table->SetSortedField("");
    EXPECT_FALSE(table->Locate("Title", "abc", 0));
    EXPECT_TRUE(table->Locate("Title", "abcd", 0));
}

TEST_F(TableTest, LocateFindsTheFirstOfEqualValuesButTheLastWhenTheyEndTheTable)
{
    Sorted();
    AddTitles({"a", "m", "z"});
    AddTitles({"m"});  // in front of the first "m": p4 then p2
    ASSERT_EQ(Column(path), "p1 p4 p2 p3");
    table->Last();
    ASSERT_TRUE(table->Locate("Title", "m", 0));
    EXPECT_EQ(path->AsString(), "p4");

    table->Close();
    table->Open();
    AddTitles({"a", "q", "q"});
    ASSERT_EQ(Column(path), "p5 p6 p7");
    table->First();
    ASSERT_TRUE(table->Locate("Title", "q", 0));
    EXPECT_EQ(path->AsString(), "p7");
    // At or before the first value: the first record.
    AddTitles({"0", "0"});
    ASSERT_EQ(Column(path), "p9 p8 p5 p6 p7");
    table->Last();
    ASSERT_TRUE(table->Locate("Title", "0", 0));
    EXPECT_EQ(path->AsString(), "p9");
}

TEST_F(TableTest, LocateScrollsOnlyWhenItFindsAnotherRecord)
{
    Sorted();
    AddTitles({"a", "b", "c"});
    table->SetRecNo(2);
    log.Attach(*table);
    EXPECT_TRUE(table->Locate("Title", "b", 0));
    EXPECT_TRUE(log.Take().empty());
    EXPECT_TRUE(table->Locate("Title", "c", 0));
    EXPECT_EQ(log.Take(), (Events{"BeforeScroll", "AfterScroll"}));
    EXPECT_EQ(table->RecNo(), 3);
    EXPECT_FALSE(table->Bof() || table->Eof());

    table->Next();  // Eof
    log.Take();
    EXPECT_FALSE(table->Locate("Title", "x", 0));
    EXPECT_TRUE(log.Take().empty());
    EXPECT_EQ(table->RecNo(), 3);
    EXPECT_TRUE(table->Eof());
}

TEST_F(TableTest, LocateOnAnotherFieldScansInTableOrder)
{
    Sorted();
    AddTitles({"c", "a", "b"});
    ASSERT_TRUE(table->Locate("path", "p1", 0));
    EXPECT_EQ(title->AsString(), "c");
    ASSERT_TRUE(table->Locate("RecId", "2", 0));
    EXPECT_EQ(title->AsString(), "a");
    EXPECT_FALSE(table->Locate("RecId", "two", 0));
}

TEST_F(TableTest, LocateOptionsCaseAndPartialKey)
{
    Sorted();
    AddTitles({"Apple", "banana", "Cherry"});
    // Case-insensitive against a case-sensitive sort: a scan.
    ASSERT_TRUE(table->Locate("Title", "BANANA", loCaseInsensitive));
    EXPECT_EQ(title->AsString(), "banana");
    ASSERT_TRUE(table->Locate("Title", "cher", loPartialKey | loCaseInsensitive));
    EXPECT_EQ(title->AsString(), "Cherry");
    EXPECT_TRUE(table->Locate("Title", "ban", loPartialKey));
    EXPECT_FALSE(table->Locate("Title", "Ban", loPartialKey));
    EXPECT_FALSE(table->Locate("Title", "", loPartialKey));
    EXPECT_FALSE(table->Locate("Title", "bananas", loPartialKey));
    // A case-insensitive sort searches case-insensitive keys by halves.
    table->SetSortOptions(soCaseInsensitive);
    ASSERT_TRUE(table->Locate("Title", "apple", loCaseInsensitive));
    EXPECT_EQ(title->AsString(), "Apple");
    EXPECT_FALSE(table->Locate("Title", "apple", 0));
}

TEST_F(TableTest, CaselessSearchByHalvesFindsTheEqualValueOfTheKeysSize)
{
    // "\xEF\xAC\x80" is the ligature ff: equal to "ff" but for case-like
    // differences, three bytes long against two.
    table->SetSortOptions(soCaseInsensitive);
    Sorted();
    AddTitles({"a", "\xEF\xAC\x80", "ff", "z"});
    ASSERT_EQ(Titles(), "a \xEF\xAC\x80 ff z");
    ASSERT_TRUE(table->Locate("Title", "FF", loCaseInsensitive));
    EXPECT_EQ(table->RecNo(), 3);
    ASSERT_TRUE(table->Locate("Title", "\xEF\xAC\x80", loCaseInsensitive));
    EXPECT_EQ(table->RecNo(), 2);
    // The same pair at the end of the table: searched from the last record back.
    table->Close();
    table->Open();
    AddTitles({"a", "ff", "\xEF\xAC\x80"});
    ASSERT_TRUE(table->Locate("Title", "fF", loCaseInsensitive));
    EXPECT_EQ(title->AsString(), "ff");
    EXPECT_FALSE(table->Locate("Title", "f", loCaseInsensitive));
}

TEST_F(TableTest, LocatePostsAPendingRecordFirst)
{
    Sorted();
    AddTitles({"a", "c"});
    table->Append();
    title->SetAsString("b");
    ASSERT_TRUE(table->Locate("Title", "b", 0));
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(Titles(), "a b c");
    EXPECT_EQ(table->RecNo(), 2);
}

TEST_F(TableTest, LocateOnSeveralFieldsAndANullKey)
{
    AddTitles({"a", "b", "a"});
    ASSERT_TRUE(table->Locate("Title;Path", std::vector<std::optional<std::string>>{"a", "p3"}, 0));
    EXPECT_EQ(table->RecNo(), 3);
    EXPECT_THROW(table->Locate("Title;Nope", std::vector<std::optional<std::string>>{"a", "x"}, 0),
                 EDatabaseError);
    EXPECT_THROW(table->Locate("Title;Path", std::vector<std::optional<std::string>>{"a"}, 0), EDatabaseError);
    EXPECT_FALSE(table->Locate("Path", std::nullopt, 0));
    table->Append();
    title->SetAsString("no path");
    table->Post();
    table->First();
    ASSERT_TRUE(table->Locate("Path", std::nullopt, 0));
    EXPECT_EQ(title->AsString(), "no path");
}

TEST_F(TableTest, AnIntegerSortFieldOrdersAndSearchesByNumber)
{
    AddTitles({"c", "a", "b"});
    table->SetSortOptions(soDesc);
    table->SetSortedField("RecId");
    EXPECT_EQ(Titles(), "b a c");
    ASSERT_TRUE(table->Locate("RecId", "2", 0));
    EXPECT_EQ(title->AsString(), "a");
    EXPECT_FALSE(table->Locate("RecId", "two", 0));
    EXPECT_FALSE(table->Locate("RecId", "9", 0));
    AddTitles({"d"});
    EXPECT_EQ(Titles(), "d b a c");
}
