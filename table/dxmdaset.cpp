#include "table/dxmdaset.h"

#include "table/recordlist.h"

// Work in progress: the operations are being filled in.
TdxMemData::TdxMemData(TComponent* AOwner) : TComponent(AOwner), FRecords(std::make_unique<TRecordList>()) {}
TdxMemData::~TdxMemData() = default;
TField* TdxMemData::FindField(const std::string&) const { return nullptr; }
TField* TdxMemData::FieldByName(const std::string&) const { return nullptr; }
void TdxMemData::SetActive(bool) {}
void TdxMemData::Open() {}
void TdxMemData::Close() {}
void TdxMemData::SetSortedField(const std::string& value) { FSortedField = value; }
void TdxMemData::SetSortOptions(TSortOptions value) { FSortOptions = value; }
void TdxMemData::Append() {}
void TdxMemData::Insert() {}
void TdxMemData::Edit() {}
void TdxMemData::Post() {}
void TdxMemData::Cancel() {}
void TdxMemData::Delete() {}
void TdxMemData::First() {}
void TdxMemData::Last() {}
void TdxMemData::Next() {}
void TdxMemData::Prior() {}
int TdxMemData::MoveBy(int) { return 0; }
bool TdxMemData::Locate(const std::string&, const std::optional<std::string>&, TLocateOptions) { return false; }
bool TdxMemData::Locate(const std::string&, const std::vector<std::optional<std::string>>&, TLocateOptions) { return false; }
int TdxMemData::RecNo() const { return 0; }
void TdxMemData::SetRecNo(int) {}
int TdxMemData::RecordCount() const { return 0; }
void TdxMemData::DisableControls() {}
void TdxMemData::EnableControls() {}
int TdxMemData::RowCount() const { return 0; }
int TdxMemData::CurrentRow() const { return -1; }
std::string TdxMemData::GetAsString(int, const TField*) const { return {}; }
void TdxMemData::AddField(TField*) {}
void TdxMemData::RemoveField(TField*) {}
void TdxMemData::FieldLayoutChanged() {}
bool TdxMemData::FieldIsNull(const TField*) const { return true; }
std::string TdxMemData::FieldText(const TField*) const { return {}; }
int32_t TdxMemData::FieldInteger(const TField*) const { return 0; }
void TdxMemData::SetFieldValue(TField*, const std::string*) {}
void TdxMemData::AddDataSource(TDataSource*) {}
void TdxMemData::RemoveDataSource(TDataSource*) {}
void TdxMemData::FitWindow(TDataLink*, TWindowMove) const {}
