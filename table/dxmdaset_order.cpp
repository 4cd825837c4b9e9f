// The memory table's ordering by SortedField, the place of a new record, and
// Locate.

#include <algorithm>
#include <charconv>

#include "table/dxmdaset.h"
#include "table/recordlist.h"
#include "table/sortkey.h"
#include "text/collation.h"

namespace {

int32_t IntegerOf(TRecordRef record, int slot)
{
    return record.IsNull(slot) ? 0 : record.Integer(slot);
}

int Sign(long long value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

// The user's collation; identical text (the common case among equal titles)
// is equal without walking it through the collator.
int Collate(std::string_view a, std::string_view b, bool caseless)
{
    if (a == b)
        return 0;
    return text::Collator::User().Compare(a, b, caseless);
}

bool ParseInteger(std::string_view text, int32_t& value)
{
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    return !text.empty() && error == std::errc() && end == last;
}

// Two values of one field: -1, 0 or +1. A never-written value counts as
// empty text (or 0).
int CompareValues(const TField& field, int slot, TRecordRef a, TRecordRef b, bool caseless)
{
    if (field.DataType() == ftInteger)
        return Sign(static_cast<long long>(IntegerOf(a, slot)) - IntegerOf(b, slot));
    return Collate(a.Text(slot), b.Text(slot), caseless);
}

// A search key against a record's value. A null key sorts before every value
// and equals a null value; a key that is no number sorts first on a number
// field (and never matches).
int CompareKey(const TField& field, int slot, const std::optional<std::string>& key, TRecordRef record,
               bool caseless)
{
    if (!key)
        return record.IsNull(slot) ? 0 : -1;
    if (field.DataType() == ftInteger) {
        int32_t number = 0;
        if (!ParseInteger(*key, number))
            return -1;
        return Sign(static_cast<long long>(number) - IntegerOf(record, slot));
    }
    return Collate(*key, record.Text(slot), caseless);
}

// Whether a record's value matches a Locate key: same length and equal, or,
// for a partial key, a non-empty key equal to the value's first bytes.
bool Matches(const TField& field, int slot, const std::optional<std::string>& key, TRecordRef record,
             TLocateOptions options)
{
    if (!key)
        return record.IsNull(slot);
    const bool caseless = (options & loCaseInsensitive) != 0;
    if (field.DataType() == ftInteger) {
        int32_t number = 0;
        return !record.IsNull(slot) && ParseInteger(*key, number) && number == record.Integer(slot);
    }
    const std::string_view value = record.Text(slot);
    if (options & loPartialKey)
        return !key->empty() && key->size() <= value.size() &&
               Collate(*key, value.substr(0, key->size()), caseless) == 0;
    return key->size() == value.size() && Collate(*key, value, caseless) == 0;
}

std::vector<std::string> SplitNames(const std::string& names)
{
    std::vector<std::string> result;
    size_t start = 0;
    while (start <= names.size()) {
        size_t end = names.find(';', start);
        if (end == std::string::npos)
            end = names.size();
        std::string name = names.substr(start, end - start);
        const size_t first = name.find_first_not_of(' ');
        const size_t last = name.find_last_not_of(' ');
        result.push_back(first == std::string::npos ? std::string() : name.substr(first, last - first + 1));
        start = end + 1;
    }
    return result;
}

}  // namespace

// ---- Ordering --------------------------------------------------------------

int TdxMemData::CompareKeys(TRecordRef a, TRecordRef b) const
{
    const int result = CompareValues(*FSortField, FSortField->FSlot, a, b, (FSortOptions & soCaseInsensitive) != 0);
    return (FSortOptions & soDesc) ? -result : result;
}

sortkey::Prefix TdxMemData::PrefixOf(TRecordRef record)
{
    if (!FSortField)
        return {};
    const int slot = FSortField->FSlot;
    if (FSortField->DataType() == ftInteger)
        return sortkey::OfInteger(IntegerOf(record, slot));
    const auto prefix = sortkey::OfText(record.Text(slot), (FSortOptions & soCaseInsensitive) != 0);
    if (!prefix)
        FPrefixesValid = false;
    return prefix.value_or(sortkey::Prefix{});
}

int TdxMemData::CompareEntries(const sortkey::Prefix& prefixA, TRecordRef a, const sortkey::Prefix& prefixB,
                               TRecordRef b) const
{
    if (FPrefixesValid) {
        const int order = sortkey::Compare(prefixA, prefixB);
        if (order != 0)
            return (FSortOptions & soDesc) ? -order : order;
    }
    return CompareKeys(a, b);
}

template <typename Full>
int TdxMemData::FirstNotSmaller(const sortkey::Prefix* target, Full full) const
{
    // Prefixes settle every place except those whose prefix equals the
    // target's; of these the first is read, and it is the answer in the common
    // case (no value with that prefix, or the target's own value). Only when
    // it is smaller are the tied places searched by reading them.
    if (!target)
        return FRecords->PartitionPoint([&](const sortkey::Prefix&, const TMemRecord& r) { return full(r) < 0; });
    const bool descending = (FSortOptions & soDesc) != 0;
    auto byPrefix = [&](const sortkey::Prefix& prefix) {
        const int order = sortkey::Compare(prefix, *target);
        return descending ? -order : order;
    };
    const int first =
        FRecords->PartitionPoint([&](const sortkey::Prefix& prefix, const TMemRecord&) { return byPrefix(prefix) < 0; });
    if (first == FRecords->Count() || byPrefix(FRecords->KeyAt(first)) > 0 || full(*FRecords->At(first)) >= 0)
        return first;
    return FRecords->PartitionPoint([&](const sortkey::Prefix& prefix, const TMemRecord& r) {
        const int order = byPrefix(prefix);
        return order < 0 || (order == 0 && full(r) < 0);
    });
}

int TdxMemData::OrderedPlace(TRecordRef record, const sortkey::Prefix& prefix) const
{
    // A value at or after the last and strictly after the first goes last;
    // otherwise in front of the first value that is not smaller. So equal
    // values take the new record in front of them, unless they end the table
    // behind some smaller value.
    const int count = FRecords->Count();
    const int place = FirstNotSmaller(FPrefixesValid ? &prefix : nullptr,
                                      [&](const TMemRecord& existing) { return CompareKeys(&existing, record); });
    // 0 < place < count: the first value is smaller, and the last is at or
    // after the new one, so "at or after the last" means equal to it.
    if (place > 0 && place < count &&
        CompareEntries(prefix, record, FRecords->KeyAt(count - 1), FRecords->At(count - 1)) == 0)
        return count;
    return place;
}

void TdxMemData::SortRecords()
{
    FSortField = FindField(FSortedField);
    if (!Active() || !FSortField)
        return;
    CheckBrowseMode();
    // Finishing a pending record runs event handlers, which may have closed
    // the table or changed its sort field.
    FSortField = FindField(FSortedField);
    if (!Active() || !FSortField)
        return;
    const TMemRecord* current = FRecords->At(FCurrent);
    FPrefixesValid = true;
    std::vector<std::pair<sortkey::Prefix, std::unique_ptr<TMemRecord>>> entries;
    for (auto& record : FRecords->TakeAll()) {
        const sortkey::Prefix prefix = PrefixOf(record.get());
        entries.emplace_back(prefix, std::move(record));
    }
    const int recIdSlot = FRecIdField ? FRecIdField->FSlot : -1;
    std::stable_sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
        const int order = CompareEntries(a.first, a.second.get(), b.first, b.second.get());
        if (order != 0)
            return order < 0;
        return recIdSlot >= 0 && IntegerOf(a.second.get(), recIdSlot) < IntegerOf(b.second.get(), recIdSlot);
    });
    std::vector<std::unique_ptr<TMemRecord>> records;
    std::vector<sortkey::Prefix> prefixes;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].second.get() == current)
            FCurrent = static_cast<int>(i);
        prefixes.push_back(entries[i].first);
        records.push_back(std::move(entries[i].second));
    }
    FRecords->Assign(std::move(records), prefixes);
    RefitWindows(TWindowMove::Follow);
    NotifyLinks([](TDataLink* link) { link->DataSetChanged(); });
}

// A pending record is finished before the order changes: its placing and the
// handlers it runs search by halves over the order the records are in.
void TdxMemData::SetSortedField(const std::string& value)
{
    if (Active())
        CheckBrowseMode();
    FSortedField = value;
    SortRecords();
}

void TdxMemData::SetSortOptions(TSortOptions value)
{
    if (Active())
        CheckBrowseMode();
    FSortOptions = value;
    SortRecords();
}

// ---- Locate ----------------------------------------------------------------

bool TdxMemData::Locate(const std::string& KeyFields, const std::optional<std::string>& KeyValue,
                        TLocateOptions Options)
{
    if (KeyFields.find(';') == std::string::npos) {
        TField* const field = FieldByName(KeyFields);
        return LocateKeys(std::span(&field, 1), std::span(&KeyValue, 1), Options);
    }
    return Locate(KeyFields, std::vector<std::optional<std::string>>{KeyValue}, Options);
}

bool TdxMemData::Locate(const std::string& KeyFields, const std::vector<std::optional<std::string>>& KeyValues,
                        TLocateOptions Options)
{
    std::vector<TField*> fields;
    for (const std::string& name : SplitNames(KeyFields))
        fields.push_back(FieldByName(name));
    if (fields.size() != KeyValues.size())
        Error(Format("Locate: %zu key fields but %zu key values", fields.size(), KeyValues.size()));
    return LocateKeys(fields, KeyValues, Options);
}

bool TdxMemData::LocateKeys(std::span<TField* const> fields, std::span<const std::optional<std::string>> keys,
                            TLocateOptions options)
{
    if (RecordCount() == 0)
        return false;
    CheckBrowseMode();
    const int found = FindByKey(fields, keys, options);
    if (found < 0)
        return false;
    FBof = FEof = false;
    if (found == FCurrent) {
        RefitWindows(TWindowMove::Centre);
        NotifyLinks([](TDataLink* link) { link->DataSetChanged(); });
        return true;
    }
    Fire(BeforeScroll, this);
    if (FState != dsBrowse || found >= RecordCount())  // the handler changed the table
        return false;
    FCurrent = found;
    NotifyScrolled(FitWindows(TWindowMove::Centre));
    Fire(AfterScroll, this);
    return true;
}

int TdxMemData::FindByKey(std::span<TField* const> fields, std::span<const std::optional<std::string>> keys,
                          TLocateOptions options) const
{
    const bool caseless = (options & loCaseInsensitive) != 0;
    if (fields.size() == 1 && fields[0] == FSortField && caseless == ((FSortOptions & soCaseInsensitive) != 0))
        return BinarySearch(fields[0], keys[0], options);
    const int count = FRecords->Count();
    for (int i = 0; i < count; ++i) {
        const TRecordRef record = FRecords->At(i);
        bool all = true;
        for (size_t f = 0; f < fields.size() && all; ++f)
            all = Matches(*fields[f], fields[f]->FSlot, keys[f], record, options);
        if (all)
            return i;
    }
    return -1;
}

int TdxMemData::BinarySearch(const TField* field, const std::optional<std::string>& key,
                             TLocateOptions options) const
{
    const bool caseless = (options & loCaseInsensitive) != 0;
    const bool descending = (FSortOptions & soDesc) != 0;
    const int slot = field->FSlot;
    // The key's prefix, when prefixes can settle comparisons with it: a text
    // key compared at the sort's strength (a null key sorts before everything
    // and a key that is no number sorts first, which prefixes cannot say).
    std::optional<sortkey::Prefix> keyPrefix;
    if (FPrefixesValid && key && field->DataType() == ftString)
        keyPrefix = sortkey::OfText(*key, caseless);
    auto compare = [&](const sortkey::Prefix& prefix, TRecordRef record) {
        int result = keyPrefix ? sortkey::Compare(*keyPrefix, prefix) : 0;
        if (result == 0)
            result = CompareKey(*field, slot, key, record, caseless);
        return descending ? -result : result;
    };
    // At or before the first value: the first record; at or after the last:
    // the last record; else the first record that is not smaller. Found from
    // the first record that is not smaller: it is the first record when the
    // key is at or before the first value, and past the end when the key is
    // after the last; in between, "at or after the last" means equal to it.
    const int count = FRecords->Count();
    const int notSmaller = FirstNotSmaller(keyPrefix ? &*keyPrefix : nullptr, [&](const TMemRecord& record) {
        const int result = CompareKey(*field, slot, key, &record, caseless);
        return descending ? result : -result;  // the record against the key
    });
    auto equal = [&](int row) { return compare(FRecords->KeyAt(row), FRecords->At(row)) == 0; };
    const bool atLast = notSmaller == count || (notSmaller > 0 && equal(count - 1));
    const int candidate = atLast ? count - 1 : notSmaller;
    if (Matches(*field, slot, key, FRecords->At(candidate), options))
        return candidate;
    // Case-sensitive, equal values are the same bytes. Caseless, values that
    // compare equal can differ in size ("ff" and its ligature), so another of
    // the equal run may match a whole key: after the first, or before the last.
    if (!caseless || (options & loPartialKey) || !equal(candidate))
        return -1;
    const int step = atLast ? -1 : 1;
    for (int row = candidate + step; row >= 0 && row < count && equal(row); row += step)
        if (Matches(*field, slot, key, FRecords->At(row), options))
            return row;
    return -1;
}
