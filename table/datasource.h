#pragma once
// A data source connects a table to the views that show it. Each view holds a
// data link: the table tells every link of each change, and keeps for each
// link a window of consecutive rows around its current record (the rows a grid
// draws).
//
// Rows are the table's records in table order; while a new record is being
// written (insert state) it is a row of its own at the place where it was
// begun, so a view can draw it. TdxMemData::RowCount() counts them.
//
// Where the window starts is the table's decision: a cursor move inside the
// window moves only the focus, a move past an edge scrolls the window by the
// distance moved, First puts the current record on the top row, Last on the
// bottom row, and a jump (Locate, writing RecNo) centres the current record as
// far as the rows before and after it allow. The window stays filled: it
// never ends past the last row while there are rows above it.

#include <string>
#include <vector>

#include "forms/component.h"
#include "table/db.h"

class TDataLink;

class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* AOwner);
    ~TDataSource() override;

    TdxMemData* DataSet() const { return FDataSet; }
    // Attaching or detaching a table tells every link (ActiveChanged).
    void SetDataSet(TdxMemData* value);

    // dsInactive when no table is attached.
    TDataSetState State() const;

    int LinkCount() const { return static_cast<int>(FLinks.size()); }
    TDataLink* Links(int index) const { return FLinks.at(index); }

private:
    friend class TDataLink;
    friend class TdxMemData;
    TdxMemData* FDataSet = nullptr;
    std::vector<TDataLink*> FLinks;
};

// The part of a view that follows a table. Views derive from it and override
// the notifications they act on. Notifications are not sent while the table's
// controls are disabled (TdxMemData::DisableControls); the window is kept up
// to date all the same, and EnableControls sends one reload at the end.
class TDataLink {
public:
    TDataLink() = default;
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;
    virtual ~TDataLink();

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* value);
    // The data source's table, or nullptr.
    TdxMemData* DataSet() const;
    // A table is attached and open.
    bool Active() const;

    // The window: as many rows as the view shows (at least 1).
    int BufferCount() const { return FBufferCount; }
    void SetBufferCount(int value);
    // Rows of the window that hold a record (0 when the table is closed or
    // empty, else min(BufferCount, rows from the first one to the end)).
    int RecordCount() const;
    // Table row (0-based) shown in the window's first row; 0 when empty.
    int FirstRecord() const;
    // Window row (0-based) of the current record, -1 when there is none.
    int ActiveRecord() const;
    // Table row shown in window row `row`, -1 when that window row is empty.
    int RecordIndex(int row) const;
    // The text of `field` in the record shown in window row `row` ("" when
    // the row is empty or the value is null). Does not move the cursor.
    std::string AsString(int row, const TField* field) const;
    std::string AsString(int row, const std::string& fieldName) const;

    // Moves the table's cursor by `distance` rows as one move (TdxMemData::MoveBy).
    int MoveBy(int distance);

protected:
    // The table was opened or closed, or the link now shows another table
    // (or none).
    virtual void ActiveChanged() {}
    // Records were added, removed, changed or reordered: reload the window.
    virtual void DataSetChanged() {}
    // The cursor moved; the window's first row moved by `distance` rows
    // (0: only the focus moved).
    virtual void DataSetScrolled(int distance) { (void)distance; }
    // A value of the current record was written (field), or several (nullptr).
    virtual void RecordChanged(TField* field) { (void)field; }
    // Fields or their display properties changed, or a reload after the
    // state changed while controls were disabled.
    virtual void LayoutChanged() {}
    // The table's state changed (browse, insert, edit).
    virtual void StateChanged() {}

private:
    friend class TDataSource;
    friend class TdxMemData;
    TDataSource* FDataSource = nullptr;
    int FBufferCount = 1;
    int FFirst = 0;  // table row at the top of the window
};
