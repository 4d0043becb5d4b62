#include "engine/InstalledDrivers.h"

#include <gtest/gtest.h>

#include "EngineFakes.h"
#include "engine/VersionText.h"

namespace brevix {
namespace {

using testing::EngineMachine;
using testing::FakeRegistry;

const std::u16string kAcpiDesc = u"Varnek(R) Brevix ACPI Control";
const std::u16string kDfuDesc = u"Varnek(R) Brevix DFU 0A04";

struct Instance {
  std::u16string name;
  std::map<std::u16string, std::u16string> values;
  bool openable = true;
};

FakeRegistry ClassWith(std::u16string_view classKey, const std::vector<Instance>& instances) {
  FakeRegistry r;
  auto& cls = r.keys[std::u16string(classKey)];
  for (const auto& i : instances) {
    cls.subkeys.push_back(i.name);
    auto& key = r.keys[std::u16string(classKey) + u"\\" + i.name];
    key.values = i.values;
    key.openable = i.openable;
  }
  return r;
}

std::map<std::u16string, std::u16string> Driver(std::u16string desc, std::u16string date = u"6-21-2013",
                                                std::u16string version = u"1.0.0.5") {
  return {{u"DriverDesc", desc}, {u"DriverDate", date}, {u"DriverVersion", version}};
}

TEST(InstalledDrivers, SearchOfTheSystemClassForTheAcpiDriver) {
  auto without = [](std::map<std::u16string, std::u16string> v, const char16_t* name) {
    v.erase(name);
    return v;
  };
  struct Case {
    const char* what;
    std::vector<Instance> instances;
    std::u16string expected;
  } cases[] = {
      {"no instances", {}, u""},
      {"the driver", {{u"0000", Driver(kAcpiDesc)}}, u"06/21/2013,1.0.0.5"},
      {"instance without a description is skipped",
       {{u"0000", {{u"DriverDate", u"1-1-2010"}}}, {u"0001", Driver(kAcpiDesc)}},
       u"06/21/2013,1.0.0.5"},
      {"an unopenable instance ends the search",
       {{u"0000", Driver(kAcpiDesc), false}, {u"0001", Driver(kAcpiDesc)}},
       u""},
      {"unopenable instance after the match is never reached",
       {{u"0000", Driver(kAcpiDesc)}, {u"0001", {}, false}},
       u"06/21/2013,1.0.0.5"},
      {"case differs", {{u"0000", Driver(u"Varnek(R) Brevix ACPI control")}}, u""},
      {"trailing blank", {{u"0000", Driver(kAcpiDesc + u" ")}}, u""},
      {"a DFU description is not the ACPI driver", {{u"0000", Driver(kDfuDesc)}}, u""},
      {"first match wins over a newer later one",
       {{u"0000", Driver(kAcpiDesc, u"1-2-2013", u"1.0.0.1")}, {u"0001", Driver(kAcpiDesc, u"8-6-2013", u"1.1.0")}},
       u"01/02/2013,1.0.0.1"},
      {"first match without a date decides",
       {{u"0000", without(Driver(kAcpiDesc), u"DriverDate")}, {u"0001", Driver(kAcpiDesc)}},
       u""},
      {"no version gives nothing, not a date alone", {{u"0000", without(Driver(kAcpiDesc), u"DriverVersion")}}, u""},
      {"date without dashes", {{u"0000", Driver(kAcpiDesc, u"2013", u"1.0")}}, u"2013,1.0"},
      {"description read up to its NUL", {{u"0000", Driver(kAcpiDesc + std::u16string(1, u'\0') + u"x")}},
       u"06/21/2013,1.0.0.5"},
      // Buffers: 100 bytes hold 49 units and the terminator; 500 bytes hold 249.
      {"49-unit version fits", {{u"0000", Driver(kAcpiDesc, u"1-2-2013", std::u16string(49, u'9'))}},
       u"01/02/2013," + std::u16string(49, u'9')},
      {"50-unit version does not", {{u"0000", Driver(kAcpiDesc, u"1-2-2013", std::u16string(50, u'9'))}}, u""},
      {"50-unit date does not", {{u"0000", Driver(kAcpiDesc, std::u16string(50, u'1'))}}, u""},
      {"250-unit description is unreadable and skipped",
       {{u"0000", Driver(kAcpiDesc + std::u16string(250 - kAcpiDesc.size(), u' '))}, {u"0001", Driver(kAcpiDesc)}},
       u"06/21/2013,1.0.0.5"},
  };
  for (const auto& c : cases) {
    FakeRegistry r = ClassWith(kSystemClassKey, c.instances);
    EXPECT_EQ(FindInstalledDriver(DriverKind::Acpi, r), c.expected) << c.what;
  }
}

TEST(InstalledDrivers, EveryDfuDescriptionIsTheSttubeDriverOnlyUnderTheUsbClass) {
  const char16_t* descriptions[] = {
      u"Varnek(R) Brevix Legacy DFU",     u"Varnek(R) Brevix Unknown DFU",  u"Varnek(R) Brevix Quessa DFU",
      u"Varnek(R) Brevix Dorrow 2.0 DFU", u"Varnek(R) Brevix Zenth DFU",    u"Varnek(R) Brevix Ambry Board DFU",
      u"Varnek(R) Brevix DFU 0A04",       u"Varnek(R) Brevix DFU 0A05",     u"Varnek(R) Brevix Hollin Board DFU",
  };
  for (const char16_t* d : descriptions) {
    FakeRegistry usb = ClassWith(kUsbClassKey, {{u"0003", Driver(d, u"7-5-2012", u"3.0.4.0")}});
    EXPECT_EQ(FindInstalledDriver(DriverKind::Sttube, usb), u"07/05/2012,3.0.4.0") << Utf16ToUtf8(d);
    FakeRegistry system = ClassWith(kSystemClassKey, {{u"0003", Driver(d)}});
    EXPECT_EQ(FindInstalledDriver(DriverKind::Acpi, system), u"") << Utf16ToUtf8(d);
  }
  FakeRegistry acpiUnderUsb = ClassWith(kUsbClassKey, {{u"0000", Driver(kAcpiDesc)}});
  EXPECT_EQ(FindInstalledDriver(DriverKind::Sttube, acpiUnderUsb), u"");
}

TEST(InstalledDrivers, OpensOnlyTheClassKeyOfTheKindBelowLocalMachine) {
  FakeRegistry r = ClassWith(kUsbClassKey, {{u"0000", Driver(kDfuDesc)}});
  FindInstalledDriver(DriverKind::Sttube, r);
  EXPECT_EQ(r.opened, (std::vector<std::u16string>{kUsbClassKey, std::u16string(kUsbClassKey) + u"\\0000"}));

  FakeRegistry none;
  EXPECT_EQ(FindInstalledDriver(DriverKind::Acpi, none), u"");  // class key missing
  EXPECT_EQ(FindInstalledDriver(static_cast<DriverKind>(3), none), u"");
  EXPECT_TRUE(none.opened.size() == 1 && none.opened[0] == kSystemClassKey);
}

TEST(InstalledDrivers, DateRewrite) {
  struct Case {
    const char16_t* date;
    const char16_t* expected;
  } cases[] = {
      {u"6-21-2013", u"06/21/2013,"}, {u"12-1-2012", u"12/01/2012,"}, {u"10-15-2012", u"10/15/2012,"},
      {u"1-2-2013", u"01/02/2013,"},  {u"2013", u"2013,"},            {u"", u","},
      {u"--2013", u"//2013,"},        {u"1-2-3-4", u"01/02/03/4,"},   {u"123-4567-8", u"123/4567/8,"},
      {u"6-21-", u"06/21/,"},
  };
  for (const auto& c : cases) EXPECT_EQ(RewriteDriverDate(c.date), c.expected) << Utf16ToUtf8(c.date);
}

TEST(InstalledDrivers, InstalledVersionIsNotAvailableForNothingFound) {
  EngineMachine m;
  m.InstallDriver(DriverKind::Sttube, kDfuDesc, u"7-5-2012", u"3.0.4.0");
  EXPECT_EQ(InstalledDriverVersion(DriverKind::Acpi, m.registry), kNotAvailable);
  EXPECT_EQ(InstalledDriverVersion(DriverKind::Sttube, m.registry), u"07/05/2012,3.0.4.0");
  // Kinds that are no drivers of ours find nothing, not the neighbour's driver.
  EXPECT_EQ(InstalledDriverVersion(static_cast<DriverKind>(0), m.registry), kNotAvailable);
  EXPECT_EQ(InstalledDriverVersion(static_cast<DriverKind>(3), m.registry), kNotAvailable);
}

}  // namespace
}  // namespace brevix
