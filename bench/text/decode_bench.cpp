// Decoding of large lyric files, measured against the least work any decoder
// does on the same bytes in the same run:
//   - legacy code pages: ICU's conversion with the code page known beforehand;
//   - UTF-8 and UTF-16: the same ICU conversion (UTF-8 is copied after a check).
// Goals: at 50 MB decoding takes at most 1.5x its baseline, and from 5 MB to
// 50 MB its time grows by at most 1.5x as much as the baseline's (which is
// linear by construction; past the caches both grow by more than 10x).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <unicode/ucnv.h>

#include "common/ratio.h"
#include "tests/text/lyric_samples.h"
#include "text/decode.h"

namespace {

struct Input {
    const char* name;     // as in the benchmark names
    const char* charset;  // ICU converter of the file's bytes
    std::string bom;
};

const Input kInputs[] = {
    {"Big5", "windows-950", ""},
    {"GBK", "GBK", ""},
    {"UTF-8", "UTF-8", ""},
    {"UTF-16LE", "UTF-16LE", "\xFF\xFE"},
};

std::string Convert(const char* to, const char* from, const std::string& bytes)
{
    UErrorCode status = U_ZERO_ERROR;
    std::string out(bytes.size() * 2 + 16, '\0');
    const int32_t length = ucnv_convert(to, from, out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                                        static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) {
        std::fprintf(stderr, "conversion %s -> %s failed: %s\n", from, to, u_errorName(status));
        std::abort();
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
}

// The sample lyrics repeated to about `megabytes` MB in the input's encoding.
const std::string& File(const Input& input, int megabytes)
{
    static std::map<std::pair<std::string, int>, std::string> cache;
    std::string& file = cache[{input.name, megabytes}];
    if (file.empty()) {
        std::string utf8;
        const std::size_t size = static_cast<std::size_t>(megabytes) << 20;
        while (utf8.size() < size)
            utf8 += samples::kChineseLyrics;
        file = input.bom + Convert(input.charset, "UTF-8", utf8);
    }
    return file;
}

void BM_Decode(benchmark::State& state, const Input& input)
{
    const std::string& file = File(input, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        text::DecodedText decoded = text::DecodeLyricText(file);
        benchmark::DoNotOptimize(decoded.text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

void BM_Baseline(benchmark::State& state, const Input& input)
{
    const std::string& file = File(input, static_cast<int>(state.range(0)));
    const std::string body = file.substr(input.bom.size());
    for (auto _ : state) {
        std::string out = Convert("UTF-8", input.charset, body);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    for (const Input& input : kInputs) {
        for (const char* kind : {"Decode", "Baseline"}) {
            auto* bench = benchmark::RegisterBenchmark((std::string(kind) + "/" + input.name).c_str(),
                                                       kind[0] == 'D' ? BM_Decode : BM_Baseline, input);
            bench->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%-10s %18s %18s %18s\n", "input", "decode/base 50MB", "decode 50MB/5MB", "base 50MB/5MB");
    bool met = true;
    for (const Input& input : kInputs) {
        // CPU time: the machine may be busy with other work.
        const auto time = [&](const char* kind, int mb) {
            return reporter.Time(std::string(kind) + "/" + input.name + "/" + std::to_string(mb)).cpu;
        };
        if (time("Decode", 5) == 0 || time("Baseline", 50) == 0)
            continue;  // filtered out
        const double ratio = time("Decode", 50) / time("Baseline", 50);
        const double growth = time("Decode", 50) / time("Decode", 5);
        const double baseGrowth = time("Baseline", 50) / time("Baseline", 5);
        std::printf("%-10s %17.2fx %17.2fx %17.2fx\n", input.name, ratio, growth, baseGrowth);
        met = met && ratio <= 1.5 && growth <= 1.5 * baseGrowth;
    }
    std::printf("goals (decode <= 1.5x baseline, growth <= 1.5x the baseline's): %s\n", met ? "met" : "NOT met");
    benchmark::Shutdown();
    return 0;
}
