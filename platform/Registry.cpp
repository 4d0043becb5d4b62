#include "platform/Registry.h"

namespace brevix {

std::optional<std::u16string> RegistryStringFromData(std::span<const std::uint8_t> data, std::size_t bufferBytes) {
  if (data.size() > bufferBytes) return std::nullopt;
  std::u16string text;
  text.reserve(data.size() / 2);
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
  while (!text.empty() && text.back() == u'\0') text.pop_back();
  // Text that fills the buffer without room for its terminator does not fit.
  if ((text.size() + 1) * 2 > bufferBytes) return std::nullopt;
  return text;
}

}  // namespace brevix
