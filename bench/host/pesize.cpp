// Where the bytes of a Windows executable go: its sections and, inside the resource section,
// the data of each resource type. Read from the file alone, so it runs on the build host.
//   pesize <program.exe>
// Lines: "file <bytes>", "machine <i386|x86_64|0x....>", "section <name> <bytes in the file>",
// "resource <type> <count> <data bytes>" (types by name, standard ids by their RT_ name),
// "resource-tables <bytes>" (the rest of the resource section: directories, names, padding).
// Exit code 1 when the file is no PE image or its resource directory leaves the file.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

struct Image {
  std::vector<std::uint8_t> bytes;
  bool bad = false;

  std::uint32_t U(std::size_t at, int width) {
    if (at > bytes.size() || bytes.size() - at < static_cast<std::size_t>(width)) {
      bad = true;
      return 0;
    }
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | bytes[at + i];
    return v;
  }
  std::uint32_t U32(std::size_t at) { return U(at, 4); }
  std::uint16_t U16(std::size_t at) { return static_cast<std::uint16_t>(U(at, 2)); }
};

struct Section {
  std::string name;
  std::uint32_t rva = 0, virtualSize = 0, rawOffset = 0, rawSize = 0;
};

struct Usage {
  int count = 0;
  std::uint64_t bytes = 0;
};

std::string TypeName(std::uint32_t id) {
  static const std::map<std::uint32_t, const char*> kNames = {
      {1, "CURSOR"},   {2, "BITMAP"},  {3, "ICON"},        {4, "MENU"},        {5, "DIALOG"},
      {6, "STRING"},   {9, "ACCELERATOR"}, {10, "RCDATA"}, {12, "GROUP_CURSOR"}, {14, "GROUP_ICON"},
      {16, "VERSION"}, {24, "MANIFEST"}};
  const auto known = kNames.find(id);
  if (known != kNames.end()) return known->second;
  std::string number = "#";
  number += std::to_string(id);
  return number;
}

class ResourceWalk {
 public:
  ResourceWalk(Image& image, std::size_t base, const std::vector<Section>& sections)
      : image_(image), base_(base), sections_(sections) {}

  // Sums the data entries below the directory at `offset` (relative to the section) into `usage`.
  void Directory(std::uint32_t offset, int depth, Usage& usage) {
    if (depth > 3 || image_.bad || ++visited_ > 100000) {
      image_.bad = true;
      return;
    }
    const std::size_t at = base_ + offset;
    const int entries = image_.U16(at + 12) + image_.U16(at + 14);
    for (int i = 0; i < entries && !image_.bad; ++i) {
      const std::uint32_t target = image_.U32(at + 16 + 8 * i + 4);
      if (target & 0x80000000u) {
        Directory(target & 0x7FFFFFFFu, depth + 1, usage);
      } else {
        const std::uint32_t rva = image_.U32(base_ + target);
        const std::uint32_t size = image_.U32(base_ + target + 4);
        if (!Inside(rva, size)) image_.bad = true;
        ++usage.count;
        usage.bytes += size;
      }
    }
  }

  std::string NameAt(std::uint32_t offset) {
    const std::size_t at = base_ + offset;
    const int length = image_.U16(at);
    std::string name;
    for (int i = 0; i < length && !image_.bad; ++i) {
      const std::uint16_t unit = image_.U16(at + 2 + 2 * i);
      name += unit < 128 ? static_cast<char>(unit) : '?';
    }
    return name;
  }

 private:
  bool Inside(std::uint32_t rva, std::uint32_t size) const {
    for (const Section& s : sections_) {
      if (rva >= s.rva && rva - s.rva <= s.rawSize && size <= s.rawSize - (rva - s.rva)) return true;
    }
    return false;
  }

  Image& image_;
  std::size_t base_;
  const std::vector<Section>& sections_;
  int visited_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pesize <program.exe>\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  Image image{std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())};
  const std::uint32_t pe = image.U32(0x3C);
  if (image.U16(0) != 0x5A4D || image.U32(pe) != 0x4550 || image.bad) {
    std::fprintf(stderr, "pesize: %s is no PE image\n", argv[1]);
    return 1;
  }
  const std::uint16_t machine = image.U16(pe + 4);
  const int sectionCount = image.U16(pe + 6);
  const std::size_t optional = pe + 24;
  const std::uint16_t magic = image.U16(optional);
  // The data directories follow the optional header's fixed fields (PE32: 96 bytes, PE32+: 112).
  const std::size_t directories = optional + (magic == 0x20B ? 112 : 96);
  const std::uint32_t resourceRva = image.U32(directories + 2 * 8);
  const std::size_t sectionTable = optional + image.U16(pe + 20);

  std::printf("file %zu\n", image.bytes.size());
  if (machine == 0x14C) std::printf("machine i386\n");
  else if (machine == 0x8664) std::printf("machine x86_64\n");
  else std::printf("machine 0x%04x\n", machine);

  std::vector<Section> sections;
  const Section* resources = nullptr;
  for (int i = 0; i < sectionCount; ++i) {
    const std::size_t at = sectionTable + 40 * i;
    Section s;
    for (int c = 0; c < 8 && image.U(at + c, 1); ++c) s.name += static_cast<char>(image.U(at + c, 1));
    s.virtualSize = image.U32(at + 8);
    s.rva = image.U32(at + 12);
    s.rawSize = image.U32(at + 16);
    s.rawOffset = image.U32(at + 20);
    if (image.bad || s.rawOffset > image.bytes.size() || s.rawSize > image.bytes.size() - s.rawOffset) {
      std::fprintf(stderr, "pesize: section %d leaves the file\n", i);
      return 1;
    }
    std::printf("section %s %u\n", s.name.c_str(), s.rawSize);
    sections.push_back(s);
  }
  for (const Section& s : sections) {
    if (resourceRva && resourceRva >= s.rva && resourceRva - s.rva < s.rawSize) resources = &s;
  }
  if (!resources) return 0;  // no resources: nothing more to say

  // Raw offsets of resource data are RVAs; the walk maps them through the section table.
  const std::size_t base = resources->rawOffset + (resourceRva - resources->rva);
  ResourceWalk walk(image, base, sections);
  std::uint64_t dataBytes = 0;
  const int types = image.U16(base + 12) + image.U16(base + 14);
  for (int i = 0; i < types && !image.bad; ++i) {
    const std::uint32_t name = image.U32(base + 16 + 8 * i);
    const std::uint32_t target = image.U32(base + 16 + 8 * i + 4);
    const std::string type = (name & 0x80000000u) ? walk.NameAt(name & 0x7FFFFFFFu) : TypeName(name);
    Usage usage;
    if (target & 0x80000000u) walk.Directory(target & 0x7FFFFFFFu, 1, usage);
    else image.bad = true;  // a type is always a directory
    std::printf("resource %s %d %llu\n", type.c_str(), usage.count, static_cast<unsigned long long>(usage.bytes));
    dataBytes += usage.bytes;
  }
  if (image.bad || dataBytes > resources->rawSize) {
    std::fprintf(stderr, "pesize: the resource directory leaves the file\n");
    return 1;
  }
  std::printf("resource-tables %llu\n", static_cast<unsigned long long>(resources->rawSize - dataBytes));
  return 0;
}
