#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utrans.h>

#include "tests/text/lyric_samples.h"
#include "text/decode.h"

using text::ConvertToUtf8;
using text::DecodeLyricText;
using text::Encoding;

namespace {

// The UTF-8 text in the named ICU code page (the way a lyric file is made).
std::string Encode(const std::string& utf8, const char* charset)
{
    UErrorCode status = U_ZERO_ERROR;
    std::vector<char> out(utf8.size() * 4 + 16);
    const int32_t length = ucnv_convert(charset, "UTF-8", out.data(), static_cast<int32_t>(out.size()), utf8.data(),
                                        static_cast<int32_t>(utf8.size()), &status);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    return std::string(out.data(), static_cast<std::size_t>(length));
}

// Traditional characters to simplified ones, as a mainland lyric file has them.
std::string ToSimplified(const std::string& utf8)
{
    UErrorCode status = U_ZERO_ERROR;
    std::vector<UChar> buffer(utf8.size() * 2 + 16);
    int32_t length = 0;
    u_strFromUTF8(buffer.data(), static_cast<int32_t>(buffer.size()), &length, utf8.data(),
                  static_cast<int32_t>(utf8.size()), &status);
    UTransliterator* hantToHans = utrans_openU(u"Hant-Hans", -1, UTRANS_FORWARD, nullptr, 0, nullptr, &status);
    int32_t limit = length;
    utrans_transUChars(hantToHans, buffer.data(), &length, static_cast<int32_t>(buffer.size()), 0, &limit, &status);
    utrans_close(hantToHans);
    std::string out(static_cast<std::size_t>(length) * 4, '\0');
    int32_t outLength = 0;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &outLength, buffer.data(), length, &status);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    out.resize(static_cast<std::size_t>(outLength));
    return out;
}

// Strict UTF-8 check written from the standard's table of well-formed
// sequences, independent of the code under test.
bool WellFormedUtf8(const std::string& s)
{
    std::size_t i = 0;
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    while (i < s.size()) {
        const unsigned char c = byte(i);
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c < 0x80)
            length = 1;
        else if (c >= 0xC2 && c <= 0xDF)
            length = 2;
        else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0)
                low = 0xA0;
            if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                low = 0x90;
            if (c == 0xF4)
                high = 0x8F;
        } else
            return false;
        if (i + length > s.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char t = byte(i + k);
            if (t < (k == 1 ? low : 0x80) || t > (k == 1 ? high : 0xBF))
                return false;
        }
        i += length;
    }
    return true;
}

std::size_t Count(const std::string& s, char c) { return static_cast<std::size_t>(std::count(s.begin(), s.end(), c)); }

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

TEST(DecodeLyricText, ValidUtf8IsTakenAsItIs)
{
    const std::string lyrics = samples::kChineseLyrics;
    for (const std::string& input : {lyrics, std::string("[00:01.00]plain ASCII"), std::string()}) {
        const auto decoded = DecodeLyricText(input);
        EXPECT_EQ(decoded.text, input);
        EXPECT_EQ(decoded.encoding, Encoding::Utf8);
        EXPECT_FALSE(decoded.byteOrderMark);
        EXPECT_FALSE(decoded.guessed);
    }
    // Characters of the Private Use Area are the author's own in UTF-8 text.
    EXPECT_EQ(DecodeLyricText("[00:01.00]\xEE\x80\x80").text, "[00:01.00]\xEE\x80\x80");
    // A NUL is a character like any other; the lyric reader ends the text there.
    EXPECT_EQ(DecodeLyricText(std::string("ab\0cd", 5)).text, std::string("ab\0cd", 5));
}

TEST(DecodeLyricText, ByteOrderMarkDecidesAndIsDropped)
{
    const std::string lyrics = samples::kChineseLyrics;
    struct Case {
        const char* charset;
        std::string mark;
        Encoding encoding;
    };
    const Case cases[] = {
        {"UTF-8", "\xEF\xBB\xBF", Encoding::Utf8},
        {"UTF-16LE", "\xFF\xFE", Encoding::Utf16LE},
        {"UTF-16BE", "\xFE\xFF", Encoding::Utf16BE},
        {"UTF-32LE", std::string("\xFF\xFE\0\0", 4), Encoding::Utf32LE},
        {"UTF-32BE", std::string("\0\0\xFE\xFF", 4), Encoding::Utf32BE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.charset);
        const auto decoded = DecodeLyricText(c.mark + Encode(lyrics, c.charset));
        EXPECT_EQ(decoded.text, lyrics);
        EXPECT_EQ(decoded.encoding, c.encoding);
        EXPECT_TRUE(decoded.byteOrderMark);
        EXPECT_STREQ(text::EncodingName(decoded.encoding), c.charset);

        // A file that holds only its mark is empty text.
        const auto lone = DecodeLyricText(c.mark);
        EXPECT_EQ(lone.text, "");
        EXPECT_EQ(lone.encoding, c.encoding);
    }
}

TEST(DecodeLyricText, Utf16WithoutByteOrderMarkIsRecognised)
{
    const std::string lyrics = samples::kChineseLyrics;
    EXPECT_EQ(DecodeLyricText(Encode(lyrics, "UTF-16LE")).encoding, Encoding::Utf16LE);
    EXPECT_EQ(DecodeLyricText(Encode(lyrics, "UTF-16LE")).text, lyrics);
    EXPECT_EQ(DecodeLyricText(Encode(lyrics, "UTF-16BE")).encoding, Encoding::Utf16BE);
    EXPECT_EQ(DecodeLyricText(Encode(lyrics, "UTF-16BE")).text, lyrics);
    // Text with the odd NUL byte is not taken for UTF-16.
    const std::string withNul("[00:01.00]a\0b\r\n[00:02.00]cd\r\n", 29);
    EXPECT_EQ(DecodeLyricText(withNul).encoding, Encoding::Utf8);
    EXPECT_EQ(DecodeLyricText(withNul).text, withNul);
}

TEST(DecodeLyricText, LegacyLyricsAreDetectedAndDecoded)
{
    const std::string traditional = samples::kChineseLyrics;
    const std::string simplified = ToSimplified(traditional);
    ASSERT_NE(simplified, traditional);
    ASSERT_NE(simplified.find("夜车"), std::string::npos);
    struct Case {
        std::string utf8;
        const char* charset;
        Encoding encoding;
    };
    const Case cases[] = {
        {traditional, "windows-950", Encoding::Big5},
        {simplified, "GBK", Encoding::Gb18030},
        {traditional, "GBK", Encoding::Gb18030},  // GBK holds traditional characters too
        {samples::kJapaneseLyrics, "Shift_JIS", Encoding::ShiftJis},
        {samples::kKoreanLyrics, "EUC-KR", Encoding::EucKr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.charset);
        const std::string bytes = Encode(c.utf8, c.charset);
        ASSERT_NE(bytes, c.utf8);
        const auto decoded = DecodeLyricText(bytes);
        EXPECT_EQ(decoded.encoding, c.encoding);
        EXPECT_FALSE(decoded.guessed);
        EXPECT_FALSE(decoded.byteOrderMark);
        EXPECT_EQ(decoded.text, c.utf8);
    }
}

TEST(DecodeLyricText, Big5TrailBytesAreNeverBrackets)
{
    // 久 is A4 5B ("["), 夜 is A9 5D ("]"), 許 is B3 5C ("\"): a byte scan of
    // the Big5 text finds brackets and backslashes that are not there.
    const std::string line = "[00:12.34]久夜許也功\r\n";
    const std::string big5 = Encode(line, "windows-950");
    ASSERT_EQ(Count(big5, '['), 2u);
    ASSERT_EQ(Count(big5, ']'), 3u);
    ASSERT_EQ(Count(big5, '\\'), 2u);
    const auto decoded = DecodeLyricText(big5);
    EXPECT_EQ(decoded.encoding, Encoding::Big5);
    EXPECT_EQ(decoded.text, line);
    EXPECT_EQ(Count(decoded.text, '['), 1u);
    EXPECT_EQ(Count(decoded.text, ']'), 1u);
    EXPECT_EQ(Count(decoded.text, '\\'), 0u);

    // The same in a file of real size, where the detector is sure of Big5.
    const std::string lyrics = samples::kChineseLyrics;
    const auto whole = DecodeLyricText(Encode(lyrics, "windows-950"));
    EXPECT_FALSE(whole.guessed);
    EXPECT_EQ(Count(whole.text, '['), Count(lyrics, '['));
    EXPECT_EQ(Count(whole.text, ']'), Count(lyrics, ']'));
    EXPECT_EQ(whole.text, lyrics);
}

TEST(DecodeLyricText, ShortAmbiguousLegacyTextFallsBackToBig5)
{
    const auto big5 = DecodeLyricText(Encode("[00:12.34]你好", "windows-950"));
    EXPECT_EQ(big5.encoding, Encoding::Big5);
    EXPECT_TRUE(big5.guessed);
    EXPECT_EQ(big5.text, "[00:12.34]你好");
    // Two GBK characters are as likely Big5: too little to tell.
    const auto gbk = DecodeLyricText(Encode("[00:12.34]你好", "GBK"));
    EXPECT_EQ(gbk.encoding, Encoding::Big5);
    EXPECT_TRUE(gbk.guessed);
    EXPECT_TRUE(WellFormedUtf8(gbk.text));
}

TEST(DecodeLyricText, DetectionLooksPastALongAsciiStart)
{
    // Over 64 KB of ASCII lines before the first Chinese line.
    std::string header;
    while (header.size() < 100 * 1024)
        header += "[00:00.00]instrumental introduction, no words yet\r\n";
    const std::string simplified = ToSimplified(samples::kChineseLyrics);
    const auto decoded = DecodeLyricText(header + Encode(simplified, "GBK"));
    EXPECT_EQ(decoded.encoding, Encoding::Gb18030);
    EXPECT_FALSE(decoded.guessed);
    EXPECT_EQ(decoded.text, header + simplified);
}

TEST(DecodeLyricText, UndecodableBytesBecomeReplacementCharacters)
{
    // 你 is A7 41 in Big5; FF is never part of a Big5 character; a lead byte at
    // the end has lost its trail byte.
    const auto big5 = DecodeLyricText("[00:01.00]\xA7\x41\xFF\xA7");
    EXPECT_EQ(big5.encoding, Encoding::Big5);
    EXPECT_EQ(big5.text, "[00:01.00]你" + kReplacement + kReplacement);
    // Code page 950 maps the stray bytes 80 and FF and its user-defined
    // characters (FA 40) to C1 controls and the Private Use Area: shown as
    // nothing or as boxes, so they are replaced as well.
    EXPECT_EQ(ConvertToUtf8("\x80" "a\xFA\x40" "b\xFF", Encoding::Big5),
              kReplacement + "a" + kReplacement + "b" + kReplacement);
    EXPECT_EQ(ConvertToUtf8("\x85", Encoding::EucKr), kReplacement);
    // Half-width katakana are real characters.
    EXPECT_EQ(ConvertToUtf8("\xB1", Encoding::ShiftJis), "ｱ");

    // Odd length after a UTF-16 mark, and a lone surrogate.
    EXPECT_EQ(DecodeLyricText(std::string("\xFF\xFE" "a\0b", 5)).text, "a" + kReplacement);
    EXPECT_EQ(DecodeLyricText(std::string("\xFE\xFF\xD8\x00\x00x", 6)).text, kReplacement + "x");
    // Invalid bytes after a UTF-8 mark.
    EXPECT_EQ(DecodeLyricText("\xEF\xBB\xBF" "a\xC0\xAF" "b").text, "a" + kReplacement + kReplacement + "b");

    // Text that grows threefold: every byte undecodable.
    const std::string bad(10000, '\xFF');
    std::string expected;
    for (int i = 0; i < 10000; ++i)
        expected += kReplacement;
    EXPECT_EQ(ConvertToUtf8(bad, Encoding::Big5), expected);
}

TEST(DecodeLyricText, AnyBytesGiveWellFormedUtf8)
{
    std::mt19937 random(20260112);
    const std::string marks[] = {"", "", "", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF", std::string("\xFF\xFE\0\0", 4),
                                 std::string("\0\0\xFE\xFF", 4)};
    // Bytes that matter to the decoders: NUL, brackets, backslash, line ends,
    // UTF-8 and Big5 lead and trail bytes, surrogate halves.
    static const char kSpecial[] = "\0[]\\\r\n\xA4\x5B\xA9\x5D\xC0\xED\xA0\xF4\x90\x80\xBF\xFF\xFE\xD8\xDC";
    const std::string special(kSpecial, sizeof kSpecial - 1);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = marks[random() % std::size(marks)];
        const std::size_t length = random() % 200;
        for (std::size_t i = 0; i < length; ++i) {
            switch (random() % 3) {
            case 0: bytes += static_cast<char>(random() % 256); break;
            case 1: bytes += special[random() % special.size()]; break;
            default: bytes += static_cast<char>(0x20 + random() % 0x5F); break;
            }
        }
        SCOPED_TRACE(testing::PrintToString(bytes));
        EXPECT_EQ(text::IsValidUtf8(bytes), WellFormedUtf8(bytes));
        const auto decoded = DecodeLyricText(bytes);
        ASSERT_TRUE(WellFormedUtf8(decoded.text));
        // No SUB control character stands in for a bad byte.
        if (bytes.find('\x1A') == std::string::npos) {
            EXPECT_EQ(decoded.text.find('\x1A'), std::string::npos);
        }
    }
}
