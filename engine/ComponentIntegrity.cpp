#include "engine/ComponentIntegrity.h"

#include <unordered_map>
#include <unordered_set>

#include "data/TextKeys.h"

namespace brevix {
namespace {

IntegrityResult Failed(IntegrityStatus status, std::u16string path, std::string reason) {
  return IntegrityResult{status, std::move(path), std::move(reason)};
}

IntegrityResult Mismatch(std::u16string path, std::string reason) {
  return Failed(IntegrityStatus::Mismatch, std::move(path), std::move(reason));
}

}  // namespace

std::vector<std::u16string_view> ComponentFolders(Component component) {
  switch (component) {
    case Component::Acpi: return {kDigestedFolders[0]};
    case Component::Sttube: return {kDigestedFolders[1]};
    case Component::Firmware: return {kDigestedFolders[2], kDigestedFolders[3]};
  }
  return {};
}

IntegrityResult CheckComponentIntegrity(const DigestRecord& record, Component component,
                                        const std::u16string& workingDirectory, FileSystem& files,
                                        FileDigester& digests) {
  const auto full = [&](const std::u16string& relative) {
    return workingDirectory.empty() ? relative : workingDirectory + u"\\" + relative;
  };
  const std::vector<std::u16string_view> folders = ComponentFolders(component);

  // What the record expects below the component's folders, by the name Windows opens.
  std::unordered_map<std::u16string, const DigestLine*> expected;
  std::vector<const DigestLine*> expectedInOrder;
  for (std::u16string_view folder : folders) {
    bool covered = false;
    for (const DigestLine& line : record.lines) {
      if (!IsBelowFolder(line.entry, folder)) continue;
      covered = true;
      if (expected.emplace(FoldNameCase(line.entry), &line).second) expectedInOrder.push_back(&line);
    }
    if (!covered) {
      return Failed(IntegrityStatus::MissingDigest, std::u16string(folder), "no digest recorded for the folder");
    }
  }

  // Everything on disk first, so that an added or missing file fails before any hashing.
  std::vector<std::pair<std::u16string, const DigestLine*>> found;
  std::unordered_set<const DigestLine*> seen;
  std::vector<std::u16string> pending(folders.begin(), folders.end());
  while (!pending.empty()) {
    const std::u16string folder = std::move(pending.back());
    pending.pop_back();
    const auto listing = files.ListDirectory(full(folder));
    if (!listing) return Mismatch(folder, "the folder cannot be listed");
    for (const FileSystem::DirectoryEntry& entry : *listing) {
      std::u16string path = folder + u"\\" + entry.name;
      if (entry.attributes & FileSystem::kReparsePointAttribute) {
        return Mismatch(std::move(path), "a link or junction, not a plain file or folder");
      }
      if (entry.attributes & FileSystem::kDirectoryAttribute) {
        // No recorded name is longer than an entry name, so nothing deeper can be recorded.
        if (path.size() >= kMaxEntryNameUnits) {
          return Mismatch(std::move(path), "a folder deeper than any recorded file");
        }
        pending.push_back(std::move(path));
        continue;
      }
      const auto line = expected.find(FoldNameCase(path));
      if (line == expected.end()) return Mismatch(std::move(path), "not in the digest record");
      seen.insert(line->second);
      found.emplace_back(std::move(path), line->second);
    }
  }
  for (const DigestLine* line : expectedInOrder) {
    if (!seen.count(line)) return Mismatch(line->entry, "missing on disk");
  }
  for (const auto& [path, line] : found) {
    const auto digest = digests.Sha256OfFile(full(path));
    if (!digest) return Mismatch(path, "cannot be read");
    if (*digest != line->digest) return Mismatch(path, "its digest differs from the recorded one");
  }
  return {};
}

IntegrityFailureReport ReportFor(Component component, IntegrityStatus status) {
  const bool missing = status == IntegrityStatus::MissingDigest;
  switch (component) {
    case Component::Acpi: return {missing ? "0xEE010004" : "0xEE020001", missing ? "Preparing" : "Checking", text::kAcpiIntegrityFailed};
    case Component::Sttube:
      return {missing ? "0xEE010006" : "0xEE020002", missing ? "Preparing" : "Checking", text::kSttubeIntegrityFailed};
    case Component::Firmware:
      return {missing ? "0xEE010008" : "0xEE020003", missing ? "Preparing" : "Checking", text::kFirmwareIntegrityFailed};
  }
  return {"", "", u""};
}

std::string DescribeIntegrityFailure(const IntegrityResult& result) {
  return PrintableName(result.path) + ": " + result.reason;
}

}  // namespace brevix
