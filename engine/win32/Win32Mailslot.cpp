#include "engine/win32/Win32Mailslot.h"

#include <aclapi.h>
#include <sddl.h>

namespace brevix::win32 {
namespace {

// A message larger than this is not read (the system's own limit for a mailslot of
// "any size" is far below it).
constexpr DWORD kLargestMessage = 16u * 1024 * 1024;

std::u16string DaclText(PSECURITY_DESCRIPTOR descriptor) {
  LocalMemory text;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                              DACL_SECURITY_INFORMATION,
                                                              reinterpret_cast<LPWSTR*>(&text.p), nullptr)) {
    return {};
  }
  return U16(static_cast<const wchar_t*>(text.p));
}

}  // namespace

MailslotCreation Win32Mailslot::Create(const std::u16string& name, const std::u16string& sddl) {
  MailslotCreation result;
  LocalMemory descriptor;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(W(sddl), SDDL_REVISION_1, &descriptor.p, nullptr)) {
    result.error = ::GetLastError();
    return result;
  }
  SECURITY_ATTRIBUTES security{sizeof security, descriptor.p, FALSE};
  HANDLE handle = ::CreateMailslotW(W(name), 0, 0, &security);
  if (handle == INVALID_HANDLE_VALUE) {
    result.error = ::GetLastError();
    return result;
  }
  result.mailslot.reset(new Win32Mailslot(handle));
  return result;
}

std::optional<Bytes> Win32Mailslot::ReadMessage() {
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD next = MAILSLOT_NO_MESSAGE;
    if (!::GetMailslotInfo(handle_.get(), nullptr, &next, nullptr, nullptr)) return std::nullopt;
    if (next == MAILSLOT_NO_MESSAGE || next > kLargestMessage) return std::nullopt;
    Bytes message(next == 0 ? 1 : next);
    DWORD read = 0;
    if (::ReadFile(handle_.get(), message.data(), next, &read, nullptr)) {
      message.resize(read);
      return message;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    // The head changed between the size and the read: ask again, once.
  }
  return std::nullopt;
}

std::u16string Win32Mailslot::DaclSddl() const {
  LocalMemory descriptor;
  if (::GetSecurityInfo(handle_.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                        nullptr, &descriptor.p) != ERROR_SUCCESS) {
    return {};
  }
  return DaclText(descriptor.p);
}

std::u16string CanonicalDaclSddl(const std::u16string& sddl) {
  LocalMemory descriptor;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(W(sddl), SDDL_REVISION_1, &descriptor.p, nullptr)) {
    return {};
  }
  return DaclText(descriptor.p);
}

}  // namespace brevix::win32
