#pragma once
// Writing the package to disk: the only part of the package's handling that writes. The
// package's bytes are read and checked by data/ResourcePackage; the run extracts through the
// recording file system (engine/WorkFiles), which notes what it made for the clean-up.
#include <string>
#include <vector>

#include "data/ResourcePackage.h"
#include "platform/FileSystem.h"

namespace brevix {

struct ExtractionResult {
  bool packageRead = false;                // the package's bytes read and passed their checks
  std::vector<std::u16string> unwritten;  // entries that could not be written whole, in order
  bool Whole() const { return packageRead && unwritten.empty(); }
  explicit operator bool() const { return Whole(); }
};

// Writes every entry below the current directory, in stored order, each after creating the
// directories its name needs. A file that cannot be written whole is left out (WriteWholeFile
// leaves no part of it) and named in the result; the others are still written. Writes nothing
// when the package does not read.
ExtractionResult ExtractPackage(ByteView package, FileSystem& files);

// Creates the directories named by the prefixes of a "\"-separated path. Nonzero when the
// tested path already is a plain directory (attributes 16..31) or the last prefix was
// newly created.
bool CreatePathDirectories(const std::u16string& path, FileSystem& files);

// Writes one file with one buffer, never through what is there: a plain file with one name (an
// earlier run's) is removed and made anew; a link, a junction, a folder, a file with more than
// one name, or one that cannot be removed (read-only, in use) is left as it is, and the entry is
// not written (false). A write that fails (the disk is full, the device fails) leaves no part of
// the file under its name, so that nobody takes half an INF or half an installer for the whole.
bool WriteWholeFile(const std::u16string& path, ByteView bytes, FileSystem& files);

}  // namespace brevix
