#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace brevix {

// One open registry key (closed when destroyed).
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // Subkey name at `index` (names up to 259 characters); nullopt ends an enumeration.
  virtual std::optional<std::u16string> EnumSubkey(std::uint32_t index) = 0;
  // A string value that fits a buffer of `bufferBytes` bytes, terminator included;
  // nullopt when missing, not a string or too long.
  virtual std::optional<std::u16string> QueryString(const std::u16string& name, std::size_t bufferBytes) = 0;
};

// The text of a string value as the registry hands it out into a buffer of `bufferBytes`
// bytes: the stored data may lack its terminator, hold an odd last byte (dropped) or be empty.
// nullopt when the data, or its text with a terminator, does not fit the buffer.
std::optional<std::u16string> RegistryStringFromData(std::span<const std::uint8_t> data, std::size_t bufferBytes);

// Reads keys below HKEY_LOCAL_MACHINE.
class RegistryReader {
 public:
  virtual ~RegistryReader() = default;
  // nullptr when the key cannot be opened for reading.
  virtual std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::u16string& path) = 0;
  // The key in the registry's 64-bit view (KEY_WOW64_64KEY), where the program keeps its own
  // values: the shipped 32-bit program on 64-bit Windows would otherwise read the redirected
  // copy below "SOFTWARE\Wow6432Node". The plain open by default, which is the same view on
  // 32-bit Windows.
  virtual std::unique_ptr<RegistryKey> OpenLocalMachineKey64(const std::u16string& path) {
    return OpenLocalMachineKey(path);
  }
};

}  // namespace brevix
