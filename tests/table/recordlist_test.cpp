// The blocked record list against a plain vector.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "table/recordlist.h"

namespace {

std::unique_ptr<TMemRecord> Tagged(uint32_t tag)
{
    TRecordBuffer buffer;
    buffer.Reset(1);
    buffer.Identity = tag;
    return TMemRecord::Pack(buffer);
}

}  // namespace

TEST(RecordList, RandomInsertsAndRemovalsKeepTheOrderOfAPlainList)
{
    std::mt19937 random(7);
    TRecordList list;
    std::vector<uint32_t> plain;
    uint32_t next = 1;
    // Grow well past several block splits, then shrink back to empty.
    for (int step = 0; step < 6000 && (step < 4000 || !plain.empty()); ++step) {
        const bool grow = step < 4000 && random() % 4 != 0;
        if (grow || plain.empty()) {
            const int at = static_cast<int>(random() % (plain.size() + 1));
            list.Insert(at, Tagged(next));
            plain.insert(plain.begin() + at, next++);
        } else {
            const int at = static_cast<int>(random() % plain.size());
            EXPECT_EQ(list.Take(at)->Identity, plain[static_cast<size_t>(at)]);
            plain.erase(plain.begin() + at);
        }
        ASSERT_EQ(list.Count(), static_cast<int>(plain.size()));
        if (step % 97 == 0) {
            for (size_t i = 0; i < plain.size(); ++i)
                ASSERT_EQ(list.At(static_cast<int>(i))->Identity, plain[i]) << "step " << step;
        }
    }
    EXPECT_EQ(list.At(0), nullptr);
    EXPECT_EQ(list.At(-1), nullptr);
}

TEST(RecordList, PartitionPointFindsTheFirstRecordNotBeforeAValue)
{
    TRecordList list;
    // 0, 0, 2, 2, 4, 4, ... across many blocks.
    for (uint32_t i = 0; i < 3000; ++i)
        list.Add(Tagged(i / 2 * 2), sortkey::Prefix{10000 + i / 2 * 2, 0});
    for (uint32_t value : {0u, 1u, 2u, 1001u, 2998u, 2999u, 5000u}) {
        const int point = list.PartitionPoint([&](const sortkey::Prefix&, const TMemRecord& r) { return r.Identity < value; });
        EXPECT_EQ(point, static_cast<int>(std::min<uint32_t>((value + 1) / 2 * 2, 3000))) << value;
        // The keys stay beside their records.
        const int byKey = list.PartitionPoint([&](const sortkey::Prefix& key, const TMemRecord&) { return key.High < 10000 + value; });
        EXPECT_EQ(byKey, point);
    }
    EXPECT_EQ(list.KeyAt(2999).High, 10000u + 2998u);
    auto all = list.TakeAll();
    EXPECT_EQ(list.Count(), 0);
    ASSERT_EQ(all.size(), 3000u);
    std::reverse(all.begin(), all.end());
    list.Assign(std::move(all));
    EXPECT_EQ(list.Count(), 3000);
    EXPECT_EQ(list.At(0)->Identity, 2998u);
    EXPECT_EQ(list.At(2999)->Identity, 0u);
    list.Insert(1500, Tagged(77));
    EXPECT_EQ(list.At(1500)->Identity, 77u);
}

TEST(RecordList, KeysOfBlocksFollowSplitsAndRemovals)
{
    // Keys kept in order through inserts at their ordered place and removals
    // anywhere, so that whole blocks split and empty; a search by key must
    // agree with the same search over a plain sorted list at every step.
    std::mt19937 random(11);
    TRecordList list;
    std::vector<uint64_t> plain;
    size_t cursor = 0;
    auto byKey = [&](uint64_t value) {
        return list.PartitionPoint([&](const sortkey::Prefix& key, const TMemRecord&) { return key.High < value; });
    };
    for (int step = 0; step < 9000; ++step) {
        const bool grow = step < 5000 ? random() % 5 != 0 : random() % 5 == 0;
        if (grow || plain.empty()) {
            const uint64_t value = random() % 700;
            const auto at = std::upper_bound(plain.begin(), plain.end(), value) - plain.begin();
            list.Insert(static_cast<int>(at), Tagged(static_cast<uint32_t>(value)), sortkey::Prefix{value, 0});
            plain.insert(plain.begin() + at, value);
        } else {
            // Mostly around a place that moves now and then, so that blocks in
            // the middle and at the end run empty.
            if (step % 150 == 0)
                cursor = random() % plain.size();
            const size_t at = random() % 4 == 0 ? random() % plain.size() : std::min(cursor, plain.size() - 1);
            EXPECT_EQ(list.Take(static_cast<int>(at))->Identity, plain[at]);
            plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(at));
        }
        ASSERT_EQ(list.Count(), static_cast<int>(plain.size()));
        const uint64_t probe = random() % 702;
        ASSERT_EQ(byKey(probe), std::lower_bound(plain.begin(), plain.end(), probe) - plain.begin())
            << "step " << step << ", key " << probe;
        if (!plain.empty()) {
            const int at = static_cast<int>(random() % plain.size());
            ASSERT_EQ(list.KeyAt(at).High, plain[static_cast<size_t>(at)]) << "step " << step;
        }
    }
}
