#pragma once
// Decoding of lyric files to UTF-8, before they are parsed and shown.
//
// How the encoding is chosen, first rule that applies:
//   1. A byte-order mark: UTF-8, UTF-32LE/BE, UTF-16LE/BE. The mark is dropped.
//   2. UTF-16 without a mark, told by its zero bytes: of at least 8 code units,
//      a quarter or more have a zero byte on one side and almost none on the
//      other (the time tags and line breaks of a lyric file are ASCII).
//   3. Bytes that are valid UTF-8 are taken as they are.
//   4. Legacy text: ICU's charset detector chooses among the code pages lyric
//      files come in (Big5, GB18030/GBK, Shift_JIS, EUC-KR); when it is not
//      confident, Big5 (code page 950), the code page the player was made for.
//
// Bytes that cannot be decoded (an invalid or unassigned sequence, half a
// character at the end, a lone surrogate) become one U+FFFD each, so the result
// is always valid UTF-8. So do the characters a legacy code page maps to the
// Private Use Area (its user-defined characters) or to C1 controls, which
// would show as boxes or not at all. A NUL is a character like any other: it
// comes out as a NUL byte, and the caller may end the text there.
//
// Time and memory are linear in the input; the detector looks at no more than
// 64 KB of it.

#include <string>
#include <string_view>

namespace text {

enum class Encoding { Utf8, Utf16LE, Utf16BE, Utf32LE, Utf32BE, Big5, Gb18030, ShiftJis, EucKr };

// A short name for showing the encoding ("UTF-8", "Big5", "GB18030", ...).
const char* EncodingName(Encoding encoding);

struct DecodedText {
    std::string text;            // UTF-8
    Encoding encoding = Encoding::Utf8;
    bool byteOrderMark = false;  // the encoding was given by a byte-order mark
    bool guessed = false;        // legacy text the detector was unsure of: Big5 was taken
};

// The bytes of a lyric file as UTF-8 text. Never fails on any input; throws
// std::runtime_error only when ICU lacks a converter (a broken installation).
DecodedText DecodeLyricText(std::string_view bytes);

// The bytes in the given encoding as UTF-8, undecodable bytes (and for a
// legacy code page, unshowable characters) as U+FFFD. A byte-order mark at the
// start is decoded like any other character.
std::string ConvertToUtf8(std::string_view bytes, Encoding encoding);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or
// values above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

}  // namespace text
