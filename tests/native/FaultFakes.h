#pragma once
// Seams that fail the way disks, log files and the registry do, for the fault tests.
#include <algorithm>
#include <cstddef>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Fakes.h"
#include "data/UpgradeLog.h"
#include "platform/Registry.h"

namespace brevix::testing {

// A disk with room for `freeBytes` more bytes. As on a real volume, a write that does not fit
// leaves the bytes that did under the file's name and fails; a write to one of
// `failingWrites` fails after half its bytes (a device error), room or not.
class FillingDisk : public FakeFileSystem {
 public:
  std::size_t freeBytes = std::numeric_limits<std::size_t>::max();
  std::set<std::u16string> failingWrites;

  // As the system's: a new file, and one that could not be filled whole is removed again by
  // the writer through its own handle.
  bool WriteWholeFile(const std::u16string& path, ByteView bytes) override {
    const auto p = Norm(path);
    std::size_t written = std::min(bytes.size(), freeBytes);
    if (failingWrites.count(p)) written = std::min(written, bytes.size() / 2);
    if (!FakeFileSystem::WriteWholeFile(path, bytes.first(written))) return false;  // not even made
    if (written == bytes.size()) {
      freeBytes -= written;
      return true;
    }
    files.erase(p);
    return false;
  }
  bool RemoveFile(const std::u16string& path) override {
    const auto f = files.find(Norm(path));
    const std::size_t size = f == files.end() ? 0 : f->second.size();
    if (!FakeFileSystem::RemoveFile(path)) return false;
    freeBytes = freeBytes > std::numeric_limits<std::size_t>::max() - size ? freeBytes : freeBytes + size;
    return true;
  }
};

// A log file that cannot be opened while `openable` is false; the lines it took, in order.
class UnopenableLogFile : public LogFile {
 public:
  bool openable = false;
  std::vector<std::string> lines;
  int attempts = 0;
  bool AppendLine(const std::string& bytes) override {
    ++attempts;
    if (!openable) return false;
    lines.push_back(bytes);
    return true;
  }
};

// A registry holding raw value data, handed out as the Windows reader hands it out: a value
// longer than the buffer fails (ERROR_MORE_DATA), the rest goes through the same conversion.
class RawRegistry : public RegistryReader {
 public:
  struct Key {
    std::vector<std::u16string> subkeys;
    std::map<std::u16string, Bytes> values;  // REG_SZ data exactly as stored
  };
  std::map<std::u16string, Key> keys;

  std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::u16string& path) override {
    const auto it = keys.find(path);
    if (it == keys.end()) return nullptr;
    return std::make_unique<FakeOpenKey<Key, Read>>(it->second);
  }

 private:
  static std::optional<std::u16string> Read(const Key& key, const std::u16string& name, std::size_t bufferBytes) {
    const auto it = key.values.find(name);
    if (it == key.values.end() || it->second.size() > bufferBytes) return std::nullopt;
    return RegistryStringFromData(it->second, bufferBytes);
  }
};

// REG_SZ data: the text's units, then `terminators` NUL units.
inline Bytes RegistryData(std::u16string_view text, std::size_t terminators = 1) {
  Bytes data = EncodeUtf16Le(text);
  data.insert(data.end(), 2 * terminators, 0);
  return data;
}

}  // namespace brevix::testing
