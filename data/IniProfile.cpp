#include "data/IniProfile.h"

#include <algorithm>

namespace brevix {
namespace {

char16_t FoldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::u16string Cut(std::u16string_view value, std::size_t bufferSize) {
  if (bufferSize == 0) return std::u16string();
  return std::u16string(value.substr(0, bufferSize - 1));
}

}  // namespace

std::u16string LookupIniValue(std::u16string_view text, std::u16string_view section, std::u16string_view key,
                              std::u16string_view fallback, std::size_t bufferSize) {
  bool inSection = false;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find_first_of(u"\r\n", pos);
    if (end == std::u16string_view::npos) end = text.size();
    const std::u16string_view line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[') {
      const std::size_t close = line.find(u']');
      inSection = close != std::u16string_view::npos && EqualsIgnoringCase(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    const std::size_t eq = line.find(u'=');
    if (eq == std::u16string_view::npos) continue;
    if (EqualsIgnoringCase(Trim(line.substr(0, eq)), key)) {
      std::u16string_view value = Trim(line.substr(eq + 1));
      // The profile functions drop one pair of surrounding double quotes.
      if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') value = value.substr(1, value.size() - 2);
      return Cut(value, bufferSize);
    }
  }
  return Cut(fallback, bufferSize);
}

std::u16string IniProfileReader::ReadText(const std::u16string& file, bool& found) {
  const auto bytes = files_.ReadWholeFile(file);
  found = bytes.has_value();
  if (!bytes) return std::u16string();
  if (bytes->size() >= 2 && (*bytes)[0] == 0xFF && (*bytes)[1] == 0xFE) {
    return DecodeUtf16Le(ByteView(*bytes).subspan(2));
  }
  return WidenLatin1(std::string(bytes->begin(), bytes->end()));
}

std::string IniProfileReader::GetStringA(const std::string& file, const std::string& section, const std::string& key,
                                         const std::string& fallback, std::size_t bufferSize) {
  bool found = false;
  const std::u16string text = ReadText(WidenLatin1(file), found);
  return NarrowLowBytes(LookupIniValue(text, WidenLatin1(section), WidenLatin1(key), WidenLatin1(fallback), bufferSize));
}

std::u16string IniProfileReader::GetStringW(const std::u16string& file, const std::u16string& section,
                                            const std::u16string& key, const std::u16string& fallback,
                                            std::size_t bufferSize) {
  bool found = false;
  const std::u16string text = ReadText(file, found);
  return LookupIniValue(text, section, key, fallback, bufferSize);
}

}  // namespace brevix
