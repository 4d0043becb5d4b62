#pragma once
// Writing the package to disk: the only part of the package's handling that writes. The
// package's bytes are read and checked by data/ResourcePackage; the run extracts through the
// recording file system (engine/WorkFiles), which notes what it made for the clean-up.
#include <string>

#include "data/ResourcePackage.h"
#include "platform/FileSystem.h"

namespace brevix {

// Writes every entry below the current directory, in stored order, each after creating the
// directories its name needs. A file that cannot be written whole is skipped (WriteWholeFile
// leaves no part of it). Fails, writing nothing, when the package does not read.
bool ExtractPackage(ByteView package, FileSystem& files);

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
