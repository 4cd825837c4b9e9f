#pragma once
// The ordered list of a table's records. Records sit in small blocks, so
// inserting or removing one shifts only the entries of its block; a Fenwick
// tree over the block sizes finds the block of a place and the place of a
// block in logarithmic time. Next to each record the list keeps a number that
// the table gives it (the prefix of its sort value), so that a search can read
// it without reaching the record. The list owns its records.

#include <memory>
#include <vector>

#include "table/record.h"
#include "table/sortkey.h"

class TRecordList {
public:
    TRecordList() = default;
    TRecordList(const TRecordList&) = delete;
    TRecordList& operator=(const TRecordList&) = delete;

    int Count() const { return FCount; }
    TMemRecord* At(int index) const;
    sortkey::Prefix KeyAt(int index) const;
    // Puts `record` at `index` (0..Count()).
    void Insert(int index, std::unique_ptr<TMemRecord> record, sortkey::Prefix key = {});
    void Add(std::unique_ptr<TMemRecord> record, sortkey::Prefix key = {}) { Insert(FCount, std::move(record), key); }
    // Takes the record at `index` out of the list.
    std::unique_ptr<TMemRecord> Take(int index);
    void Clear();

    // Moves every record out, in order, and leaves the list empty.
    std::vector<std::unique_ptr<TMemRecord>> TakeAll();
    // Refills the list with `records` in their order, with their keys (none: 0).
    void Assign(std::vector<std::unique_ptr<TMemRecord>> records, const std::vector<sortkey::Prefix>& keys = {});

    // The first index in [0, Count()) for which `before(key, record)` is
    // false, given that it holds for a prefix of the list (Count() if none).
    template <typename Before>
    int PartitionPoint(Before before) const;

    // A block is split in two when it reaches this size.
    static constexpr int BlockSize = 128;

private:
    struct Entry {
        sortkey::Prefix Key;
        std::unique_ptr<TMemRecord> Record;
    };
    using Block = std::vector<Entry>;
    // Block holding `index`, and the index inside it.
    std::pair<size_t, int> Locate(int index) const;
    // Index of the first record of block `block`.
    int Start(size_t block) const;
    void Grow(size_t block, int delta);
    // Builds the tree from FSizes, which reads no block.
    void RebuildTree();
    void UpdateLast(size_t block) { FLastKeys[block] = FBlocks[block].back().Key; }

    std::vector<Block> FBlocks;
    // Beside the blocks, in arrays of their own, so that a split or a removed
    // block rebuilds the tree without visiting every block: each block's size,
    // the Fenwick tree of the sizes (1-based), and each block's last key.
    std::vector<int> FSizes;
    std::vector<int> FTree;
    std::vector<sortkey::Prefix> FLastKeys;
    int FCount = 0;
};

template <typename Before>
int TRecordList::PartitionPoint(Before before) const
{
    // First the block, by its last record, then the place inside it.
    size_t lo = 0, hi = FBlocks.size();
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (before(FLastKeys[mid], *FBlocks[mid].back().Record))
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == FBlocks.size())
        return FCount;
    const Block& block = FBlocks[lo];
    size_t a = 0, b = block.size();
    while (a < b) {
        const size_t mid = a + (b - a) / 2;
        if (before(block[mid].Key, *block[mid].Record))
            a = mid + 1;
        else
            b = mid;
    }
    return Start(lo) + static_cast<int>(a);
}
