#include "ui/wizard/WizardTexts.h"

#include <initializer_list>

namespace brevix {
namespace {

std::u16string Numbered(std::u16string_view prefix, int number) {
  std::u16string key(prefix);
  key += static_cast<char16_t>(u'0' + number / 10);
  key += static_cast<char16_t>(u'0' + number % 10);
  return key;
}

}  // namespace

WizardTexts WizardTexts::Load(LanguageTable& language, std::uint16_t tableId, std::u16string licence) {
  WizardTexts table;
  table.licence_ = std::move(licence);
  auto take = [&](std::u16string_view section, const std::u16string& key) {
    if (auto value = language.Lookup(section, tableId, key)) table.texts_[key] = std::move(*value);
  };
  take(u"Publisher", u"Publisher01");
  for (int i = 1; i <= 3; ++i) take(u"Indroduction", Numbered(u"Indroduction", i));
  for (int i = 1; i <= 2; ++i) take(u"License", Numbered(u"License", i));
  for (int i = 1; i <= 24; ++i) take(u"Upgrade", Numbered(u"Upgrade", i));
  for (int i = 1; i <= 2; ++i) take(u"Popup", Numbered(u"Popup", i));
  for (const char16_t* key : {u"Next", u"Cancel", u"Back", u"Accept", u"Upgrade", u"Finish", u"Close", u"Yes", u"No", u"Quit"})
    take(u"Button", key);
  for (const char16_t* key : {u"Upgrade21", u"Upgrade22"}) table.texts_[key] = DecorateResultText(table.Text(key));
  return table;
}

std::u16string WizardTexts::Text(std::u16string_view key) const {
  const auto it = texts_.find(key);
  return it == texts_.end() ? std::u16string(key) : it->second;
}

}  // namespace brevix
