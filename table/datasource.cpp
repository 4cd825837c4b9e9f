#include "table/datasource.h"

#include <algorithm>

#include "table/dxmdaset.h"

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource()
{
    SetDataSet(nullptr);
    // The views outlive their source only detached.
    for (TDataLink* link : FLinks)
        link->FDataSource = nullptr;
}

void TDataSource::SetDataSet(TdxMemData* value)
{
    if (value == FDataSet)
        return;
    if (FDataSet)
        FDataSet->RemoveDataSource(this);
    FDataSet = value;
    if (FDataSet)
        FDataSet->AddDataSource(this);
    for (TDataLink* link : std::vector<TDataLink*>(FLinks)) {
        if (FDataSet)
            FDataSet->FitWindow(link, TdxMemData::TWindowMove::Centre);
        else
            link->FFirst = 0;
        link->ActiveChanged();
    }
}

TDataSetState TDataSource::State() const
{
    return FDataSet ? FDataSet->State() : dsInactive;
}

TDataLink::~TDataLink()
{
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource* value)
{
    if (value == FDataSource)
        return;
    if (FDataSource) {
        auto& links = FDataSource->FLinks;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
    }
    FDataSource = value;
    FFirst = 0;
    if (FDataSource) {
        FDataSource->FLinks.push_back(this);
        if (TdxMemData* table = DataSet())
            table->FitWindow(this, TdxMemData::TWindowMove::Centre);
    }
}

TdxMemData* TDataLink::DataSet() const
{
    return FDataSource ? FDataSource->DataSet() : nullptr;
}

bool TDataLink::Active() const
{
    const TdxMemData* table = DataSet();
    return table && table->Active();
}

void TDataLink::SetBufferCount(int value)
{
    FBufferCount = std::max(1, value);
    if (TdxMemData* table = DataSet())
        table->FitWindow(this, TdxMemData::TWindowMove::Follow);
}

int TDataLink::RecordCount() const
{
    const TdxMemData* table = DataSet();
    if (!table || !table->Active())
        return 0;
    return std::clamp(table->RowCount() - FFirst, 0, FBufferCount);
}

int TDataLink::FirstRecord() const
{
    return RecordCount() > 0 ? FFirst : 0;
}

int TDataLink::ActiveRecord() const
{
    const TdxMemData* table = DataSet();
    if (!table)
        return -1;
    const int row = table->CurrentRow() - FFirst;
    return row >= 0 && row < RecordCount() ? row : -1;
}

int TDataLink::RecordIndex(int row) const
{
    return row >= 0 && row < RecordCount() ? FFirst + row : -1;
}

std::string TDataLink::AsString(int row, const TField* field) const
{
    const int index = RecordIndex(row);
    return index < 0 ? std::string() : DataSet()->GetAsString(index, field);
}

std::string TDataLink::AsString(int row, const std::string& fieldName) const
{
    const TdxMemData* table = DataSet();
    return table ? AsString(row, table->FindField(fieldName)) : std::string();
}

int TDataLink::MoveBy(int distance)
{
    TdxMemData* table = DataSet();
    return table ? table->MoveBy(distance) : 0;
}
