#pragma once
// The integrity check right before a component is used: every file of the component's folders
// on disk must be one the package's digest record names, with the recorded digest, and every
// file the record names there must be on disk. So a damaged, swapped, removed or added file
// (a DLL planted beside an installer) fails the component before anything of it starts.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/DigestRecord.h"
#include "platform/Digest.h"
#include "platform/FileSystem.h"

namespace brevix {

enum class Component { Acpi, Sttube, Firmware };

enum class IntegrityStatus {
  Ok,
  MissingDigest,  // the record has no line for one of the component's folders
  Mismatch,       // a file differs, is missing, is not recorded, or cannot be read or listed
};

struct IntegrityResult {
  IntegrityStatus status = IntegrityStatus::Ok;
  std::u16string path;  // what failed, relative to the working directory ("DRIVER\ACPI\x.dll")
  std::string reason;   // why, for a diagnostic line

  bool Ok() const { return status == IntegrityStatus::Ok; }
};

// The folders the component reads (the firmware step: the firmware file's folder and the
// flashing tool's folder), relative to the working directory.
std::vector<std::u16string_view> ComponentFolders(Component component);

// Checks the component's folders below `workingDirectory` (absolute, no trailing "\"; empty:
// the current directory) against `record`. The record should be the executable's own
// (ReadPackagedDigestRecord), never one read from the disk being checked; a package without a
// readable record gives an empty one, and every component is then MissingDigest. Links and
// junctions inside the folders fail the check, as does a folder that cannot be listed whole.
// Names compare without regard to case, as Windows opens them.
IntegrityResult CheckComponentIntegrity(const DigestRecord& record, Component component,
                                        const std::u16string& workingDirectory, FileSystem& files,
                                        FileDigester& digests);

// How a failure is reported: the log line's code and section of ".\ErrorCode.ini"
// ("0xEE010004"/"Preparing" for ACPI's missing digest, "0xEE020001"/"Checking" for its
// mismatch, ...), and the key of the text that names the component's "integrity check failed!"
// ("Upgrade14" ACPI, "Upgrade13" STTube, "Upgrade15" firmware).
struct IntegrityFailureReport {
  const char* code;
  const char* section;
  const char16_t* textKey;
};
// Only for a failed result.
IntegrityFailureReport ReportFor(Component component, IntegrityStatus status);

// "<path>: <reason>" in UTF-8, for the diagnostic output.
std::string DescribeIntegrityFailure(const IntegrityResult& result);

}  // namespace brevix
