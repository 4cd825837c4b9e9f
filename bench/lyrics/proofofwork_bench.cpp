// The proof of work of publishing to LRCLIB: nonces tried per second by our
// search (the prefix hashed once, each nonce continuing a copy) against
// libcrypto's own one-shot SHA-256 of the same messages, in the same run.

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <atomic>
#include <charconv>
#include <cstdio>
#include <string>

#include "common/ratio.h"
#include "lyrics/proofofwork.h"

namespace {

// A prefix as long as the service's (32 characters).
const std::string kPrefix = "VXMwW2qPfW2gkCNSl1i708NJkDghtAyU";
constexpr std::uint64_t kBatch = 1 << 18;

void BaselineSha256(benchmark::State& state)
{
    // The message in one buffer: the prefix written once, the digits after it.
    unsigned char hash[SHA256_DIGEST_LENGTH];
    char input[64];
    kPrefix.copy(input, kPrefix.size());
    std::uint64_t nonce = 0;
    for (auto _ : state) {
        for (std::uint64_t i = 0; i < kBatch; ++i) {
            char* end = std::to_chars(input + kPrefix.size(), input + sizeof input, nonce++).ptr;
            SHA256(reinterpret_cast<const unsigned char*>(input), static_cast<std::size_t>(end - input), hash);
            benchmark::DoNotOptimize(hash[0]);
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBatch));
}

// libcrypto at its quickest per message: the digest fetched once, one
// context reused, the whole message hashed each time.
void BaselineEvpReused(benchmark::State& state)
{
    EVP_MD* md = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    unsigned char hash[SHA256_DIGEST_LENGTH];
    unsigned int size = 0;
    char input[64];
    kPrefix.copy(input, kPrefix.size());
    std::uint64_t nonce = 0;
    for (auto _ : state) {
        for (std::uint64_t i = 0; i < kBatch; ++i) {
            char* end = std::to_chars(input + kPrefix.size(), input + sizeof input, nonce++).ptr;
            EVP_DigestInit_ex(ctx, md, nullptr);
            EVP_DigestUpdate(ctx, input, static_cast<std::size_t>(end - input));
            EVP_DigestFinal_ex(ctx, hash, &size);
            benchmark::DoNotOptimize(hash[0]);
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBatch));
    EVP_MD_CTX_free(ctx);
    EVP_MD_free(md);
}

void SolveChallenge(benchmark::State& state)
{
    // A target nothing meets: the search runs until told to stop.
    const lyrics::Digest target{};
    for (auto _ : state) {
        std::atomic<bool> cancel{false};
        const auto nonce = lyrics::SolveChallenge(
            kPrefix, target, cancel, [&](std::uint64_t tried) { cancel = tried >= kBatch; }, kBatch);
        benchmark::DoNotOptimize(nonce);
    }
    // The search stops at its next look after kBatch tries.
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * 2 * kBatch));
}

BENCHMARK(BaselineSha256)->Unit(benchmark::kMillisecond);
BENCHMARK(BaselineEvpReused)->Unit(benchmark::kMillisecond);
BENCHMARK(SolveChallenge)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double base = kBatch / reporter.Time("BaselineSha256").cpu;
    const double reused = kBatch / reporter.Time("BaselineEvpReused").cpu;
    const double ours = 2 * kBatch / reporter.Time("SolveChallenge").cpu;
    std::printf("\nProof of work: %.2f M hashes/s; libcrypto's one-shot SHA256() of the same messages %.2f M hashes/s; "
                "ratio %.2f\n",
                ours / 1e6, base / 1e6, bench::Ratio(ours, base));
    std::printf("Against libcrypto's EVP digest fetched once, one context reused: %.2f M hashes/s; ratio %.2f\n",
                reused / 1e6, bench::Ratio(ours, reused));
    benchmark::Shutdown();
    return 0;
}
