#include "data/LanguageTable.h"

#include <algorithm>
#include <cstring>

namespace brevix {

const std::vector<LanguageIds>& SupportedLanguages() {
  static const std::vector<LanguageIds> kLanguages = {
      {1027, 187, 224}, {1028, 189, 216}, {1029, 190, 225}, {1030, 191, 226}, {1031, 192, 227},
      {1032, 193, 228}, {1035, 196, 231}, {1036, 197, 232}, {1038, 199, 234}, {1040, 200, 218},
      {1041, 201, 219}, {1042, 202, 220}, {1043, 203, 235}, {1044, 204, 236}, {1045, 205, 237},
      {1046, 206, 221}, {1049, 208, 222}, {1051, 209, 239}, {1053, 210, 240}, {1055, 211, 223},
      {1069, 195, 230}, {1110, 198, 233}, {2052, 188, 215}, {2070, 207, 238}, {3082, 194, 229},
  };
  return kLanguages;
}

namespace {
const LanguageIds* Find(std::uint16_t langId) {
  for (const LanguageIds& ids : SupportedLanguages()) {
    if (ids.langId == langId) return &ids;
  }
  return nullptr;
}
}  // namespace

std::uint16_t SelectLanguageTableId(std::uint16_t langId) {
  const LanguageIds* ids = Find(langId);
  return ids ? ids->tableId : kEnglishTableId;
}

std::uint16_t SelectLicenceId(std::uint16_t langId) {
  const LanguageIds* ids = Find(langId);
  return ids ? ids->licenceId : kEnglishLicenceId;
}

bool LanguageTable::EnsureLoaded(std::uint16_t tableId) {
  if (loadedId_ != 0) return true;
  const auto bytes = resources_.Find(kLanguageTableType, tableId);
  if (!bytes || bytes->empty()) return false;  // a later call tries again with its own id
  loadedId_ = tableId;
  table_ = *bytes;
  cursor_ = (table_.size() >= 2 && table_[0] == 0xFF && table_[1] == 0xFE) ? 2 : 0;
  return true;
}

bool LanguageTable::ReadLine(std::u16string& line) {
  line.clear();
  if (cursor_ >= table_.size()) return false;
  std::size_t i = cursor_;
  // Units are read at the cursor's own alignment: a section found at an odd byte offset
  // reads on from there, as the byte search left it.
  while (i + 1 < table_.size()) {
    const char16_t c = static_cast<char16_t>(table_[i] | (table_[i + 1] << 8));
    if (c == u'\r' && i + 3 < table_.size() && table_[i + 2] == 0x0A && table_[i + 3] == 0x00) {
      cursor_ = i + 4;
      return true;
    }
    line.push_back(c);
    i += 2;
  }
  cursor_ = table_.size();
  return true;
}

bool LanguageTable::FindValue(std::u16string_view section, std::u16string_view key, std::u16string& value) {
  const Bytes pattern = EncodeUtf16Le(u"[" + std::u16string(section) + u"]");
  const auto hit = std::search(table_.begin(), table_.end(), pattern.begin(), pattern.end());
  if (hit == table_.end()) return false;
  cursor_ = static_cast<std::size_t>(hit - table_.begin());
  std::u16string line;
  ReadLine(line);  // the rest of the header line

  const std::u16string prefix = std::u16string(key) + u"=";
  while (ReadLine(line)) {
    if (!line.empty() && line[0] == u'[') continue;  // later headers do not stop the scan
    if (line.size() > prefix.size() && line.compare(0, prefix.size(), prefix) == 0) {
      value = line.substr(prefix.size());
      return true;
    }
  }
  return false;
}

std::optional<std::u16string> LanguageTable::Lookup(std::u16string_view section, std::uint16_t tableId,
                                                   std::u16string_view key) {
  if (!EnsureLoaded(tableId)) return std::nullopt;
  std::u16string value;
  if (!FindValue(section, key, value)) return std::nullopt;
  return value;
}

std::u16string LoadLicenceText(ResourceSource& resources, std::uint16_t langId) {
  const auto bytes = resources.Find(kLicenceType, SelectLicenceId(langId));
  if (!bytes || bytes->size() < 2) return std::u16string();
  return DecodeUtf16Le(bytes->subspan(2));
}

std::u16string DecorateResultText(std::u16string_view value) {
  return u" . . . " + std::u16string(value.substr(0, kMaxDecoratedTextUnits)) + u"\r\n";
}

}  // namespace brevix
