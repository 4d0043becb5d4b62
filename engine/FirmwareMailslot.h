#pragma once
// The mailslot through which the flashing tool reports, and who may write to it.
namespace brevix {

constexpr char16_t kFirmwareMailslotName[] = u"\\\\.\\Mailslot\\VazEzeveDIR";

// The mailslot's security descriptor, the one place it is defined. Only SYSTEM and the
// Administrators group (the elevated flashing tool) may open it, for reading and writing;
// anyone coming in over the network is refused first, whoever they are; nobody else is
// granted anything, and "P" keeps inheritable entries out.
constexpr char16_t kFirmwareMailslotSddl[] = u"D:P(D;;FA;;;NU)(A;;FRFW;;;SY)(A;;FRFW;;;BA)";

}  // namespace brevix
