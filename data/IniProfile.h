#pragma once
// An INI reader with the Windows profile semantics, for where the profile functions are not
// at hand: section and key names match without regard to ASCII case, ";" lines are comments,
// the value is the text after the first "=" with surrounding blanks removed, and a missing
// file, section or key gives the default. 8-bit files are read byte for byte; files that start
// with a UTF-16LE byte-order mark are read as UTF-16.
#include <string>

#include "platform/FileSystem.h"
#include "platform/Profile.h"

namespace brevix {

// Looks a key up in INI text already in memory (UTF-16 code units).
std::u16string LookupIniValue(std::u16string_view text, std::u16string_view section, std::u16string_view key,
                              std::u16string_view fallback, std::size_t bufferSize);

class IniProfileReader : public ProfileReader {
 public:
  explicit IniProfileReader(FileSystem& files) : files_(files) {}
  std::string GetStringA(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& fallback, std::size_t bufferSize) override;
  std::u16string GetStringW(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                            const std::u16string& fallback, std::size_t bufferSize) override;

 private:
  std::u16string ReadText(const std::u16string& file, bool& found);
  FileSystem& files_;
};

}  // namespace brevix
