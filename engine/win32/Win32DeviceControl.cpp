#include "engine/win32/Win32DeviceControl.h"

#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>

#include <vector>

#include "platform/win32/WinText.h"

// Exported by setupapi (and cfgmgr32); the SDK headers only name it through a macro.
extern "C" DWORD WINAPI CMP_WaitNoPendingInstallEvents(DWORD timeout);

namespace brevix::win32 {
namespace {

// The interface class the STTube INF gives the hub's DFU hardware IDs.
constexpr GUID kDfuInterfaceClass = {0x34425AE9, 0xE5D5, 0x4154, {0xAF, 0x49, 0x74, 0x0E, 0xE2, 0x59, 0x0D, 0xA9}};
// The "System" setup class; passed with DIGCF_ALLCLASSES, so every device is listed.
constexpr GUID kSystemClass = {0x4D36E97D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

class DeviceInfoList {
 public:
  explicit DeviceInfoList(HDEVINFO set) : set_(set) {}
  ~DeviceInfoList() {
    if (*this) ::SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceInfoList(const DeviceInfoList&) = delete;
  DeviceInfoList& operator=(const DeviceInfoList&) = delete;
  explicit operator bool() const { return set_ != INVALID_HANDLE_VALUE && set_ != nullptr; }
  HDEVINFO get() const { return set_; }

 private:
  HDEVINFO set_;
};

class Win32DfuInterfaces : public DfuInterfaceSet {
 public:
  explicit Win32DfuInterfaces(HDEVINFO set) : set_(set) {}
  bool Exists(std::uint32_t index) override { return Fetch(index); }
  bool ReadDetail(std::uint32_t index) override {
    if (!Fetch(index)) return false;
    DWORD required = 0;
    ::SetupDiGetDeviceInterfaceDetailW(set_.get(), &interface_, nullptr, 0, &required, nullptr);
    // Too small to hold even the size field: unreadable, not a write past the buffer.
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return false;
    std::vector<BYTE> buffer(required, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    return ::SetupDiGetDeviceInterfaceDetailW(set_.get(), &interface_, detail, required, nullptr, &device) != FALSE;
  }

 private:
  bool Fetch(std::uint32_t index) {
    if (fetched_ && index_ == index) return true;
    interface_ = SP_DEVICE_INTERFACE_DATA{};
    interface_.cbSize = sizeof interface_;
    fetched_ = ::SetupDiEnumDeviceInterfaces(set_.get(), nullptr, &kDfuInterfaceClass, index, &interface_) != FALSE;
    index_ = index;
    return fetched_;
  }
  DeviceInfoList set_;
  SP_DEVICE_INTERFACE_DATA interface_{};
  std::uint32_t index_ = 0;
  bool fetched_ = false;
};

class Win32DeviceInfoSet : public DeviceInfoSet {
 public:
  explicit Win32DeviceInfoSet(HDEVINFO set) : set_(set) {}
  Fetch FetchDevice(std::uint32_t index) override {
    device_ = SP_DEVINFO_DATA{};
    device_.cbSize = sizeof device_;
    fetched_ = false;
    if (!::SetupDiEnumDeviceInfo(set_.get(), index, &device_)) {
      return ::GetLastError() == ERROR_NO_MORE_ITEMS ? Fetch::NoMoreItems : Fetch::Failed;
    }
    fetched_ = true;
    index_ = index;
    return Fetch::Found;
  }
  std::optional<std::string> InstanceId(std::uint32_t index) override {
    if (!Select(index)) return std::nullopt;
    char buffer[kInstanceIdBufferBytes] = {};
    if (!::SetupDiGetDeviceInstanceIdA(set_.get(), &device_, buffer, sizeof buffer, nullptr)) return std::nullopt;
    buffer[sizeof buffer - 1] = '\0';
    return std::string(buffer);
  }
  std::optional<DevNodeStatus> Status(std::uint32_t index) override {
    if (!Select(index)) return std::nullopt;
    ULONG status = 0, problem = 0;
    if (::CM_Get_DevNode_Status(&status, &problem, device_.DevInst, 0) != CR_SUCCESS) return std::nullopt;
    return DevNodeStatus{status, problem};
  }

 private:
  bool Select(std::uint32_t index) { return (fetched_ && index_ == index) || FetchDevice(index) == Fetch::Found; }
  DeviceInfoList set_;
  SP_DEVINFO_DATA device_{};
  std::uint32_t index_ = 0;
  bool fetched_ = false;
};

}  // namespace

bool Win32ControlDevice::Send(std::uint32_t code) {
  // The handle is overlapped, so the request takes an OVERLAPPED and is awaited here; the
  // driver usually completes it at once. The OVERLAPPED and its event live on the heap: a
  // request that is not confirmed taken back still belongs to the driver (below).
  struct Request {
    OVERLAPPED overlapped{};
    UniqueHandle event;
  };
  auto request = std::make_unique<Request>();
  request->event.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!request->event) return false;
  request->overlapped.hEvent = request->event.get();
  DWORD returned = 0;
  if (::DeviceIoControl(device_.get(), code, nullptr, 0, nullptr, 0, &returned, &request->overlapped)) return true;
  if (::GetLastError() != ERROR_IO_PENDING) return false;
  if (::WaitForSingleObject(request->event.get(), limitMs_) != WAIT_OBJECT_0) {
    ::CancelIoEx(device_.get(), &request->overlapped);
    if (::WaitForSingleObject(request->event.get(), kCancelLimitMs) != WAIT_OBJECT_0) {
      // The driver neither answers nor lets go: it may still write the result and signal the
      // event whenever it ends the request, so both stay (a few dozen bytes for the rest of the
      // run) rather than be freed under it.
      request.release();
      return false;
    }
  }
  // Answered, or taken back (ERROR_OPERATION_ABORTED) unless the answer came first.
  return ::GetOverlappedResult(device_.get(), &request->overlapped, &returned, FALSE) != FALSE;
}

std::uint32_t WaitNoPendingInstallEvents(std::uint32_t limitMs) { return ::CMP_WaitNoPendingInstallEvents(limitMs); }

std::unique_ptr<ControlDevice> Win32DeviceControl::OpenControlDevice() {
  HANDLE device = ::CreateFileA(kControlDevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_FLAG_OVERLAPPED, nullptr);
  if (device == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32ControlDevice>(UniqueHandle(device));
}

std::unique_ptr<DfuInterfaceSet> Win32DeviceControl::OpenPresentDfuInterfaces() {
  HDEVINFO set = ::SetupDiGetClassDevsW(&kDfuInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32DfuInterfaces>(set);
}

std::unique_ptr<DeviceInfoSet> Win32DeviceControl::OpenAllDevices() {
  HDEVINFO set = ::SetupDiGetClassDevsW(&kSystemClass, nullptr, nullptr, DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32DeviceInfoSet>(set);
}

DeviceControl::PendingInstalls Win32DeviceControl::WaitForPendingInstalls() {
  // Anything but a time-out (a failure too) lets the switch look for the interface, as always.
  if (wait_(installWaitRanOut_ ? 0 : kPendingInstallLimitMs) != WAIT_TIMEOUT) return PendingInstalls::Settled;
  installWaitRanOut_ = true;
  return PendingInstalls::TimedOut;
}

}  // namespace brevix::win32
