#pragma once
#include <cstddef>
#include <cstdint>

namespace brevix {

// The read end of a mailslot: each read takes at most one whole message, at once.
class MailslotReader {
 public:
  virtual ~MailslotReader() = default;
  // Bytes read into `buffer` (0 when the mailslot is empty or the read fails).
  virtual std::size_t Read(std::uint8_t* buffer, std::size_t capacity) = 0;
};

}  // namespace brevix
