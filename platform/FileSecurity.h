#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brevix {

// One entry of a file's or folder's access list, its trustee as a SID string ("S-1-5-18").
struct AccessEntry {
  bool allow = true;
  std::string sid;
  std::uint32_t mask = 0;
  bool inheritOnly = false;  // applies only to what is made inside, not to the object itself
  bool inherits = false;     // passed on to files or folders made inside
};

struct ObjectSecurity {
  std::string owner;
  bool hasDacl = true;  // no access list at all means everyone may do anything
  std::vector<AccessEntry> entries;
};

class FileSecurityReader {
 public:
  virtual ~FileSecurityReader() = default;
  // The owner and access list of a file or folder; nothing when they cannot be read.
  virtual std::optional<ObjectSecurity> Read(const std::u16string& path) = 0;
};

}  // namespace brevix
