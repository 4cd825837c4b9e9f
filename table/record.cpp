#include "table/record.h"

#include <new>

std::unique_ptr<TMemRecord> TMemRecord::Pack(const TRecordBuffer& buffer)
{
    const int slots = buffer.Slots();
    size_t bytes = 0;
    for (int slot = 0; slot < slots; ++slot)
        bytes += buffer.Text(slot).size();
    void* block = ::operator new(sizeof(TMemRecord) + sizeof(uint32_t) * static_cast<size_t>(slots) + bytes);
    auto* record = new (block) TMemRecord();
    record->FSlots = static_cast<uint32_t>(slots);
    record->Identity = buffer.Identity;
    uint32_t end = 0;
    for (int slot = 0; slot < slots; ++slot) {
        const std::string_view value = buffer.Text(slot);
        if (!value.empty())
            std::memcpy(record->Bytes() + end, value.data(), value.size());
        end += static_cast<uint32_t>(value.size());
        record->Ends()[slot] = end | (buffer.IsNull(slot) ? NullBit : 0);
    }
    return std::unique_ptr<TMemRecord>(record);
}

void TMemRecord::Unpack(TRecordBuffer& buffer) const
{
    buffer.Reset(Slots());
    for (int slot = 0; slot < Slots(); ++slot)
        if (!IsNull(slot))
            buffer.SetText(slot, Text(slot));
    buffer.Identity = Identity;
}
