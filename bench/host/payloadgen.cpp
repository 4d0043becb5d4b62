// Writes the files of the extraction benchmark's package and the packager's list for them:
// one large firmware image and many small files (1-8 KiB) spread over folders, as a driver
// package would be, with incompressible, reproducible contents.
//   payloadgen <out-dir> <firmware MiB> <small file count>
// Makes <out-dir>/files/..., <out-dir>/entries.txt and <out-dir>/payload.txt, the last one
// "entries=<n> bytes=<data bytes>" for the bench to check an extraction against.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFilesPerFolder = 50;
constexpr std::uint32_t kSmallMin = 1024, kSmallMax = 8192;

// xorshift64*: fast and the same on every host, so a package is the same from run to run.
class Stream {
 public:
  explicit Stream(std::uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull | 1) {}
  std::uint64_t Next() {
    s_ ^= s_ >> 12;
    s_ ^= s_ << 25;
    s_ ^= s_ >> 27;
    return s_ * 0x2545F4914F6CDD1Dull;
  }

 private:
  std::uint64_t s_;
};

bool WriteData(const fs::path& path, std::uint64_t size, std::uint64_t seed) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  Stream stream(seed);
  std::vector<std::uint64_t> block(8192);
  for (std::uint64_t done = 0; done < size && out;) {
    for (auto& word : block) word = stream.Next();
    const std::uint64_t n = std::min<std::uint64_t>(size - done, block.size() * sizeof block[0]);
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
    done += n;
  }
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: payloadgen <out-dir> <firmware MiB> <small file count>\n";
    return 2;
  }
  const fs::path out = argv[1];
  const std::uint64_t firmwareBytes = std::strtoull(argv[2], nullptr, 10) << 20;
  const int smallCount = std::atoi(argv[3]);
  if (firmwareBytes == 0 || smallCount < 0) {
    std::cerr << "payloadgen: expected a firmware size of at least 1 MiB and a file count\n";
    return 2;
  }
  fs::remove_all(out / "files");
  std::ofstream list(out / "entries.txt", std::ios::trunc);
  std::uint64_t total = 0;
  int entries = 0;
  auto add = [&](const std::string& name, std::uint64_t size) {
    std::string relative = name;
    for (char& c : relative) c = c == '\\' ? '/' : c;
    if (!WriteData(out / "files" / relative, size, static_cast<std::uint64_t>(entries) + 1)) return false;
    list << name << "\traw\n";
    total += size;
    ++entries;
    return true;
  };
  bool ok = add("DRIVER\\FIRMWARE\\File\\Hub_Firmware_Sensors.dfu.encrypted", firmwareBytes);
  Stream sizes(7);
  for (int i = 0; ok && i < smallCount; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "DRIVER\\Set%02d\\file%04d.bin", i / kFilesPerFolder, i);
    ok = add(name, kSmallMin + sizes.Next() % (kSmallMax - kSmallMin + 1));
  }
  list.close();
  std::ofstream summary(out / "payload.txt", std::ios::trunc);
  summary << "entries=" << entries << " bytes=" << total << "\n";
  if (!ok || !list || !summary) {
    std::cerr << "payloadgen: cannot write below " << out << "\n";
    return 1;
  }
  return 0;
}
