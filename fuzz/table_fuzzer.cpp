// Record table under sequences of operations chosen by the fuzzer's bytes.
//
// The bytes set up a table (field sizes, sort field, sort options, a view's
// window size), then each step runs one operation: Open, Close, Append,
// Insert, Edit, Post, Cancel, Delete, moves, Locate, RecNo writes, field
// writes, DisableControls/EnableControls, sort changes. Misuse must raise the
// table's EDatabaseError, and only where the table's rules say so; any other
// exception is a finding. After every step the table's invariants are checked:
// counts and cursor in range, records in the order of the sort field, values
// within their sizes, distinct record numbers, the view's window consistent
// and left alone while controls are disabled. A quarter of the inputs let
// the table's event handlers run operations of their own in the middle of
// another one.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "table/datasource.h"
#include "table/dxmdaset.h"
#include "text/bytes.h"
#include "text/collation.h"
#include "text/decode.h"

namespace {

using fuzz::Printable;

// Pieces that make collation interesting: case pairs, accents, digits, CJK,
// broken UTF-8 and the zero byte that ends a stored value.
const char* const kPieces[] = {"a", "A", "b", "B", "c", "\xC3\xA4" /* ä */, "\xC3\x84" /* Ä */, " ", "-", "1",
                               "9", "10", "\xE4\xB8\xAD" /* 中 */, "\xE6\x96\x87" /* 文 */, "\xE4",
                               std::string_view("\0", 1).data(), "\xC3", "\xC3\x9F" /* ß */, "aa", "Ab"};
constexpr unsigned kPieceCount = sizeof kPieces / sizeof kPieces[0];

std::string Piece(unsigned i)
{
    // The zero byte needs its length spelled out.
    if (i == 15)
        return std::string(1, '\0');
    return kPieces[i];
}

std::string Text(fuzz::Reader& in)
{
    const unsigned n = in.Below(7);
    std::string s;
    for (unsigned i = 0; i < n; ++i) {
        const uint8_t b = in.Byte();
        if (b >= 0xF0)
            s += static_cast<char>(in.Byte());  // any byte at all
        else
            s += Piece(b % kPieceCount);
    }
    return s;
}

// A check of what one operation did; skipped when an event handler ran
// another operation in the middle of it.
#define AFTER_CHECK(cond, detail)   \
    do {                            \
        if (!disturbed)             \
            FUZZ_CHECK(cond, detail); \
    } while (0)

// Counts what the view is told.
class CountingLink : public TDataLink {
public:
    int told = 0;

protected:
    void ActiveChanged() override { ++told; }
    void DataSetChanged() override { ++told; }
    void DataSetScrolled(int) override { ++told; }
    void RecordChanged(TField*) override { ++told; }
    void LayoutChanged() override { ++told; }
    void StateChanged() override { ++told; }
};

struct Harness {
    TdxMemData table{nullptr};
    TStringField* title = nullptr;
    TStringField* other = nullptr;
    TDataSource source{nullptr};
    CountingLink link;

    // What the harness follows of the table: the nesting of
    // DisableControls, what the view had been told when it began, scrolls.
    int disableDepth = 0;
    bool openAtFirstDisable = false;
    int toldAtFirstDisable = 0;
    int afterScrolls = 0;
    bool appendPending = false;  // the record being inserted was begun by Append

    std::string Describe() const
    {
        std::string s = "state " + std::to_string(table.State()) + ", RecordCount " +
                        std::to_string(table.RecordCount()) + ", RecNo " + std::to_string(table.RecNo()) +
                        ", rows:";
        for (int row = 0; row < table.RowCount(); ++row)
            s += " [" + Printable(table.GetAsString(row, title)) + "|" + Printable(table.GetAsString(row, other)) +
                 "#" + table.GetAsString(row, table.RecIdField()) + "]";
        return s;
    }

    TField* Field(fuzz::Reader& in) { return in.Bool() ? static_cast<TField*>(title) : other; }
    std::string FieldName(fuzz::Reader& in)
    {
        switch (in.Below(6)) {
        case 0: return "Title";
        case 1: return "TITLE";
        case 2: return "Other";
        case 3: return "RecId";
        case 4: return "";
        default: return "Missing";
        }
    }

    // Runs op; checks that it raised EDatabaseError exactly when `mustRaise`
    // says so (nullopt: either is allowed). Returns whether it raised.
    // Re-entrant inputs: the table's event handlers run operations of their
    // own (one level deep), taking them from the same input.
    fuzz::Reader* reader = nullptr;
    bool reentrant = false;
    int depth = 0;
    int nestedRuns = 0;
    bool disturbed = false;  // the last operation had another run inside it
    // TABLE_FUZZ_TRACE=1 lists the operations an input runs, to read a finding.
    const bool trace = std::getenv("TABLE_FUZZ_TRACE") != nullptr;

    void Nested()
    {
        if (!reentrant || depth > 0 || reader->Below(3) != 0)
            return;
        ++depth;
        ++nestedRuns;
        struct Leave {
            int& depth;
            ~Leave() { --depth; }
        } leave{depth};
        Step(*reader);
    }

    template <class Op>
    bool Run(const char* name, std::optional<bool> mustRaise, Op op)
    {
        const int runsBefore = nestedRuns;
        if (trace)
            std::fprintf(stderr, "%*s%s; before: %s\n", depth * 2, "", name, Describe().c_str());
        bool raised = false;
        try {
            op();
        } catch (const EDatabaseError& e) {
            raised = true;
            const std::string prefix = table.Name() + ": ";
            FUZZ_CHECK(std::string_view(e.Message()).substr(0, prefix.size()) == prefix,
                       std::string(name) + " raised \"" + e.Message() + "\"");
        }
        disturbed = nestedRuns != runsBefore;
        if (mustRaise && !disturbed)
            FUZZ_CHECK(raised == *mustRaise, std::string(name) + (raised ? " raised" : " did not raise") +
                                                 " an EDatabaseError; " + Describe());
        return raised;
    }

    void Step(fuzz::Reader& in)
    {
        disturbed = false;
        const bool open = table.Active();
        const TDataSetState state = table.State();
        const bool writing = state == dsInsert || state == dsEdit;
        const unsigned op = in.Below(25);
        if (op != 3 && op != 4 && op != 18 && op != 19 && op != 20)
            appendPending = state == dsInsert && appendPending && (op == 8);
        switch (op) {
        case 0: Run("Open", false, [&] { table.Open(); }); break;
        case 1: Run("Close", false, [&] { table.Close(); }); break;
        case 2: {
            const bool value = in.Bool();
            Run("SetActive", false, [&] { table.SetActive(value); });
            AFTER_CHECK(table.Active() == value, Describe());
            break;
        }
        case 3:
        case 4:
            if (!Run("Append", !open, [&] { table.Append(); })) {
                // A handler that began a record of its own inside Append
                // leaves that record pending, not an appended one.
                appendPending = !disturbed;
                AFTER_CHECK(table.State() == dsInsert && table.Eof(), Describe());
                AFTER_CHECK(title->AsString().empty() && other->AsString().empty(), Describe());
            }
            break;
        case 5:
            if (!Run("Insert", !open, [&] { table.Insert(); }))
                AFTER_CHECK(table.State() == dsInsert, Describe());
            break;
        case 6: Run("Edit", open ? std::optional<bool>(false) : std::nullopt, [&] { table.Edit(); }); break;
        case 7:
            if (!Run("Post", !writing, [&] { table.Post(); }))
                AFTER_CHECK(table.State() == dsBrowse && !table.Bof() && !table.Eof(), Describe());
            break;
        case 8: {
            const bool append = appendPending && state == dsInsert;
            Run("Cancel", false, [&] { table.Cancel(); });
            AFTER_CHECK(table.State() == (open ? dsBrowse : dsInactive), Describe());
            if (append)
                AFTER_CHECK(table.RecNo() == table.RecordCount(),
                           "after a cancelled Append the last record is current; " + Describe());
            break;
        }
        case 9: {
            const bool mustRaise = !open || (state == dsBrowse && table.RecordCount() == 0);
            const int count = table.RecordCount();
            if (!Run("Delete", mustRaise, [&] { table.Delete(); }) && state != dsInsert)
                AFTER_CHECK(table.RecordCount() == count - 1, "Delete removed no record; " + Describe());
            break;
        }
        case 10:
            if (!Run("First", !open, [&] { table.First(); }))
                AFTER_CHECK(table.Bof() && table.Eof() == (table.RecordCount() == 0) &&
                               table.RecNo() == (table.RecordCount() ? 1 : 0),
                           Describe());
            break;
        case 11:
            if (!Run("Last", !open, [&] { table.Last(); }))
                AFTER_CHECK(table.Eof() && table.RecNo() == table.RecordCount(), Describe());
            break;
        case 12: Run("Next", !open, [&] { table.Next(); }); break;
        case 13: Run("Prior", !open, [&] { table.Prior(); }); break;
        case 14: {
            const int distance = in.SmallInt();
            Run("MoveBy", !open, [&] { table.MoveBy(distance); });
            break;
        }
        case 15:
        case 16: Locate(in); break;
        case 17: {
            const int n = in.SmallInt();
            Run("SetRecNo", open ? std::optional<bool>(false) : std::nullopt, [&] { table.SetRecNo(n); });
            if (open && n >= 1 && n <= table.RecordCount() && state == dsBrowse)
                AFTER_CHECK(table.RecNo() == n, "RecNo written " + std::to_string(n) + "; " + Describe());
            break;
        }
        case 18:
        case 19: {
            TField* field = Field(in);
            const std::string value = Text(in);
            if (!Run("SetAsString", !writing, [&] { field->SetAsString(value); }))
                CheckStored(*field, value);
            break;
        }
        case 20: {
            TField* field = Field(in);
            Run("Clear", !writing, [&] { field->Clear(); });
            break;
        }
        case 21:
            table.DisableControls();
            if (disableDepth++ == 0) {
                openAtFirstDisable = table.Active();
                toldAtFirstDisable = link.told;
            }
            break;
        case 22:
            table.EnableControls();
            if (disableDepth > 0 && --disableDepth == 0 && openAtFirstDisable && table.Active())
                AFTER_CHECK(link.told > toldAtFirstDisable, "EnableControls told the view nothing");
            break;
        case 23: {
            const std::string name = FieldName(in);
            Run("SetSortedField", false, [&] { table.SetSortedField(name); });
            break;
        }
        default: {
            const TSortOptions options = in.Below(4);
            Run("SetSortOptions", false, [&] { table.SetSortOptions(options); });
            break;
        }
        }
    }

    void Locate(fuzz::Reader& in)
    {
        const std::string name = FieldName(in);
        const TLocateOptions options = in.Below(4);
        std::optional<std::string> key;
        switch (in.Below(4)) {
        case 0: key = Text(in); break;
        case 1: break;  // null: a never-written value
        default:
            // A value the table holds, so that matches happen; sometimes cut
            // to a partial key.
            if (table.RowCount() > 0) {
                TField* field = table.FindField(name);
                key = field ? table.GetAsString(static_cast<int>(in.Below(table.RowCount())), field) : "";
                if (in.Bool() && !key->empty())
                    key->resize(in.Below(static_cast<unsigned>(key->size())));
            } else {
                key = Text(in);
            }
        }
        TField* field = table.FindField(name);
        const TDataSetState state = table.State();
        const int before = table.RecNo();
        const int scrollsBefore = afterScrolls;
        bool found = false;
        Run("Locate", !field ? std::optional<bool>(true) : std::optional<bool>(false),
            [&] { found = table.Locate(name, key, options); });
        if (!field)
            return;
        if (!table.Active() || table.RecordCount() == 0) {
            AFTER_CHECK(!found, "Locate found a record in a closed or empty table");
            return;
        }
        // A null or empty key (a never-written value reads as empty too) and
        // record numbers (matched as numbers) are left to the unit tests.
        const bool plain = key && !key->empty() && field != table.RecIdField();
        if (found) {
            AFTER_CHECK(table.State() == dsBrowse && !table.Bof() && !table.Eof(), Describe());
            AFTER_CHECK(!plain || Matches(table.CurrentRow(), field, *key, options),
                       "Locate(" + name + ", " + (key ? "\"" + Printable(*key) + "\"" : "null") +
                           ", " + std::to_string(options) + ") stopped on a record that does not match; " +
                           Describe());
            if (state == dsBrowse && table.RecNo() == before)
                AFTER_CHECK(afterScrolls == scrollsBefore, "Locate onto the current record scrolled");
        } else {
            // A partial key looked up by the binary search of the sort field
            // can miss: the values that begin with the key need not sort
            // right after it (in a table of ä and aa, "a" finds nothing, as
            // ä sorts between "a" and "aa"; so too in a descending sort, or
            // with a key that ends inside a character). That is how the table's
            // search is defined, and the window never asks for partial keys,
            // so such a miss is not a finding here.
            const bool binary = field == table.FindField(table.SortedField()) &&
                                ((options & loCaseInsensitive) != 0) ==
                                    ((table.SortOptions() & soCaseInsensitive) != 0);
            const bool partialMayMiss = binary && (options & loPartialKey);
            for (int row = 0; plain && !partialMayMiss && row < table.RowCount(); ++row)
                AFTER_CHECK(!Matches(row, field, *key, options),
                           "Locate(" + name + ", " + (key ? "\"" + Printable(*key) + "\"" : "null") + ", " +
                               std::to_string(options) + ") missed row " + std::to_string(row) + "; " + Describe());
            if (state == dsBrowse)
                AFTER_CHECK(table.RecNo() == before && afterScrolls == scrollsBefore,
                           "a Locate that found nothing moved the cursor; " + Describe());
        }
    }

    // The matching rule of Locate, written from its description: a whole key
    // must have the value's length and compare equal; a partial key must be
    // non-empty and equal the value's first bytes.
    bool Matches(int row, TField* field, const std::string& key, TLocateOptions options) const
    {
        const std::string value = table.GetAsString(row, field);
        const bool ci = options & loCaseInsensitive;
        const text::Collator& c = text::Collator::User();
        if (options & loPartialKey)
            return !key.empty() && key.size() <= value.size() &&
                   c.Compare(key, std::string_view(value).substr(0, key.size()), ci) == 0;
        return key.size() == value.size() && c.Compare(key, value, ci) == 0;
    }

    // A written value reads back as a prefix of what was written, within the
    // field's size, cut only where a character would not fit whole.
    void CheckStored(const TField& field, const std::string& written) const
    {
        const std::string read = field.AsString();
        const std::string upToZero = written.substr(0, written.find('\0'));
        const std::string detail = "wrote \"" + Printable(written) + "\" to " + field.FieldName() + " (size " +
                                   std::to_string(field.Size()) + "), read \"" + Printable(read) + "\"";
        FUZZ_CHECK(read.size() <= static_cast<size_t>(field.Size()), detail);
        FUZZ_CHECK(upToZero.compare(0, read.size(), read) == 0, detail);
        const size_t wanted = std::min(upToZero.size(), static_cast<size_t>(field.Size()));
        FUZZ_CHECK(read.size() + 3 >= wanted, detail);  // at most a partial character is lost
        if (text::IsValidUtf8(upToZero))
            FUZZ_CHECK(text::IsValidUtf8(read), detail);
    }

    void CheckInvariants()
    {
        const int count = table.RecordCount();
        const int rows = table.RowCount();
        const TDataSetState state = table.State();
        FUZZ_CHECK(table.Active() == (state != dsInactive), Describe());
        if (!table.Active()) {
            FUZZ_CHECK(count == 0 && rows == 0 && table.RecNo() == 0, Describe());
            FUZZ_CHECK(!link.Active() && link.RecordCount() == 0, Describe());
            return;
        }
        FUZZ_CHECK(rows == count + (state == dsInsert ? 1 : 0), Describe());
        const int recNo = table.RecNo();
        if (rows == 0)
            FUZZ_CHECK(recNo == 0, Describe());
        else
            FUZZ_CHECK(recNo >= 1 && recNo <= rows, Describe());
        if (state == dsBrowse && count > 0)
            FUZZ_CHECK(recNo >= 1, "an open table with records has no current record; " + Describe());

        // Stored rows: the row being inserted is not stored yet, and the
        // record being edited shows its new values only after Post.
        const int pending = state == dsBrowse ? -1 : table.CurrentRow();
        std::set<std::string> recIds;
        for (int row = 0; row < rows; ++row) {
            if (row == pending)
                continue;
            FUZZ_CHECK(table.GetAsString(row, title).size() <= static_cast<size_t>(title->Size()), Describe());
            FUZZ_CHECK(table.GetAsString(row, other).size() <= static_cast<size_t>(other->Size()), Describe());
            const std::string id = table.GetAsString(row, table.RecIdField());
            FUZZ_CHECK(!id.empty() && id != "0" && id[0] != '-' && recIds.insert(id).second,
                       "record numbers must be positive and distinct; " + Describe());
        }

        if (TField* sort = table.FindField(table.SortedField()); sort && sort != table.RecIdField()) {
            const bool ci = table.SortOptions() & soCaseInsensitive;
            const bool desc = table.SortOptions() & soDesc;
            std::optional<std::string> previous;
            for (int row = 0; row < rows; ++row) {
                if (row == pending)
                    continue;
                const std::string value = table.GetAsString(row, sort);
                if (previous) {
                    int c = text::Collator::User().Compare(*previous, value, ci);
                    if (desc)
                        c = -c;
                    FUZZ_CHECK(c <= 0, "records out of order at row " + std::to_string(row) + "; " + Describe());
                }
                previous = value;
            }
        }

        // The view's window: inside the rows, filled, the current row in it.
        const int first = link.FirstRecord();
        const int shown = link.RecordCount();
        const std::string window = "window first " + std::to_string(first) + " shown " + std::to_string(shown) +
                                   " of " + std::to_string(link.BufferCount()) + "; " + Describe();
        FUZZ_CHECK(first >= 0 && (rows == 0 ? first == 0 : first < rows), window);
        FUZZ_CHECK(shown == std::min(link.BufferCount(), rows - first), window);
        FUZZ_CHECK(first == 0 || first + link.BufferCount() <= rows, window);
        if (table.CurrentRow() >= 0)
            FUZZ_CHECK(link.ActiveRecord() == table.CurrentRow() - first && link.ActiveRecord() >= 0 &&
                           link.ActiveRecord() < shown,
                       window);
        if (disableDepth > 0)
            FUZZ_CHECK(link.told == toldAtFirstDisable, "the view was told something while controls were disabled");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Reader in(data, size);
    Harness h;
    h.table.SetName("dxMemData");
    h.title = new TStringField(&h.table);
    h.title->SetFieldName("Title");
    h.title->SetSize(1 + static_cast<int>(in.Below(12)));
    h.title->SetDataSet(&h.table);
    h.other = new TStringField(&h.table);
    h.other->SetFieldName("Other");
    h.other->SetSize(1 + static_cast<int>(in.Below(6)));
    h.other->SetDataSet(&h.table);
    h.table.SetSortedField(h.FieldName(in));
    h.table.SetSortOptions(in.Below(4));
    h.reader = &in;
    h.reentrant = in.Below(4) == 0;
    h.table.AfterScroll = [&](TdxMemData*) {
        ++h.afterScrolls;
        h.Nested();
    };
    h.table.BeforeScroll = h.table.AfterPost = h.table.AfterInsert = h.table.AfterDelete =
        h.table.BeforePost = h.table.AfterOpen = h.table.BeforeClose = [&](TdxMemData*) { h.Nested(); };
    h.source.SetDataSet(&h.table);
    h.link.SetBufferCount(1 + static_cast<int>(in.Below(5)));
    h.link.SetDataSource(&h.source);
    h.table.Open();

    for (int steps = 0; steps < 400 && !in.Empty(); ++steps) {
        h.Step(in);
        h.CheckInvariants();
    }
    h.link.SetDataSource(nullptr);
    return 0;
}
