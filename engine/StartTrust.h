#pragma once
#include <string>

#include "platform/FileSecurity.h"

namespace brevix {

// Whether a program this elevated process is about to start can have been changed, or be
// replaced, by anyone but SYSTEM, the Administrators and TrustedInstaller: the program file
// itself, the folder it loads its DLLs from (no file or folder may be added there, nor one
// removed) and every folder above it (none may be renamed away). An owner outside those three,
// a missing access list, or security that cannot be read all count as "changeable".
bool OnlyAdministratorsCanChange(const std::u16string& programPath, FileSecurityReader& security);

}  // namespace brevix
