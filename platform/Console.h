#pragma once
#include <string>

namespace brevix {

// The console the program allocates for its command-line modes.
class Console {
 public:
  virtual ~Console() = default;
  // Writes UTF-16 text as it is (callers make "®" console-safe where they must).
  virtual void Write(const std::u16string& text) = 0;
  // Waits until the user presses Enter.
  virtual void WaitForEnter() = 0;
};

// The process's standard output stream, where diagnostic lines go (not the console above).
class StandardOutput {
 public:
  virtual ~StandardOutput() = default;
  virtual void Print(const std::string& text) = 0;
};

}  // namespace brevix
