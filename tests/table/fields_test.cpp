// Fields: values, sizes and cuts, nulls, lookup, and the errors of misuse.

#include "tests/table/table_fixture.h"

using tabletest::TableTest;

namespace {

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EDatabaseError& error) {
        return error.Message();
    }
    return "(no error)";
}

}  // namespace

TEST_F(TableTest, RecIdIsTheHiddenFirstFieldAndNumbersPostedRecords)
{
    ASSERT_EQ(table->FieldCount(), 3);
    TField* recId = table->Fields(0);
    EXPECT_EQ(recId, table->RecIdField());
    EXPECT_EQ(recId->FieldName(), "RecId");
    EXPECT_EQ(recId->DisplayLabel(), "RecId");
    EXPECT_EQ(recId->DataType(), ftInteger);
    EXPECT_FALSE(recId->Visible());
    EXPECT_EQ(table->Fields(1), title);
    EXPECT_EQ(title->Index(), 1);

    AddTitles({"one", "two"});
    EXPECT_EQ(recId->AsInteger(), 2);
    EXPECT_EQ(recId->AsString(), "2");
    // By row, without moving the cursor; nothing past the rows or in a text field.
    EXPECT_EQ(table->GetAsInteger(0, recId), 1);
    EXPECT_EQ(table->GetAsInteger(2, recId), std::nullopt);
    EXPECT_EQ(table->GetAsInteger(0, title), std::nullopt);
    EXPECT_EQ(recId->AsInteger(), 2);
    table->First();
    EXPECT_EQ(table->FieldByName("recid")->AsInteger(), 1);
}

TEST_F(TableTest, FieldNamesAreFoundWithoutRegardToCase)
{
    EXPECT_EQ(table->FieldByName("TITLE"), title);
    EXPECT_EQ(table->FindField("path"), path);
    EXPECT_EQ(table->FindField("nope"), nullptr);
    EXPECT_EQ(ErrorOf([&] { table->FieldByName("Nope"); }), "dxMemData: Field 'Nope' not found");
    table->Close();
    EXPECT_EQ(table->FieldByName("title"), title);
}

TEST_F(TableTest, LabelsAndWidthsDefaultToNameAndSize)
{
    EXPECT_EQ(title->DisplayLabel(), "Title");
    EXPECT_EQ(title->DisplayWidth(), 40);
    title->SetDisplayLabel("檔案名稱");
    title->SetDisplayWidth(28);
    EXPECT_EQ(title->DisplayLabel(), "檔案名稱");
    EXPECT_EQ(title->DisplayWidth(), 28);
    EXPECT_TRUE(title->Visible());
}

TEST_F(TableTest, TextIsCutToTheFieldSizeInBytes)
{
    const std::string text45 = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRS";
    ASSERT_EQ(text45.size(), 45u);
    table->Append();
    title->SetAsString(text45);
    EXPECT_EQ(title->AsString(), text45.substr(0, 40));
    table->Post();
    EXPECT_EQ(title->AsString(), text45.substr(0, 40));
}

TEST_F(TableTest, ACutNeverKeepsPartOfACharacter)
{
    // 14 three-byte characters are 42 bytes; 40 bytes hold 13 of them whole.
    std::string wide;
    for (int i = 0; i < 14; ++i)
        wide += "歌";
    table->Append();
    title->SetAsString(wide);
    EXPECT_EQ(title->AsString().size(), 39u);
    EXPECT_EQ(title->AsString(), wide.substr(0, 39));
    // One byte of room left after 39 ASCII bytes: a two-byte character does not fit.
    title->SetAsString(std::string(39, 'x') + "é");
    EXPECT_EQ(title->AsString(), std::string(39, 'x'));
}

TEST_F(TableTest, AValueEndsAtItsFirstZeroByte)
{
    table->Append();
    title->SetAsString(std::string("ab\0cd", 5));
    EXPECT_EQ(title->AsString(), "ab");
}

TEST_F(TableTest, NeverWrittenIsNullAndEmptyTextIsPresent)
{
    table->Append();
    EXPECT_TRUE(title->IsNull());
    EXPECT_EQ(title->AsString(), "");
    title->SetAsString("");
    EXPECT_FALSE(title->IsNull());
    path->SetAsString("x");
    path->Clear();
    EXPECT_TRUE(path->IsNull());
    table->Post();
    EXPECT_FALSE(title->IsNull());
    EXPECT_TRUE(path->IsNull());
}

TEST_F(TableTest, IntegerFieldsParseTextAndRefuseWhatIsNoNumber)
{
    auto* number = new TIntegerField(nullptr);
    std::unique_ptr<TField> owned(number);
    table->Close();
    number->SetFieldName("Number");
    number->SetDataSet(table.get());
    table->Open();
    table->Append();
    number->SetAsString("-42");
    EXPECT_EQ(number->AsInteger(), -42);
    number->SetAsInteger(7);
    EXPECT_EQ(number->AsString(), "7");
    EXPECT_EQ(ErrorOf([&] { number->SetAsString("7x"); }), "dxMemData: '7x' is not a valid integer value");
    EXPECT_EQ(number->AsInteger(), 7);
    title->SetAsString("12");
    EXPECT_EQ(title->AsInteger(), 12);
    table->Post();
    owned.reset();  // a field may leave even an open table by being freed
    EXPECT_EQ(table->FieldCount(), 3);
    EXPECT_EQ(table->FindField("Number"), nullptr);
}

TEST_F(TableTest, MisuseRaisesErrorsNamedAfterTheTable)
{
    EXPECT_EQ(ErrorOf([&] { title->SetAsString("x"); }), "dxMemData: Dataset not in edit or insert mode");
    EXPECT_EQ(ErrorOf([&] { table->Post(); }), "dxMemData: Dataset not in edit or insert mode");
    EXPECT_EQ(ErrorOf([&] { table->Delete(); }), "dxMemData: Cannot perform this operation on an empty dataset");

    table->Close();
    const std::string closed = "dxMemData: Cannot perform this operation on a closed dataset";
    EXPECT_EQ(ErrorOf([&] { table->First(); }), closed);
    EXPECT_EQ(ErrorOf([&] { table->Next(); }), closed);
    EXPECT_EQ(ErrorOf([&] { table->Prior(); }), closed);
    EXPECT_EQ(ErrorOf([&] { table->Last(); }), closed);
    EXPECT_EQ(ErrorOf([&] { table->Append(); }), closed);
    EXPECT_EQ(ErrorOf([&] { table->Delete(); }), closed);
    EXPECT_EQ(ErrorOf([&] { table->Post(); }), "dxMemData: Dataset not in edit or insert mode");
    EXPECT_EQ(ErrorOf([&] { title->SetAsString("x"); }), "dxMemData: Dataset not in edit or insert mode");
    EXPECT_EQ(ErrorOf([&] { table->Locate("Nope", "x", 0); }), "dxMemData: Field 'Nope' not found");

    // Reading a closed table is no failure.
    EXPECT_EQ(title->AsString(), "");
    EXPECT_EQ(table->RecNo(), 0);
    EXPECT_EQ(table->RecordCount(), 0);
    EXPECT_FALSE(table->Locate("Title", "x", 0));
    table->SetRecNo(1);
    table->Cancel();
}

TEST_F(TableTest, FieldsCannotChangeOnAnOpenTable)
{
    auto extra = std::make_unique<TStringField>(nullptr);
    extra->SetFieldName("Extra");
    const std::string open = "dxMemData: Cannot perform this operation on an open dataset";
    EXPECT_EQ(ErrorOf([&] { extra->SetDataSet(table.get()); }), open);
    EXPECT_EQ(ErrorOf([&] { title->SetSize(10); }), open);
    EXPECT_EQ(ErrorOf([&] { title->SetDataSet(nullptr); }), open);
    EXPECT_EQ(table->FieldCount(), 3);
    table->Close();
    extra->SetDataSet(table.get());
    title->SetSize(10);
    table->Open();
    EXPECT_EQ(table->Fields(3), extra.get());
    table->Append();
    title->SetAsString("0123456789ABC");
    EXPECT_EQ(title->AsString(), "0123456789");
}

TEST(TableLifetime, FieldsTablesAndSourcesMayBeFreedInAnyOrder)
{
    // Owned by a form, newest first: the field after the table.
    {
        TComponent form(nullptr);
        auto* table = new TdxMemData(&form);
        auto* field = new TStringField(&form);
        field->SetFieldName("A");
        field->SetDataSet(table);
        auto* source = new TDataSource(&form);
        source->SetDataSet(table);
        table->Open();
        table->Append();
        field->SetAsString("x");
        table->Post();
    }
    // The table freed before its field and data source.
    auto table = std::make_unique<TdxMemData>(nullptr);
    auto field = std::make_unique<TStringField>(nullptr);
    auto source = std::make_unique<TDataSource>(nullptr);
    tabletest::RecordingLink link;
    field->SetFieldName("A");
    field->SetDataSet(table.get());
    source->SetDataSet(table.get());
    link.SetDataSource(source.get());
    table->Open();
    link.Take();
    table.reset();
    EXPECT_EQ(field->DataSet(), nullptr);
    EXPECT_EQ(source->DataSet(), nullptr);
    EXPECT_EQ(link.Take(), std::vector<std::string>{"active"});
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(link.RecordCount(), 0);
    EXPECT_EQ(field->AsString(), "");
    // The data source freed before its link.
    source.reset();
    EXPECT_EQ(link.DataSource(), nullptr);
}
