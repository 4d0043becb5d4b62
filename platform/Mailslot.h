#pragma once
#include <optional>

#include "platform/Text.h"

namespace brevix {

// The read end of a mailslot.
class MailslotReader {
 public:
  virtual ~MailslotReader() = default;
  // The next message whole, whatever its size (a message of the wrong size is taken off the
  // mailslot like any other); nullopt at once when the mailslot is empty or cannot be read.
  virtual std::optional<Bytes> ReadMessage() = 0;
};

// A mailslot that could not be made: every read finds it empty.
class ClosedMailslot : public MailslotReader {
 public:
  std::optional<Bytes> ReadMessage() override { return std::nullopt; }
};

}  // namespace brevix
