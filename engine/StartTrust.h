#pragma once
#include <string>

#include "platform/FileSecurity.h"
#include "platform/FileSystem.h"

namespace brevix {

// Whether a program this elevated process is about to start can have been changed, or be
// replaced, by anyone but SYSTEM, the Administrators and TrustedInstaller: the program file
// itself, the folder it loads its DLLs from (no file or folder may be added there, nor one
// removed) and every folder above it (none may be renamed away). An owner outside those three,
// a missing access list, or security that cannot be read all count as "changeable".
bool OnlyAdministratorsCanChange(const std::u16string& programPath, FileSecurityReader& security);

// Whether this elevated process may work in a folder: extract into it, log into it, start what
// it extracted there and delete again what it made. Only where nobody but SYSTEM, the
// Administrators and TrustedInstaller can add, remove or rewrite what is in it, take the folder
// over, or move it or a folder above it away; and where no link or junction on its path could
// send a write or a delete somewhere else.
enum class FolderTrust {
  Safe,
  NotFullPath,     // relative, with "." or ".." segments or "/" separators
  LinkOnPath,      // the folder or one above it is a link, a junction or no plain folder
  OthersCanWrite,  // someone else may change what is in the folder, or the folder itself
  OthersCanMove,   // someone else may rename or remove a folder above it
};

struct FolderJudgement {
  FolderTrust trust = FolderTrust::Safe;
  std::u16string where;  // the folder the verdict is about (the working folder or one above)
  bool Safe() const { return trust == FolderTrust::Safe; }
};

// `folder` is a full path, with or without a trailing "\". Security that cannot be read counts
// as changeable.
FolderJudgement JudgeWorkingFolder(const std::u16string& folder, FileSystem& files, FileSecurityReader& security);

// The verdict in words, for the log ("others may rename C:\Deploy").
std::string DescribeFolderJudgement(const FolderJudgement& judgement);

}  // namespace brevix
