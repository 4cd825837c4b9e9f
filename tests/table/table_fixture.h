#pragma once
// Shared set-up for the table tests: a table with string fields, a recorder
// of its events, and a view that records what its data link is told.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "table/datasource.h"
#include "table/dxmdaset.h"

namespace tabletest {

// Records the table's events by name, in order.
struct EventLog {
    std::vector<std::string> events;

    void Attach(TdxMemData& table)
    {
        auto log = [this](const char* name) { return [this, name](TdxMemData*) { events.push_back(name); }; };
        table.BeforeOpen = log("BeforeOpen");
        table.AfterOpen = log("AfterOpen");
        table.BeforeClose = log("BeforeClose");
        table.AfterClose = log("AfterClose");
        table.BeforeInsert = log("BeforeInsert");
        table.AfterInsert = log("AfterInsert");
        table.OnNewRecord = log("OnNewRecord");
        table.BeforeEdit = log("BeforeEdit");
        table.AfterEdit = log("AfterEdit");
        table.BeforePost = log("BeforePost");
        table.AfterPost = log("AfterPost");
        table.BeforeCancel = log("BeforeCancel");
        table.AfterCancel = log("AfterCancel");
        table.BeforeDelete = log("BeforeDelete");
        table.AfterDelete = log("AfterDelete");
        table.BeforeScroll = log("BeforeScroll");
        table.AfterScroll = log("AfterScroll");
    }
    // The events since the last call.
    std::vector<std::string> Take() { return std::exchange(events, {}); }
    int Count(const std::string& name) const
    {
        return static_cast<int>(std::count(events.begin(), events.end(), name));
    }
};

// A data link that records its notifications as text ("scrolled 2", ...).
class RecordingLink : public TDataLink {
public:
    std::vector<std::string> told;
    std::vector<std::string> Take() { return std::exchange(told, {}); }

    // The window as the rows' values of one field, the current row marked "*".
    std::string Window(const std::string& fieldName) const
    {
        std::string shown;
        for (int row = 0; row < RecordCount(); ++row) {
            if (!shown.empty())
                shown += ' ';
            shown += AsString(row, fieldName);
            if (row == ActiveRecord())
                shown += '*';
        }
        return shown;
    }

protected:
    void ActiveChanged() override { told.push_back("active"); }
    void DataSetChanged() override { told.push_back("changed"); }
    void DataSetScrolled(int distance) override { told.push_back("scrolled " + std::to_string(distance)); }
    void RecordChanged(TField* field) override
    {
        told.push_back("record " + (field ? field->FieldName() : std::string("*")));
    }
    void LayoutChanged() override { told.push_back("layout"); }
    void StateChanged() override { told.push_back("state"); }
};

// A song-like table named "dxMemData" with a Title field (Size 40) sorted by
// Title when Sorted() is called, and a Path field (Size 120). Open and empty.
class TableTest : public ::testing::Test {
protected:
    TableTest()
    {
        table = std::make_unique<TdxMemData>(nullptr);
        table->SetName("dxMemData");
        title = new TStringField(table.get());
        title->SetFieldName("Title");
        title->SetSize(40);
        title->SetDataSet(table.get());
        path = new TStringField(table.get());
        path->SetFieldName("Path");
        path->SetSize(120);
        path->SetDataSet(table.get());
        table->Open();
    }

    void Sorted() { table->SetSortedField("Title"); }

    // Appends one record per title (Path = "p<n>", n counting from 1).
    void AddTitles(const std::vector<std::string>& titles)
    {
        for (const std::string& value : titles) {
            table->Append();
            title->SetAsString(value);
            path->SetAsString("p" + std::to_string(++added));
            table->Post();
        }
    }

    // The table's titles in table order, separated by spaces, restoring the cursor.
    std::string Titles() const { return Column(title); }
    std::string Column(const TField* field) const
    {
        std::string all;
        for (int row = 0; row < table->RowCount(); ++row) {
            if (row)
                all += ' ';
            all += table->GetAsString(row, field);
        }
        return all;
    }

    std::unique_ptr<TdxMemData> table;
    TStringField* title = nullptr;
    TStringField* path = nullptr;
    int added = 0;
    EventLog log;
};

}  // namespace tabletest
