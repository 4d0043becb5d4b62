// Faults injected through the seams: a disk that fills or fails during extraction, a log that
// cannot be opened, registry strings of every odd shape, a sensor server that dies mid-query.
// Each shows the specified outcome and that nothing else is lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "EngineFakes.h"
#include "FaultFakes.h"
#include "data/ResourcePackage.h"
#include "engine/Extraction.h"
#include "engine/FirmwarePoll.h"
#include "engine/InstalledDrivers.h"
#include "engine/FirmwareReadBack.h"
#include "engine/UpgradeEngine.h"
#include "engine/UpgradeWorker.h"

namespace brevix {
namespace {

using testing::EngineMachine;
using testing::FillingDisk;
using testing::HubSensor;
using testing::OtherSensor;
using testing::RawRegistry;
using testing::RegistryData;
using testing::UnopenableLogFile;

constexpr char16_t kAcpiDesc[] = u"Varnek(R) Brevix ACPI Control";
constexpr char16_t kDfuDesc[] = u"Varnek(R) Brevix DFU 0A04";
const std::u16string kAcpiVer = u"08/06/2013,1.1.0";
const std::u16string kSttubeVer = u"07/05/2012,3.0.4.0";
const std::u16string kAcpiInf = u"DRIVER\\ACPI\\VarnekBrevixAcpi.inf";
const std::u16string kSttubeInf = u"DRIVER\\STTUBE\\STtube.inf";
const std::u16string kFirmware = u"DRIVER\\FIRMWARE\\File\\" + std::u16string(EngineMachine::kFirmwareFile);

// Lines of the upgrade log that name `code`, in either message form.
int LinesWith(const std::vector<std::string>& lines, const std::string& code) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                        [&](const std::string& l) { return l.find(code) != std::string::npos; }));
}

// ---- extraction ----------------------------------------------------------------------------

std::vector<std::pair<std::u16string, Bytes>> SmallProductPackage() {
  return {
      {u"DRIVER\\ACPI\\dpinst.exe", Bytes(40, 0xAC)},
      {kAcpiInf, testing::InfWithDriverVer(Utf16ToUtf8(kAcpiVer))},
      {kFirmware, Bytes(16, 0xF1)},
      {u"DRIVER\\STTUBE\\dpinst.exe", Bytes(40, 0x57)},
      {kSttubeInf, testing::InfWithDriverVer(Utf16ToUtf8(kSttubeVer))},
      {u"ErrorCode.ini", testing::Ansi("[Preparing]\r\n0xEE010003=Can not find upgrading ACPI driver\r\n"
                                       "0xEE010005=Can not find upgrading STTube driver")},
      {u"PidVid", testing::Utf16File(u"VID_7A1D&PID_0A04|\r\nVRK33D1|\r\n")},
  };
}

// The checking phase on a machine whose working directory holds what extraction left.
struct CheckedAfterExtraction {
  EngineMachine m;
  std::unique_ptr<UpgradeEngine> engine;
  CheckReport report;
  explicit CheckedAfterExtraction(const testing::FakeFileSystem& disk) {
    m.files.files.clear();
    for (const auto& [path, bytes] : disk.files) {
      m.files.files[EngineMachine::Path(path)] = bytes;
    }
    engine = std::make_unique<UpgradeEngine>(m.Services(), m.Texts());
    engine->Attach(&m.view);
    report = engine->RunChecks();
  }
};

// Whatever the room on the disk, every file is whole or absent, extraction reports success as
// specified, and the checking phase reads whole versions or reports the missing INF: it never
// takes half an INF's DriverVer for a version.
TEST(ExtractionFaults, DiskThatFillsLeavesEveryFileWholeOrAbsent) {
  const auto entries = SmallProductPackage();
  const Bytes package = BuildPackage(entries);
  std::size_t total = 0;
  for (const auto& e : entries) total += e.second.size();

  std::set<std::set<std::u16string>> checked;  // the checking phase once per set of files left
  for (std::size_t room = 0; room <= total; ++room) {
    FillingDisk disk;
    disk.freeBytes = room;
    const ExtractionResult result = ExtractPackage(package, disk);
    ASSERT_TRUE(result.packageRead) << room;
    std::size_t whole = 0;
    for (const auto& [name, data] : entries) {
      const auto f = disk.files.find(name);
      if (f == disk.files.end()) continue;
      ASSERT_EQ(f->second, data) << "room " << room << ": " << Utf16ToUtf8(name) << " is only part of the entry";
      ++whole;
    }
    ASSERT_EQ(disk.files.size(), whole) << room;  // nothing but whole entries
    ASSERT_EQ(result.unwritten.size(), entries.size() - whole) << room;  // and the rest named
    if (room == total) {
      EXPECT_EQ(whole, entries.size());
    }

    std::set<std::u16string> left;
    for (const auto& f : disk.files) left.insert(f.first);
    if (!checked.insert(left).second) continue;
    CheckedAfterExtraction run(disk);
    const bool acpi = disk.files.count(kAcpiInf), sttube = disk.files.count(kSttubeInf);
    EXPECT_EQ(run.report.packagedAcpiVersion, acpi ? kAcpiVer : u"N/A") << room;
    EXPECT_EQ(run.report.packagedSttubeVersion, sttube ? kSttubeVer : u"N/A") << room;
    EXPECT_EQ(run.report.packagedFirmwareVersion, disk.files.count(kFirmware) ? u"221212" : u"N/A") << room;
    EXPECT_EQ(LinesWith(run.m.logFile.lines, "0xEE010003"), acpi ? 0 : 1) << room;
    EXPECT_EQ(LinesWith(run.m.logFile.lines, "0xEE010005"), sttube ? 0 : 1) << room;
  }
}

// A write that fails part-way (a device error) over the tree of an earlier run: that file is
// gone rather than half new (the earlier copy is removed before a file is made anew), every
// other entry is written, and the user's own file stays.
TEST(ExtractionFaults, WriteFailingPartWayLeavesNoPartAndTheRestIsExtracted) {
  const auto entries = SmallProductPackage();
  const Bytes package = BuildPackage(entries);
  for (const auto& failing : entries) {
    FillingDisk disk;
    for (const auto dir : {u"DRIVER", u"DRIVER\\ACPI", u"DRIVER\\STTUBE", u"DRIVER\\FIRMWARE", u"DRIVER\\FIRMWARE\\File"}) {
      disk.directories[dir] = FileSystem::kDirectoryAttribute;
    }
    for (const auto& [name, data] : entries) disk.files[name] = testing::Ansi("from an earlier run");
    disk.files[u"DRIVER\\ACPI\\notes.txt"] = testing::Ansi("mine");
    disk.failingWrites = {failing.first};

    const ExtractionResult result = ExtractPackage(package, disk);
    ASSERT_TRUE(result.packageRead);
    EXPECT_EQ(result.unwritten, std::vector<std::u16string>{failing.first});
    const std::string label = Utf16ToUtf8(failing.first);
    EXPECT_EQ(disk.files.count(failing.first), 0u) << label;
    for (const auto& [name, data] : entries) {
      if (name != failing.first) {
        EXPECT_EQ(disk.files.at(name), data) << label << " failing, " << Utf16ToUtf8(name);
      }
    }
    EXPECT_EQ(disk.files.at(u"DRIVER\\ACPI\\notes.txt"), testing::Ansi("mine")) << label;

    CheckedAfterExtraction run(disk);
    if (failing.first == kAcpiInf) {
      EXPECT_EQ(run.report.packagedAcpiVersion, u"N/A");
      EXPECT_EQ(LinesWith(run.m.logFile.lines, "Can not find upgrading ACPI driver (0xEE010003)"), 1);
    }
    if (failing.first == u"ErrorCode.ini") {
      // Nothing to report in this run; a later report takes the table's not-found form.
      run.m.log.ReportError("0xEE010003", "Preparing");
      EXPECT_EQ(LinesWith(run.m.logFile.lines, "[ERROR | Illegal \"ErrorCode\" Key Value = 0xEE010003]"), 1);
    }
  }
}

// ---- the log -------------------------------------------------------------------------------

// The log cannot be opened: each line is lost and nothing else happens. The report, the
// decisions and the end of the stage are those of a run with a working log, and a line
// written after the log can be opened again arrives whole.
TEST(LogFaults, UnopenableLogLosesOnlyItsLines) {
  auto run = [](LogFile& logFile, std::u16string& report, PollOutcome& outcome, bool& failed) {
    EngineMachine m;
    m.SetPackage(u"", u"", EngineMachine::kFirmwareFile);  // both INFs missing: two reports
    m.InstallDriver(DriverKind::Acpi, kAcpiDesc, u"6-21-2013", u"1.0.0.5");
    UpgradeLog log(m.profile, m.clock, logFile);
    EngineServices services = m.Services();
    UpgradeEngine engine(EngineServices{services.files, services.profile, services.registry, services.sensors,
                                        services.devices, services.launcher, services.clock,
                                        services.standardOutput, log, services.digests},
                         m.Texts());
    engine.Attach(&m.view);
    CheckReport checked = engine.RunChecks();
    report = m.view.log;
    // The flashing tool's failure report: logged, and the stage ends failed either way.
    checked.firmwareNeedsUpgrade = true;
    WorkerState state;
    state.SetFinished(true);
    state.RecordToolStart(m.launcher.StartTracked(u"VarnekDFU.exe", u""));
    m.launcher.lastTracked->running = false;
    testing::FakeMailslot mailslot;
    mailslot.messages.push_back(testing::DfuMessage(1, 2));
    FirmwarePoll poll(RunMode::Wizard, PollTextsOf(engine.Texts()));
    for (int tick = 0; tick < 3 && !poll.Ended(); ++tick) PollFirmware(poll, engine, checked, state, mailslot);
    outcome = poll.Outcome();
    failed = state.StepFailed();
  };
  testing::RecordingLogFile working;
  UnopenableLogFile unopenable;
  std::u16string reportWith, reportWithout;
  PollOutcome outcomeWith{}, outcomeWithout{};
  bool failedWith = false, failedWithout = false;
  run(working, reportWith, outcomeWith, failedWith);
  run(unopenable, reportWithout, outcomeWithout, failedWithout);

  ASSERT_EQ(working.lines.size(), 3u);  // 0xEE010003, 0xEE010005, 0xEE030004
  EXPECT_EQ(unopenable.attempts, 3);
  EXPECT_TRUE(unopenable.lines.empty());
  EXPECT_EQ(reportWithout, reportWith);
  EXPECT_EQ(outcomeWithout, PollOutcome::FailureReported);
  EXPECT_EQ(outcomeWith, PollOutcome::FailureReported);
  EXPECT_TRUE(failedWithout && failedWith);

  testing::FakeFileSystem files;
  IniProfileReader profile(files);
  testing::FakeClock clock;
  UpgradeLog log(profile, clock, unopenable);
  unopenable.openable = true;
  log.ReportError("0xEE030004", "Upgrading");
  ASSERT_EQ(unopenable.lines.size(), 1u);
  EXPECT_EQ(unopenable.lines[0],
            "2014/01/02 09:05:03:007 [ERROR | Illegal \"ErrorCode\" Key Value = 0xEE030004]\r\n");
}

// ---- registry strings ----------------------------------------------------------------------

// Driver values stored without a terminator, empty, with an odd byte, full of NULs or 10,000
// units long: each is read as the buffer rules say or counts as unreadable, and an unreadable
// description only passes that instance over.
TEST(RegistryStringFaults, DriverValuesOfEveryShape) {
  struct Case {
    const char* what;
    Bytes desc, date, version;
    std::u16string expected;  // the installed version, "N/A" when not found
  };
  const Bytes goodDesc = RegistryData(kAcpiDesc);
  const Bytes goodDate = RegistryData(u"6-21-2013");
  const Bytes goodVersion = RegistryData(u"1.0.0.5");
  auto oddByte = [](Bytes b) {
    b.push_back(0x41);
    return b;
  };
  const Case cases[] = {
      {"terminated", goodDesc, goodDate, goodVersion, u"06/21/2013,1.0.0.5"},
      {"no terminators at all", RegistryData(kAcpiDesc, 0), RegistryData(u"6-21-2013", 0), RegistryData(u"1.0.0.5", 0),
       u"06/21/2013,1.0.0.5"},
      {"several terminators", RegistryData(kAcpiDesc, 3), goodDate, RegistryData(u"1.0.0.5", 2), u"06/21/2013,1.0.0.5"},
      {"odd last byte", oddByte(goodDesc), oddByte(goodDate), oddByte(RegistryData(u"1.0.0.5", 0)),
       u"06/21/2013,1.0.0.5"},
      {"empty description", Bytes{}, goodDate, goodVersion, u"N/A"},
      {"empty date", goodDesc, Bytes{}, goodVersion, u",1.0.0.5"},
      {"empty version", goodDesc, goodDate, Bytes{}, u"06/21/2013,"},
      {"only terminators", goodDesc, goodDate, Bytes(8, 0), u"06/21/2013,"},
      // 100 bytes: 49 units and the terminator; 49 units stored bare still fit, 50 do not.
      {"49-unit version without terminator", goodDesc, goodDate, RegistryData(std::u16string(49, u'9'), 0),
       u"06/21/2013," + std::u16string(49, u'9')},
      {"50-unit version without terminator", goodDesc, goodDate, RegistryData(std::u16string(50, u'9'), 0), u"N/A"},
      {"10,000-unit description", RegistryData(std::u16string(10000, u'D')), goodDate, goodVersion, u"N/A"},
      {"10,000-unit date", goodDesc, RegistryData(std::u16string(10000, u'1'), 0), goodVersion, u"N/A"},
      {"10,000-unit version", goodDesc, goodDate, RegistryData(std::u16string(10000, u'9')), u"N/A"},
      {"description padded with 10,000 NULs", RegistryData(kAcpiDesc, 10000), goodDate, goodVersion, u"N/A"},
      {"NUL inside the description", RegistryData(std::u16string(kAcpiDesc) + u'\0' + u"tail"), goodDate, goodVersion,
       u"06/21/2013,1.0.0.5"},
  };
  for (const auto& c : cases) {
    RawRegistry registry;
    auto& cls = registry.keys[kSystemClassKey];
    cls.subkeys = {u"0000"};
    registry.keys[std::u16string(kSystemClassKey) + u"\\0000"].values = {
        {u"DriverDesc", c.desc}, {u"DriverDate", c.date}, {u"DriverVersion", c.version}};
    EXPECT_EQ(InstalledDriverVersion(DriverKind::Acpi, registry), c.expected) << c.what;
  }
}

TEST(RegistryStringFaults, UnreadableDescriptionsAreOnlyPassedOver) {
  RawRegistry registry;
  const std::u16string cls = kUsbClassKey;
  registry.keys[cls].subkeys = {u"0000", u"0001", u"0002", u"0003"};
  registry.keys[cls + u"\\0000"].values = {{u"DriverDesc", RegistryData(std::u16string(10000, u'x'))}};
  registry.keys[cls + u"\\0001"].values = {{u"DriverDesc", RegistryData(std::u16string(250, u'x'), 0)}};
  registry.keys[cls + u"\\0002"].values = {{u"DriverDesc", Bytes{}}};
  registry.keys[cls + u"\\0003"].values = {{u"DriverDesc", RegistryData(kDfuDesc, 0)},
                                           {u"DriverDate", RegistryData(u"7-5-2012")},
                                           {u"DriverVersion", RegistryData(u"3.0.4.0", 0)}};
  EXPECT_EQ(FindInstalledDriver(DriverKind::Sttube, registry), kSttubeVer);
}

// ---- the sensor server ---------------------------------------------------------------------

// The sensor server, answering the first `callsBeforeDeath` calls and failing every later one
// (RPC_E_DISCONNECTED), whatever object it is made through.
class DyingSensorSource : public SensorSource {
 public:
  static constexpr std::int32_t kDisconnected = static_cast<std::int32_t>(0x80010108u);
  DyingSensorSource(SensorSource& inner, int callsBeforeDeath) : inner_(inner), left_(callsBeforeDeath) {}
  int calls = 0;

  std::unique_ptr<SensorSession> OpenSession() override {
    auto session = inner_.OpenSession();
    if (!session) return nullptr;
    return std::make_unique<Session>(*this, std::move(session));
  }

 private:
  bool Answers() {
    ++calls;
    return left_-- > 0;
  }
  struct DyingSensor : Sensor {
    DyingSensor(DyingSensorSource& s, std::unique_ptr<Sensor> i) : src(s), inner(std::move(i)) {}
    SensorText FriendlyName() override { return src.Answers() ? inner->FriendlyName() : SensorText::Unreadable(); }
    SensorText SerialNumber() override { return src.Answers() ? inner->SerialNumber() : SensorText::Unreadable(); }
    std::optional<bool> IsCustomType() override {
      return src.Answers() ? inner->IsCustomType() : std::nullopt;
    }
    DyingSensorSource& src;
    std::unique_ptr<Sensor> inner;
  };
  struct Collection : SensorCollection {
    Collection(DyingSensorSource& s, std::unique_ptr<SensorCollection> i) : src(s), inner(std::move(i)) {}
    std::optional<std::uint32_t> Count() override { return src.Answers() ? inner->Count() : std::nullopt; }
    std::unique_ptr<Sensor> At(std::uint32_t index) override {
      if (!src.Answers()) return nullptr;
      auto sensor = inner->At(index);
      return sensor ? std::make_unique<DyingSensor>(src, std::move(sensor)) : nullptr;
    }
    DyingSensorSource& src;
    std::unique_ptr<SensorCollection> inner;
  };
  struct Manager : SensorManager {
    Manager(DyingSensorSource& s, std::unique_ptr<SensorManager> i) : src(s), inner(std::move(i)) {}
    AllSensorsResult AllSensors() override {
      if (!src.Answers()) return {kDisconnected, nullptr};
      auto all = inner->AllSensors();
      if (all.collection) all.collection = std::make_unique<Collection>(src, std::move(all.collection));
      return all;
    }
    void RequestPermissions(SensorCollection* collection) override {
      if (src.Answers()) inner->RequestPermissions(collection ? static_cast<Collection*>(collection)->inner.get() : nullptr);
    }
    DyingSensorSource& src;
    std::unique_ptr<SensorManager> inner;
  };
  struct Session : SensorSession {
    Session(DyingSensorSource& s, std::unique_ptr<SensorSession> i) : src(s), inner(std::move(i)) {}
    ManagerResult CreateManager() override {
      if (!src.Answers()) return {kDisconnected, nullptr};
      auto created = inner->CreateManager();
      if (created.manager) created.manager = std::make_unique<Manager>(src, std::move(created.manager));
      return created;
    }
    DyingSensorSource& src;
    std::unique_ptr<SensorSession> inner;
  };

  SensorSource& inner_;
  int left_;
};

// Wherever the server dies, the query gives the version only if it answered every call, else
// "N/A"; every sensor object is released before the session ends; and the rest of the checking
// phase (driver versions, report) is unaffected.
TEST(SensorServerFaults, DeathAtEveryCallGivesNotAvailableAndReleasesEverything) {
  auto machine = [](EngineMachine& m) {
    m.sensors.sensors = {OtherSensor(), HubSensor(u"9999"), OtherSensor(u"Custom", true), HubSensor(u"221211-3")};
    m.InstallDriver(DriverKind::Acpi, kAcpiDesc, u"6-21-2013", u"1.0.0.5");
    m.InstallDriver(DriverKind::Sttube, kDfuDesc, u"7-5-2012", u"3.0.4.0");
  };
  int allCalls = 0;
  {
    EngineMachine m;
    machine(m);
    DyingSensorSource healthy(m.sensors, 1 << 20);
    testing::FakeStandardOutput out;
    ASSERT_EQ(QueryFirmwareVersion(healthy, out), u"221211-");
    allCalls = healthy.calls;
  }
  ASSERT_GT(allCalls, 8);
  for (int death = 0; death <= allCalls; ++death) {
    EngineMachine m;
    machine(m);
    DyingSensorSource dying(m.sensors, death);
    EngineServices services = m.Services();
    UpgradeEngine engine(EngineServices{services.files, services.profile, services.registry, dying, services.devices,
                                        services.launcher, services.clock, services.standardOutput, services.log,
                                        services.digests},
                         m.Texts());
    engine.Attach(&m.view);
    const CheckReport report = engine.RunChecks();
    EXPECT_EQ(report.installedFirmwareVersion, death == allCalls ? u"221211-" : u"N/A") << death;
    EXPECT_EQ(m.sensors.liveAtSessionEnd, 0) << death;
    EXPECT_EQ(m.sensors.liveObjects, 0) << death;
    EXPECT_EQ(m.sensors.events.back(), "end session") << death;
    EXPECT_EQ(report.installedAcpiVersion, u"06/21/2013,1.0.0.5") << death;
    EXPECT_EQ(report.installedSttubeVersion, kSttubeVer) << death;
    // The installed-firmware row and the others: the whole report.
    const std::u16string firmwareRow = death == allCalls ? u"Installed Varnek\u00AE Brevix Firmware Version 221211-\r\n"
                                                         : u"Installed Varnek\u00AE Brevix Firmware Version (Not Applicable)\r\n";
    EXPECT_EQ(m.view.log.rfind(firmwareRow, 0), 0u) << death;
    EXPECT_NE(m.view.log.find(u"Installed Varnek\u00AE Brevix ACPI Driver Version 06/21/2013,1.0.0.5\r\n"),
              std::u16string::npos)
        << death;
    for (const std::string& call : m.view.calls) EXPECT_EQ(call.rfind("log:", 0), 0u) << call << " " << death;
    EXPECT_TRUE(report.firmwareNeedsUpgrade) << death;  // packaged 221212 is newer than either reading
  }
}

// The read-back after a flash, its server dying at any call: it reads on to its deadline,
// succeeds only if the first read got its answer, and leaves no sensor object alive.
TEST(SensorServerFaults, ReadBackSurvivesDeathAtEveryCall) {
  int allCalls = 0;
  {
    EngineMachine m;
    m.sensors.sensors = {OtherSensor(), HubSensor(u"221212-0")};
    DyingSensorSource healthy(m.sensors, 1 << 20);
    testing::FakeStandardOutput out;
    ASSERT_EQ(QueryFirmwareVersion(healthy, out), u"221212-");
    allCalls = healthy.calls;
  }
  for (int death = 0; death <= allCalls; ++death) {
    EngineMachine m;
    m.sensors.sensors = {OtherSensor(), HubSensor(u"221212-0")};
    DyingSensorSource dying(m.sensors, death);
    testing::FakeStandardOutput out;
    const ReadBackResult result = ReadBackFirmware(dying, m.clock, out, u"221212");
    EXPECT_EQ(result.matches, death == allCalls) << death;
    EXPECT_EQ(m.clock.elapsed, death == allCalls ? 0u : kReadBackTimeoutMs) << death;
    EXPECT_EQ(m.sensors.liveObjects, 0) << death;
  }
}

}  // namespace
}  // namespace brevix
