// Registry strings of any bytes: the conversion of a value's data as the registry hands it
// out, and the installed-driver search over a class key whose instances hold such values
// (any description, date and version data, instances that cannot be opened).
#include <map>
#include <memory>
#include <vector>

#include "FaultFakes.h"  // RawRegistry: value data handed out as the Windows reader does
#include "FuzzSupport.h"
#include "engine/InstalledDrivers.h"
#include "engine/VersionText.h"
#include "platform/Registry.h"

using namespace brevix;

namespace {

// Value data: the accepted descriptions often, so that the search gets past them.
Bytes ValueData(fuzz::Input& in, DriverKind kind) {
  const std::uint8_t how = in.Byte();
  if (how < 0x40) {
    const auto accepted = AcceptedDriverDescriptions(kind);
    Bytes data = EncodeUtf16Le(accepted[how % accepted.size()]);
    data.insert(data.end(), 2 * (how % 3), 0);  // no, one or two terminators
    return data;
  }
  const ByteView raw = in.Bytes(255);
  Bytes data(raw.begin(), raw.end());
  if (how >= 0xF0) data.resize(data.size() + 20000, 0x31);  // far longer than any buffer
  return data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const DriverKind kind = in.Flag() ? DriverKind::Sttube : DriverKind::Acpi;
  const std::u16string classKey(DriverClassKey(kind));
  testing::RawRegistry registry;
  auto& cls = registry.keys[classKey];
  const std::uint8_t instances = in.Byte() % 6;
  for (std::uint8_t i = 0; i < instances; ++i) {
    const std::u16string name = u"000" + std::u16string(1, static_cast<char16_t>(u'0' + i));
    cls.subkeys.push_back(name);
    if (in.Byte() == 0xFF) continue;  // listed, but cannot be opened
    auto& key = registry.keys[classKey + u"\\" + name];
    const std::uint8_t present = in.Byte();
    if (present & 1) key.values[u"DriverDesc"] = ValueData(in, kind);
    if (present & 2) key.values[u"DriverDate"] = ValueData(in, kind);
    if (present & 4) key.values[u"DriverVersion"] = ValueData(in, kind);
  }
  const std::u16string found = FindInstalledDriver(kind, registry);
  // At most a rewritten 49-unit date (each piece padded once at most) and a 49-unit version.
  FUZZ_CHECK(found.size() <= 2 * 49 + 1 + 49);
  if (!found.empty()) FUZZ_CHECK(found.find(u',') != std::u16string::npos);

  const ByteView rest = in.Rest();
  for (const std::size_t buffer : {kDriverDescBufferBytes, kDriverDateBufferBytes, std::size_t{2}, std::size_t{0}}) {
    const auto text = RegistryStringFromData(rest, buffer);
    if (text)
      FUZZ_CHECK((text->size() + 1) * 2 <= buffer && rest.size() <= buffer && (text->empty() || text->back() != u'\0'));
  }
  return 0;
}
