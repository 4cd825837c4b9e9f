#pragma once
// Byte-string helpers. Text is UTF-8 here; sizes, cuts and positions count
// bytes. A cut never splits a character.

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

// The longest prefix of s of at most maxBytes bytes that ends on a UTF-8
// character boundary (an invalid byte counts as a character of its own).
std::string_view CutBytes(std::string_view s, std::size_t maxBytes);

// Code pages whose lead bytes matter when scanning for a delimiter.
enum class CodePage { Utf8, Big5 };

// 1-based position of the last byte of s that is one of delimiters, or 0.
// In Big5 the second byte of a double-byte character is never taken for a
// delimiter (許 is B3 5C: its second byte is "\").
std::size_t LastDelimiter(std::string_view delimiters, std::string_view s, CodePage page = CodePage::Utf8);

// True for a Big5 lead byte (0x81..0xFE).
inline bool IsBig5LeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

}  // namespace text
