#pragma once
// The language reader: one table (resource "INI" 187..212, UTF-16LE with CR LF lines) chosen
// by the user's interface language, read by a byte search for "[section]" and a line scan
// for "key=" that runs on through later sections. Found texts come back as owned copies.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Resources.h"
#include "platform/Text.h"

namespace brevix {

constexpr std::uint16_t kEnglishTableId = 212;
constexpr std::uint16_t kEnglishLicenceId = 217;
constexpr char16_t kLanguageTableType[] = u"INI";
constexpr char16_t kLicenceType[] = u"TXT";
// A decorated step result must fit a 260-unit buffer: " . . . " + text + CR LF + NUL.
constexpr std::size_t kMaxDecoratedTextUnits = 250;

struct LanguageIds {
  std::uint16_t langId;
  std::uint16_t tableId;
  std::uint16_t licenceId;
};
// The languages the product ships, by Windows LANGID (primary and sublanguage).
const std::vector<LanguageIds>& SupportedLanguages();

// Table and licence for a LANGID; English for any LANGID not listed.
std::uint16_t SelectLanguageTableId(std::uint16_t langId);
std::uint16_t SelectLicenceId(std::uint16_t langId);

class LanguageTable {
 public:
  explicit LanguageTable(ResourceSource& resources) : resources_(resources) {}

  // The value of `key`, searched from `section` on, or nullopt when the key is not found.
  // The first successful load fixes the table; later table ids are ignored.
  std::optional<std::u16string> Lookup(std::u16string_view section, std::uint16_t tableId, std::u16string_view key);

  std::uint16_t LoadedTableId() const { return loadedId_; }

 private:
  bool EnsureLoaded(std::uint16_t tableId);
  bool FindValue(std::u16string_view section, std::u16string_view key, std::u16string& value);
  bool ReadLine(std::u16string& line);

  ResourceSource& resources_;
  std::uint16_t loadedId_ = 0;
  ByteView table_;
  std::size_t cursor_ = 0;
};

// The licence text for a LANGID: the resource's bytes after the first two (the byte-order
// mark, dropped unchecked). Empty when the resource is missing.
std::u16string LoadLicenceText(ResourceSource& resources, std::uint16_t langId);

// " . . . " + value + CR LF, with the value cut to kMaxDecoratedTextUnits.
std::u16string DecorateResultText(std::u16string_view value);

}  // namespace brevix
