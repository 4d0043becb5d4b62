#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Text.h"

namespace brevix {

// The executable's own resources: bytes by type name and integer id.
// The bytes live as long as the process.
class ResourceSource {
 public:
  virtual ~ResourceSource() = default;
  virtual std::optional<ByteView> Find(const std::u16string& type, std::uint16_t id) = 0;
};

}  // namespace brevix
