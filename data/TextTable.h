#pragma once
// The program's text table: owned copies of every text the engine, the wizard and the console
// show, looked up once in the chosen language table. A missing key shows the key itself.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "data/LanguageTable.h"

namespace brevix {

class TextTable {
 public:
  TextTable() = default;
  // Fills the table from the language table; `licence` is the language's licence text.
  static TextTable Load(LanguageTable& language, std::uint16_t tableId, std::u16string licence);

  // The text of a key ("Accept", "Checking03", "Upgrade21", ...); the key itself when it was
  // not found. "Upgrade21" and "Upgrade22" are held decorated (" . . . " text CR LF).
  std::u16string Text(std::u16string_view key) const;
  const std::u16string& Licence() const { return licence_; }

  void Set(std::u16string_view key, std::u16string value) { texts_[std::u16string(key)] = std::move(value); }

 private:
  std::map<std::u16string, std::u16string, std::less<>> texts_;
  std::u16string licence_;
};

// "<prefix>NN" with two digits: NumberedKey(u"Checking", 3) is "Checking03".
std::u16string NumberedKey(std::u16string_view prefix, int number);

}  // namespace brevix
