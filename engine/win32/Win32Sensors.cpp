#include "engine/win32/Win32Sensors.h"

#include <windows.h>
#include <objbase.h>
#include <propidl.h>
#include <sensorsapi.h>

#include "engine/win32/ComPtr.h"
#include "engine/win32/SensorGuids.h"

namespace brevix::win32 {
namespace {

using namespace sensor_ids;
const PROPERTYKEY kSerialNumber = {kPropertyCommon, kSerialNumberId};
const PROPERTYKEY kFriendlyName = {kPropertyCommon, kFriendlyNameId};

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
