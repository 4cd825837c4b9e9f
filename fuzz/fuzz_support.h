#pragma once
// Shared by the fuzz targets: a reader that turns the fuzzer's bytes into
// choices, numbers and texts, and the check that stops the run with a message
// when a property does not hold.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzz {

// Stops the run: libFuzzer saves the input that got here.
[[noreturn]] inline void Fail(const char* file, int line, const char* what, const std::string& detail)
{
    std::fprintf(stderr, "\n%s:%d: property broken: %s\n%s\n", file, line, what, detail.c_str());
    std::abort();
}

#define FUZZ_CHECK(cond, detail)                                   \
    do {                                                           \
        if (!(cond))                                               \
            ::fuzz::Fail(__FILE__, __LINE__, #cond, (detail));     \
    } while (0)

// Bytes shown for a report: printable ASCII as it is, the rest as \xNN.
inline std::string Printable(std::string_view bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

// Consumes the input from the front; once it is used up every read gives 0 or
// an empty text, so any input is a complete program.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : FData(data), FSize(size) {}

    bool Empty() const { return FPos >= FSize; }
    uint8_t Byte() { return Empty() ? 0 : FData[FPos++]; }
    // A number in [0, n).
    unsigned Below(unsigned n) { return n == 0 ? 0 : Byte() % n; }
    bool Bool() { return Byte() & 1; }
    // A small signed number, mostly near 0 but sometimes far out.
    int SmallInt()
    {
        const uint8_t b = Byte();
        if (b >= 0xF0)
            return static_cast<int>(static_cast<int32_t>(Byte() | (Byte() << 8) | (Byte() << 16) | (Byte() << 24)));
        return static_cast<int>(b % 16) - 5;
    }
    // Up to maxLength raw bytes.
    std::string Raw(size_t maxLength)
    {
        const size_t n = Below(static_cast<unsigned>(maxLength + 1));
        std::string s;
        for (size_t i = 0; i < n && !Empty(); ++i)
            s += static_cast<char>(Byte());
        return s;
    }
    // The rest of the input.
    std::string_view Rest()
    {
        const std::string_view rest(reinterpret_cast<const char*>(FData) + FPos, FSize - FPos);
        FPos = FSize;
        return rest;
    }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};

}  // namespace fuzz
