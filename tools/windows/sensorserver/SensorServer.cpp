// A stand-in for the Windows Sensor API's in-process server, for tests under Wine (which has
// none). It serves the sensor manager class with the sensors of a fixture file named by the
// environment variable BREVIX_SENSOR_FIXTURE, read anew for every collection request.
// Fixture lines (UTF-8; "#" starts a comment):
//   manager=<hresult>      creating the manager fails with this code
//   collection=<hresult>   the collection request fails with this code and returns nothing
//   count=fail             the collection cannot tell its count
//   sensor=<name>|<type>|<serial>
//      name, serial: the text, or !unreadable, or !notstring (a value that is not a string)
//      serial also @<text>: the hub's firmware, which a flash changes: the text of the file
//        named by BREVIX_SENSOR_FIRMWARE when that file exists and is not empty (the flashing
//        tool's stand-in writes it on a flash that takes), else <text>
//      type: custom, other or !unreadable
//   sensor=!fetchfail      the sensor at this index cannot be fetched
// When BREVIX_SENSOR_LOG names a file, the calls the product makes are appended to it.
#include <windows.h>
#include <objbase.h>
#include <propidl.h>
#include <sensorsapi.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "engine/win32/SensorGuids.h"

namespace {

using namespace brevix::win32::sensor_ids;

constexpr GUID kTypeAccelerometer3D = {0xC2FB0F5F, 0xE2D2, 0x4C78, {0xBC, 0xD0, 0x35, 0x2A, 0x95, 0x82, 0x81, 0x9D}};

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[MAX_PATH * 2] = {};
  const DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH * 2);
  return (n > 0 && n < MAX_PATH * 2) ? std::wstring(buffer, n) : std::wstring();
}

void Log(const std::string& line) {
  const std::wstring path = Environment(L"BREVIX_SENSOR_LOG");
  if (path.empty()) return;
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

struct Value {
  enum Kind { Text, Unreadable, NotString } kind = Text;
  std::wstring text;
};

struct SensorEntry {
  bool fetchFails = false;
  Value name, serial;
  enum Type { Custom, Other, TypeUnreadable } type = Custom;
};

struct Fixture {
  HRESULT manager = S_OK;
  HRESULT collection = S_OK;
  bool countFails = false;
  std::vector<SensorEntry> sensors;
};

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

Value ParseValue(const std::wstring& text) {
  if (text == L"!unreadable") return {Value::Unreadable, {}};
  if (text == L"!notstring") return {Value::NotString, {}};
  return {Value::Text, text};
}

// "@<text>": what the last flash left in the hub, else the fixture's own serial.
Value ParseSerial(const std::wstring& text) {
  if (text.empty() || text[0] != L'@') return ParseValue(text);
  const std::wstring flashedFile = Environment(L"BREVIX_SENSOR_FIRMWARE");
  if (!flashedFile.empty()) {
    HANDLE file = CreateFileW(flashedFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      char buffer[256];
      DWORD n = 0;
      const bool read = ReadFile(file, buffer, sizeof buffer, &n, nullptr);
      CloseHandle(file);
      std::string flashed(buffer, read ? n : 0);
      while (!flashed.empty() && (flashed.back() == '\n' || flashed.back() == '\r')) flashed.pop_back();
      if (!flashed.empty()) return {Value::Text, Widen(flashed)};
    }
  }
  return {Value::Text, text.substr(1)};
}

Fixture ReadFixture() {
  Fixture fixture;
  const std::wstring path = Environment(L"BREVIX_SENSOR_FIXTURE");
  if (path.empty()) return fixture;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return fixture;
  std::string bytes;
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
  CloseHandle(file);

  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "manager") fixture.manager = static_cast<HRESULT>(std::strtoul(value.c_str(), nullptr, 0));
    if (key == "collection") fixture.collection = static_cast<HRESULT>(std::strtoul(value.c_str(), nullptr, 0));
    if (key == "count") fixture.countFails = value == "fail";
    if (key == "sensor") {
      SensorEntry entry;
      if (value == "!fetchfail") {
        entry.fetchFails = true;
      } else {
        const std::wstring w = Widen(value);
        const std::size_t a = w.find(L'|');
        const std::size_t b = a == std::wstring::npos ? std::wstring::npos : w.find(L'|', a + 1);
        if (b == std::wstring::npos) continue;
        entry.name = ParseValue(w.substr(0, a));
        const std::wstring type = w.substr(a + 1, b - a - 1);
        entry.type = type == L"custom" ? SensorEntry::Custom
                    : type == L"other" ? SensorEntry::Other
                                       : SensorEntry::TypeUnreadable;
        entry.serial = ParseSerial(w.substr(b + 1));
      }
      fixture.sensors.push_back(entry);
    }
  }
  return fixture;
}

// Reference counting shared by the three objects.
template <class Interface>
class Object : public Interface {
 public:
  Object() { ++g_objects; }
  virtual ~Object() { --g_objects; }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  HRESULT Query(REFIID iid, const GUID& own, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, own)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

 private:
  std::atomic<long> refs_{1};
};

class FixtureSensor : public Object<ISensor> {
 public:
  explicit FixtureSensor(SensorEntry entry) : entry_(std::move(entry)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override { return Query(iid, kIidSensor, out); }
  HRESULT STDMETHODCALLTYPE GetID(SENSOR_ID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCategory(SENSOR_CATEGORY_ID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetType(SENSOR_TYPE_ID* type) override {
    if (!type) return E_POINTER;
    if (entry_.type == SensorEntry::TypeUnreadable) return E_FAIL;
    *type = entry_.type == SensorEntry::Custom ? kTypeCustom : kTypeAccelerometer3D;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFriendlyName(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetProperty(REFPROPERTYKEY key, PROPVARIANT* value) override {
    if (!value) return E_POINTER;
    PropVariantInit(value);
    if (!IsEqualGUID(key.fmtid, kPropertyCommon)) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    const Value* v = key.pid == kSerialNumberId ? &entry_.serial : key.pid == kFriendlyNameId ? &entry_.name : nullptr;
    if (!v || v->kind == Value::Unreadable) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    if (v->kind == Value::NotString) {
      value->vt = VT_UI4;
      value->ulVal = 7;
      return S_OK;
    }
    const std::size_t bytes = (v->text.size() + 1) * sizeof(wchar_t);
    auto* text = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    if (!text) return E_OUTOFMEMORY;
    CopyMemory(text, v->text.c_str(), bytes);
    value->vt = VT_LPWSTR;
    value->pwszVal = text;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetProperties(IPortableDeviceKeyCollection*, IPortableDeviceValues**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetSupportedDataFields(IPortableDeviceKeyCollection**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetProperties(IPortableDeviceValues*, IPortableDeviceValues**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SupportsDataField(REFPROPERTYKEY, VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetState(SensorState*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetData(ISensorDataReport**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SupportsEvent(REFGUID, VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetEventInterest(GUID**, ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetEventInterest(GUID*, ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetEventSink(ISensorEvents*) override { return E_NOTIMPL; }

 private:
  SensorEntry entry_;
};

class FixtureCollection : public Object<ISensorCollection> {
 public:
  explicit FixtureCollection(Fixture fixture) : fixture_(std::move(fixture)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Query(iid, kIidSensorCollection, out);
  }
  HRESULT STDMETHODCALLTYPE GetAt(ULONG index, ISensor** sensor) override {
    if (!sensor) return E_POINTER;
    *sensor = nullptr;
    if (index >= fixture_.sensors.size()) return E_INVALIDARG;
    if (fixture_.sensors[index].fetchFails) return E_FAIL;
    *sensor = new (std::nothrow) FixtureSensor(fixture_.sensors[index]);
    return *sensor ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE GetCount(ULONG* count) override {
    if (!count) return E_POINTER;
    if (fixture_.countFails) return E_FAIL;
    *count = static_cast<ULONG>(fixture_.sensors.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Add(ISensor*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Remove(ISensor*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveByID(REFSENSOR_ID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clear() override { return E_NOTIMPL; }

 private:
  Fixture fixture_;
};

class FixtureManager : public Object<ISensorManager> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Query(iid, kIidSensorManager, out);
  }
  HRESULT STDMETHODCALLTYPE GetSensorsByCategory(REFSENSOR_CATEGORY_ID category, ISensorCollection** found) override {
    if (!found) return E_POINTER;
    *found = nullptr;
    const bool all = IsEqualGUID(category, kCategoryAll);
    Log(all ? "GetSensorsByCategory all" : "GetSensorsByCategory other");
    Fixture fixture = ReadFixture();
    if (FAILED(fixture.collection)) return fixture.collection;
    if (!all) fixture.sensors.clear();
    *found = new (std::nothrow) FixtureCollection(std::move(fixture));
    return *found ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE GetSensorsByType(REFSENSOR_TYPE_ID, ISensorCollection**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSensorByID(REFSENSOR_ID, ISensor**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetEventSink(ISensorManagerEvents*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RequestPermissions(HWND parent, ISensorCollection* sensors, WINBOOL modal) override {
    Log(std::string("RequestPermissions parent=") + (parent ? "1" : "0") + " collection=" + (sensors ? "1" : "0") +
        " modal=" + (modal ? "1" : "0"));
    return S_OK;
  }
};

class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // static object
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    const Fixture fixture = ReadFixture();
    Log("CreateInstance");
    if (FAILED(fixture.manager)) return fixture.manager;
    auto* manager = new (std::nothrow) FixtureManager;
    if (!manager) return E_OUTOFMEMORY;
    const HRESULT hr = manager->QueryInterface(iid, out);
    manager->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lock ? ++g_locks : --g_locks;
    return S_OK;
  }
};

Factory g_factory;

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualGUID(clsid, kClsidSensorManager)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return (g_objects == 0 && g_locks == 0) ? S_OK : S_FALSE;
}
