#pragma once
#include <cstddef>
#include <string>

namespace brevix {

// INI ("profile") reading with the Windows profile semantics: section and key names match
// without regard to case, ";" lines are comments, values are trimmed, and a missing file,
// section or key gives the default. Results are cut to fit `bufferSize` units, terminator
// included.
class ProfileReader {
 public:
  virtual ~ProfileReader() = default;
  virtual std::string GetStringA(const std::string& file, const std::string& section, const std::string& key,
                                 const std::string& fallback, std::size_t bufferSize) = 0;
  virtual std::u16string GetStringW(const std::u16string& file, const std::u16string& section,
                                    const std::u16string& key, const std::u16string& fallback,
                                    std::size_t bufferSize) = 0;
};

}  // namespace brevix
