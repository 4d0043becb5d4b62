#pragma once
#include <functional>
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
  // Until released: Ctrl+C and Ctrl+Break are ignored; a closed console, a log-off or a
  // shutdown (which cannot be refused) call `onForcedEnd` first, on a thread of the system's.
  virtual void HoldInterrupts(std::function<void()> onForcedEnd) { (void)onForcedEnd; }
  virtual void ReleaseInterrupts() {}
};

// The process's standard output stream, where diagnostic lines go (not the console above).
class StandardOutput {
 public:
  virtual ~StandardOutput() = default;
  virtual void Print(const std::string& text) = 0;
};

}  // namespace brevix
