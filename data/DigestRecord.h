#pragma once
// The package's digest record (entry "DRIVER\SHA256SUMS"): the SHA-256 of every file of the
// outside components the product installs or starts, recorded by the packager from the bytes
// it packs, so that each component can be checked on disk right before it is used.
//
// Form (what `sha256sum -b` writes, so `sha256sum -c DRIVER/SHA256SUMS` in the working
// directory checks an extracted tree): ASCII lines, each
//     <64 lower-case hex digits> SP "*" <path> CR LF
// where <path> is a package entry's name with "/" for "\" (Windows reads either; GNU tools
// only "/"), in UTF-8. Every line ends in CR LF, the last too; no empty lines, comments or
// byte-order mark. The "*" says the bytes are hashed as they are (binary mode).
//
// Every path names an entry of the same package below one of the digested folders, at most
// once; the names obey the package's entry-name rules (EntryNameList), so a record names no
// file a package could not hold.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/ResourcePackage.h"
#include "data/Sha256.h"

namespace brevix {

constexpr char16_t kDigestRecordEntry[] = u"DRIVER\\SHA256SUMS";

// The folders whose every file is recorded: the ACPI driver, the STTube driver, the firmware
// file's folder and the flashing tool's folder, subfolders included.
constexpr std::u16string_view kDigestedFolders[] = {u"DRIVER\\ACPI", u"DRIVER\\STTUBE", u"DRIVER\\FIRMWARE\\File",
                                                    u"DRIVER\\FIRMWARE\\Tool"};

// Whether an entry name lies below `folder` (names compare without regard to case, as
// Windows compares them).
bool IsBelowFolder(std::u16string_view name, std::u16string_view folder);
// Below one of kDigestedFolders.
bool IsDigestedEntry(std::u16string_view name);

struct DigestLine {
  std::u16string entry;  // the entry name, "\" separators
  Sha256Digest digest;
};

struct DigestRecord {
  std::vector<DigestLine> lines;  // in record order
};

struct DigestRecordError {
  std::size_t line = 0;    // from 1; 0 when the fault is not one line's
  std::size_t offset = 0;  // byte offset in the record where reading stopped
  std::string what;        // what was expected there
};

struct DigestRecordReadResult {
  std::optional<DigestRecord> record;
  DigestRecordError error;
};

// Reads and checks the whole record before anyone acts on it; any fault refuses it as a whole:
// a line cut short or without CR LF, a digest that is not 64 lower-case hex digits, a
// separator other than " *", a path that breaks the entry-name rules, lies outside the
// digested folders, names no entry of `package`, or names one file twice; an empty record.
DigestRecordReadResult ReadDigestRecord(ByteView text, const PackageContents& package);

// The package's own record: the package must read, hold the record entry and the record must
// read against the package's entries.
DigestRecordReadResult ReadPackagedDigestRecord(ByteView package);

// The packager's side: one line for each entry below the digested folders, in stored order,
// with the digest of its data. Empty when there is none.
Bytes WriteDigestRecord(const std::vector<PackageEntry>& entries);

// A record that reads but does not describe the package exactly: an entry below the digested
// folders without a line, or a line whose digest is not that of the entry's data. nullopt
// when it does.
std::optional<std::string> DigestRecordMismatch(const DigestRecord& record, const PackageContents& package);

}  // namespace brevix
