#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

// The SHA-256 digest of bytes (FIPS 180-4): an archive knows a copy it has imported by it.
using Sha256Digest = std::array<std::uint8_t, 32>;
[[nodiscard]] Sha256Digest Sha256(std::span<const std::uint8_t> bytes);
// The digest as 64 lower-case hexadecimal digits.
[[nodiscard]] std::string HexOf(const Sha256Digest& digest);
