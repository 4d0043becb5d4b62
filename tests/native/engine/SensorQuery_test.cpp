#include "engine/SensorQuery.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "EngineFakes.h"
#include "engine/VersionText.h"

namespace brevix {
namespace {

using testing::FakeSensorSource;
using testing::SensorSetup;
using testing::FakeStandardOutput;
using testing::HubSensor;
using testing::OtherSensor;

struct Query {
  FakeSensorSource source;
  FakeStandardOutput out;
  std::u16string Run() { return QueryFirmwareVersion(source, out); }
};

SensorSetup NonCustomHub() {
  SensorSetup s = HubSensor(u"1.0");
  s.custom = false;
  return s;
}

TEST(SensorQuery, VersionFromTheFirstCustomHubSensorThatIsNotTheProtractor) {
  struct Case {
    const char* what;
    std::vector<SensorSetup> sensors;
    std::u16string expected;
    std::string printed;
  } cases[] = {
      {"protractor skipped, cut after the first hyphen", {HubSensor(u"9999"), HubSensor(u"1.0.2-17")}, u"1.0.2-", ""},
      {"no hyphen: whole serial", {HubSensor(u"1.0.2.17")}, u"1.0.2.17", ""},
      {"hyphen first", {HubSensor(u"-5")}, u"-", ""},
      {"two hyphens", {HubSensor(u"221212-1-2")}, u"221212-", ""},
      {"empty serial is empty, not N/A", {HubSensor(u"")}, u"", ""},
      {"five nines are not the protractor", {HubSensor(u"99999")}, u"99999", ""},
      {"only the protractor", {HubSensor(u"9999")}, u"N/A", ""},
      {"non-hub sensors are passed over", {OtherSensor(), OtherSensor(u"Custom", true), HubSensor(u"7-1")}, u"7-", ""},
      {"non-custom hub sensor followed by other sensors", {NonCustomHub(), OtherSensor()}, u"N/A", ""},
      {"non-custom hub sensor last", {OtherSensor(), NonCustomHub()}, u"N/A", "No sensor of this type found\n"},
      {"non-custom hub sensor before the custom one", {NonCustomHub(), HubSensor(u"3-3")}, u"3-", ""},
      {"no sensors at all", {}, u"N/A", ""},
  };
  for (auto& c : cases) {
    Query q;
    q.source.sensors = c.sensors;
    EXPECT_EQ(q.Run(), c.expected) << c.what;
    EXPECT_EQ(q.out.printed, c.printed) << c.what;
  }
}

TEST(SensorQuery, FriendlyNameMustHoldTheMarkExactly) {
  struct Case {
    SensorText name;
    bool hub;
  } cases[] = {
      {SensorText::Of(u"HID Sensor Collection"), true},
      {SensorText::Of(u"HID Sensor Collection V2"), true},
      {SensorText::Of(u"Varnek HID Sensor Collection #2"), true},
      {SensorText::Of(u"hid sensor collection"), false},
      {SensorText::Of(u"HID Sensor Collectio"), false},
      {SensorText::Of(u""), false},
      {SensorText::NotAString(), false},
      {SensorText::Unreadable(), false},
  };
  for (const auto& c : cases) {
    FakeSensorSource source;
    SensorSetup setup = HubSensor(u"1-2");
    setup.friendlyName = c.name;
    source.sensors = {setup};
    FakeStandardOutput out;
    EXPECT_EQ(QueryFirmwareVersion(source, out), c.hub ? u"1-" : u"N/A") << Utf16ToUtf8(c.name.text);
  }
}

TEST(SensorQuery, ManagerAndCollectionFailures) {
  struct Case {
    const char* what;
    std::int32_t managerStatus;
    bool managerCreated;
    std::int32_t allStatus;
    bool collectionReturned;
    std::string printed;
    std::string permissionEvent;  // empty: no permission request
  } cases[] = {
      {"disabled by policy", kSensorAccessDisabledByPolicy, false, 0, true,
       "Unable to retrieve sensor manager: access disabled by policy.\nFailed to get sensor manager\n", ""},
      {"class not registered", static_cast<std::int32_t>(0x80040154u), false, 0, true,
       "Failed to get sensor manager\n", ""},
      {"no sensors", 0, true, kSensorElementNotFound, false, "", ""},
      {"access denied, nothing returned", 0, true, static_cast<std::int32_t>(0x80070005u), false, "",
       "permissions without collection"},
  };
  for (const auto& c : cases) {
    Query q;
    q.source.managerStatus = c.managerStatus;
    q.source.managerCreated = c.managerCreated;
    q.source.allSensorsStatus = c.allStatus;
    q.source.collectionReturned = c.collectionReturned;
    EXPECT_EQ(q.Run(), u"N/A") << c.what;
    EXPECT_EQ(q.out.printed, c.printed) << c.what;
    const auto& ev = q.source.events;
    const bool asked = std::any_of(ev.begin(), ev.end(), [](const std::string& e) { return e.rfind("permissions", 0) == 0; });
    EXPECT_EQ(asked, !c.permissionEvent.empty()) << c.what;
    if (!c.permissionEvent.empty()) {
      EXPECT_NE(std::find(ev.begin(), ev.end(), c.permissionEvent), ev.end()) << c.what;
    }
    EXPECT_EQ(std::count(ev.begin(), ev.end(), "session"), 1) << c.what;
    EXPECT_EQ(ev.back(), "end session") << c.what;
  }
}

TEST(SensorQuery, RefusedCollectionThatStillCameBackIsSearched) {
  // The permission request is made, and whatever collection it leaves is used.
  Query q;
  q.source.allSensorsStatus = static_cast<std::int32_t>(0x80070005u);
  q.source.sensors = {HubSensor(u"42-1")};
  EXPECT_EQ(q.Run(), u"42-");
  const auto& ev = q.source.events;
  EXPECT_NE(std::find(ev.begin(), ev.end(), "permissions with collection"), ev.end());
}

TEST(SensorQuery, SearchFailuresStopOrSkip) {
  struct Case {
    const char* what;
    std::vector<SensorSetup> sensors;
    bool countFails;
    std::u16string expected;
    std::string printed;
  };
  SensorSetup fetchFails = HubSensor(u"1-1");
  fetchFails.fetchFails = true;
  SensorSetup typeFails = HubSensor(u"1-1");
  typeFails.custom = std::nullopt;
  SensorSetup serialFails = HubSensor(u"1-1");
  serialFails.serialReads = {SensorText::Unreadable()};
  SensorSetup serialNotText = HubSensor(u"1-1");
  serialNotText.serialReads = {SensorText::NotAString()};
  SensorSetup serialLostAfterCheck = HubSensor(u"1-1");
  serialLostAfterCheck.serialReads = {SensorText::Of(u"1-1"), SensorText::Unreadable()};
  const std::string protractorLine =
      "Failed get custom sensor serial number property when check if custom sensor is protractor sensor.\n";

  const Case cases[] = {
      {"count unreadable", {HubSensor(u"1-1")}, true, u"N/A", "Failed to get sensor collection count\n"},
      {"fetch fails before a good sensor", {fetchFails, HubSensor(u"2-2")}, false, u"N/A",
       "Failed to get sensor from collection\n"},
      {"type unreadable before a good sensor", {typeFails, HubSensor(u"2-2")}, false, u"N/A",
       "Failed to get sensor type\n"},
      {"type of a non-hub sensor is never asked", {[] {
         SensorSetup s = OtherSensor();
         s.custom = std::nullopt;
         return s;
       }(), HubSensor(u"2-2")}, false, u"2-", ""},
      {"serial unreadable during the search: next sensor", {serialFails, HubSensor(u"2-2")}, false, u"2-",
       protractorLine},
      {"serial unreadable during the search, nothing after", {serialFails}, false, u"N/A", protractorLine},
      {"serial not a string: not the protractor, version empty", {serialNotText}, false, u"", ""},
      {"serial unreadable when the version is read", {serialLostAfterCheck}, false, u"N/A", ""},
  };
  for (const auto& c : cases) {
    Query q;
    q.source.sensors = c.sensors;
    q.source.countFails = c.countFails;
    EXPECT_EQ(q.Run(), c.expected) << c.what;
    EXPECT_EQ(q.out.printed, c.printed) << c.what;
  }
}

TEST(SensorQuery, CollectionIsReleasedBeforeTheVersionReadAndAllBeforeTheSessionEnds) {
  Query q;
  q.source.sensors = {OtherSensor(), HubSensor(u"9999"), HubSensor(u"5.1-2")};
  ASSERT_EQ(q.Run(), u"5.1-");
  const auto& ev = q.source.events;
  const auto released = std::find(ev.begin(), ev.end(), "release collection");
  const auto lastSerial = std::find(ev.rbegin(), ev.rend(), "serial 2").base() - 1;
  ASSERT_NE(released, ev.end());
  EXPECT_LT(released, lastSerial);
  EXPECT_EQ(ev.back(), "end session");
  EXPECT_EQ(q.source.liveAtSessionEnd, 0);
  // The found sensor's serial is read twice: the protractor test, then the version.
  EXPECT_EQ(std::count(ev.begin(), ev.end(), "serial 2"), 2);
  // Sensors after the found one are never fetched.
  q.source.sensors.push_back(HubSensor(u"6-6"));
  q.source.events.clear();
  q.Run();
  EXPECT_EQ(std::count(q.source.events.begin(), q.source.events.end(), "at 3"), 0);
}

}  // namespace
}  // namespace brevix
