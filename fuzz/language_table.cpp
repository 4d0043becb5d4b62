// The language reader on any table bytes: lookups of any section and key, the handed-out
// slots, the licence text and the decoration of step results; and the converter that makes
// the resource form from UTF-8 sources.
#include "FuzzSupport.h"
#include "data/LanguageTable.h"
#include "data/TextResource.h"

using namespace brevix;

namespace {

class OneTable : public ResourceSource {
 public:
  explicit OneTable(ByteView bytes) : bytes_(bytes) {}
  std::optional<ByteView> Find(const std::u16string&, std::uint16_t) override { return bytes_; }

 private:
  ByteView bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::u16string section = in.Latin1(40);
  const std::u16string rawKey = in.Latin1(40);
  const std::u16string key = rawKey.substr(0, rawKey.find(u'\0'));
  const ByteView table = in.Rest();
  OneTable resources(table);

  LanguageTable language(resources);
  const auto owned = language.Lookup(section, kEnglishTableId, key);
  // The same search again finds the same text: nothing of the first one moved the reader on.
  FUZZ_CHECK(language.Lookup(section, kEnglishTableId, key) == owned);
  if (owned) FUZZ_CHECK(owned->find(u"\r\n") == std::u16string::npos);
  if (owned) FUZZ_CHECK(DecorateResultText(*owned).size() <= 7 + kMaxDecoratedTextUnits + 2);

  const std::u16string licence = LoadLicenceText(resources, 0x0409);
  FUZZ_CHECK(licence.size() == (table.size() < 2 ? 0 : (table.size() - 2) / 2));

  const auto converted = Utf8ToResourceText(std::string_view(reinterpret_cast<const char*>(table.data()), table.size()));
  if (converted) FUZZ_CHECK(converted->size() >= 2 && (*converted)[0] == 0xFF && (*converted)[1] == 0xFE);
  return 0;
}
