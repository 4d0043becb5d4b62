#pragma once
// In-memory stand-ins for the platform seams, shared by the native tests.
#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "data/LanguageTable.h"
#include "data/Sha256.h"
#include "data/TextResource.h"
#include "data/TextTable.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/Digest.h"
#include "platform/FileSecurity.h"
#include "platform/FileSystem.h"
#include "platform/PowerStatus.h"
#include "platform/Registry.h"
#include "platform/RegistryWriter.h"
#include "platform/Resources.h"
#include "platform/SystemFacts.h"

namespace brevix::testing {

// Paths are stored as given after folding "." prefixes; directories and files are separate maps.
class FakeFileSystem : public FileSystem {
 public:
  std::map<std::u16string, Bytes> files;
  std::map<std::u16string, std::uint32_t> directories;  // path -> attributes
  std::map<std::u16string, std::uint32_t> fileAttributes;  // e.g. read-only files
  std::vector<std::u16string> createCalls;
  std::u16string current = u"C:\\start";
  bool createFails = false;  // e.g. no rights below the drive

  static std::u16string Norm(std::u16string p) {
    while (p.size() > 1 && p.back() == u'\\') p.pop_back();
    if (p.rfind(u".\\", 0) == 0) p = p.substr(2);
    return p;
  }
  std::uint32_t GetAttributes(const std::u16string& path) override {
    const auto p = Norm(path);
    if (p == u".") return kDirectoryAttribute;
    if (auto d = directories.find(p); d != directories.end()) return d->second;
    if (files.count(p)) {
      auto a = fileAttributes.find(p);
      return a == fileAttributes.end() ? 0x80u : a->second;
    }
    return kInvalidAttributes;
  }
  bool MakeDirectory(const std::u16string& path) override {
    const auto p = Norm(path);
    createCalls.push_back(p);
    if (createFails || p.empty() || directories.count(p) || files.count(p)) return false;
    const auto parent = p.rfind(u'\\');
    if (parent != std::u16string::npos && !directories.count(p.substr(0, parent))) return false;
    directories[p] = kDirectoryAttribute;
    return true;
  }
  bool WriteWholeFile(const std::u16string& path, ByteView bytes) override {
    const auto p = Norm(path);
    const auto parent = p.rfind(u'\\');
    if (parent != std::u16string::npos && !directories.count(p.substr(0, parent))) return false;
    if (auto a = fileAttributes.find(p); a != fileAttributes.end() && (a->second & 1)) return false;  // read-only
    if (directories.count(p) || files.count(p)) return false;  // new files only
    files[p] = Bytes(bytes.begin(), bytes.end());
    return true;
  }
  // Names beyond the first a file has (hard links planted beside it); 1 when not listed.
  std::map<std::u16string, std::uint32_t> linkCounts;
  std::optional<std::uint32_t> LinkCount(const std::u16string& path) override {
    const auto p = Norm(path);
    if (!files.count(p)) return std::nullopt;
    const auto n = linkCounts.find(p);
    return n == linkCounts.end() ? 1u : n->second;
  }
  bool RemoveEmptyDirectory(const std::u16string& path) override {
    const auto p = Norm(path), below = p + u"\\";
    for (const auto& [file, bytes] : files)
      if (file.rfind(below, 0) == 0) return false;
    for (const auto& [dir, attributes] : directories)
      if (dir.rfind(below, 0) == 0) return false;
    return directories.erase(p) > 0;
  }
  std::set<std::u16string> protectedDirectories;
  bool MakeProtectedDirectory(const std::u16string& path) override {
    if (!MakeDirectory(path)) return false;
    protectedDirectories.insert(Norm(path));
    return true;
  }
  std::optional<Bytes> ReadWholeFile(const std::u16string& path) override {
    auto f = files.find(Norm(path));
    if (f == files.end()) return std::nullopt;
    return f->second;
  }
  bool RemoveFile(const std::u16string& path) override {
    const auto p = Norm(path);
    if (auto a = fileAttributes.find(p); a != fileAttributes.end() && (a->second & 1)) return false;  // as DeleteFileW
    return files.erase(p) > 0;
  }
  std::optional<std::u16string> FindFirstMatch(const std::u16string&) override { return std::nullopt; }
  std::u16string CurrentDirectory() override { return current; }
  bool ChangeDirectory(const std::u16string& path) override {
    current = path;
    return true;
  }
  // The directories and files directly below `path`, in name order; the folders a file's path
  // passes through count as directories even when not made. Those in `unlistable` fail.
  std::set<std::u16string> unlistable;
  std::optional<std::vector<DirectoryEntry>> ListDirectory(const std::u16string& path) override {
    const auto p = Norm(path);
    if (unlistable.count(p)) return std::nullopt;
    std::map<std::u16string, std::uint32_t> children;
    auto take = [&](const std::u16string& candidate, std::uint32_t attributes) {
      if (candidate.size() <= p.size() + 1 || candidate.compare(0, p.size(), p) != 0 || candidate[p.size()] != u'\\') return;
      const std::u16string rest = candidate.substr(p.size() + 1);
      const auto sep = rest.find(u'\\');
      if (sep == std::u16string::npos) children[rest] = attributes;
      else children.emplace(rest.substr(0, sep), kDirectoryAttribute);
    };
    for (const auto& [dir, attributes] : directories) take(dir, attributes);
    for (const auto& [file, bytes] : files) take(file, GetAttributes(file));
    if (children.empty() && !directories.count(p)) return std::nullopt;
    std::vector<DirectoryEntry> entries;
    for (const auto& [name, attributes] : children) entries.push_back({name, attributes});
    return entries;
  }
};

// SHA-256 of the files of a fake file system; the paths it was asked for, in order. Paths in
// `unreadable` cannot be read.
class FakeDigester : public FileDigester {
 public:
  explicit FakeDigester(FileSystem& files) : files_(files) {}
  std::vector<std::u16string> asked;
  std::set<std::u16string> unreadable;
  std::optional<Sha256Digest> Sha256OfFile(const std::u16string& path) override {
    asked.push_back(path);
    if (unreadable.count(path)) return std::nullopt;
    const auto bytes = files_.ReadWholeFile(path);
    if (!bytes) return std::nullopt;
    return Sha256Of(*bytes);
  }

 private:
  FileSystem& files_;
};

class FakeResources : public ResourceSource {
 public:
  std::map<std::pair<std::u16string, std::uint16_t>, Bytes> items;
  std::optional<ByteView> Find(const std::u16string& type, std::uint16_t id) override {
    auto it = items.find({type, id});
    if (it == items.end()) return std::nullopt;
    return ByteView(it->second);
  }
};

// An open key of a fake registry: its subkeys in enumeration order, its values read by the
// registry's own rule `Read(key, name, bufferBytes)`.
template <class Key, auto Read>
struct FakeOpenKey : RegistryKey {
  explicit FakeOpenKey(const Key& k) : key(k) {}
  std::optional<std::u16string> EnumSubkey(std::uint32_t index) override {
    if (index >= key.subkeys.size()) return std::nullopt;
    return key.subkeys[index];
  }
  std::optional<std::u16string> QueryString(const std::u16string& name, std::size_t bufferBytes) override {
    return Read(key, name, bufferBytes);
  }
  const Key& key;
};

// Keys by path; each key lists subkeys (in enumeration order) and string values.
class FakeRegistry : public RegistryReader {
 public:
  struct Key {
    std::vector<std::u16string> subkeys;
    std::map<std::u16string, std::u16string> values;
    bool openable = true;
  };
  std::map<std::u16string, Key> keys;
  std::vector<std::u16string> opened;
  std::function<void()> beforeOpen;  // e.g. an installer that finishes meanwhile

  // As the 32-bit program on 64-bit Windows: a plain open below SOFTWARE reads the redirected
  // copy below "SOFTWARE\Wow6432Node"; the 64-bit view reads the key as named.
  bool redirected32 = false;

  std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::u16string& path) override {
    const std::u16string software = u"SOFTWARE\\";
    if (!redirected32 || path.rfind(software, 0) != 0) return Open(path);
    return Open(software + u"Wow6432Node\\" + path.substr(software.size()));
  }
  std::unique_ptr<RegistryKey> OpenLocalMachineKey64(const std::u16string& path) override { return Open(path); }

 private:
  std::unique_ptr<RegistryKey> Open(const std::u16string& path) {
    if (beforeOpen) beforeOpen();
    opened.push_back(path);
    auto it = keys.find(path);
    if (it == keys.end() || !it->second.openable) return nullptr;
    return std::make_unique<FakeOpenKey<Key, Read>>(it->second);
  }
  // A value with its terminator must fit the buffer.
  static std::optional<std::u16string> Read(const Key& key, const std::u16string& name, std::size_t bufferBytes) {
    const auto it = key.values.find(name);
    if (it == key.values.end() || (it->second.size() + 1) * 2 > bufferBytes) return std::nullopt;
    return it->second;
  }
};

// A RegistryWriter over one key of a FakeRegistry, in the 64-bit view (the key as named), so
// that the reader sees what was written; DWORDs are kept here, the reader reads strings only.
// The key is made by the first write. Calls on a name in `failing` fail; after `cutAfter`
// calls have taken, every later one fails, as when the power goes.
class FakeRegistryWriter : public RegistryWriter {
 public:
  FakeRegistryWriter(FakeRegistry& registry, std::u16string key) : registry_(registry), key_(std::move(key)) {}
  std::map<std::u16string, std::uint32_t> dwords;
  std::set<std::u16string> failing;
  std::optional<std::size_t> cutAfter;

  bool SetString(const std::u16string& name, const std::u16string& value) override {
    if (!Takes(name)) return false;
    dwords.erase(name);
    registry_.keys[key_].values[name] = value;
    return true;
  }
  bool SetDword(const std::u16string& name, std::uint32_t value) override {
    if (!Takes(name)) return false;
    registry_.keys[key_].values.erase(name);
    dwords[name] = value;
    return true;
  }
  bool DeleteValue(const std::u16string& name) override {
    if (!Takes(name)) return false;
    if (auto key = registry_.keys.find(key_); key != registry_.keys.end()) key->second.values.erase(name);
    dwords.erase(name);
    return true;
  }

 private:
  bool Takes(const std::u16string& name) {
    if (failing.count(name) || (cutAfter && taken_ >= *cutAfter)) return false;
    ++taken_;
    return true;
  }
  FakeRegistry& registry_;
  std::u16string key_;
  std::size_t taken_ = 0;
};

class FakePowerStatus : public PowerStatusSource {
 public:
  std::optional<PowerFacts> facts;  // nullopt: the status cannot be read
  std::optional<PowerFacts> Read() override { return facts; }
};

// Security by path; a path not listed reads as `others` (nothing: it cannot be read).
class TreeSecurity : public FileSecurityReader {
 public:
  std::map<std::u16string, ObjectSecurity> objects;
  std::optional<ObjectSecurity> others;
  std::vector<std::u16string> reads;
  std::optional<ObjectSecurity> Read(const std::u16string& path) override {
    reads.push_back(path);
    const auto it = objects.find(path);
    if (it == objects.end()) return others;
    return it->second;
  }
};

class FakeSystem : public SystemFacts {
 public:
  OsVersion version{6, 1, 1};
  bool wow64 = false;
  std::u16string systemDirectory = u"C:\\Windows\\system32";
  std::u16string windowsDirectory = u"C:\\Windows";
  std::vector<std::uint64_t> numbers = {0x1234abcd5678ef90ull};  // handed out in turn, the last repeated
  std::size_t numbersTaken = 0;
  std::uint16_t uiLanguage = 1033;
  OsVersion GetVersion() override { return version; }
  bool IsWow64() override { return wow64; }
  std::u16string SystemDirectory() override { return systemDirectory; }
  std::u16string WindowsDirectory() override { return windowsDirectory; }
  std::uint64_t UnpredictableNumber() override {
    return numbers[std::min(numbersTaken++, numbers.size() - 1)];
  }
  std::uint16_t GetUserDefaultUILanguage() override { return uiLanguage; }
};

class FakeClock : public Clock {
 public:
  LocalTime now{2014, 1, 2, 9, 5, 3, 7};
  UtcTime utc{2014, 1, 2, 8, 5, 3, 7};
  std::uint64_t slept = 0;
  std::uint64_t elapsed = 0;  // moved on by Sleep and by the test
  LocalTime Now() override { return now; }
  UtcTime UtcNow() override { return utc; }
  void Sleep(std::uint32_t ms) override {
    slept += ms;
    elapsed += ms;
  }
  std::uint64_t Milliseconds() override { return elapsed; }
};

class FakeConsole : public Console {
 public:
  std::u16string written;
  int enterWaits = 0;
  void Write(const std::u16string& text) override { written += text; }
  void WaitForEnter() override { ++enterWaits; }
};

class FakeStandardOutput : public StandardOutput {
 public:
  std::string printed;
  void Print(const std::string& text) override { printed += text; }
};

// The shipped error-code table as the package carries it (CR LF lines).
inline std::string ShippedErrorCodeIni() {
  std::ifstream in(std::string(BREVIX_SOURCE_DIR) + "/resources/package/ErrorCode.ini", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  std::string crlf;
  for (char c : s.str()) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return crlf;
}

// The shipped English language table, loaded into the program's text table as it ships.
inline TextTable ShippedEnglishTexts() {
  std::ifstream in(std::string(BREVIX_SOURCE_DIR) + "/resources/lang/212_en.ini", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  FakeResources resources;
  resources.items[{kLanguageTableType, kEnglishTableId}] = Utf8ToResourceText(s.str()).value_or(Bytes());
  LanguageTable language(resources);
  return TextTable::Load(language, kEnglishTableId, u"");
}

inline Bytes Utf16File(std::u16string_view text, bool bom = true) {
  Bytes out = bom ? Bytes{0xFF, 0xFE} : Bytes{};
  const Bytes body = EncodeUtf16Le(text);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

}  // namespace brevix::testing
