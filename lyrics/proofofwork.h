#pragma once
// The proof of work that LRCLIB asks before it takes lyrics: the nonce, counted
// in decimal from 0, whose SHA-256 of prefix followed by the nonce's digits,
// read as a big-endian number, is at most the target. SHA-256 is libcrypto's.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lyrics {

using Digest = std::array<unsigned char, 32>;

// The 32 bytes of 64 hex digits (either case); nullopt for anything else.
std::optional<Digest> ParseTarget(std::string_view hex);
// hash <= target, both big-endian.
bool MeetsTarget(const Digest& hash, const Digest& target);
// SHA-256 of prefix followed by the nonce in decimal.
Digest NonceHash(std::string_view prefix, std::uint64_t nonce);

// Searches nonces from 0 upwards until one meets the target; nullopt when
// cancel is set first. progress (when given) hears the nonces tried so far
// every progressEvery tries, on the searching thread.
std::optional<std::uint64_t> SolveChallenge(std::string_view prefix, const Digest& target,
                                            const std::atomic<bool>& cancel,
                                            const std::function<void(std::uint64_t)>& progress = {},
                                            std::uint64_t progressEvery = 1 << 16);

// The publish token of a solved challenge: "prefix:nonce".
std::string PublishToken(std::string_view prefix, std::uint64_t nonce);

}  // namespace lyrics
