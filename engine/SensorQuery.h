#pragma once
// The installed firmware version, read from the serial number of the sensor hub's custom
// sensor through the platform's sensor interface. The source below gives, in collection
// order, what the search needs of each sensor; on Windows it is the Sensor API over COM.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Console.h"

namespace brevix {

// Status codes (HRESULT values) that the search tells apart.
constexpr std::int32_t kSensorStatusOk = 0;
constexpr std::int32_t kSensorAccessDisabledByPolicy = static_cast<std::int32_t>(0x800704ECu);
constexpr std::int32_t kSensorElementNotFound = static_cast<std::int32_t>(0x80070490u);

// A string property as read from a sensor.
struct SensorText {
  enum class State { Unreadable, NotText, Text };
  State state = State::Unreadable;
  std::u16string text;

  static SensorText Unreadable() { return {}; }
  static SensorText NotAString() { return {State::NotText, {}}; }
  static SensorText Of(std::u16string value) { return {State::Text, std::move(value)}; }
};

class Sensor {
 public:
  virtual ~Sensor() = default;
  virtual SensorText FriendlyName() = 0;
  virtual SensorText SerialNumber() = 0;
  // Whether the sensor's type is the custom type; nullopt when the type cannot be read.
  virtual std::optional<bool> IsCustomType() = 0;
};

class SensorCollection {
 public:
  virtual ~SensorCollection() = default;
  virtual std::optional<std::uint32_t> Count() = 0;
  // nullptr when the sensor cannot be fetched.
  virtual std::unique_ptr<Sensor> At(std::uint32_t index) = 0;
};

class SensorManager {
 public:
  struct AllSensorsResult {
    std::int32_t status = kSensorStatusOk;
    std::unique_ptr<SensorCollection> collection;
  };
  virtual ~SensorManager() = default;
  virtual AllSensorsResult AllSensors() = 0;
  // Lets the system ask the user to enable sensors; not modal, no parent window.
  virtual void RequestPermissions(SensorCollection* collection) = 0;
};

// The sensor interface for the lifetime of the session object (on Windows: COM on this
// thread, in the multithreaded apartment, left again when the session ends).
class SensorSession {
 public:
  struct ManagerResult {
    std::int32_t status = kSensorStatusOk;
    std::unique_ptr<SensorManager> manager;
  };
  virtual ~SensorSession() = default;
  virtual ManagerResult CreateManager() = 0;
};

class SensorSource {
 public:
  virtual ~SensorSource() = default;
  virtual std::unique_ptr<SensorSession> OpenSession() = 0;
};

// What the friendly name of a hub sensor contains, and the protractor's serial number.
constexpr char kHubSensorNameMark[] = "HID Sensor Collection";
constexpr char kProtractorSerial[] = "9999";

// Every sensor, or nullptr (diagnostic lines go to `out`).
std::unique_ptr<SensorCollection> GetSensorCollection(SensorSession& session, StandardOutput& out);
// The first hub sensor of the custom type that is not the protractor, or nullptr.
std::unique_ptr<Sensor> FindHubSensor(SensorCollection& collection, StandardOutput& out);
bool IsHubCollectionSensor(Sensor& sensor);
// nullopt when the serial number cannot be read.
std::optional<bool> IsProtractorSensor(Sensor& sensor);
// The text of a serial number up to and including its first "-", or all of it.
std::u16string CutAtFirstHyphen(std::u16string_view serial);

// The installed firmware version, "" for an empty serial number, or "N/A".
std::u16string QueryFirmwareVersion(SensorSource& source, StandardOutput& out);

}  // namespace brevix
