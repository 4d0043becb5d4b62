// The program's own values below HKEY_LOCAL_MACHINE, in the 64-bit view.
#include <windows.h>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinText.h"

namespace brevix::win32 {
namespace {

// Without KEY_WOW64_64KEY the 32-bit program on 64-bit Windows would write below
// "SOFTWARE\Wow6432Node"; 32-bit Windows ignores the flag.
constexpr REGSAM kSetAccess = KEY_SET_VALUE | KEY_WOW64_64KEY;

// An open key, closed when it goes out of scope.
class OpenKey {
 public:
  OpenKey() = default;
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey() {
    if (key_) ::RegCloseKey(key_);
  }
  HKEY get() const { return key_; }
  HKEY* out() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

bool CreateKey(const std::u16string& path, OpenKey& key) {
  return ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(path), 0, nullptr, REG_OPTION_NON_VOLATILE, kSetAccess, nullptr,
                           key.out(), nullptr) == ERROR_SUCCESS;
}

}  // namespace

bool Win32RegistryWriter::SetString(const std::u16string& name, const std::u16string& value) {
  OpenKey key;
  if (!CreateKey(key_, key)) return false;
  // REG_SZ data carries its terminator, so that readers that trust it get a terminated string.
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key.get(), W(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(W(value)), bytes) ==
         ERROR_SUCCESS;
}

bool Win32RegistryWriter::SetDword(const std::u16string& name, std::uint32_t value) {
  OpenKey key;
  if (!CreateKey(key_, key)) return false;
  const DWORD data = value;
  return ::RegSetValueExW(key.get(), W(name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) ==
         ERROR_SUCCESS;
}

bool Win32RegistryWriter::DeleteValue(const std::u16string& name) {
  OpenKey key;
  const LONG opened = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(key_), 0, kSetAccess, key.out());
  if (opened == ERROR_FILE_NOT_FOUND) return true;  // no key, no value
  if (opened != ERROR_SUCCESS) return false;
  const LONG deleted = ::RegDeleteValueW(key.get(), W(name));
  return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}

}  // namespace brevix::win32
