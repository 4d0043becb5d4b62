#include "engine/VersionText.h"

namespace brevix {

std::u16string RewriteDriverDate(std::u16string_view driverDate) {
  std::u16string out;
  std::size_t start = 0;
  while (true) {
    const std::size_t dash = driverDate.find(u'-', start);
    if (dash == std::u16string_view::npos) break;
    const std::u16string_view piece = driverDate.substr(start, dash - start);
    if (piece.size() == 1) out += u'0';
    out += piece;
    out += u'/';
    start = dash + 1;
  }
  out += driverDate.substr(start);
  out += u',';
  return out;
}

namespace {

std::u16string_view Cut(std::u16string_view v, std::size_t from, std::size_t count = std::u16string_view::npos) {
  if (from >= v.size()) return {};
  return v.substr(from, count);
}

}  // namespace

std::u16string BuildVersionKey(std::u16string_view v, VersionKeyRule rule) {
  std::u16string key;
  key += Cut(v, 6, 4);
  key += Cut(v, 0, 2);
  key += Cut(v, 3, 2);
  switch (rule) {
    case VersionKeyRule::DateThenWholeVersion:
      key += Cut(v, 11);
      break;
    case VersionKeyRule::SttubeChecking:
      key += Cut(v, 11, 1);
      key += Cut(v, 13, 1);
      key += Cut(v, 15, 4);
      key += Cut(v, 20, 1);
      break;
    case VersionKeyRule::SttubeInstall:
      key += Cut(v, 11, 1);
      key += Cut(v, 13, 1);
      key += Cut(v, 15, 1);
      key += Cut(v, 17, 1);
      break;
  }
  return key;
}

namespace {

bool SixDigitsAt(std::u16string_view name, std::size_t pos) {
  if (pos > name.size() || name.size() - pos < 6) return false;
  for (std::size_t i = pos; i < pos + 6; ++i) {
    if (name[i] < u'0' || name[i] > u'9') return false;
  }
  return true;
}

}  // namespace

std::optional<std::u16string> ParseFirmwareFileVersion(std::u16string_view name) {
  for (std::size_t a = name.find(u'_'); a != std::u16string_view::npos; a = name.find(u'_', a + 1)) {
    if (a + 1 >= name.size() || name[a + 1] < u'0' || name[a + 1] > u'9') continue;
    if (SixDigitsAt(name, a + 11)) return std::u16string(name.substr(a + 11, 6));
    if (SixDigitsAt(name, a + 12)) return std::u16string(name.substr(a + 12, 6));
  }
  return std::nullopt;
}

}  // namespace brevix
