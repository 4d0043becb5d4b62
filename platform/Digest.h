#pragma once
// SHA-256 of a file on disk, for the integrity checks right before a component is used. The
// Windows side uses the system's own CryptoAPI and reads in chunks, so that a large component
// is never held whole in memory.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace brevix {

using Sha256Digest = std::array<std::uint8_t, 32>;

class FileDigester {
 public:
  virtual ~FileDigester() = default;
  // The digest of the file's bytes; nullopt when it cannot be opened or read to its end.
  virtual std::optional<Sha256Digest> Sha256OfFile(const std::u16string& path) = 0;
};

}  // namespace brevix
