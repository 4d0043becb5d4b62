// The packaged firmware version taken from the firmware file's name: six digits 11 or 12
// units after an "_" that a digit follows, or nothing.
#include "FuzzSupport.h"
#include "engine/VersionText.h"

using namespace brevix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string name = DecodeUtf16Le(ByteView(data, size));
  const auto version = ParseFirmwareFileVersion(name);
  if (!version) return 0;
  FUZZ_CHECK(version->size() == 6);
  for (char16_t c : *version) FUZZ_CHECK(c >= u'0' && c <= u'9');
  bool placed = false;
  for (std::size_t at = name.find(*version); at != std::u16string::npos && !placed; at = name.find(*version, at + 1)) {
    for (std::size_t distance : {11u, 12u}) {
      if (at >= distance && name[at - distance] == u'_' && name[at - distance + 1] >= u'0' &&
          name[at - distance + 1] <= u'9') {
        placed = true;
      }
    }
  }
  FUZZ_CHECK(placed);
  return 0;
}
