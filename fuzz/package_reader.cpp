// The resource package reader, extraction and the supported-hardware list read from it. Any
// package either reads whole, and then extracts every entry to exactly its own file below the
// working directory on a disk that resolves names as Windows does, or is refused with nothing
// written.
#include "FuzzSupport.h"
#include "app/StartupGates.h"
#include "data/ResourcePackage.h"
#include "engine/Extraction.h"

using namespace brevix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteView package(data, size);
  const PackageReadResult read = ReadPackage(package);
  fuzz::WindowsLikeDisk disk;
  const ExtractionResult extracted = ExtractPackage(package, disk);
  FUZZ_CHECK(extracted.packageRead == read.contents.has_value());
  FUZZ_CHECK(extracted.unwritten.empty());  // a disk that resolves names as Windows does takes every entry
  FUZZ_CHECK(disk.escapedWrites == 0 && disk.deviceWrites == 0);

  if (!read.contents) {
    FUZZ_CHECK(disk.files.empty() && disk.directories.empty());
    FUZZ_CHECK(!read.error.what.empty() && read.error.offset <= size);
    FUZZ_CHECK(!ReadPackageEntry(package, u"PidVid"));
  } else {
    const auto& entries = read.contents->entries;
    FUZZ_CHECK(disk.files.size() == entries.size());
    std::vector<std::pair<std::u16string, Bytes>> copy;
    for (const PackageEntry& entry : entries) {
      FUZZ_CHECK(IsSafeEntryName(entry.name));
      FUZZ_CHECK(entry.data.data() >= data && entry.data.data() + entry.data.size() <= data + size);
      const auto resolved = fuzz::WindowsLikeDisk::Resolve(entry.name);
      FUZZ_CHECK(resolved && disk.files.count(*resolved));
      FUZZ_CHECK(disk.files.at(*resolved) == Bytes(entry.data.begin(), entry.data.end()));
      const auto found = ReadPackageEntry(package, entry.name);
      FUZZ_CHECK(found && *found == Bytes(entry.data.begin(), entry.data.end()));
      copy.emplace_back(entry.name, Bytes(entry.data.begin(), entry.data.end()));
    }
    // The writing twin reads back the same entries (a package holds more than its trailer, so
    // it writes at least one).
    if (!copy.empty()) {
      const auto again = ReadPackage(BuildPackage(copy));
      FUZZ_CHECK(again.contents && again.contents->entries.size() == entries.size());
      for (std::size_t i = 0; i < entries.size(); ++i) {
        FUZZ_CHECK(again.contents->entries[i].name == entries[i].name);
      }
    }
  }

  // The start-up gate reads its list from the package's "PidVid", or from any bytes at all.
  const auto pidVid = ReadPackageEntry(package, kSupportedIdsEntry);
  const SupportedIdList ids = SupportedIdList::FromEntryBytes(pidVid ? ByteView(*pidVid) : package);
  ids.MatchesUsbName(u"VID_7A1D&PID_0A04&MI_00");
  ids.MatchesUsbName(u"");
  ids.MatchesHidName(u"VRK33D1");
  return 0;
}
