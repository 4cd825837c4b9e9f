#pragma once
// Records of a memory table. Each field has a value slot (slot 0 is RecId)
// that is either null (never written) or holds bytes; integer values are kept
// as their 4 bytes.
//
// A stored record (TMemRecord) is one block: a small header, the end offset of
// each value, then the values' bytes, so reading a value while searching costs
// one memory access. It never changes once stored. The record being inserted
// or edited is a TRecordBuffer, whose values can be rewritten; posting packs it
// into a new TMemRecord.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The editable record.
class TRecordBuffer {
public:
    void Reset(int slots)
    {
        FValues.resize(static_cast<size_t>(slots));
        FPresent.assign(static_cast<size_t>(slots), 0);
        for (std::string& value : FValues)
            value.clear();
        Identity = 0;
    }
    int Slots() const { return static_cast<int>(FValues.size()); }
    bool IsNull(int slot) const { return slot < 0 || slot >= Slots() || !FPresent[static_cast<size_t>(slot)]; }
    std::string_view Text(int slot) const
    {
        return IsNull(slot) ? std::string_view() : std::string_view(FValues[static_cast<size_t>(slot)]);
    }
    int32_t Integer(int slot) const;
    void SetText(int slot, std::string_view value)
    {
        Grow(slot);
        FValues[static_cast<size_t>(slot)].assign(value.data(), value.size());
        FPresent[static_cast<size_t>(slot)] = 1;
    }
    void SetInteger(int slot, int32_t value)
    {
        char bytes[sizeof value];
        std::memcpy(bytes, &value, sizeof value);
        SetText(slot, std::string_view(bytes, sizeof bytes));
    }
    void Clear(int slot)
    {
        Grow(slot);
        FValues[static_cast<size_t>(slot)].clear();
        FPresent[static_cast<size_t>(slot)] = 0;
    }

    uint32_t Identity = 0;  // order of posting since the table opened

private:
    void Grow(int slot)
    {
        if (slot >= Slots()) {
            FValues.resize(static_cast<size_t>(slot) + 1);
            FPresent.resize(static_cast<size_t>(slot) + 1, 0);
        }
    }
    std::vector<std::string> FValues;
    std::vector<unsigned char> FPresent;
};

// A stored record, packed into one block.
class TMemRecord {
public:
    static std::unique_ptr<TMemRecord> Pack(const TRecordBuffer& buffer);
    void Unpack(TRecordBuffer& buffer) const;

    static void operator delete(void* block) { ::operator delete(block); }

    int Slots() const { return static_cast<int>(FSlots); }
    bool IsNull(int slot) const { return slot < 0 || slot >= Slots() || (Ends()[slot] & NullBit); }
    std::string_view Text(int slot) const
    {
        if (IsNull(slot))
            return {};
        const uint32_t start = slot == 0 ? 0 : Ends()[slot - 1] & ~NullBit;
        return std::string_view(Bytes() + start, (Ends()[slot] & ~NullBit) - start);
    }
    int32_t Integer(int slot) const;

    uint32_t Identity = 0;

private:
    static constexpr uint32_t NullBit = 0x80000000u;
    TMemRecord() = default;
    const uint32_t* Ends() const { return reinterpret_cast<const uint32_t*>(this + 1); }
    uint32_t* Ends() { return reinterpret_cast<uint32_t*>(this + 1); }
    const char* Bytes() const { return reinterpret_cast<const char*>(Ends() + FSlots); }
    char* Bytes() { return reinterpret_cast<char*>(Ends() + FSlots); }

    uint32_t FSlots = 0;
};

// Read access to either kind of record (or none).
class TRecordRef {
public:
    TRecordRef() = default;
    TRecordRef(const TMemRecord* record) : FRecord(record) {}
    TRecordRef(const TRecordBuffer* buffer) : FBuffer(buffer) {}

    explicit operator bool() const { return FRecord || FBuffer; }
    bool IsNull(int slot) const { return FRecord ? FRecord->IsNull(slot) : (!FBuffer || FBuffer->IsNull(slot)); }
    // The value ("" when null).
    std::string_view Text(int slot) const
    {
        return FRecord ? FRecord->Text(slot) : (FBuffer ? FBuffer->Text(slot) : std::string_view());
    }
    int32_t Integer(int slot) const { return FRecord ? FRecord->Integer(slot) : (FBuffer ? FBuffer->Integer(slot) : 0); }

private:
    const TMemRecord* FRecord = nullptr;
    const TRecordBuffer* FBuffer = nullptr;
};

inline int32_t DecodeInteger(std::string_view bytes)
{
    int32_t value = 0;
    if (bytes.size() == sizeof value)
        std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

inline int32_t TRecordBuffer::Integer(int slot) const
{
    return DecodeInteger(Text(slot));
}

inline int32_t TMemRecord::Integer(int slot) const
{
    return DecodeInteger(Text(slot));
}
