#pragma once
#include <cstdint>
#include <string>

namespace brevix {

// Starts a program with the "open" verb, hidden, without waiting for it.
// The result is the shell's value: 32 or more means started.
class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  virtual std::intptr_t Start(const std::u16string& file, const std::u16string& parameters, void* ownerWindow) = 0;
};

}  // namespace brevix
