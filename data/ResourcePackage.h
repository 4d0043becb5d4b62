#pragma once
// The package of files the executable carries (resource "DAT" 186): entries back to back,
// then a 16-byte trailer. All integers are u32 little-endian.
//   entry:   data size, name length in bytes, UTF-16LE name (no terminator), data
//   trailer: first-entry offset, trailer offset, entry count, total size
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Text.h"

namespace brevix {

constexpr std::uint16_t kPackageResourceId = 186;
constexpr char16_t kPackageResourceType[] = u"DAT";
constexpr std::size_t kPackageTrailerSize = 16;
// Names live in 260-unit buffers with their terminator.
constexpr std::size_t kMaxEntryNameUnits = 259;

struct PackageEntry {
  std::u16string name;
  ByteView data;
};

struct PackageContents {
  std::vector<PackageEntry> entries;  // views into the package bytes, in stored order
};

struct PackageError {
  std::size_t offset = 0;  // byte offset where the reader stopped
  std::string what;        // what was expected there
};

// Reads and checks the whole package before anyone acts on it: the trailer, every record's
// lengths against the bytes that remain before the trailer, and every name (EntryNameFault,
// EntryNameList). Any failure rejects the package as a whole.
struct PackageReadResult {
  std::optional<PackageContents> contents;
  PackageError error;
};
PackageReadResult ReadPackage(ByteView package);

// Why a name cannot be an entry's, worded as what was expected instead (the reader's and the
// packager's messages); nullopt when it can. An entry name is a relative path with "\"
// separators that Windows writes exactly as named, below the directory it is written into:
// not empty, at most kMaxEntryNameUnits units, no leading "\", none of : / < > " | ? * and
// no control character (0x00-0x1F, 0x7F-0x9F); no segment that is empty, dots and blanks
// only, ends in a dot or a blank (Windows drops them), is a device name (CON, PRN, AUX, NUL,
// COM1-COM9, LPT1-LPT9, CONIN$, CONOUT$, with or without an extension, any case) or has the
// shape of a short 8.3 alias ("ERRORC~1.INI" names another file). "/" is refused rather than
// read as a second separator, so the reader and extraction see the same path.
std::optional<std::string> EntryNameFault(std::u16string_view name);
bool IsSafeEntryName(std::u16string_view name);

// The names of one package in stored order. Windows compares file names without regard to
// case, so two entries whose names differ only in case would be one file on disk (the gate
// reading one, the disk holding the other), and a name that is a file of one entry and a
// directory of another leaves one of them unwritten: both are refused.
class EntryNameList {
 public:
  // nullopt and the name remembered, or what was expected instead (EntryNameFault, or the
  // clash with an earlier entry, named by its number from 1).
  std::optional<std::string> Add(std::u16string_view name);

 private:
  std::size_t count_ = 0;
  std::unordered_map<std::u16string, std::size_t> files_;        // folded name -> entry number
  std::unordered_map<std::u16string, std::size_t> directories_;  // folded directory -> first entry using it
};

// Windows' upper-case mapping for the scripts file names commonly use (Latin, Greek, Cyrillic,
// Armenian, fullwidth forms); other units are kept. Two names that fold alike are one file.
std::u16string FoldNameCase(std::u16string_view name);

// UTF-8 for messages, with control characters shown as \xNN.
std::string PrintableName(std::u16string_view name);

// A copy of the first entry named exactly `name` (case-sensitive).
std::optional<Bytes> ReadPackageEntry(ByteView package, std::u16string_view name);

// The writing twin of ReadPackage: entries in the given order, first-entry offset 0.
Bytes BuildPackage(const std::vector<std::pair<std::u16string, Bytes>>& entries);

}  // namespace brevix
