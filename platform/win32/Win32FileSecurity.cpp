// Owner and access list of a file or folder, as the start decision reads them.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinText.h"

namespace brevix::win32 {
namespace {

std::string SidText(PSID sid) {
  LocalMemory text;
  if (!sid || !::ConvertSidToStringSidA(sid, reinterpret_cast<LPSTR*>(&text.p))) return {};
  return static_cast<const char*>(text.p);
}

}  // namespace

std::optional<ObjectSecurity> Win32FileSecurity::Read(const std::u16string& path) {
  LocalMemory descriptor;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  if (::GetNamedSecurityInfoW(W(path), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              &owner, nullptr, &dacl, nullptr, &descriptor.p) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  ObjectSecurity security;
  security.owner = SidText(owner);
  security.hasDacl = dacl != nullptr;
  if (!dacl) return security;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* raw = nullptr;
    if (!::GetAce(dacl, i, &raw)) return std::nullopt;
    const auto* header = static_cast<const ACE_HEADER*>(raw);
    AccessEntry entry;
    entry.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
    entry.inherits = (header->AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) != 0;
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
      // Both share one layout: header, mask, then the SID.
      const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
      entry.allow = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
      entry.mask = ace->Mask;
      entry.sid = SidText(const_cast<DWORD*>(&ace->SidStart));
    } else {
      // Object and callback entries do not occur on files; one that does is read as a grant
      // of everything to nobody we trust.
      entry.allow = true;
      entry.mask = GENERIC_ALL;
    }
    security.entries.push_back(std::move(entry));
  }
  return security;
}

}  // namespace brevix::win32
