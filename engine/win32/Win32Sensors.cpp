#include "engine/win32/Win32Sensors.h"

#include <windows.h>
#include <objbase.h>
#include <propidl.h>
#include <sensorsapi.h>

#include "engine/win32/ComPtr.h"

namespace brevix::win32 {
namespace {

// Spelled out here: the SDK declares these in headers without a library that defines them.
constexpr GUID kClsidSensorManager = {0x77A1C827, 0xFCD2, 0x4689, {0x89, 0x15, 0x9D, 0x61, 0x3C, 0xC5, 0xFA, 0x3E}};
constexpr GUID kIidSensorManager = {0xBD77DB67, 0x45A8, 0x42DC, {0x8D, 0x00, 0x6D, 0xCF, 0x15, 0xF8, 0x37, 0x7A}};
constexpr GUID kCategoryAll = {0xC317C286, 0xC468, 0x4288, {0x99, 0x75, 0xD4, 0xC4, 0x58, 0x7C, 0x44, 0x2C}};
constexpr GUID kTypeCustom = {0xE83AF229, 0x8640, 0x4D18, {0xA2, 0x13, 0xE2, 0x26, 0x75, 0xEB, 0xB2, 0xC3}};
constexpr GUID kPropertyCommon = {0x7F8383EC, 0xD3EC, 0x495C, {0xA8, 0xCF, 0xB8, 0xBB, 0xE8, 0x5C, 0x29, 0x20}};
const PROPERTYKEY kSerialNumber = {kPropertyCommon, 8};
const PROPERTYKEY kFriendlyName = {kPropertyCommon, 9};

// A PROPVARIANT that is cleared when it goes out of scope.
struct PropVariant {
  PROPVARIANT value;
  PropVariant() { PropVariantInit(&value); }
  ~PropVariant() { ::PropVariantClear(&value); }
  PropVariant(const PropVariant&) = delete;
  PropVariant& operator=(const PropVariant&) = delete;
};

class ComSensor : public Sensor {
 public:
  explicit ComSensor(ComPtr<ISensor> sensor) : sensor_(std::move(sensor)) {}
  SensorText FriendlyName() override { return Read(kFriendlyName); }
  SensorText SerialNumber() override { return Read(kSerialNumber); }
  std::optional<bool> IsCustomType() override {
    SENSOR_TYPE_ID type{};
    if (FAILED(sensor_->GetType(&type))) return std::nullopt;
    return IsEqualGUID(type, kTypeCustom) != 0;
  }

 private:
  SensorText Read(const PROPERTYKEY& key) {
    PropVariant v;
    if (FAILED(sensor_->GetProperty(key, &v.value))) return SensorText::Unreadable();
    if (v.value.vt != VT_LPWSTR) return SensorText::NotAString();
    const wchar_t* text = v.value.pwszVal;
    return SensorText::Of(text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string());
  }
  ComPtr<ISensor> sensor_;
};

class ComCollection : public SensorCollection {
 public:
  explicit ComCollection(ComPtr<ISensorCollection> collection) : collection_(std::move(collection)) {}
  std::optional<std::uint32_t> Count() override {
    ULONG count = 0;
    if (FAILED(collection_->GetCount(&count))) return std::nullopt;
    return count;
  }
  std::unique_ptr<Sensor> At(std::uint32_t index) override {
    ComPtr<ISensor> sensor;
    if (FAILED(collection_->GetAt(index, sensor.put())) || !sensor) return nullptr;
    return std::make_unique<ComSensor>(std::move(sensor));
  }
  ISensorCollection* get() const { return collection_.get(); }

 private:
  ComPtr<ISensorCollection> collection_;
};

class ComManager : public SensorManager {
 public:
  explicit ComManager(ComPtr<ISensorManager> manager) : manager_(std::move(manager)) {}
  AllSensorsResult AllSensors() override {
    ComPtr<ISensorCollection> collection;
    AllSensorsResult result;
    result.status = manager_->GetSensorsByCategory(kCategoryAll, collection.put());
    if (collection) result.collection = std::make_unique<ComCollection>(std::move(collection));
    return result;
  }
  void RequestPermissions(SensorCollection* collection) override {
    auto* com = dynamic_cast<ComCollection*>(collection);
    manager_->RequestPermissions(nullptr, com ? com->get() : nullptr, FALSE);
  }

 private:
  ComPtr<ISensorManager> manager_;
};

class ComSession : public SensorSession {
 public:
  // Only a successful initialisation (S_FALSE included) is balanced; a thread already in
  // another apartment carries on without one.
  ComSession() : initialized_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
  ~ComSession() override {
    if (initialized_) ::CoUninitialize();
  }
  ComSession(const ComSession&) = delete;
  ComSession& operator=(const ComSession&) = delete;

  ManagerResult CreateManager() override {
    ComPtr<ISensorManager> manager;
    ManagerResult result;
    result.status = ::CoCreateInstance(kClsidSensorManager, nullptr, CLSCTX_INPROC_SERVER, kIidSensorManager,
                                       reinterpret_cast<void**>(manager.put()));
    if (SUCCEEDED(result.status) && manager) result.manager = std::make_unique<ComManager>(std::move(manager));
    return result;
  }

 private:
  bool initialized_;
};

}  // namespace

std::unique_ptr<SensorSession> Win32SensorSource::OpenSession() { return std::make_unique<ComSession>(); }

}  // namespace brevix::win32
