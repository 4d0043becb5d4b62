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

// Creates or replaces one file with one buffer. A write that fails (the disk is full, the
// device fails) may have left part of the file, or truncated the one that was there: the file
// is removed then, so that nobody takes a part of a file (half an INF, half an installer) for
// the whole. A read-only file, which could not be opened, stays: removing it fails as well.
bool WriteWholeFile(const std::u16string& path, ByteView bytes, FileSystem& files);

}  // namespace brevix
