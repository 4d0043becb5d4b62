// The INI reader that stands in for the profile functions: any text, section, key, default
// and buffer size, in memory and read from 8-bit or UTF-16 files.
#include "FuzzSupport.h"
#include "data/IniProfile.h"

using namespace brevix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const std::u16string section = in.Latin1(30);
  const std::u16string key = in.Latin1(30);
  const std::u16string fallback = in.Latin1(30);
  const std::size_t bufferSize = in.Byte();
  const ByteView file = in.Rest();

  const std::u16string text = DecodeUtf16Le(file);
  const std::u16string value = LookupIniValue(text, section, key, fallback, bufferSize);
  FUZZ_CHECK(bufferSize == 0 ? value.empty() : value.size() < bufferSize);

  fuzz::WindowsLikeDisk disk;
  disk.files[u"PROFILE.INI"] = Bytes(file.begin(), file.end());
  IniProfileReader reader(disk);
  const std::u16string wide = reader.GetStringW(u".\\Profile.ini", section, key, fallback, bufferSize);
  FUZZ_CHECK(bufferSize == 0 ? wide.empty() : wide.size() < bufferSize);
  const bool utf16 = file.size() >= 2 && file[0] == 0xFF && file[1] == 0xFE;
  const std::u16string asRead = utf16 ? DecodeUtf16Le(file.subspan(2)) : WidenLatin1(std::string(file.begin(), file.end()));
  FUZZ_CHECK(wide == LookupIniValue(asRead, section, key, fallback, bufferSize));
  const std::string narrow =
      reader.GetStringA(".\\Profile.ini", NarrowLowBytes(section), NarrowLowBytes(key), NarrowLowBytes(fallback), bufferSize);
  FUZZ_CHECK(bufferSize == 0 ? narrow.empty() : narrow.size() < bufferSize);
  return 0;
}
