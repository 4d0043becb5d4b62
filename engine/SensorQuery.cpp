#include "engine/SensorQuery.h"

#include "engine/VersionText.h"
#include "platform/Text.h"

namespace brevix {

std::unique_ptr<SensorCollection> GetSensorCollection(SensorSession& session, StandardOutput& out) {
  auto created = session.CreateManager();
  if (created.status == kSensorAccessDisabledByPolicy) {
    out.Print("Unable to retrieve sensor manager: access disabled by policy.\n");
  }
  if (!created.manager) {
    out.Print("Failed to get sensor manager\n");
    return nullptr;
  }
  auto all = created.manager->AllSensors();
  if (all.status >= 0 || all.status == kSensorElementNotFound) return std::move(all.collection);
  // Typically the user has disabled sensors: let the system offer to enable them.
  created.manager->RequestPermissions(all.collection.get());
  return std::move(all.collection);
}

bool IsHubCollectionSensor(Sensor& sensor) {
  const SensorText name = sensor.FriendlyName();
  if (name.state != SensorText::State::Text) return false;
  return NarrowLowBytes(name.text).find(kHubSensorNameMark) != std::string::npos;
}

std::optional<bool> IsProtractorSensor(Sensor& sensor) {
  const SensorText serial = sensor.SerialNumber();
  if (serial.state == SensorText::State::Unreadable) return std::nullopt;
  return NarrowLowBytes(serial.text) == kProtractorSerial;
}

std::unique_ptr<Sensor> FindHubSensor(SensorCollection& collection, StandardOutput& out) {
  const auto count = collection.Count();
  if (!count) {
    out.Print("Failed to get sensor collection count\n");
    return nullptr;
  }
  for (std::uint32_t index = 0; index < *count; ++index) {
    auto sensor = collection.At(index);
    if (!sensor) {
      out.Print("Failed to get sensor from collection\n");
      return nullptr;
    }
    if (!IsHubCollectionSensor(*sensor)) continue;
    const auto custom = sensor->IsCustomType();
    if (!custom) {
      out.Print("Failed to get sensor type\n");
      return nullptr;
    }
    if (*custom) {
      const auto protractor = IsProtractorSensor(*sensor);
      if (!protractor) {
        out.Print(
            "Failed get custom sensor serial number property when check if custom sensor is protractor "
            "sensor.\n");
        continue;
      }
      if (!*protractor) return sensor;
      continue;
    }
    if (index + 1 == *count) {
      out.Print("No sensor of this type found\n");
      return nullptr;
    }
  }
  return nullptr;
}

std::u16string CutAtFirstHyphen(std::u16string_view serial) {
  const std::size_t hyphen = serial.find(u'-');
  if (hyphen == std::u16string_view::npos) return std::u16string(serial);
  return std::u16string(serial.substr(0, hyphen + 1));
}

std::u16string QueryFirmwareVersion(SensorSource& source, StandardOutput& out) {
  // Declared first so that every sensor object is released before the session ends.
  const auto session = source.OpenSession();
  if (!session) return kNotAvailable;
  std::unique_ptr<Sensor> hub;
  {
    auto collection = GetSensorCollection(*session, out);
    if (collection) hub = FindHubSensor(*collection, out);
  }  // the collection is released before the version is read
  if (!hub) return kNotAvailable;
  const SensorText serial = hub->SerialNumber();
  if (serial.state == SensorText::State::Unreadable) return kNotAvailable;
  return CutAtFirstHyphen(serial.text);  // a value that is not a string counts as empty
}

}  // namespace brevix
