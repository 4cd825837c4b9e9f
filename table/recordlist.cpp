#include "table/recordlist.h"

#include <algorithm>
#include <cassert>

std::pair<size_t, int> TRecordList::Locate(int index) const
{
    // The last block starting at or before `index`.
    const auto it = std::upper_bound(FStarts.begin(), FStarts.end(), index);
    const size_t block = static_cast<size_t>(it - FStarts.begin()) - 1;
    return {block, index - FStarts[block]};
}

TMemRecord* TRecordList::At(int index) const
{
    if (index < 0 || index >= FCount)
        return nullptr;
    const auto [block, offset] = Locate(index);
    return FBlocks[block][static_cast<size_t>(offset)].get();
}

void TRecordList::RebuildStarts(size_t from)
{
    FStarts.resize(FBlocks.size());
    int start = from == 0 ? 0 : FStarts[from - 1] + static_cast<int>(FBlocks[from - 1].size());
    for (size_t i = from; i < FBlocks.size(); ++i) {
        FStarts[i] = start;
        start += static_cast<int>(FBlocks[i].size());
    }
}

void TRecordList::Insert(int index, std::unique_ptr<TMemRecord> record)
{
    assert(index >= 0 && index <= FCount);
    if (FBlocks.empty()) {
        FBlocks.emplace_back();
        FBlocks.back().reserve(BlockSize);
        FStarts.push_back(0);
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
    target.insert(target.begin() + offset, std::move(record));
    ++FCount;
    if (target.size() >= static_cast<size_t>(BlockSize)) {
        // Split a full block in two halves.
        Block upper(std::make_move_iterator(target.begin() + BlockSize / 2),
                    std::make_move_iterator(target.end()));
        target.erase(target.begin() + BlockSize / 2, target.end());
        upper.reserve(BlockSize);
        FBlocks.insert(FBlocks.begin() + static_cast<std::ptrdiff_t>(block) + 1, std::move(upper));
    }
    RebuildStarts(block);
}

std::unique_ptr<TMemRecord> TRecordList::Take(int index)
{
    assert(index >= 0 && index < FCount);
    const auto [block, offset] = Locate(index);
    Block& source = FBlocks[block];
    std::unique_ptr<TMemRecord> record = std::move(source[static_cast<size_t>(offset)]);
    source.erase(source.begin() + offset);
    --FCount;
    if (source.empty())
        FBlocks.erase(FBlocks.begin() + static_cast<std::ptrdiff_t>(block));
    RebuildStarts(std::min(block, FBlocks.size()));
    return record;
}

void TRecordList::Clear()
{
    FBlocks.clear();
    FStarts.clear();
    FCount = 0;
}

std::vector<std::unique_ptr<TMemRecord>> TRecordList::TakeAll()
{
    std::vector<std::unique_ptr<TMemRecord>> all;
    all.reserve(static_cast<size_t>(FCount));
    for (Block& block : FBlocks)
        for (auto& record : block)
            all.push_back(std::move(record));
    Clear();
    return all;
}

void TRecordList::Assign(std::vector<std::unique_ptr<TMemRecord>> records)
{
    Clear();
    for (size_t i = 0; i < records.size(); i += BlockSize / 2) {
        const size_t end = std::min(records.size(), i + BlockSize / 2);
        Block block(std::make_move_iterator(records.begin() + static_cast<std::ptrdiff_t>(i)),
                    std::make_move_iterator(records.begin() + static_cast<std::ptrdiff_t>(end)));
        block.reserve(BlockSize);
        FBlocks.push_back(std::move(block));
    }
    FCount = static_cast<int>(records.size());
    RebuildStarts(0);
}
