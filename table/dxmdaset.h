#pragma once
// TdxMemData: a table of records held in memory, with a cursor on the current
// record, an optional ordering by one field (SortedField), Locate, and the
// usual dataset events. Views attach through a TDataSource (table/datasource.h).
//
// Every table has the hidden integer field RecId, created with the table ahead
// of the declared fields: the records posted after an Open are numbered 1, 2,
// 3 ... in the order they were posted. Declared fields join with
// TField::SetDataSet while the table is closed.
//
// Text is ordered with the user's collation (text::Collator::User()), so "a"
// sorts before "B"; two values are equal only when their bytes are.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "forms/component.h"
#include "table/datasource.h"
#include "table/db.h"

namespace sortkey {
struct Prefix;
}
class TRecordList;
class TMemRecord;
class TRecordBuffer;
class TRecordRef;

class TdxMemData : public TComponent {
public:
    using TDataSetNotifyEvent = std::function<void(TdxMemData* DataSet)>;

    explicit TdxMemData(TComponent* AOwner);
    ~TdxMemData() override;

    // Fields, RecId first.
    int FieldCount() const { return static_cast<int>(FFields.size()); }
    TField* Fields(int index) const { return FFields.at(index); }
    TIntegerField* RecIdField() const { return FRecIdField; }
    // The field of that name, compared without regard to case; nullptr or an
    // EDatabaseError "Field '%s' not found".
    TField* FindField(const std::string& name) const;
    TField* FieldByName(const std::string& name) const;

    // States and cursor flags.
    TDataSetState State() const { return FState; }
    bool Active() const { return FState != dsInactive; }
    void SetActive(bool value);
    void Open();
    void Close();
    bool Bof() const { return FBof; }
    bool Eof() const { return FEof; }
    bool IsEmpty() const { return RecordCount() == 0; }
    // Something was written to the record being inserted or edited.
    bool Modified() const { return FModified; }

    // Ordering. Setting either on an open table sorts the records anew (equal
    // values by ascending RecId) and keeps the cursor on its record.
    const std::string& SortedField() const { return FSortedField; }
    void SetSortedField(const std::string& value);
    TSortOptions SortOptions() const { return FSortOptions; }
    void SetSortOptions(TSortOptions value);

    // Writing records. Append, Insert, the moves, Locate and writing RecNo
    // first finish a pending record: posted when something was written to it,
    // otherwise cancelled (with Cancel's events).
    void Append();  // begins a new record after the last one
    void Insert();  // begins a new record in front of the current one
    void Edit();    // starts changing the current record (on an empty table: Insert)
    void Post();    // stores the record being written, in its ordered place
    void Cancel();  // drops the record being written; nothing in browse state
    void Delete();  // removes the current record (in insert state: Cancel)

    // Moves.
    void First();
    void Last();
    void Next();
    void Prior();
    // Moves `distance` rows forward (negative: back) as one move: BeforeScroll,
    // then, unless the table is already at that end, the move and AfterScroll.
    // Stops at either end and sets Eof/Bof when the full distance could not be
    // gone. Returns the distance moved. MoveBy(0) does nothing.
    int MoveBy(int distance);

    // Finds the first record whose value of KeyFields equals KeyValue and makes
    // it current. On the sort field (with the case option agreeing with the
    // sort) the search is binary, otherwise a scan in table order. A null key
    // (std::nullopt) finds a never-written value.
    bool Locate(const std::string& KeyFields, const std::optional<std::string>& KeyValue,
                TLocateOptions Options);
    // Several fields, separated by ";", each with its key (scan).
    bool Locate(const std::string& KeyFields, const std::vector<std::optional<std::string>>& KeyValues,
                TLocateOptions Options);

    // 1-based place of the current record, 0 when closed or empty. While a new
    // record is being written, the place of its row. Writing n in
    // 1..RecordCount() makes the n-th record current (centred in the views).
    int RecNo() const;
    void SetRecNo(int value);
    // Posted records (the record being inserted is not counted).
    int RecordCount() const;

    // Counted: while above 0, attached views are told nothing; EnableControls
    // back to 0 tells them once to reload. Table events still fire.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }

    // Rows for views: the records, plus the record being inserted at its row.
    int RowCount() const;
    // Row of the current record, -1 when none.
    int CurrentRow() const;
    // The text of `field` in row `row` without moving the cursor ("" when out
    // of range, closed, or null).
    std::string GetAsString(int row, const TField* field) const;
    // The value of an integer field in row `row` (nullopt when out of range,
    // closed, null, or not an integer field).
    std::optional<int32_t> GetAsInteger(int row, const TField* field) const;

    // Events, each with the table as its argument.
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, OnNewRecord;
    TDataSetNotifyEvent BeforeEdit, AfterEdit, BeforePost, AfterPost;
    TDataSetNotifyEvent BeforeCancel, AfterCancel, BeforeDelete, AfterDelete;
    TDataSetNotifyEvent BeforeScroll, AfterScroll;

private:
    friend class TField;
    friend class TDataSource;
    friend class TDataLink;

    [[noreturn]] void Error(const std::string& text) const;
    void CheckActive() const;

    // Fields and values.
    void AddField(TField* field);
    void RemoveField(TField* field);
    void FieldLayoutChanged();
    TRecordRef ActiveBuffer() const;
    TRecordRef RowRecord(int row) const;
    bool FieldIsNull(const TField* field) const;
    std::string FieldText(const TField* field) const;
    int32_t FieldInteger(const TField* field) const;
    void SetFieldValue(TField* field, const std::string* bytes);

    // Writing, ordering and searching.
    void Empty();
    void CheckBrowseMode();
    void BeginNewRecord(bool append);
    void SetState(TDataSetState value);
    int CompareKeys(TRecordRef a, TRecordRef b) const;
    // The sort value's prefix kept in the record list (0 without a sort field).
    sortkey::Prefix PrefixOf(TRecordRef record);
    // CompareKeys, settled by the prefixes when they differ.
    int CompareEntries(const sortkey::Prefix& prefixA, TRecordRef a, const sortkey::Prefix& prefixB,
                       TRecordRef b) const;
    // The first place not smaller than a target, from its prefix (nullptr:
    // none to trust) and `full(record)`, the record against the target.
    template <typename Full>
    int FirstNotSmaller(const sortkey::Prefix* target, Full full) const;
    int OrderedPlace(TRecordRef record, const sortkey::Prefix& prefix) const;
    void SortRecords();
    bool LocateKeys(std::span<TField* const> fields, std::span<const std::optional<std::string>> keys,
                    TLocateOptions options);
    int FindByKey(std::span<TField* const> fields, std::span<const std::optional<std::string>> keys,
                  TLocateOptions options) const;
    int BinarySearch(const TField* field, const std::optional<std::string>& key, TLocateOptions options) const;

    // Views.
    enum class TWindowMove { Follow, Top, Bottom, Centre };
    using TScrolls = std::vector<std::pair<TDataLink*, int>>;
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    std::vector<TDataLink*> AllLinks() const;
    void FitWindow(TDataLink* link, TWindowMove how) const;
    // Fits every link's window; the first form says how far each moved.
    TScrolls FitWindows(TWindowMove how);
    void RefitWindows(TWindowMove how) const;
    void NotifyLinks(const std::function<void(TDataLink*)>& notify);
    void NotifyScrolled(const TScrolls& scrolls);
    // Records were added, removed or moved: fit the windows and tell the views.
    void RecordsChanged(bool stateChanged);

    std::vector<TField*> FFields;
    TIntegerField* FRecIdField = nullptr;
    int FSlotCount = 0;
    TDataSetState FState = dsInactive;
    std::unique_ptr<TRecordList> FRecords;
    int FCurrent = -1;                     // index of the current record, -1 none
    std::unique_ptr<TRecordBuffer> FBuffer;  // the record being inserted or edited
    int FBufferRow = -1;                   // row of a record being inserted
    bool FModified = false;
    bool FBof = true;
    bool FEof = true;
    int32_t FLastRecId = 0;
    uint32_t FLastIdentity = 0;
    std::string FSortedField;
    TSortOptions FSortOptions = 0;
    TField* FSortField = nullptr;
    bool FPrefixesValid = true;  // every stored prefix was made (re-made by a sort)
    std::vector<TDataSource*> FDataSources;
    int FDisableCount = 0;
    TDataSetState FDisableState = dsInactive;
    bool FStateChangedWhileDisabled = false;
};
