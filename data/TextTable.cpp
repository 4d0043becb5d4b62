#include "data/TextTable.h"

#include <initializer_list>

namespace brevix {

std::u16string NumberedKey(std::u16string_view prefix, int number) {
  std::u16string key(prefix);
  key += static_cast<char16_t>(u'0' + number / 10 % 10);
  key += static_cast<char16_t>(u'0' + number % 10);
  return key;
}

TextTable TextTable::Load(LanguageTable& language, std::uint16_t tableId, std::u16string licence) {
  TextTable table;
  table.licence_ = std::move(licence);
  auto take = [&](std::u16string_view section, const std::u16string& key) {
    if (auto value = language.Lookup(section, tableId, key)) table.texts_[key] = std::move(*value);
  };
  auto takeNumbered = [&](std::u16string_view section, int count) {
    for (int i = 1; i <= count; ++i) take(section, NumberedKey(section, i));
  };
  take(u"Publisher", u"Publisher01");
  takeNumbered(u"Indroduction", 3);
  takeNumbered(u"License", 2);
  takeNumbered(u"Checking", 16);
  takeNumbered(u"Upgrade", 26);
  takeNumbered(u"Popup", 3);
  for (const char16_t* key : {u"Next", u"Cancel", u"Back", u"Accept", u"Upgrade", u"Finish", u"Close", u"Yes", u"No", u"Quit"})
    take(u"Button", key);
  for (const char16_t* key : {u"Upgrade21", u"Upgrade22"}) table.texts_[key] = DecorateResultText(table.Text(key));
  return table;
}

std::u16string TextTable::Text(std::u16string_view key) const {
  const auto it = texts_.find(key);
  return it == texts_.end() ? std::u16string(key) : it->second;
}

}  // namespace brevix
