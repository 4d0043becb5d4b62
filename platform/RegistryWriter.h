#pragma once
// Writes the values of one key below HKEY_LOCAL_MACHINE, fixed when the writer is made, in the
// registry's 64-bit view (KEY_WOW64_64KEY): the shipped program is 32-bit, and on 64-bit
// Windows its plain writes below SOFTWARE would land in "SOFTWARE\Wow6432Node" instead.
// Every call reports whether it took; none throws.
#include <cstdint>
#include <string>

namespace brevix {

class RegistryWriter {
 public:
  virtual ~RegistryWriter() = default;
  // A REG_SZ value; the key is made first when it does not exist.
  virtual bool SetString(const std::u16string& name, const std::u16string& value) = 0;
  // A REG_DWORD value; the key is made first when it does not exist.
  virtual bool SetDword(const std::u16string& name, std::uint32_t value) = 0;
  // true also when the value, or the whole key, was not there: either way it is gone.
  virtual bool DeleteValue(const std::u16string& name) = 0;
};

}  // namespace brevix
