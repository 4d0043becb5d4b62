#pragma once
// SHA-256 (FIPS 180-4) of the core: the packager records the components' digests with it and
// the native tests compute what the Windows side computes with CryptoAPI.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Digest.h"
#include "platform/Text.h"

namespace brevix {

// Incremental: Update any number of times, then Finish once.
class Sha256 {
 public:
  Sha256();
  void Update(ByteView bytes);
  Sha256Digest Finish();

 private:
  void Block(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;  // bytes taken so far
};

Sha256Digest Sha256Of(ByteView bytes);

// 64 lower-case hex digits.
std::string DigestHex(const Sha256Digest& digest);
// Exactly 64 hex digits of either case, or nullopt.
std::optional<Sha256Digest> ParseDigestHex(std::string_view hex);

}  // namespace brevix
