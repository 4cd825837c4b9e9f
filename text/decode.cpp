#include "text/decode.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <stdexcept>

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucsdet.h>
#include <unicode/utf8.h>

namespace text {

namespace {

// The detector's names of the legacy code pages we accept, and the ICU
// converters that decode them. The Windows code pages are supersets of the
// standards the detector names (Windows 949 of EUC-KR, 932 of Shift_JIS), and
// GB18030 is a superset of GBK and GB2312.
struct LegacyPage {
    const char* detectorName;
    Encoding encoding;
};
constexpr LegacyPage kLegacyPages[] = {
    {"Big5", Encoding::Big5},
    {"GB18030", Encoding::Gb18030},
    {"Shift_JIS", Encoding::ShiftJis},
    {"EUC-KR", Encoding::EucKr},
};

// Below this confidence (0..100) the detector's choice is not taken. The
// detector gives 10 to any text with a handful of double-byte characters that
// none of its lists of common characters recognise.
constexpr int32_t kMinConfidence = 20;

// The detector looks at this many bytes from the first non-ASCII line.
constexpr std::size_t kSampleBytes = 64 * 1024;

bool IsLegacy(Encoding encoding)
{
    return encoding == Encoding::Big5 || encoding == Encoding::Gb18030 || encoding == Encoding::ShiftJis ||
           encoding == Encoding::EucKr;
}

const char* ConverterName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8: return "UTF-8";
    case Encoding::Utf16LE: return "UTF-16LE";
    case Encoding::Utf16BE: return "UTF-16BE";
    case Encoding::Utf32LE: return "UTF-32LE";
    case Encoding::Utf32BE: return "UTF-32BE";
    case Encoding::Big5: return "windows-950";
    case Encoding::Gb18030: return "GB18030";
    case Encoding::ShiftJis: return "windows-932";
    case Encoding::EucKr: return "windows-949";
    }
    return "UTF-8";
}

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

struct DetectorCloser {
    void operator()(UCharsetDetector* detector) const { ucsdet_close(detector); }
};
using DetectorPtr = std::unique_ptr<UCharsetDetector, DetectorCloser>;

ConverterPtr OpenConverter(const char* name)
{
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open(name, &status));
    if (U_FAILURE(status) || !converter)
        throw std::runtime_error(std::string("ICU has no converter for ") + name + ": " + u_errorName(status));
    return converter;
}

// Writes one U+FFFD for each sequence that cannot be decoded. ICU's own
// substitution would give U+001A (a control character) for a single bad byte
// in some code pages.
void WriteReplacementCharacter(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                               UConverterCallbackReason reason, UErrorCode* status)
{
    if (reason > UCNV_IRREGULAR)
        return;  // reset, close or clone: nothing to write
    static const UChar replacement = 0xFFFD;
    *status = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, &replacement, 1, 0, status);
}

// The Windows code pages give their user-defined areas and a few stray single
// bytes (Big5 FF, EUC-KR 80..9F) characters of the Private Use Area or C1
// controls: boxes or nothing on the screen. In text decoded from a legacy code
// page these become U+FFFD too.
void ReplaceUnshowableCharacters(std::string& utf8)
{
    const auto unshowable = [&utf8](std::size_t i) -> std::size_t {
        const auto b = [&](std::size_t k) { return static_cast<unsigned char>(utf8[i + k]); };
        if (b(0) == 0xC2 && i + 1 < utf8.size() && b(1) <= 0x9F)
            return 2;  // U+0080..U+009F
        if (b(0) == 0xEE && i + 2 < utf8.size())
            return 3;  // U+E000..U+EFFF
        if (b(0) == 0xEF && i + 2 < utf8.size() && b(1) <= 0xA3)
            return 3;  // U+F000..U+F8FF
        return 0;
    };
    std::size_t i = 0;
    while (i < utf8.size() && !unshowable(i))
        ++i;
    if (i == utf8.size())
        return;
    std::string out(utf8, 0, i);
    out.reserve(utf8.size() + utf8.size() / 2);
    while (i < utf8.size()) {
        if (const std::size_t length = unshowable(i)) {
            out += "\xEF\xBF\xBD";
            i += length;
        } else
            out += utf8[i++];
    }
    utf8.swap(out);
}

// The byte-order marks, the UTF-32LE one before the UTF-16LE one it begins with.
struct ByteOrderMark {
    std::string_view bytes;
    Encoding encoding;
};
using namespace std::string_view_literals;
constexpr ByteOrderMark kByteOrderMarks[] = {
    {"\xEF\xBB\xBF"sv, Encoding::Utf8},     {"\xFF\xFE\x00\x00"sv, Encoding::Utf32LE},
    {"\x00\x00\xFE\xFF"sv, Encoding::Utf32BE}, {"\xFF\xFE"sv, Encoding::Utf16LE},
    {"\xFE\xFF"sv, Encoding::Utf16BE},
};

std::size_t ByteOrderMarkLength(std::string_view bytes, Encoding& encoding)
{
    for (const ByteOrderMark& mark : kByteOrderMarks) {
        if (bytes.substr(0, mark.bytes.size()) == mark.bytes) {
            encoding = mark.encoding;
            return mark.bytes.size();
        }
    }
    return 0;
}

// UTF-16 without a byte-order mark: many code units with a zero high byte
// (ASCII and Latin-1) on one side, hardly any zero byte on the other. Looks
// at the first 64 KB.
bool LooksLikeUtf16(std::string_view bytes, Encoding& encoding)
{
    const std::size_t units = std::min(bytes.size(), kSampleBytes) / 2;
    if (units < 8)
        return false;
    std::size_t zeroEven = 0, zeroOdd = 0;
    for (std::size_t i = 0; i < units; ++i) {
        zeroEven += bytes[2 * i] == '\0';
        zeroOdd += bytes[2 * i + 1] == '\0';
    }
    const auto decides = [units](std::size_t many, std::size_t few) { return many * 4 >= units && few * 50 <= units; };
    if (decides(zeroOdd, zeroEven)) {
        encoding = Encoding::Utf16LE;
        return true;
    }
    if (decides(zeroEven, zeroOdd)) {
        encoding = Encoding::Utf16BE;
        return true;
    }
    return false;
}

// The part of the text the detector looks at: from the start of the first
// line with a non-ASCII byte, at most kSampleBytes, ending after a line break
// when there is one (a line feed is never part of a double-byte character).
std::string_view DetectorSample(std::string_view bytes)
{
    const auto nonAscii = std::find_if(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (nonAscii == bytes.end())
        return bytes.substr(0, kSampleBytes);
    std::size_t start = static_cast<std::size_t>(nonAscii - bytes.begin());
    const std::size_t lineBreak = bytes.find_last_of("\r\n", start);
    start = lineBreak == std::string_view::npos ? 0 : lineBreak + 1;
    std::string_view sample = bytes.substr(start, kSampleBytes);
    if (sample.size() < bytes.size() - start) {
        const std::size_t lastBreak = sample.find_last_of('\n');
        if (lastBreak != std::string_view::npos)
            sample = sample.substr(0, lastBreak + 1);
    }
    return sample;
}

// The legacy code page of the bytes, or Big5 with guessed set when the
// detector is not confident of any of ours.
Encoding DetectLegacyPage(std::string_view bytes, bool& guessed)
{
    guessed = true;
    const std::string_view sample = DetectorSample(bytes);
    UErrorCode status = U_ZERO_ERROR;
    DetectorPtr detector(ucsdet_open(&status));
    if (U_FAILURE(status) || !detector)
        return Encoding::Big5;
    ucsdet_setText(detector.get(), sample.data(), static_cast<int32_t>(sample.size()), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status) || !matches)
        return Encoding::Big5;
    // The most confident of our code pages decides; on a tie Big5 wins, then
    // the detector's order (best first).
    const LegacyPage* best = nullptr;
    int32_t bestConfidence = -1;
    for (int32_t i = 0; i < count; ++i) {
        UErrorCode matchStatus = U_ZERO_ERROR;
        const char* name = ucsdet_getName(matches[i], &matchStatus);
        const int32_t confidence = ucsdet_getConfidence(matches[i], &matchStatus);
        if (U_FAILURE(matchStatus) || !name || confidence < bestConfidence)
            continue;
        for (const LegacyPage& page : kLegacyPages) {
            if (std::string_view(name) != page.detectorName)
                continue;
            if (confidence > bestConfidence || page.encoding == Encoding::Big5) {
                best = &page;
                bestConfidence = confidence;
            }
        }
    }
    if (!best || bestConfidence < kMinConfidence)
        return Encoding::Big5;
    guessed = false;
    return best->encoding;
}

}  // namespace

const char* EncodingName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8: return "UTF-8";
    case Encoding::Utf16LE: return "UTF-16LE";
    case Encoding::Utf16BE: return "UTF-16BE";
    case Encoding::Utf32LE: return "UTF-32LE";
    case Encoding::Utf32BE: return "UTF-32BE";
    case Encoding::Big5: return "Big5";
    case Encoding::Gb18030: return "GB18030";
    case Encoding::ShiftJis: return "Shift_JIS";
    case Encoding::EucKr: return "EUC-KR";
    }
    return "";
}

bool IsValidUtf8(std::string_view bytes)
{
    const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
    const std::size_t length = bytes.size();
    std::size_t i = 0;
    while (i < length) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0)
            return false;
    }
    return true;
}

std::string ConvertToUtf8(std::string_view bytes, Encoding encoding)
{
    ConverterPtr source = OpenConverter(ConverterName(encoding));
    ConverterPtr target = OpenConverter("UTF-8");
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(source.get(), WriteReplacementCharacter, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("ICU cannot set the substitution: ") + u_errorName(status));

    // Double-byte text grows by half; a bad single byte becomes three.
    std::string out;
    out.resize(bytes.size() + bytes.size() / 2 + 16);
    std::size_t used = 0;
    UChar pivot[4096];
    UChar* pivotSource = pivot;
    UChar* pivotTarget = pivot;
    const char* in = bytes.data();
    const char* const inLimit = bytes.data() + bytes.size();
    bool reset = true;
    for (;;) {
        char* outPos = out.data() + used;
        status = U_ZERO_ERROR;
        ucnv_convertEx(target.get(), source.get(), &outPos, out.data() + out.size(), &in, inLimit, pivot, &pivotSource,
                       &pivotTarget, pivot + std::size(pivot), reset, true, &status);
        reset = false;
        used = static_cast<std::size_t>(outPos - out.data());
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2);
            continue;
        }
        if (U_FAILURE(status))
            throw std::runtime_error(std::string("ICU conversion from ") + ConverterName(encoding) +
                                     " failed: " + u_errorName(status));
        break;
    }
    out.resize(used);
    if (IsLegacy(encoding))
        ReplaceUnshowableCharacters(out);
    return out;
}

DecodedText DecodeLyricText(std::string_view bytes)
{
    DecodedText result;
    if (const std::size_t mark = ByteOrderMarkLength(bytes, result.encoding)) {
        result.byteOrderMark = true;
        const std::string_view rest = bytes.substr(mark);
        if (result.encoding == Encoding::Utf8 && IsValidUtf8(rest))
            result.text.assign(rest);
        else
            result.text = ConvertToUtf8(rest, result.encoding);
        return result;
    }
    if (LooksLikeUtf16(bytes, result.encoding)) {
        result.text = ConvertToUtf8(bytes, result.encoding);
        return result;
    }
    if (IsValidUtf8(bytes)) {
        result.encoding = Encoding::Utf8;
        result.text.assign(bytes);
        return result;
    }
    result.encoding = DetectLegacyPage(bytes, result.guessed);
    result.text = ConvertToUtf8(bytes, result.encoding);
    return result;
}

}  // namespace text
