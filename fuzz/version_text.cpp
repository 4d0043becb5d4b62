// The packaged driver version as the checking phase reads it (DriverVer in section Version of
// an INF of any bytes, through the INI reader), the installed one (a registry date of any
// text rewritten), and the fixed-position keys and comparison of both.
#include "FuzzSupport.h"
#include "data/IniProfile.h"
#include "engine/UpgradeEngine.h"
#include "engine/VersionText.h"

using namespace brevix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::u16string driverDate = in.Utf16(60);
  const std::u16string driverVersion = in.Utf16(60);
  const ByteView inf = in.Rest();

  fuzz::WindowsLikeDisk disk;
  disk.files[u"DRIVER\\ACPI\\VARNEKBREVIXACPI.INF"] = Bytes(inf.begin(), inf.end());
  IniProfileReader profile(disk);
  const std::u16string packaged =
      profile.GetStringW(u"DRIVER\\ACPI\\VarnekBrevixAcpi.inf", u"Version", u"DriverVer", u"", kProfileValueBufferUnits);
  FUZZ_CHECK(packaged.size() < kProfileValueBufferUnits);

  const std::u16string rewritten = RewriteDriverDate(driverDate);
  FUZZ_CHECK(!rewritten.empty() && rewritten.back() == u',');
  FUZZ_CHECK(rewritten.size() <= 2 * driverDate.size() + 1);
  const std::u16string installed = rewritten + driverVersion;

  constexpr VersionKeyRule kRules[] = {VersionKeyRule::DateThenWholeVersion, VersionKeyRule::SttubeChecking,
                                       VersionKeyRule::SttubeInstall};
  for (const VersionKeyRule rule : kRules) {
    const std::u16string a = BuildVersionKey(packaged, rule);
    const std::u16string b = BuildVersionKey(installed, rule);
    FUZZ_CHECK(a.size() <= packaged.size() && b.size() <= installed.size());
    if (rule == VersionKeyRule::SttubeChecking) FUZZ_CHECK(a.size() <= 15 && b.size() <= 15);
    if (rule == VersionKeyRule::SttubeInstall) FUZZ_CHECK(a.size() <= 12 && b.size() <= 12);
    // Ordinal order is a strict order.
    FUZZ_CHECK(!(OrdinalGreater(a, b) && OrdinalGreater(b, a)));
    FUZZ_CHECK(!OrdinalGreater(a, a));
  }
  return 0;
}
