#pragma once
// Shared types of the record tables: the database error, the table states, the
// option sets and the field objects.
//
// A field belongs to one table (SetDataSet) and reads and writes the value of
// that table's current record. String fields hold UTF-8 text of at most Size()
// bytes; a longer text is cut before the character that would not fit whole.

#include <cstdint>
#include <functional>
#include <string>

#include "forms/component.h"
#include "forms/exception.h"

class TdxMemData;

// Raised by a table on misuse. The message is "<table name>: <text>".
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// The error texts of the tables (format strings where they take an argument).
namespace dbtext {
inline constexpr const char* FieldNotFound = "Field '%s' not found";
inline constexpr const char* NotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* DataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* DataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* DataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* UnsupportedFieldType = "Unsupported field type: %s";
inline constexpr const char* InvalidInteger = "'%s' is not a valid integer value";
}  // namespace dbtext

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// Option sets are bit masks; {} / 0 is the empty set.
enum TLocateOption : unsigned { loCaseInsensitive = 1u << 0, loPartialKey = 1u << 1 };
using TLocateOptions = unsigned;

enum TSortOption : unsigned { soDesc = 1u << 0, soCaseInsensitive = 1u << 1 };
using TSortOptions = unsigned;

enum TFieldType { ftUnknown, ftString, ftInteger };

// The name of a field type as error messages give it ("String", "Integer").
const char* FieldTypeName(TFieldType type);

class TField : public TComponent {
public:
    ~TField() override;

    // The table the field belongs to. Fields are added at the end of the
    // table's field list; a field cannot join or leave an open table (it may
    // always be freed).
    TdxMemData* DataSet() const { return FDataSet; }
    void SetDataSet(TdxMemData* value);

    const std::string& FieldName() const { return FFieldName; }
    void SetFieldName(const std::string& value);
    TFieldType DataType() const { return FDataType; }
    // The most bytes a value holds (0 for fields without a size).
    int Size() const { return FSize; }

    // The caption for this field: the label when one is set, else FieldName().
    std::string DisplayLabel() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
    void SetDisplayLabel(const std::string& value);
    // Characters a view makes room for; by default a string field's Size.
    int DisplayWidth() const { return FDisplayWidth >= 0 ? FDisplayWidth : (FDataType == ftString ? FSize : 10); }
    void SetDisplayWidth(int value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);

    // Place in the table's field list (0 is RecId), -1 when in no table.
    int Index() const;

    // The value in the table's current record (the record being written while
    // inserting or editing). Reading gives "" / 0 when there is no record or
    // the value is null; writing outside insert and edit state fails.
    bool IsNull() const;
    std::string AsString() const;
    void SetAsString(const std::string& value);
    int32_t AsInteger() const;
    void SetAsInteger(int32_t value);
    void Clear();

protected:
    TField(TComponent* AOwner, TFieldType type, int size);
    void SetSizeValue(int value);

private:
    friend class TdxMemData;
    TdxMemData* FDataSet = nullptr;
    TFieldType FDataType;
    std::string FFieldName;
    std::string FDisplayLabel;
    int FSize = 0;
    int FDisplayWidth = -1;  // -1: the default
    bool FVisible = true;
    int FSlot = -1;  // value slot in the table's records
};

// A text of at most Size() bytes.
class TStringField : public TField {
public:
    explicit TStringField(TComponent* AOwner);
    // 1 or more; cannot change while the table is open.
    void SetSize(int value);
};

// A 32-bit signed integer.
class TIntegerField : public TField {
public:
    explicit TIntegerField(TComponent* AOwner);
};
