#pragma once
#include <cstdint>
#include <string>

namespace brevix {

struct OsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint8_t productType = 0;  // 1 = workstation
};

// Facts about the running system. A failed query gives the zero value.
class SystemFacts {
 public:
  virtual ~SystemFacts() = default;
  // The version the system really runs, whatever compatibility it shows the program.
  virtual OsVersion GetVersion() = 0;
  // A 32-bit process on 64-bit Windows.
  virtual bool IsWow64() = 0;
  virtual std::u16string SystemDirectory() = 0;
  // The system's own folder ("C:\Windows"), as the system reports it (not from the environment,
  // which the caller controls).
  virtual std::u16string WindowsDirectory() = 0;
  // A number nobody else can predict (the system's random generator).
  virtual std::uint64_t UnpredictableNumber() = 0;
  virtual std::uint16_t GetUserDefaultUILanguage() = 0;
};

}  // namespace brevix
