// Owner and access list of a file or folder, as the start decision reads them.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinText.h"

namespace brevix::win32 {
namespace {

std::string SidText(PSID sid) {
  LocalMemory text;
  if (!sid || !::ConvertSidToStringSidA(sid, reinterpret_cast<LPSTR*>(&text.p))) return {};
  return static_cast<const char*>(text.p);
}

// Wine keeps no access lists for files: it makes the owner and the list up from the Unix mode
// bits, always naming the prefix's one user. Every process of a prefix runs as that user,
// elevated and a member of Administrators, and there is no other Windows user: there, that user
// is the administrator, and is read as Administrators. Other Unix users and Unix "others"
// (Everyone) are left as they are, so a folder anyone may write still reads so. Windows' ntdll
// has no wine_get_version, so this never applies there. Empty when not under Wine.
std::string WineUserSid() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  if (!ntdll || !::GetProcAddress(ntdll, "wine_get_version")) return {};
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  UniqueHandle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<BYTE> buffer(size);
  if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
  return SidText(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid);
}

std::string AsReadHere(std::string sid) {
  static const std::string wineUser = WineUserSid();
  if (!wineUser.empty() && sid == wineUser) return "S-1-5-32-544";
  return sid;
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
  security.owner = AsReadHere(SidText(owner));
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
      entry.sid = AsReadHere(SidText(const_cast<DWORD*>(&ace->SidStart)));
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
