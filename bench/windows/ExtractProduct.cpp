// The product's extraction, as the wizard runs it on Accept: the package from the program's
// resources through the resource seam, written by ExtractPackage through the recording file
// system over the Win32 one.
#include "bench/windows/ExtractionRun.h"
#include "data/ResourcePackage.h"
#include "engine/Extraction.h"
#include "platform/win32/Win32Platform.h"
#include "engine/WorkFiles.h"

int wmain(int argc, wchar_t** argv) {
  return bench::Run(argc, argv, [] {
    brevix::win32::Win32Resources resources;
    brevix::win32::Win32FileSystem disk;
    brevix::RecordingFileSystem files(disk);
    const auto package = resources.Find(brevix::kPackageResourceType, brevix::kPackageResourceId);
    return package && brevix::ExtractPackage(*package, files).Whole();
  });
}
