#pragma once
// What both extraction programs share: the package as the product finds it (the program's own
// resource "DAT" 186), a bare walk of its records, and the run itself: the clock and the memory
// counters around the extraction, then a check of every file written against the package.
// Prints one line for the bench script:
//   files=<checked> bytes=<data bytes> us=<extraction time> start_ws=<bytes> peak_ws=<bytes> verified=<0|1>
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

inline const BYTE* OwnPackage(DWORD& size) {
  size = 0;
  HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(186), L"DAT");
  if (!info) return nullptr;
  HGLOBAL loaded = LoadResource(nullptr, info);
  size = SizeofResource(nullptr, info);
  return loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
}

inline std::uint32_t Le32(const BYTE* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// Calls visit(name, data, size) for each record in stored order; false when a record leaves the
// package. Only the bounds are checked: the packager made and verified this package.
template <typename Visit>
bool ForEachEntry(const BYTE* package, DWORD size, Visit visit) {
  if (!package || size < 16) return false;
  const BYTE* trailer = package + size - 16;
  std::size_t at = Le32(trailer);
  const std::uint32_t count = Le32(trailer + 8);
  const std::size_t end = size - 16;
  if (at > end) return false;
  std::wstring name;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (end - at < 8) return false;
    const std::uint32_t dataSize = Le32(package + at), nameBytes = Le32(package + at + 4);
    at += 8;
    if (end - at < nameBytes || end - at - nameBytes < dataSize) return false;
    name.resize(nameBytes / 2);
    std::memcpy(name.data(), package + at, name.size() * 2);  // UTF-16LE, as wchar_t is here
    at += nameBytes;
    if (!visit(name, package + at, dataSize)) return false;
    at += dataSize;
  }
  return true;
}

struct FileHandle {
  HANDLE h;
  explicit FileHandle(HANDLE handle) : h(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

// Whether the file holds exactly these bytes; `buffer` is the read buffer, kept for all files.
inline bool SameContents(const std::wstring& path, const BYTE* data, DWORD size, std::vector<BYTE>& buffer) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER length{};
  if (file.h == INVALID_HANDLE_VALUE || !GetFileSizeEx(file.h, &length) || length.QuadPart != size) return false;
  for (DWORD done = 0; done < size;) {
    DWORD got = 0;
    const DWORD want = size - done < buffer.size() ? size - done : DWORD(buffer.size());
    if (!ReadFile(file.h, buffer.data(), want, &got, nullptr) || got != want) return false;
    if (std::memcmp(buffer.data(), data + done, got) != 0) return false;
    done += got;
  }
  return true;
}

inline PROCESS_MEMORY_COUNTERS Memory() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

// extract() writes the package below the current directory; the run makes <target>, goes there,
// times the call and checks the result.
template <typename Extract>
int Run(int argc, wchar_t** argv, Extract extract) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: <program> <target directory>\n");
    return 2;
  }
  CreateDirectoryW(argv[1], nullptr);
  if (!SetCurrentDirectoryW(argv[1])) {
    std::fprintf(stderr, "cannot enter the target directory\n");
    return 2;
  }
  const SIZE_T startSet = Memory().WorkingSetSize;
  LARGE_INTEGER frequency{}, start{}, end{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const bool extracted = extract();
  QueryPerformanceCounter(&end);
  const SIZE_T peakSet = Memory().PeakWorkingSetSize;

  DWORD size = 0;
  const BYTE* package = OwnPackage(size);
  unsigned files = 0;
  std::uint64_t bytes = 0;
  bool same = true;
  std::vector<BYTE> buffer(1 << 20);
  const bool walked = ForEachEntry(package, size, [&](const std::wstring& name, const BYTE* data, DWORD length) {
    same = same && SameContents(name, data, length, buffer);
    ++files;
    bytes += length;
    return true;
  });
  const bool verified = extracted && walked && same && files > 0;

  std::printf("files=%u bytes=%llu us=%lld start_ws=%llu peak_ws=%llu verified=%d\n", files,
              static_cast<unsigned long long>(bytes), (end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart,
              static_cast<unsigned long long>(startSet), static_cast<unsigned long long>(peakSet), verified ? 1 : 0);
  return verified ? 0 : 1;
}

}  // namespace bench
