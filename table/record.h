#pragma once
// One record of a memory table: a value slot per field (slot 0 is RecId) with
// a presence flag (a never-written value is null), and the record's identity.
// Integer values are kept as their 4 bytes.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct TMemRecord {
    explicit TMemRecord(int slots) : Values(static_cast<size_t>(slots)), Present(static_cast<size_t>(slots), 0) {}

    std::vector<std::string> Values;
    std::vector<unsigned char> Present;
    uint32_t Identity = 0;  // order of posting since the table opened

    bool IsNull(int slot) const { return slot < 0 || slot >= static_cast<int>(Present.size()) || !Present[slot]; }
    // The value ends at its first zero byte, as the stored slot does.
    const std::string& Text(int slot) const { return Values[static_cast<size_t>(slot)]; }
    void SetText(int slot, std::string value)
    {
        Values[static_cast<size_t>(slot)] = std::move(value);
        Present[static_cast<size_t>(slot)] = 1;
    }
    int32_t Integer(int slot) const
    {
        const std::string& v = Values[static_cast<size_t>(slot)];
        int32_t result = 0;
        if (v.size() == sizeof result)
            std::memcpy(&result, v.data(), sizeof result);
        return result;
    }
    void SetInteger(int slot, int32_t value)
    {
        std::string bytes(sizeof value, '\0');
        std::memcpy(bytes.data(), &value, sizeof value);
        SetText(slot, std::move(bytes));
    }
    void Clear(int slot)
    {
        Values[static_cast<size_t>(slot)].clear();
        Present[static_cast<size_t>(slot)] = 0;
    }
    // A table gains slots only while closed, but a record begun earlier may be
    // shorter than the field list: grow it on demand.
    void EnsureSlots(int slots)
    {
        if (static_cast<int>(Values.size()) < slots) {
            Values.resize(static_cast<size_t>(slots));
            Present.resize(static_cast<size_t>(slots), 0);
        }
    }
};
