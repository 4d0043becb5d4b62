#include "engine/HardDfuSwitch.h"

#include <cstdio>

namespace brevix {
namespace {

bool AnyDfuInterfaceReadable(DfuInterfaceSet& set) {
  for (std::uint32_t index = 0; set.Exists(index); ++index) {
    if (set.ReadDetail(index)) return true;
  }
  return false;
}

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

bool IsDfuInterfacePresent(DeviceControl& devices) {
  const auto set = devices.OpenPresentDfuInterfaces();
  return set && AnyDfuInterfaceReadable(*set);
}

void WaitForDfuInterface(HardDfuContext& context) {
  const HardDfuTiming& t = context.timing;
  int quiet = 0;
  for (int pass = 0; pass < t.passLimit; ++pass) {
    if (IsDfuInterfacePresent(context.devices)) return;
    if (context.devices.WaitForPendingInstalls() == DeviceControl::PendingInstalls::TimedOut) quiet = 0;
    context.clock.Sleep(t.passPauseMs);
    if (++quiet >= t.quietPassLimit) return;
  }
}

std::optional<HardDfuDevice> FindHardDfuDevice(DeviceInfoSet& set) {
  std::uint32_t failedInARow = 0;
  for (std::uint32_t index = 0;; ++index) {
    const auto fetched = set.FetchDevice(index);
    if (fetched == DeviceInfoSet::Fetch::NoMoreItems) return std::nullopt;
    if (fetched == DeviceInfoSet::Fetch::Failed) {
      if (++failedInARow >= kMaxFailedDeviceFetches) return std::nullopt;
      continue;
    }
    failedInARow = 0;
    auto id = set.InstanceId(index);
    if (!id) continue;
    std::string upper = UpperAscii(std::move(*id));
    if (upper.find(kHardDfuAcpiId) != std::string::npos) return HardDfuDevice{index, std::move(upper)};
  }
}

bool IsHardDfuDevicePresent(DeviceControl& devices, StandardOutput& out) {
  const auto set = devices.OpenAllDevices();
  if (!set) return false;
  const auto device = FindHardDfuDevice(*set);
  if (!device) return false;
  const auto status = set->Status(device->index);
  if (status && (status->status & kDevNodeHasProblem)) {
    char line[96];
    std::snprintf(line, sizeof line, "HARD DFU device doesn't working with problem (%d)\n",
                  static_cast<int>(status->problem));
    out.Print(line);
  }
  return true;
}

int HardDfuSwitch(HardDfuContext& context) {
  StandardOutput& out = context.out;
  auto control = context.devices.OpenControlDevice();
  if (!control) {
    if (IsHardDfuDevicePresent(context.devices, out)) {
      out.Print("FAIL: Varnek(R) Sensor Hub Hard DFU driver not installed\n");
      return kHardDfuDriverMissing;
    }
    out.Print("FAIL: Varnek(R) Sensor Hub Hard DFU not supported in BIOS\n");
    return kHardDfuNotSupported;
  }
  if (!control->Send(kEnterHardDfuCode)) {
    out.Print("FAIL: Varnek(R) Sensor Hub cannot enter into Hard DFU Mode\n");
    return kHardDfuModeRequestFailed;
  }
  char line[96];
  std::snprintf(line, sizeof line, "wait at maxium %d seconds for Sensor Hub entering into DFU mode...\n",
                context.timing.announcedSeconds);
  out.Print(line);

  int result = kHardDfuNoInterface;
  for (int attempt = 0; attempt < context.timing.tries; ++attempt) {
    WaitForDfuInterface(context);
    if (IsDfuInterfacePresent(context.devices)) {
      context.clock.Sleep(context.timing.settleMs);
      result = kHardDfuPassed;
      break;
    }
  }
  if (result == kHardDfuNoInterface) out.Print("FAIL: No DFU driver or DFU device not work\n");

  // Once the hub is in the mode it is always asked to leave it.
  if (!control->Send(kLeaveHardDfuCode)) {
    out.Print("FAIL: Varnek(R) Sensor Hub cannot leave Hard DFU Mode\n");
    result = kHardDfuModeRequestFailed;
  }
  control.reset();
  if (result == kHardDfuPassed) out.Print("PASS: Varnek(R) Sensor Hub Hard DFU Mode verified\n");
  return result;
}

}  // namespace brevix
