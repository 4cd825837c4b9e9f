// The memory table: lifecycle, fields and values, writing records, moves.
// Ordering and Locate are in dxmdaset_order.cpp, the views in
// dxmdaset_views.cpp.

#include "table/dxmdaset.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

#include "table/recordlist.h"
#include "table/sortkey.h"
#include "text/bytes.h"

namespace {

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y && !(x < 0x80 && y < 0x80 && std::tolower(x) == std::tolower(y)))
            return false;
    }
    return true;
}

// Text up to its first zero byte, as a fixed slot keeps it.
std::string_view UpToZero(const std::string& value)
{
    const size_t zero = value.find('\0');
    return std::string_view(value).substr(0, zero);
}

}  // namespace

TdxMemData::TdxMemData(TComponent* AOwner)
    : TComponent(AOwner), FRecords(std::make_unique<TRecordList>()), FBuffer(std::make_unique<TRecordBuffer>())
{
    FRecIdField = new TIntegerField(this);
    FRecIdField->SetFieldName("RecId");
    FRecIdField->SetVisible(false);
    FRecIdField->SetDataSet(this);
}

TdxMemData::~TdxMemData()
{
    for (TField* field : FFields) {
        field->FDataSet = nullptr;
        field->FSlot = -1;
    }
    FFields.clear();
    const std::vector<TDataSource*> sources = FDataSources;
    for (TDataSource* source : sources)
        source->SetDataSet(nullptr);
}

void TdxMemData::Error(const std::string& text) const
{
    throw EDatabaseError(Format("%s: %s", Name().c_str(), text.c_str()));
}

void TdxMemData::CheckActive() const
{
    if (!Active())
        Error(dbtext::DataSetClosed);
}

// ---- Fields and values ---------------------------------------------------

void TdxMemData::AddField(TField* field)
{
    field->FDataSet = this;
    field->FSlot = FSlotCount++;
    FFields.push_back(field);
    FieldLayoutChanged();
}

void TdxMemData::RemoveField(TField* field)
{
    FFields.erase(std::remove(FFields.begin(), FFields.end(), field), FFields.end());
    if (FSortField == field)
        FSortField = nullptr;
    if (FRecIdField == field)
        FRecIdField = nullptr;
    field->FDataSet = nullptr;
    field->FSlot = -1;
    FieldLayoutChanged();
}

TField* TdxMemData::FindField(const std::string& name) const
{
    for (TField* field : FFields)
        if (SameName(field->FieldName(), name))
            return field;
    return nullptr;
}

TField* TdxMemData::FieldByName(const std::string& name) const
{
    TField* field = FindField(name);
    if (!field)
        Error(Format(dbtext::FieldNotFound, name.c_str()));
    return field;
}

TRecordRef TdxMemData::ActiveBuffer() const
{
    if (FState == dsInsert || FState == dsEdit)
        return FBuffer.get();
    if (FState == dsBrowse && FCurrent >= 0)
        return FRecords->At(FCurrent);
    return {};
}

TRecordRef TdxMemData::RowRecord(int row) const
{
    if (!Active() || row < 0 || row >= RowCount())
        return {};
    if (FState == dsInsert) {
        if (row == FBufferRow)
            return FBuffer.get();
        return FRecords->At(row > FBufferRow ? row - 1 : row);
    }
    if (FState == dsEdit && row == FCurrent)
        return FBuffer.get();
    return FRecords->At(row);
}

namespace {

std::string TextOf(TRecordRef record, TFieldType type, int slot)
{
    if (type == ftInteger)
        return record.IsNull(slot) ? std::string() : std::to_string(record.Integer(slot));
    return std::string(record.Text(slot));
}

}  // namespace

bool TdxMemData::FieldIsNull(const TField* field) const
{
    return ActiveBuffer().IsNull(field->FSlot);
}

std::string TdxMemData::GetAsString(int row, const TField* field) const
{
    if (!field || field->FDataSet != this)
        return {};
    return TextOf(RowRecord(row), field->DataType(), field->FSlot);
}

std::optional<int32_t> TdxMemData::GetAsInteger(int row, const TField* field) const
{
    if (!field || field->FDataSet != this || field->DataType() != ftInteger)
        return std::nullopt;
    const TRecordRef record = RowRecord(row);
    if (record.IsNull(field->FSlot))
        return std::nullopt;
    return record.Integer(field->FSlot);
}

std::string TdxMemData::FieldText(const TField* field) const
{
    return TextOf(ActiveBuffer(), field->DataType(), field->FSlot);
}

int32_t TdxMemData::FieldInteger(const TField* field) const
{
    const TRecordRef record = ActiveBuffer();
    if (record.IsNull(field->FSlot))
        return 0;
    if (field->DataType() == ftInteger)
        return record.Integer(field->FSlot);
    const std::string_view text = record.Text(field->FSlot);
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        Error(Format(dbtext::InvalidInteger, std::string(text).c_str()));
    return value;
}

void TdxMemData::SetFieldValue(TField* field, const std::string* bytes)
{
    if (FState != dsInsert && FState != dsEdit)
        Error(dbtext::NotEditing);
    TRecordBuffer& record = *FBuffer;
    if (!bytes) {
        record.Clear(field->FSlot);
    } else if (field->DataType() == ftInteger) {
        if (bytes->empty()) {
            record.Clear(field->FSlot);
        } else {
            int32_t value = 0;
            const char* first = bytes->data();
            const char* last = first + bytes->size();
            const auto [end, error] = std::from_chars(first, last, value);
            if (error != std::errc() || end != last)
                Error(Format(dbtext::InvalidInteger, bytes->c_str()));
            record.SetInteger(field->FSlot, value);
        }
    } else {
        // The slot keeps Size bytes and ends at a zero byte; the cut never
        // keeps part of a character.
        record.SetText(field->FSlot, text::CutBytes(UpToZero(*bytes), static_cast<size_t>(field->Size())));
    }
    FModified = true;
    NotifyLinks([field](TDataLink* link) { link->RecordChanged(field); });
}

// ---- Lifecycle -------------------------------------------------------------

void TdxMemData::SetActive(bool value)
{
    if (value)
        Open();
    else
        Close();
}

void TdxMemData::SetState(TDataSetState value)
{
    if (value == FState)
        return;
    FState = value;
    if (FDisableCount > 0)
        FStateChangedWhileDisabled = true;
}

// No records, no cursor, numbering from the start.
void TdxMemData::Empty()
{
    FRecords->Clear();
    FBufferRow = -1;
    FCurrent = -1;
    FLastRecId = 0;
    FLastIdentity = 0;
    FModified = false;
    FBof = FEof = true;
}

void TdxMemData::Open()
{
    if (Active())
        return;
    Fire(BeforeOpen, this);
    if (Active())  // the handler opened it
        return;
    for (const TField* field : FFields)
        if (field->DataType() != ftString && field->DataType() != ftInteger)
            Error(Format(dbtext::UnsupportedFieldType, FieldTypeName(field->DataType())));
    Empty();
    FSortField = FindField(FSortedField);
    FPrefixesValid = true;
    SetState(dsBrowse);
    RefitWindows(TWindowMove::Top);
    NotifyLinks([](TDataLink* link) { link->ActiveChanged(); });
    Fire(AfterOpen, this);
    if (RecordCount() > 0)
        Fire(AfterScroll, this);
}

void TdxMemData::Close()
{
    if (!Active())
        return;
    Fire(BeforeClose, this);
    if (!Active())
        return;
    Empty();
    SetState(dsInactive);
    RefitWindows(TWindowMove::Top);
    NotifyLinks([](TDataLink* link) { link->ActiveChanged(); });
    Fire(AfterClose, this);
}

int TdxMemData::RecordCount() const
{
    return Active() ? FRecords->Count() : 0;
}

int TdxMemData::RowCount() const
{
    return RecordCount() + (FState == dsInsert ? 1 : 0);
}

int TdxMemData::CurrentRow() const
{
    if (!Active())
        return -1;
    return FState == dsInsert ? FBufferRow : FCurrent;
}

int TdxMemData::RecNo() const
{
    return CurrentRow() + 1;
}

// ---- Writing records -------------------------------------------------------

void TdxMemData::CheckBrowseMode()
{
    if (FState != dsInsert && FState != dsEdit)
        return;
    if (FModified)
        Post();
    else
        Cancel();
}

void TdxMemData::BeginNewRecord(bool append)
{
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeInsert, this);
    Fire(BeforeScroll, this);
    // A handler that closed the table or began a record itself ends this one.
    CheckActive();
    if (FState != dsBrowse)
        return;
    FBuffer->Reset(FSlotCount);
    if (FRecIdField)
        FBuffer->SetInteger(FRecIdField->FSlot, FLastRecId + 1);
    FBufferRow = append || FCurrent < 0 ? FRecords->Count() : FCurrent;
    FModified = false;
    FBof = false;
    FEof = append;
    SetState(dsInsert);
    RecordsChanged(true);
    Fire(OnNewRecord, this);
    Fire(AfterInsert, this);
    Fire(AfterScroll, this);
}

void TdxMemData::Append()
{
    BeginNewRecord(true);
}

void TdxMemData::Insert()
{
    BeginNewRecord(false);
}

void TdxMemData::Edit()
{
    CheckActive();
    if (FState == dsInsert || FState == dsEdit)
        return;
    if (RecordCount() == 0) {
        Insert();
        return;
    }
    Fire(BeforeEdit, this);
    if (FState != dsBrowse || RecordCount() == 0)
        return;
    FRecords->At(FCurrent)->Unpack(*FBuffer);
    FModified = false;
    SetState(dsEdit);
    NotifyLinks([](TDataLink* link) { link->StateChanged(); });
    Fire(AfterEdit, this);
}

void TdxMemData::Post()
{
    if (FState == dsInsert) {
        Fire(BeforePost, this);
        if (FState != dsInsert)  // the handler finished the record itself
            return;
        if (FRecIdField)
            FBuffer->SetInteger(FRecIdField->FSlot, ++FLastRecId);
        FBuffer->Identity = ++FLastIdentity;
        const sortkey::Prefix prefix = PrefixOf(FBuffer.get());
        int place = FBufferRow;
        if (FSortField && FRecords->Count() > 0)
            place = OrderedPlace(FBuffer.get(), prefix);
        FRecords->Insert(place, TMemRecord::Pack(*FBuffer), prefix);
        FCurrent = place;
        FBufferRow = -1;
    } else if (FState == dsEdit) {
        Fire(BeforePost, this);
        if (FState != dsEdit)
            return;
        std::unique_ptr<TMemRecord> record = FRecords->Take(FCurrent);
        const bool keyChanged = FSortField && CompareKeys(record.get(), FBuffer.get()) != 0;
        FBuffer->Identity = record->Identity;
        const sortkey::Prefix prefix = PrefixOf(FBuffer.get());
        int place = FCurrent;
        if (keyChanged && FRecords->Count() > 0)
            place = OrderedPlace(FBuffer.get(), prefix);
        FRecords->Insert(place, TMemRecord::Pack(*FBuffer), prefix);
        FCurrent = place;
    } else {
        Error(dbtext::NotEditing);
    }
    FModified = false;
    FBof = FEof = false;
    SetState(dsBrowse);
    RecordsChanged(true);
    Fire(AfterPost, this);
}

void TdxMemData::Cancel()
{
    if (FState == dsInsert) {
        Fire(BeforeCancel, this);
        Fire(BeforeScroll, this);
        if (FState != dsInsert)
            return;
        const int count = FRecords->Count();
        // An appended record leaves the last record current; an inserted one
        // the record it was inserted in front of.
        FCurrent = std::min(FBufferRow, count - 1);
        FBufferRow = -1;
        FModified = false;
        FBof = FEof = count == 0;
        SetState(dsBrowse);
        RecordsChanged(true);
        Fire(AfterCancel, this);
        Fire(AfterScroll, this);
    } else if (FState == dsEdit) {
        Fire(BeforeCancel, this);
        if (FState != dsEdit)
            return;
        FModified = false;
        SetState(dsBrowse);
        NotifyLinks([](TDataLink* link) {
            link->StateChanged();
            link->RecordChanged(nullptr);
        });
        Fire(AfterCancel, this);
    }
}

void TdxMemData::Delete()
{
    CheckActive();
    if (FState == dsInsert) {
        Cancel();
        return;
    }
    if (RecordCount() == 0)
        Error(dbtext::DataSetEmpty);
    Fire(BeforeDelete, this);
    Fire(BeforeScroll, this);
    if ((FState != dsBrowse && FState != dsEdit) || FCurrent < 0)
        return;
    // The changes of an edit go with the record.
    const bool wasEditing = FState == dsEdit;
    FModified = false;
    SetState(dsBrowse);
    FRecords->Take(FCurrent);
    const int count = FRecords->Count();
    if (FCurrent >= count)
        FCurrent = count - 1;
    FBof = FEof = count == 0;
    RecordsChanged(wasEditing);
    Fire(AfterDelete, this);
    Fire(AfterScroll, this);
}

// ---- Moves -----------------------------------------------------------------

void TdxMemData::First()
{
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, this);
    if (FState != dsBrowse)
        return;
    const int count = FRecords->Count();
    FCurrent = count > 0 ? 0 : -1;
    FBof = true;
    FEof = count == 0;
    NotifyScrolled(FitWindows(TWindowMove::Top));
    Fire(AfterScroll, this);
}

void TdxMemData::Last()
{
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, this);
    if (FState != dsBrowse)
        return;
    const int count = FRecords->Count();
    FCurrent = count - 1;
    FEof = true;
    FBof = count == 0;
    NotifyScrolled(FitWindows(TWindowMove::Bottom));
    Fire(AfterScroll, this);
}

int TdxMemData::MoveBy(int distance)
{
    CheckActive();
    if (distance == 0)
        return 0;
    CheckBrowseMode();
    Fire(BeforeScroll, this);
    if (FState != dsBrowse || (distance > 0 && FEof) || (distance < 0 && FBof))
        return 0;
    const int count = FRecords->Count();
    FBof = FEof = false;
    int target = 0;
    if (count == 0) {
        FBof = FEof = true;
        target = -1;
    } else if (distance > count - 1 - FCurrent) {
        target = count - 1;
        FEof = true;
    } else if (distance < -FCurrent) {
        target = 0;
        FBof = true;
    } else {
        target = FCurrent + distance;
    }
    const int moved = count == 0 ? 0 : target - FCurrent;
    FCurrent = target;
    NotifyScrolled(FitWindows(TWindowMove::Follow));
    Fire(AfterScroll, this);
    return moved;
}

void TdxMemData::Next()
{
    MoveBy(1);
}

void TdxMemData::Prior()
{
    MoveBy(-1);
}

void TdxMemData::SetRecNo(int value)
{
    CheckBrowseMode();
    if (value < 1 || value > RecordCount())
        return;
    Fire(BeforeScroll, this);
    // The handler may have changed the table.
    if (FState != dsBrowse || value - 1 == FCurrent || value > RecordCount())
        return;
    FCurrent = value - 1;
    FBof = FEof = false;
    NotifyScrolled(FitWindows(TWindowMove::Centre));
    Fire(AfterScroll, this);
}
