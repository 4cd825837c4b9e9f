// Model-based tests: random sequences of operations checked against a small,
// independent model of the placement and Locate rules, and of the events each
// operation fires.

#include <random>

#include "tests/table/table_fixture.h"
#include "text/collation.h"

using tabletest::EventLog;
using tabletest::TableTest;
using Events = std::vector<std::string>;

namespace {

// ---- Placement and Locate -------------------------------------------------

struct Row {
    std::string title;
    int recId;
    bool operator==(const Row&) const = default;
};

// The rules written out plainly, with linear searches over a vector.
struct OrderModel {
    bool descending = false;
    bool caseless = false;
    std::vector<Row> rows;

    int Compare(const std::string& a, const std::string& b, bool ci) const
    {
        const int c = text::Collator::User().Compare(a, b, ci);
        return descending ? -c : c;
    }
    int Compare(const std::string& a, const std::string& b) const { return Compare(a, b, caseless); }

    int Place(const std::string& v) const
    {
        const int k = static_cast<int>(rows.size());
        if (k == 0)
            return 0;
        if (Compare(v, rows[k - 1].title) >= 0 && Compare(v, rows[0].title) > 0)
            return k;
        for (int i = 0; i < k; ++i)
            if (Compare(rows[i].title, v) >= 0)
                return i;
        return k;
    }

    static bool Matches(const std::string& value, const std::string& key, TLocateOptions options)
    {
        const bool ci = options & loCaseInsensitive;
        if (options & loPartialKey)
            return !key.empty() && key.size() <= value.size() &&
                   text::Collator::User().Compare(key, value.substr(0, key.size()), ci) == 0;
        return key.size() == value.size() && text::Collator::User().Compare(key, value, ci) == 0;
    }

    // Index of the record Locate must find, -1 for none.
    int Locate(const std::string& key, TLocateOptions options) const
    {
        const int n = static_cast<int>(rows.size());
        if (n == 0)
            return -1;
        const bool ci = options & loCaseInsensitive;
        if (ci != caseless) {
            for (int i = 0; i < n; ++i)
                if (Matches(rows[i].title, key, options))
                    return i;
            return -1;
        }
        int candidate = 0;
        int step = 1;
        if (Compare(key, rows[0].title, ci) <= 0)
            candidate = 0;
        else if (Compare(key, rows[n - 1].title, ci) >= 0)
            candidate = n - 1, step = -1;
        else
            while (Compare(rows[candidate].title, key, ci) < 0)
                ++candidate;
        // Caseless, a whole key may match another value of the candidate's
        // equal run instead: the nearest one going away from the run's edge.
        for (int i = candidate; i >= 0 && i < n; i += step) {
            if (Matches(rows[i].title, key, options))
                return i;
            if (!ci || (options & loPartialKey) || Compare(key, rows[i].title, ci) != 0)
                break;
        }
        return -1;
    }
};

// Many equal values, case and accent pairs, CJK, long shared beginnings,
// an "é" written as "e" and a combining accent (equal to the collation, not in
// bytes), and bytes that are no UTF-8 (a Big5 name, a lone 0xFF).
const std::vector<std::string> kValues = {
    "", "a", "A", "b", "B", "ab", "abc", "Abc", "歌", "歌手", "一", "z", "é", "e\xcc\x81", "e",
    "abcdefghij1", "abcdefghij2", "Abcdefghij2", "abcdefghijklmnopqrstuvw1", "abcdefghijklmnopqrstuvw2",
    "Abcdefghijklmnopqrstuvw2", "歌手歌手歌手歌手歌手1", "歌手歌手歌手歌手歌手2", "\xa6\\", "\xff", "a\xff"};
const std::vector<std::string> kExtraKeys = {"x", "abcd", "ab ", "歌手們", "AB"};

class OrderModelTest : public TableTest {
protected:
    std::vector<Row> TableRows() const
    {
        std::vector<Row> rows;
        for (int i = 0; i < table->RowCount(); ++i)
            rows.push_back({table->GetAsString(i, title), std::stoi(table->GetAsString(i, table->RecIdField()))});
        return rows;
    }

    void Run(unsigned seed, TSortOptions sortOptions, int steps = 250)
    {
        std::mt19937 random(seed);
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        table->Close();
        table->SetSortOptions(sortOptions);
        table->SetSortedField("Title");
        table->Open();
        OrderModel model;
        model.descending = sortOptions & soDesc;
        model.caseless = sortOptions & soCaseInsensitive;
        int lastRecId = 0;
        int current = -1;
        int scrolls = 0;
        table->AfterScroll = [&](TdxMemData*) { ++scrolls; };

        for (int step = 0; step < steps; ++step) {
            const int kind = pick(20);
            SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
            if (kind < 14) {
                const std::string v = kValues[static_cast<size_t>(pick(static_cast<int>(kValues.size())))];
                table->Append();
                if (!v.empty() || pick(2))
                    title->SetAsString(v);
                table->Post();
                const int place = model.Place(v);
                model.rows.insert(model.rows.begin() + place, Row{v, ++lastRecId});
                current = place;
            } else if (kind < 18) {
                const bool extra = pick(4) == 0;
                const std::string key = extra ? kExtraKeys[static_cast<size_t>(pick(static_cast<int>(kExtraKeys.size())))]
                                              : kValues[static_cast<size_t>(pick(static_cast<int>(kValues.size())))];
                const TLocateOptions options = static_cast<TLocateOptions>(pick(4));
                const int expected = model.Locate(key, options);
                scrolls = 0;
                const bool found = table->Locate("Title", key, options);
                ASSERT_EQ(found, expected >= 0) << "key '" << key << "' options " << options;
                if (found) {
                    ASSERT_EQ(table->RecNo(), expected + 1) << "key '" << key << "' options " << options;
                    EXPECT_EQ(scrolls, expected == current ? 0 : 1);
                    current = expected;
                } else {
                    EXPECT_EQ(scrolls, 0);
                }
            } else if (kind < 19 && !model.rows.empty()) {
                table->Delete();
                model.rows.erase(model.rows.begin() + current);
                current = std::min(current, static_cast<int>(model.rows.size()) - 1);
            } else if (!model.rows.empty()) {
                const int recNo = 1 + pick(static_cast<int>(model.rows.size()));
                table->SetRecNo(recNo);
                current = recNo - 1;
            }
            ASSERT_EQ(TableRows(), model.rows);
            ASSERT_EQ(table->RecNo(), current + 1);
        }
    }
};

}  // namespace

TEST_F(OrderModelTest, RandomAppendsAndLocatesFollowTheRules)
{
    for (unsigned seed = 1; seed <= 12; ++seed)
        Run(seed, 0);
}

TEST_F(OrderModelTest, RandomAppendsAndLocatesFollowTheRulesAcrossManyBlocks)
{
    Run(7, 0, 900);
}

TEST_F(OrderModelTest, RandomAppendsAndLocatesFollowTheRulesInEveryOrder)
{
    for (unsigned seed = 100; seed <= 105; ++seed) {
        Run(seed, soDesc);
        Run(seed, soCaseInsensitive);
        Run(seed, soDesc | soCaseInsensitive);
    }
}

// ---- Events ----------------------------------------------------------------

// The table's states and cursor, and the events each operation must fire.
struct EventModel {
    enum State { Inactive, Browse, Edit, Insert };  // as TDataSetState
    State state = Browse;
    bool modified = false;
    std::vector<std::string> rows;
    std::string buffer;
    int cur = -1;
    int pendingRow = -1;
    bool bof = true, eof = true;
    Events events;

    int Count() const { return state == Inactive ? 0 : static_cast<int>(rows.size()); }
    int RecNo() const { return state == Inactive ? 0 : (state == Insert ? pendingRow + 1 : cur + 1); }
    void Emit(std::initializer_list<const char*> names) { events.insert(events.end(), names.begin(), names.end()); }

    void CheckBrowse()
    {
        if (state == Insert || state == Edit) {
            if (modified)
                Post();
            else
                Cancel();
        }
    }
    bool Post()
    {
        if (state == Insert) {
            Emit({"BeforePost", "AfterPost"});
            rows.insert(rows.begin() + pendingRow, buffer);
            cur = pendingRow;
        } else if (state == Edit) {
            Emit({"BeforePost", "AfterPost"});
            rows[static_cast<size_t>(cur)] = buffer;
        } else {
            return false;  // error
        }
        state = Browse;
        modified = false;
        bof = eof = false;
        return true;
    }
    void Cancel()
    {
        if (state == Insert) {
            Emit({"BeforeCancel", "BeforeScroll", "AfterCancel", "AfterScroll"});
            cur = std::min(pendingRow, static_cast<int>(rows.size()) - 1);
            bof = eof = rows.empty();
            state = Browse;
        } else if (state == Edit) {
            Emit({"BeforeCancel", "AfterCancel"});
            state = Browse;
        }
        modified = false;
    }
    bool Begin(bool append)
    {
        if (state == Inactive)
            return false;
        CheckBrowse();
        Emit({"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"});
        pendingRow = append || cur < 0 ? static_cast<int>(rows.size()) : cur;
        buffer.clear();
        state = Insert;
        modified = false;
        bof = false;
        eof = append;
        return true;
    }
    bool EditRecord()
    {
        if (state == Inactive)
            return false;
        if (state == Insert || state == Edit)
            return true;
        if (rows.empty())
            return Begin(false);
        Emit({"BeforeEdit", "AfterEdit"});
        buffer = rows[static_cast<size_t>(cur)];
        state = Edit;
        modified = false;
        return true;
    }
    bool Write(const std::string& value)
    {
        if (state != Insert && state != Edit)
            return false;
        buffer = value;
        modified = true;
        return true;
    }
    bool Delete()
    {
        if (state == Inactive)
            return false;
        if (state == Insert) {
            Cancel();
            return true;
        }
        if (rows.empty())
            return false;
        Emit({"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"});
        state = Browse;
        modified = false;
        rows.erase(rows.begin() + cur);
        cur = std::min(cur, static_cast<int>(rows.size()) - 1);
        bof = eof = rows.empty();
        return true;
    }
    bool FirstOrLast(bool first)
    {
        if (state == Inactive)
            return false;
        CheckBrowse();
        Emit({"BeforeScroll", "AfterScroll"});
        const int n = static_cast<int>(rows.size());
        cur = n == 0 ? -1 : (first ? 0 : n - 1);
        bof = first || n == 0;
        eof = !first || n == 0;
        return true;
    }
    bool Step(int direction)
    {
        if (state == Inactive)
            return false;
        CheckBrowse();
        Emit({"BeforeScroll"});
        if ((direction > 0 && eof) || (direction < 0 && bof))
            return true;
        bof = eof = false;
        const int n = static_cast<int>(rows.size());
        if (direction > 0 && cur == n - 1)
            eof = true;
        else if (direction < 0 && cur == 0)
            bof = true;
        else
            cur += direction;
        Emit({"AfterScroll"});
        return true;
    }
    bool Locate(const std::string& key)
    {
        if (Count() == 0)
            return false;
        CheckBrowse();
        const auto it = std::find(rows.begin(), rows.end(), key);
        if (it == rows.end())
            return false;
        const int found = static_cast<int>(it - rows.begin());
        bof = eof = false;
        if (found != cur) {
            Emit({"BeforeScroll", "AfterScroll"});
            cur = found;
        }
        return true;
    }
    void SetRecNo(int n)
    {
        CheckBrowse();
        if (n < 1 || n > Count())
            return;
        Emit({"BeforeScroll"});
        if (n - 1 == cur)
            return;
        cur = n - 1;
        bof = eof = false;
        Emit({"AfterScroll"});
    }
    void Open()
    {
        if (state != Inactive)
            return;
        Emit({"BeforeOpen", "AfterOpen"});
        state = Browse;
        rows.clear();
        cur = -1;
        bof = eof = true;
    }
    void Close()
    {
        if (state == Inactive)
            return;
        Emit({"BeforeClose", "AfterClose"});
        state = Inactive;
        rows.clear();
        cur = -1;
        modified = false;
        bof = eof = true;
    }
};

TEST_F(TableTest, RandomOperationsFireTheEventsOfTheirTables)
{
    log.Attach(*table);
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        table->Close();
        table->Open();
        EventModel model;
        log.Take();
        for (int step = 0; step < 200; ++step) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
            model.events.clear();
            bool expectOk = true;
            bool failed = false;
            auto run = [&](const std::function<void()>& action) {
                try {
                    action();
                } catch (const EDatabaseError&) {
                    failed = true;
                }
            };
            const std::string value = "v" + std::to_string(pick(8));
            std::string name;
            switch (pick(16)) {
            case 0:
            case 1:
                name = "Append";
                expectOk = model.Begin(true);
                run([&] { table->Append(); });
                break;
            case 2:
                name = "Insert";
                expectOk = model.Begin(false);
                run([&] { table->Insert(); });
                break;
            case 3:
            case 4:
                name = "Write";
                expectOk = model.Write(value);
                run([&] { title->SetAsString(value); });
                break;
            case 5:
            case 6:
                name = "Post";
                expectOk = model.Post();
                run([&] { table->Post(); });
                break;
            case 7:
                name = "Cancel";
                model.Cancel();
                run([&] { table->Cancel(); });
                break;
            case 8:
                name = "Edit";
                expectOk = model.EditRecord();
                run([&] { table->Edit(); });
                break;
            case 9:
                name = "Delete";
                expectOk = model.Delete();
                run([&] { table->Delete(); });
                break;
            case 10:
                name = "First/Last";
                if (pick(2)) {
                    expectOk = model.FirstOrLast(true);
                    run([&] { table->First(); });
                } else {
                    expectOk = model.FirstOrLast(false);
                    run([&] { table->Last(); });
                }
                break;
            case 11:
            case 12:
                name = "Next/Prior";
                if (pick(2)) {
                    expectOk = model.Step(1);
                    run([&] { table->Next(); });
                } else {
                    expectOk = model.Step(-1);
                    run([&] { table->Prior(); });
                }
                break;
            case 13: {
                name = "Locate";
                const bool expected = model.Locate(value);
                bool found = false;
                run([&] { found = table->Locate("Title", value, 0); });
                EXPECT_EQ(found, expected);
                break;
            }
            case 14: {
                name = "RecNo";
                const int n = pick(model.Count() + 2);
                model.SetRecNo(n);
                run([&] { table->SetRecNo(n); });
                break;
            }
            case 15:
                name = "Close/Open";
                if (pick(4) == 0) {
                    model.Close();
                    run([&] { table->Close(); });
                } else {
                    model.Open();
                    run([&] { table->Open(); });
                }
                break;
            }
            SCOPED_TRACE(name);
            ASSERT_EQ(failed, !expectOk);
            ASSERT_EQ(log.Take(), model.events);
            ASSERT_EQ(table->RecordCount(), model.Count());
            ASSERT_EQ(table->RecNo(), model.RecNo());
            ASSERT_EQ(table->Bof(), model.bof);
            ASSERT_EQ(table->Eof(), model.eof);
            ASSERT_EQ(static_cast<int>(table->State()), static_cast<int>(model.state));
            const bool writing = model.state == EventModel::Insert || model.state == EventModel::Edit;
            const std::string shown =
                writing ? model.buffer : (model.cur >= 0 ? model.rows[static_cast<size_t>(model.cur)] : "");
            ASSERT_EQ(title->AsString(), model.state == EventModel::Inactive ? "" : shown);
        }
    }
}
