// Builds, lists and verifies the resource package (the "DAT" 186 resource).
//
//   packager build --list <entries.txt> --components <dir> [--components <dir>...] --out <file>
//       Writes the entries named in the list, in its order, taking each file from the first
//       components folder that has it (entry "A\B\c" is the file "A/B/c" there).
//       List lines: <entry name> TAB <form>; "#" starts a comment. Forms:
//         raw     the file's bytes unchanged
//         text8   8-bit text, CR LF line ends, no line end after the last line
//         text16  UTF-8 source written as UTF-16LE with byte-order mark, CR LF after every line
//         sha256  no file: the digest record of every other entry below the digested folders
//                 (data/DigestRecord.h), under the record's own name, at most once
//   packager list <file> [--expect <entries.txt>]
//       Reads and checks the package, prints one line per entry (index, size, name), checks a
//       digest record it holds against the entries (every digested entry recorded with its
//       data's digest) and, with --expect, checks that the names and their order equal the
//       list. Exit code 1 on any fault.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "data/DigestRecord.h"
#include "data/ResourcePackage.h"
#include "platform/Text.h"

namespace fs = std::filesystem;
using brevix::Bytes;

namespace {

struct ListEntry {
  std::string name;  // UTF-8, "\" separators
  std::string form;
  int line;
};

bool ReadFile(const fs::path& path, Bytes& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool ReadList(const std::string& path, std::vector<ListEntry>& entries) {
  std::ifstream in(path);
  if (!in) {
    std::cerr << "packager: cannot read list " << path << "\n";
    return false;
  }
  brevix::EntryNameList names;  // the reader's own rules, so that no built package is refused
  bool record = false;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const auto tab = line.find('\t');
    if (tab == std::string::npos) {
      std::cerr << path << ":" << number << ": expected <name> TAB <form>\n";
      return false;
    }
    ListEntry e{line.substr(0, tab), line.substr(tab + 1), number};
    if (e.form != "raw" && e.form != "text8" && e.form != "text16" && e.form != "sha256") {
      std::cerr << path << ":" << number << ": unknown form '" << e.form << "' (raw, text8, text16, sha256)\n";
      return false;
    }
    if (e.form == "sha256") {
      // The product looks the record up by its name; a second one would be a second truth.
      const std::string expected = brevix::Utf16ToUtf8(brevix::kDigestRecordEntry);
      if (e.name != expected || record) {
        std::cerr << path << ":" << number << ": form sha256: expected one entry named '" << expected << "'\n";
        return false;
      }
      record = true;
    }
    const std::u16string name = brevix::Utf8ToUtf16(e.name);
    if (brevix::Utf16ToUtf8(name) != e.name) {
      std::cerr << path << ":" << number << ": entry name '" << brevix::PrintableName(name)
                << "': expected a name in UTF-8\n";
      return false;
    }
    if (const auto fault = names.Add(name)) {
      std::cerr << path << ":" << number << ": entry name '" << brevix::PrintableName(name) << "': expected "
                << *fault << "\n";
      return false;
    }
    entries.push_back(e);
  }
  if (entries.empty()) {
    // A package of its trailer alone is one the reader refuses.
    std::cerr << path << ": expected at least one entry\n";
    return false;
  }
  return true;
}

std::vector<std::string> SplitLines(const Bytes& bytes) {
  std::string text(bytes.begin(), bytes.end());
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

Bytes Convert(const Bytes& source, const std::string& form) {
  if (form == "raw") return source;
  const std::vector<std::string> lines = SplitLines(source);
  if (form == "text8") {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? "\r\n" : "") + lines[i];
    return Bytes(out.begin(), out.end());
  }
  std::u16string out = u"\uFEFF";
  for (const std::string& line : lines) out += brevix::Utf8ToUtf16(line) + u"\r\n";
  return brevix::EncodeUtf16Le(out);
}

int Build(int argc, char** argv) {
  std::string listPath, outPath;
  std::vector<std::string> componentDirs;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--list") listPath = argv[i + 1];
    else if (flag == "--components") componentDirs.push_back(argv[i + 1]);
    else if (flag == "--out") outPath = argv[i + 1];
    else {
      std::cerr << "packager: unknown option " << flag << "\n";
      return 2;
    }
  }
  if (listPath.empty() || outPath.empty() || componentDirs.empty()) {
    std::cerr << "usage: packager build --list <entries.txt> --components <dir>... --out <file>\n";
    return 2;
  }
  std::vector<ListEntry> list;
  if (!ReadList(listPath, list)) return 1;

  std::vector<std::pair<std::u16string, Bytes>> entries;
  std::size_t recordAt = list.size();
  for (const ListEntry& e : list) {
    if (e.form == "sha256") {
      recordAt = entries.size();
      entries.emplace_back(brevix::Utf8ToUtf16(e.name), Bytes());
      continue;
    }
    std::string relative = e.name;
    for (char& c : relative) if (c == '\\') c = '/';
    Bytes data;
    bool found = false;
    for (const std::string& dir : componentDirs) {
      if (ReadFile(fs::path(dir) / relative, data)) {
        found = true;
        break;
      }
    }
    if (!found) {
      std::cerr << listPath << ":" << e.line << ": no file for entry '" << e.name << "' in the components folders\n";
      return 1;
    }
    entries.emplace_back(brevix::Utf8ToUtf16(e.name), Convert(data, e.form));
  }
  if (recordAt < list.size()) {
    // Digests of the bytes as packed, so that the record describes what extraction writes.
    std::vector<brevix::PackageEntry> packed;
    for (const auto& [name, data] : entries) packed.push_back({name, data});
    entries[recordAt].second = brevix::WriteDigestRecord(packed);
    if (entries[recordAt].second.empty()) {
      std::cerr << listPath << ":" << list[recordAt].line
                << ": form sha256: expected entries below the digested folders\n";
      return 1;
    }
  }
  const Bytes package = brevix::BuildPackage(entries);
  std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(package.data()), static_cast<std::streamsize>(package.size()));
  if (!out) {
    std::cerr << "packager: cannot write " << outPath << "\n";
    return 1;
  }
  return 0;
}

int List(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: packager list <file> [--expect <entries.txt>]\n";
    return 2;
  }
  Bytes package;
  if (!ReadFile(argv[2], package)) {
    std::cerr << "packager: cannot read " << argv[2] << "\n";
    return 1;
  }
  const auto read = brevix::ReadPackage(package);
  if (!read.contents) {
    std::cerr << argv[2] << ": byte " << read.error.offset << ": expected " << read.error.what << "\n";
    return 1;
  }
  const auto& entries = read.contents->entries;
  std::size_t total = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::cout << (i + 1) << "\t" << entries[i].data.size() << "\t" << brevix::Utf16ToUtf8(entries[i].name) << "\n";
    total += entries[i].data.size();
  }
  std::cout << entries.size() << " entries, " << total << " data bytes, package " << package.size() << " bytes\n";
  for (const brevix::PackageEntry& entry : entries) {
    if (entry.name != brevix::kDigestRecordEntry) continue;
    const auto record = brevix::ReadDigestRecord(entry.data, *read.contents);
    if (!record.record) {
      std::cerr << argv[2] << ": digest record, byte " << record.error.offset << ": expected " << record.error.what
                << "\n";
      return 1;
    }
    if (const auto mismatch = brevix::DigestRecordMismatch(*record.record, *read.contents)) {
      std::cerr << argv[2] << ": digest record: expected " << *mismatch << "\n";
      return 1;
    }
    std::cout << "digest record: " << record.record->lines.size() << " files, each as packed\n";
  }

  if (argc == 5 && std::string(argv[3]) == "--expect") {
    std::vector<ListEntry> list;
    if (!ReadList(argv[4], list)) return 1;
    if (list.size() != entries.size()) {
      std::cerr << argv[2] << ": " << entries.size() << " entries, the list names " << list.size() << "\n";
      return 1;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (brevix::Utf8ToUtf16(list[i].name) != entries[i].name) {
        std::cerr << argv[2] << ": entry " << (i + 1) << " is '" << brevix::Utf16ToUtf8(entries[i].name)
                  << "', the list expects '" << list[i].name << "'\n";
        return 1;
      }
    }
    std::cout << "matches " << argv[4] << "\n";
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "build") return Build(argc, argv);
  if (command == "list") return List(argc, argv);
  std::cerr << "usage: packager build|list ...\n";
  return 2;
}
