#include "table/recordlist.h"

#include <algorithm>
#include <cassert>

// ---- Fenwick tree over the block sizes -------------------------------------

int TRecordList::Start(size_t block) const
{
    int sum = 0;
    for (size_t i = block; i > 0; i &= i - 1)
        sum += FTree[i];
    return sum;
}

void TRecordList::Grow(size_t block, int delta)
{
    FSizes[block] += delta;
    for (size_t i = block + 1; i < FTree.size(); i += i & (~i + 1))
        FTree[i] += delta;
}

void TRecordList::RebuildTree()
{
    FTree.assign(FSizes.size() + 1, 0);
    for (size_t i = 1; i < FTree.size(); ++i) {
        FTree[i] += FSizes[i - 1];
        const size_t parent = i + (i & (~i + 1));
        if (parent < FTree.size())
            FTree[parent] += FTree[i];
    }
}

std::pair<size_t, int> TRecordList::Locate(int index) const
{
    // The last block is the one most asked for (appending, the last record).
    const int lastStart = FCount - FSizes.back();
    if (index >= lastStart)
        return {FBlocks.size() - 1, index - lastStart};
    // Descend the tree to the last block whose start is at or before `index`.
    size_t block = 0;
    int rest = index;
    size_t step = 1;
    while (step * 2 < FTree.size())
        step *= 2;
    for (; step > 0; step /= 2) {
        const size_t next = block + step;
        if (next < FTree.size() && FTree[next] <= rest) {
            block = next;
            rest -= FTree[next];
        }
    }
    return {block, rest};
}

// ---- The list ----------------------------------------------------------------

TMemRecord* TRecordList::At(int index) const
{
    if (index < 0 || index >= FCount)
        return nullptr;
    const auto [block, offset] = Locate(index);
    return FBlocks[block][static_cast<size_t>(offset)].Record.get();
}

sortkey::Prefix TRecordList::KeyAt(int index) const
{
    if (index < 0 || index >= FCount)
        return {};
    const auto [block, offset] = Locate(index);
    return FBlocks[block][static_cast<size_t>(offset)].Key;
}

void TRecordList::Insert(int index, std::unique_ptr<TMemRecord> record, sortkey::Prefix key)
{
    assert(index >= 0 && index <= FCount);
    if (FBlocks.empty()) {
        FBlocks.emplace_back();
        FBlocks.back().reserve(BlockSize);
        FSizes.assign(1, 0);
        FLastKeys.assign(1, sortkey::Prefix{});
        RebuildTree();
    }
    size_t block;
    int offset;
    if (index == FCount) {
        block = FBlocks.size() - 1;
        offset = static_cast<int>(FBlocks[block].size());
    } else {
        std::tie(block, offset) = Locate(index);
    }
    Block& target = FBlocks[block];
    target.insert(target.begin() + offset, Entry{key, std::move(record)});
    ++FCount;
    if (target.size() >= static_cast<size_t>(BlockSize)) {
        // Split a full block in two halves.
        Block upper(std::make_move_iterator(target.begin() + BlockSize / 2),
                    std::make_move_iterator(target.end()));
        target.erase(target.begin() + BlockSize / 2, target.end());
        upper.reserve(BlockSize);
        const auto after = static_cast<std::ptrdiff_t>(block) + 1;
        FSizes[block] = static_cast<int>(target.size());
        FSizes.insert(FSizes.begin() + after, static_cast<int>(upper.size()));
        UpdateLast(block);
        FLastKeys.insert(FLastKeys.begin() + after, upper.back().Key);
        FBlocks.insert(FBlocks.begin() + after, std::move(upper));
        RebuildTree();
    } else {
        Grow(block, 1);
        UpdateLast(block);
    }
}

std::unique_ptr<TMemRecord> TRecordList::Take(int index)
{
    assert(index >= 0 && index < FCount);
    const auto [block, offset] = Locate(index);
    Block& source = FBlocks[block];
    std::unique_ptr<TMemRecord> record = std::move(source[static_cast<size_t>(offset)].Record);
    source.erase(source.begin() + offset);
    --FCount;
    if (source.empty()) {
        const auto at = static_cast<std::ptrdiff_t>(block);
        FBlocks.erase(FBlocks.begin() + at);
        FSizes.erase(FSizes.begin() + at);
        FLastKeys.erase(FLastKeys.begin() + at);
        RebuildTree();
    } else {
        Grow(block, -1);
        UpdateLast(block);
    }
    return record;
}

void TRecordList::Clear()
{
    FBlocks.clear();
    FSizes.clear();
    FTree.clear();
    FLastKeys.clear();
    FCount = 0;
}

std::vector<std::unique_ptr<TMemRecord>> TRecordList::TakeAll()
{
    std::vector<std::unique_ptr<TMemRecord>> all;
    all.reserve(static_cast<size_t>(FCount));
    for (Block& block : FBlocks)
        for (Entry& entry : block)
            all.push_back(std::move(entry.Record));
    Clear();
    return all;
}

void TRecordList::Assign(std::vector<std::unique_ptr<TMemRecord>> records, const std::vector<sortkey::Prefix>& keys)
{
    Clear();
    for (size_t i = 0; i < records.size(); i += BlockSize / 2) {
        const size_t end = std::min(records.size(), i + BlockSize / 2);
        Block block;
        block.reserve(BlockSize);
        for (size_t r = i; r < end; ++r)
            block.push_back(Entry{r < keys.size() ? keys[r] : sortkey::Prefix{}, std::move(records[r])});
        FSizes.push_back(static_cast<int>(block.size()));
        FLastKeys.push_back(block.back().Key);
        FBlocks.push_back(std::move(block));
    }
    FCount = static_cast<int>(records.size());
    RebuildTree();
}
