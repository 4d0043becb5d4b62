#pragma once
// The firmware mailslot on the Windows API: made with the security descriptor of
// engine/FirmwareMailslot.h, read one whole message at a time without waiting.
#include <windows.h>

#include <memory>
#include <string>

#include "engine/FirmwareMailslot.h"
#include "platform/Mailslot.h"
#include "platform/win32/WinText.h"

namespace brevix::win32 {

class Win32Mailslot;

struct MailslotCreation {
  std::unique_ptr<Win32Mailslot> mailslot;  // null when it could not be made
  DWORD error = ERROR_SUCCESS;              // then: why
};

class Win32Mailslot : public MailslotReader {
 public:
  // Makes the mailslot (any message size, reads that return at once) with the descriptor
  // given as SDDL. A name already taken, or a descriptor that does not parse, is a failure.
  static MailslotCreation Create(const std::u16string& name = kFirmwareMailslotName,
                                 const std::u16string& sddl = kFirmwareMailslotSddl);

  // Asks for the next message's size first and reads exactly that much, so a message of any
  // size leaves the mailslot whole (Windows would keep one too long for the buffer, Wine
  // would cut it) and comes back with its true size.
  std::optional<Bytes> ReadMessage() override;

  // The mailslot's DACL as SDDL, read back from the handle; empty when it cannot be read.
  std::u16string DaclSddl() const;

  HANDLE handle() const { return handle_.get(); }

 private:
  explicit Win32Mailslot(HANDLE handle) : handle_(handle) {}
  UniqueHandle handle_;
};

// The DACL of an SDDL text in the system's own spelling, to compare descriptors by.
std::u16string CanonicalDaclSddl(const std::u16string& sddl);

}  // namespace brevix::win32
