// The baseline of the extraction figure: the same files written as plainly as Windows allows,
// each with one CreateFileW and one WriteFile, each folder made once.
#include "bench/windows/ExtractionRun.h"

int wmain(int argc, wchar_t** argv) {
  return bench::Run(argc, argv, [] {
    DWORD size = 0;
    const BYTE* package = bench::OwnPackage(size);
    std::wstring folder;  // the last folder made; entries come grouped by folder
    bool written = true;
    auto write = [&](const std::wstring& name, const BYTE* data, DWORD length) {
      const std::size_t cut = name.rfind(L'\\');
      const std::wstring parent = cut == std::wstring::npos ? std::wstring() : name.substr(0, cut);
      if (parent != folder) {
        for (std::size_t sep = name.find(L'\\'); sep != std::wstring::npos && sep <= cut;
             sep = name.find(L'\\', sep + 1)) {
          CreateDirectoryW(name.substr(0, sep).c_str(), nullptr);
        }
        folder = parent;
      }
      bench::FileHandle file(CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
      DWORD done = 0;
      const bool whole = file.h != INVALID_HANDLE_VALUE && WriteFile(file.h, data, length, &done, nullptr) &&
                         done == length;
      written = written && whole;
      return true;
    };
    return bench::ForEachEntry(package, size, write) && written;
  });
}
