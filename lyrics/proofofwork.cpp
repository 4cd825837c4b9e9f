#include "lyrics/proofofwork.h"

#include <charconv>
#include <memory>
#include <openssl/evp.h>
#include <stdexcept>

namespace lyrics {

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

struct CtxFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using Ctx = std::unique_ptr<EVP_MD_CTX, CtxFree>;

Ctx NewCtx()
{
    Ctx ctx(EVP_MD_CTX_new());
    if (!ctx)
        throw std::bad_alloc();
    return ctx;
}

}  // namespace

std::optional<Digest> ParseTarget(std::string_view hex)
{
    if (hex.size() != 64)
        return std::nullopt;
    Digest out{};
    for (std::size_t i = 0; i < 32; ++i) {
        const int hi = HexValue(hex[2 * i]);
        const int lo = HexValue(hex[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out[i] = static_cast<unsigned char>(hi * 16 + lo);
    }
    return out;
}

bool MeetsTarget(const Digest& hash, const Digest& target) { return hash <= target; }

Digest NonceHash(std::string_view prefix, std::uint64_t nonce)
{
    std::string input(prefix);
    input += std::to_string(nonce);
    Digest out{};
    unsigned int size = 0;
    if (!EVP_Digest(input.data(), input.size(), out.data(), &size, EVP_sha256(), nullptr))
        throw std::runtime_error("SHA-256 failed");
    return out;
}

std::optional<std::uint64_t> SolveChallenge(std::string_view prefix, const Digest& target,
                                            const std::atomic<bool>& cancel,
                                            const std::function<void(std::uint64_t)>& progress,
                                            std::uint64_t progressEvery)
{
    // The prefix is hashed once; each try continues a copy of that state
    // with the nonce's digits.
    EVP_MD* sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    if (!sha256)
        throw std::runtime_error("SHA-256 is not available");
    const std::unique_ptr<EVP_MD, decltype(&EVP_MD_free)> md(sha256, &EVP_MD_free);
    const Ctx base = NewCtx();
    const Ctx work = NewCtx();
    if (!EVP_DigestInit_ex(base.get(), sha256, nullptr) || !EVP_DigestUpdate(base.get(), prefix.data(), prefix.size()))
        throw std::runtime_error("SHA-256 failed");
    if (progressEvery == 0)
        progressEvery = 1;
    Digest hash{};
    char digits[24];
    for (std::uint64_t nonce = 0;; ++nonce) {
        if (nonce % progressEvery == 0 && nonce > 0) {
            if (cancel.load(std::memory_order_relaxed))
                return std::nullopt;
            if (progress)
                progress(nonce);
        }
        const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, nonce);
        (void)ec;
        unsigned int size = 0;
        if (!EVP_MD_CTX_copy_ex(work.get(), base.get()) ||
            !EVP_DigestUpdate(work.get(), digits, static_cast<std::size_t>(end - digits)) ||
            !EVP_DigestFinal_ex(work.get(), hash.data(), &size))
            throw std::runtime_error("SHA-256 failed");
        if (MeetsTarget(hash, target))
            return nonce;
    }
}

std::string PublishToken(std::string_view prefix, std::uint64_t nonce)
{
    return std::string(prefix) + ":" + std::to_string(nonce);
}

}  // namespace lyrics
