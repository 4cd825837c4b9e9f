#include "table/db.h"

#include "table/dxmdaset.h"

const char* FieldTypeName(TFieldType type)
{
    switch (type) {
    case ftString:
        return "String";
    case ftInteger:
        return "Integer";
    case ftUnknown:
        break;
    }
    return "Unknown";
}

TField::TField(TComponent* AOwner, TFieldType type, int size)
    : TComponent(AOwner), FDataType(type), FSize(size)
{
}

TField::~TField()
{
    if (FDataSet)
        FDataSet->RemoveField(this);
}

void TField::SetDataSet(TdxMemData* value)
{
    if (value == FDataSet)
        return;
    if ((FDataSet && FDataSet->Active()) || (value && value->Active()))
        throw EDatabaseError(Format("%s: %s", (value && value->Active() ? value : FDataSet)->Name().c_str(),
                                    dbtext::DataSetOpen));
    if (FDataSet)
        FDataSet->RemoveField(this);
    if (value)
        value->AddField(this);
}

void TField::SetFieldName(const std::string& value)
{
    if (FDataSet && FDataSet->Active())
        FDataSet->Error(dbtext::DataSetOpen);
    FFieldName = value;
    if (FDataSet)
        FDataSet->FieldLayoutChanged();
}

void TField::SetDisplayLabel(const std::string& value)
{
    FDisplayLabel = value;
    if (FDataSet)
        FDataSet->FieldLayoutChanged();
}

void TField::SetDisplayWidth(int value)
{
    FDisplayWidth = value;
    if (FDataSet)
        FDataSet->FieldLayoutChanged();
}

void TField::SetVisible(bool value)
{
    FVisible = value;
    if (FDataSet)
        FDataSet->FieldLayoutChanged();
}

void TField::SetSizeValue(int value)
{
    if (FDataSet && FDataSet->Active())
        FDataSet->Error(dbtext::DataSetOpen);
    FSize = value < 1 ? 1 : value;
}

int TField::Index() const
{
    if (!FDataSet)
        return -1;
    for (int i = 0; i < FDataSet->FieldCount(); ++i)
        if (FDataSet->Fields(i) == this)
            return i;
    return -1;
}

bool TField::IsNull() const
{
    return !FDataSet || FDataSet->FieldIsNull(this);
}

std::string TField::AsString() const
{
    return FDataSet ? FDataSet->FieldText(this) : std::string();
}

void TField::SetAsString(const std::string& value)
{
    if (!FDataSet)
        throw EDatabaseError(Format("%s: %s", FFieldName.c_str(), dbtext::NotEditing));
    FDataSet->SetFieldValue(this, &value);
}

int32_t TField::AsInteger() const
{
    return FDataSet ? FDataSet->FieldInteger(this) : 0;
}

void TField::SetAsInteger(int32_t value)
{
    SetAsString(std::to_string(value));
}

void TField::Clear()
{
    if (!FDataSet)
        throw EDatabaseError(Format("%s: %s", FFieldName.c_str(), dbtext::NotEditing));
    FDataSet->SetFieldValue(this, nullptr);
}

TStringField::TStringField(TComponent* AOwner) : TField(AOwner, ftString, 20) {}

void TStringField::SetSize(int value)
{
    SetSizeValue(value);
}

TIntegerField::TIntegerField(TComponent* AOwner) : TField(AOwner, ftInteger, 0) {}
