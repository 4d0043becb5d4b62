// The package's digest record, read against a package shaped like the product's, and the
// integrity check that relies on it. A record either reads whole, and then is the one way of
// writing its lines (every line a package entry below the digested folders, once), or is
// refused with where and what; a component passes its check on an exact extraction only when
// the record gives every file of its folders with that file's digest.
#include "Fakes.h"
#include "FuzzSupport.h"
#include "data/DigestRecord.h"
#include "engine/ComponentIntegrity.h"
#include "engine/Extraction.h"

#include <algorithm>

using namespace brevix;

namespace {

// The entries the seeds' records are written for (fuzz/corpus/make_seeds.py): each holds the
// UTF-8 bytes of its own name.
constexpr const char16_t* kEntries[] = {
    u"DRIVER\\ACPI\\dpinst.exe",
    u"DRIVER\\ACPI\\VarnekBrevixAcpi.inf",
    u"DRIVER\\FIRMWARE\\File\\Varnek(R)_Sensor_Hub_Firmware_Sensors_1.0.221212_221212.css_signed.dfu.encrypted",
    u"DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe",
    u"DRIVER\\FIRMWARE\\Tool\\STDFU.dll",
    u"DRIVER\\STTUBE\\STtube.inf",
    u"DRIVER\\STTUBE\\x64\\STTub30.sys",
    u"ErrorCode.ini",
    u"PidVid",
};

struct Package {
  Bytes bytes;
  PackageContents contents;
  Package() {
    std::vector<std::pair<std::u16string, Bytes>> entries;
    for (const char16_t* name : kEntries) {
      const std::string utf8 = Utf16ToUtf8(name);
      entries.emplace_back(name, Bytes(utf8.begin(), utf8.end()));
    }
    bytes = BuildPackage(entries);
    contents = *ReadPackage(bytes).contents;
  }
};

const Package& ThePackage() {
  static const Package package;
  return package;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Package& package = ThePackage();
  const ByteView text(data, size);
  const DigestRecordReadResult read = ReadDigestRecord(text, package.contents);
  const std::size_t lineEnds = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  if (!read.record) {
    FUZZ_CHECK(!read.error.what.empty() && read.error.offset <= size);
    FUZZ_CHECK(read.error.line <= lineEnds + 1);
    return 0;
  }

  // The one way of writing these lines is the input itself.
  const DigestRecord& record = *read.record;
  FUZZ_CHECK(!record.lines.empty() && record.lines.size() == lineEnds);
  std::string again;
  for (const DigestLine& line : record.lines) {
    FUZZ_CHECK(IsSafeEntryName(line.entry) && IsDigestedEntry(line.entry));
    FUZZ_CHECK(std::find(std::begin(kEntries), std::end(kEntries), line.entry) != std::end(kEntries));
    std::u16string path = line.entry;
    std::replace(path.begin(), path.end(), u'\\', u'/');
    again += DigestHex(line.digest) + " *" + Utf16ToUtf8(path) + "\r\n";
  }
  FUZZ_CHECK(again == std::string(text.begin(), text.end()));

  // Checked on an exact extraction of the package.
  testing::FakeFileSystem disk;
  FUZZ_CHECK(ExtractPackage(package.bytes, disk).Whole());
  testing::FakeDigester digests(disk);
  const bool exact = !DigestRecordMismatch(record, package.contents);
  for (Component component : {Component::Acpi, Component::Sttube, Component::Firmware}) {
    const IntegrityResult result = CheckComponentIntegrity(record, component, u"", disk, digests);
    bool complete = true;  // every entry of the component's folders recorded with its digest
    for (std::u16string_view folder : ComponentFolders(component)) {
      for (const PackageEntry& entry : package.contents.entries) {
        if (!IsBelowFolder(entry.name, folder)) continue;
        const auto line = std::find_if(record.lines.begin(), record.lines.end(),
                                       [&](const DigestLine& l) { return l.entry == entry.name; });
        complete = complete && line != record.lines.end() && line->digest == Sha256Of(entry.data);
      }
    }
    FUZZ_CHECK(result.Ok() == complete);
    FUZZ_CHECK(!exact || result.Ok());
    FUZZ_CHECK(result.Ok() || !result.path.empty());
  }
  return 0;
}
