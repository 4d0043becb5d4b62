#pragma once
// What the fuzz targets share: a reader of the fuzzer's bytes, an invariant check that stops
// the run with a message, and an in-memory disk that resolves names the way Windows does.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "data/ResourcePackage.h"
#include "engine/Extraction.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

// An invariant of the code under test; a violation is a finding like a crash.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

namespace brevix::fuzz {

// Takes the input front to back; an exhausted input gives zeroes and empty texts, so every
// input is a valid case.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
  bool Flag() { return Byte() & 1; }
  // A length byte (at most `maxBytes`), then that many bytes.
  ByteView Bytes(std::size_t maxBytes) {
    const std::size_t n = std::min<std::size_t>(Byte() % (maxBytes + 1), size_ - at_);
    const ByteView view(data_ + at_, n);
    at_ += n;
    return view;
  }
  // A length byte, then that many bytes as Latin-1 units: keys and sections stay readable
  // in the seeds.
  std::u16string Latin1(std::size_t maxUnits) {
    const ByteView b = Bytes(maxUnits);
    return WidenLatin1(std::string(b.begin(), b.end()));
  }
  // A length byte, then that many UTF-16LE units.
  std::u16string Utf16(std::size_t maxUnits) {
    const std::size_t units = std::min<std::size_t>(Byte() % (maxUnits + 1), (size_ - at_) / 2);
    const std::u16string text = DecodeUtf16Le(ByteView(data_ + at_, 2 * units));
    at_ += 2 * units;
    return text;
  }
  ByteView Rest() {
    const ByteView view(data_ + at_, size_ - at_);
    at_ = size_;
    return view;
  }
  bool Empty() const { return at_ >= size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// A volume as Windows resolves names on it, below the current directory: without regard to
// case, "/" as a separator, "." and ".." followed, the dots and blanks at a segment's end
// dropped, a device name opening a device that swallows what is written. A path that leaves
// the directory (a drive, a root, a stream, ".." too far) counts its write as escaped.
class WindowsLikeDisk : public FileSystem {
 public:
  std::map<std::u16string, Bytes> files;  // by resolved name
  std::map<std::u16string, bool> directories;
  std::size_t deviceWrites = 0;
  std::size_t escapedWrites = 0;

  // The resolved name, or nullopt when the path leaves the current directory.
  static std::optional<std::u16string> Resolve(std::u16string_view path) {
    if (!path.empty() && (path.front() == u'\\' || path.front() == u'/')) return std::nullopt;
    std::vector<std::u16string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
      std::size_t end = path.find_first_of(u"\\/", start);
      if (end == std::u16string_view::npos) end = path.size();
      std::u16string segment(path.substr(start, end - start));
      start = end + 1;
      if (segment.find(u':') != std::u16string::npos) return std::nullopt;
      const bool dotsOnly = !segment.empty() && segment.find_first_not_of(u'.') == std::u16string::npos;
      if (segment == u"..") {
        if (segments.empty()) return std::nullopt;
        segments.pop_back();
        continue;
      }
      if (dotsOnly) continue;
      while (!segment.empty() && (segment.back() == u'.' || segment.back() == u' ')) segment.pop_back();
      if (!segment.empty()) segments.push_back(FoldNameCase(segment));
    }
    std::u16string out;
    for (const auto& segment : segments) out += (out.empty() ? u"" : u"\\") + segment;
    return out;
  }
  static bool IsDevice(const std::u16string& resolved) {
    const std::size_t last = resolved.rfind(u'\\');
    const std::u16string leaf = resolved.substr(last == std::u16string::npos ? 0 : last + 1);
    std::u16string base = leaf.substr(0, leaf.find(u'.'));
    while (!base.empty() && base.back() == u' ') base.pop_back();
    for (const char16_t* device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"}) {
      if (base == device) return true;
    }
    return base.size() == 4 && (base.rfind(u"COM", 0) == 0 || base.rfind(u"LPT", 0) == 0) &&
           ((base[3] >= u'1' && base[3] <= u'9') || base[3] == 0xB9 || base[3] == 0xB2 || base[3] == 0xB3);
  }
  bool ParentExists(const std::u16string& resolved) const {
    const std::size_t last = resolved.rfind(u'\\');
    return last == std::u16string::npos || directories.count(resolved.substr(0, last));
  }

  std::uint32_t GetAttributes(const std::u16string& path) override {
    const auto p = Resolve(path);
    if (!p) return kInvalidAttributes;
    if (p->empty() || directories.count(*p)) return kDirectoryAttribute;
    if (files.count(*p)) return 0x80;
    return kInvalidAttributes;
  }
  bool MakeDirectory(const std::u16string& path) override {
    const auto p = Resolve(path);
    if (!p) {
      ++escapedWrites;
      return false;
    }
    if (p->empty() || directories.count(*p) || files.count(*p) || !ParentExists(*p)) return false;
    directories[*p] = true;
    return true;
  }
  bool WriteWholeFile(const std::u16string& path, ByteView bytes) override {
    const auto p = Resolve(path);
    if (!p) {
      ++escapedWrites;
      return false;
    }
    if (IsDevice(*p)) {
      ++deviceWrites;
      return true;
    }
    // New files only, as on Windows.
    if (p->empty() || directories.count(*p) || files.count(*p) || !ParentExists(*p)) return false;
    files[*p] = brevix::Bytes(bytes.begin(), bytes.end());
    return true;
  }
  std::optional<std::uint32_t> LinkCount(const std::u16string& path) override {
    const auto p = Resolve(path);
    if (!p || !files.count(*p)) return std::nullopt;
    return 1;
  }
  std::optional<brevix::Bytes> ReadWholeFile(const std::u16string& path) override {
    const auto p = Resolve(path);
    const auto f = p ? files.find(*p) : files.end();
    if (f == files.end()) return std::nullopt;
    return f->second;
  }
  bool RemoveFile(const std::u16string& path) override {
    const auto p = Resolve(path);
    return p && files.erase(*p) > 0;
  }
  std::optional<std::u16string> FindFirstMatch(const std::u16string&) override { return std::nullopt; }
  std::u16string CurrentDirectory() override { return u"C:\\work"; }
  bool ChangeDirectory(const std::u16string&) override { return false; }
};

}  // namespace brevix::fuzz
