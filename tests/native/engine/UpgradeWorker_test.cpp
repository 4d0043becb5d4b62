#include "engine/UpgradeWorker.h"

#include <gtest/gtest.h>

#include <functional>

#include "EngineFakes.h"
#include "engine/UpgradeEngine.h"

namespace brevix {
namespace {

using testing::EngineMachine;

constexpr char16_t kAcpiDesc[] = u"Varnek(R) Brevix ACPI Control";
constexpr char16_t kDfuDesc[] = u"Varnek(R) Brevix DFU 0A04";
constexpr char16_t kPackagedAcpi[] = u"08/06/2013,1.1.0";
constexpr char16_t kPackagedSttube[] = u"07/05/2012,3.0.4.0";
constexpr char kBiosLine[] = "FAIL: Varnek(R) Sensor Hub Hard DFU not supported in BIOS\n";
const std::string kWork = Utf16ToUtf8(EngineMachine::kWork);

// When an installer, once started, shows its driver in the registry: after so many ms, or never.
using InstallDelay = std::optional<std::uint64_t>;
constexpr InstallDelay kNever = std::nullopt;

// The engine on a machine whose installers record the packaged drivers in the registry, and
// whose hard DFU switch comes back at once (no control device, no ACPI device: as under Wine).
struct UpgradeMachine {
  EngineMachine m;
  InstallDelay acpiDelay = 0;
  InstallDelay sttubeDelay = 0;
  std::unique_ptr<UpgradeEngine> engine;
  CheckReport report;  // what the checks found: the packaged drivers and firmware file
  WorkerState state;

  UpgradeMachine() {
    m.launcher.startResult = 42;
    m.devices.controlOpens = false;
    m.launcher.onStart = [this](const std::u16string& file) {
      const bool sttube = file.find(u"\\STTUBE\\") != std::u16string::npos;
      const InstallDelay delay = sttube ? sttubeDelay : acpiDelay;
      if (delay) due_.push_back({m.clock.elapsed + *delay, sttube});
    };
    m.registry.beforeOpen = [this] {
      for (auto it = due_.begin(); it != due_.end();) {
        if (it->at > m.clock.elapsed) {
          ++it;
          continue;
        }
        if (it->sttube) {
          m.InstallDriver(DriverKind::Sttube, kDfuDesc, u"7-5-2012", u"3.0.4.0");
        } else {
          m.InstallDriver(DriverKind::Acpi, kAcpiDesc, u"8-6-2013", u"1.1.0");
        }
        it = due_.erase(it);
      }
    };
    engine = std::make_unique<UpgradeEngine>(m.Services(), m.Texts());
    engine->Attach(&m.view);
    report.packagedAcpiVersion = kPackagedAcpi;
    report.packagedSttubeVersion = kPackagedSttube;
    report.firmwareFileName = EngineMachine::kFirmwareFile;
    m.files.files[EngineMachine::Path(u"DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe")] = Bytes{1};
    engine->SetPackageDigests(m.PackDriverFolder());  // the disk holds what was packed
  }

  const std::u16string& Packaged(DriverKind kind) const {
    return kind == DriverKind::Acpi ? report.packagedAcpiVersion : report.packagedSttubeVersion;
  }
  bool Launch() { return LaunchFirmwareTool(*engine, report.firmwareFileName, state); }

  int BiosLines() const {
    int n = 0;
    for (std::size_t at = 0; (at = m.standardOutput.printed.find(kBiosLine, at)) != std::string::npos; ++at) ++n;
    return n;
  }

 private:
  struct Due {
    std::uint64_t at;
    bool sttube;
  };
  std::vector<Due> due_;
};

TEST(IsInstalledDriverCurrent, InstallKeysAgainstThePackagedVersion) {
  struct Case {
    const char* what;
    DriverKind kind;
    std::u16string packaged;
    std::u16string date, version;  // empty date: nothing installed
    bool current;
  } cases[] = {
      {"ACPI not installed", DriverKind::Acpi, kPackagedAcpi, u"", u"", false},
      {"ACPI equal", DriverKind::Acpi, kPackagedAcpi, u"8-6-2013", u"1.1.0", true},
      {"ACPI same date, lower version", DriverKind::Acpi, kPackagedAcpi, u"8-6-2013", u"1.0.9", false},
      {"ACPI older date", DriverKind::Acpi, kPackagedAcpi, u"6-21-2013", u"1.0.0.5", false},
      {"ACPI later date wins over its version", DriverKind::Acpi, kPackagedAcpi, u"9-1-2013", u"1.0.0", true},
      {"ACPI packaged version unknown", DriverKind::Acpi, u"N/A", u"8-6-2013", u"1.1.0", false},
      {"STTube equal", DriverKind::Sttube, kPackagedSttube, u"7-5-2012", u"3.0.4.0", true},
      {"STTube newer last digit", DriverKind::Sttube, kPackagedSttube, u"7-5-2012", u"3.0.4.1", true},
      {"STTube older", DriverKind::Sttube, kPackagedSttube, u"7-5-2012", u"3.0.3.9", false},
      // The install key stops at v[17]: what follows does not count, unlike in the checking phase.
      {"STTube beyond the install key", DriverKind::Sttube, kPackagedSttube, u"7-5-2012", u"3.0.4.05", true},
      {"STTube packaged longer", DriverKind::Sttube, u"07/05/2012,3.0.4.0.9", u"7-5-2012", u"3.0.4.0", true},
  };
  for (const auto& c : cases) {
    EngineMachine m;
    if (!c.date.empty()) m.InstallDriver(c.kind, c.kind == DriverKind::Acpi ? kAcpiDesc : kDfuDesc, c.date, c.version);
    EXPECT_EQ(IsInstalledDriverCurrent(c.kind, c.packaged, m.registry), c.current) << c.what;
  }
}

TEST(InstallDriver, StartsTheInstallerAndWaitsForTheRegistry) {
  struct Case {
    const char* what;
    DriverKind kind;
    std::intptr_t startResult;
    InstallDelay delay;
    bool switchWaits;  // the hard DFU switch finds its device and waits 5 s for the DFU interface
    bool installed;
    std::uint64_t elapsedMs;
    int switches;
  } cases[] = {
      {"ACPI installer cannot start", DriverKind::Acpi, 2, 0, false, false, 0, 0},
      {"ACPI current at the first test", DriverKind::Acpi, 42, 0, false, true, 0, 0},
      {"ACPI after 2 s", DriverKind::Acpi, 42, 2000, false, true, 2000, 0},
      {"ACPI never: 60 tests, 30 s", DriverKind::Acpi, 42, kNever, false, false, 30000, 0},
      {"STTube installer cannot start", DriverKind::Sttube, 31, 0, false, false, 0, 0},
      {"STTube current at the first test", DriverKind::Sttube, 42, 0, false, true, 0, 1},
      // A switch that comes back at once still leaves the installer its time, past ten tests.
      {"STTube after 20 s", DriverKind::Sttube, 42, 20000, false, true, 20000, 41},
      {"STTube never, switch at once: 30 s", DriverKind::Sttube, 42, kNever, false, false, 30000, 61},
      {"STTube never, switch waits: 10 tests", DriverKind::Sttube, 42, kNever, true, false, 50000, 10},
  };
  for (const auto& c : cases) {
    UpgradeMachine u;
    u.m.launcher.startResult = c.startResult;
    (c.kind == DriverKind::Acpi ? u.acpiDelay : u.sttubeDelay) = c.delay;
    if (c.switchWaits) {
      u.m.devices.controlOpens = true;
      u.m.devices.interfaceAfterChecks = 0;
    }
    EXPECT_EQ(InstallDriver(c.kind, *u.engine, u.Packaged(c.kind)), c.installed) << c.what;
    EXPECT_EQ(u.m.clock.elapsed, c.elapsedMs) << c.what;
    const int switches = c.switchWaits ? static_cast<int>(u.m.devices.sent.size() / 2) : u.BiosLines();
    EXPECT_EQ(switches, c.switches) << c.what;
    const std::string folder = c.kind == DriverKind::Acpi ? "ACPI" : "STTUBE";
    EXPECT_EQ(u.m.launcher.started, std::vector<std::string>{kWork + "\\DRIVER\\" + folder + "\\dpinst.exe "})
        << c.what;
    if (u.m.launcher.lastInstaller) {
      EXPECT_FALSE(u.m.launcher.lastInstaller->running) << c.what;
    }
  }
}

// The installer is waited for: the next step never starts beside it. One that outlives its
// driver's confirmation by kInstallerEndLimitMs, or whose driver never shows, is ended.
TEST(InstallDriver, TheInstallerEndsBeforeTheStepDoes) {
  struct Case {
    const char* what;
    bool neverEnds;
    InstallDelay delay;
    bool installed;
    std::uint64_t elapsedMs;
    int ended;  // EndTree calls on the installer
  } cases[] = {
      {"ends by itself", false, 2000, true, 2000, 0},
      {"driver confirmed, installer held", true, 2000, false, 2000 + kInstallerEndLimitMs, 1},
      {"driver never confirmed, installer held", true, kNever, false, 30000, 1},
  };
  for (const auto& c : cases) {
    UpgradeMachine u;
    u.acpiDelay = c.delay;
    u.m.launcher.installerNeverEnds = c.neverEnds;
    EXPECT_EQ(InstallDriver(DriverKind::Acpi, *u.engine, u.Packaged(DriverKind::Acpi)), c.installed) << c.what;
    EXPECT_EQ(u.m.clock.elapsed, c.elapsedMs) << c.what;
    ASSERT_TRUE(u.m.launcher.lastInstaller) << c.what;
    EXPECT_EQ(u.m.launcher.lastInstaller->endTreeCalls, c.ended) << c.what;
    EXPECT_FALSE(u.m.launcher.lastInstaller->running) << c.what;
  }
}

TEST(LaunchFirmwareTool, FindsTheToolAndStartsItOnThePackagedFile) {
  const std::string firmware = kWork + "\\DRIVER\\FIRMWARE";
  const std::string fileArgument =
      "-file \"" + firmware + "\\File\\" + Utf16ToUtf8(EngineMachine::kFirmwareFile) + "\" -sync";
  struct Case {
    const char* what;
    bool firmwareFile;
    const char16_t* tool;  // in the Tool folder; null: none
    bool startWorks;
    bool started;
    std::vector<std::string> starts;
  } cases[] = {
      {"started", true, u"VarnekDFU.exe", true, true, {firmware + "\\Tool\\VarnekDFU.exe " + fileArgument}},
      {"first match of Varnek*.exe", true, u"VarnekFlash.exe", true, true,
       {firmware + "\\Tool\\VarnekFlash.exe " + fileArgument}},
      {"no firmware file", false, u"VarnekDFU.exe", true, false, {}},
      {"no tool", true, nullptr, true, false, {}},
      {"only other programs", true, u"ToggleDevice.exe", true, false, {}},
      {"start fails", true, u"VarnekDFU.exe", false, false, {firmware + "\\Tool\\VarnekDFU.exe " + fileArgument}},
  };
  for (const auto& c : cases) {
    UpgradeMachine u;
    u.m.files.files.erase(EngineMachine::Path(u"DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe"));
    if (c.tool) u.m.files.files[EngineMachine::Path(u"DRIVER\\FIRMWARE\\Tool\\") + c.tool] = Bytes{1};
    if (!c.firmwareFile) u.report.firmwareFileName.clear();
    u.m.launcher.trackedStartWorks = c.startWorks;
    EXPECT_EQ(u.Launch(), c.started) << c.what;
    EXPECT_EQ(u.state.ToolStarted(), c.started) << c.what;
    EXPECT_EQ(u.state.Tool() != nullptr, c.started) << c.what;
    EXPECT_EQ(u.m.launcher.started, c.starts) << c.what;
  }
}

TEST(LaunchFirmwareTool, TheToolThisRunStartedIsTheOneEnded) {
  UpgradeMachine u;
  EXPECT_FALSE(EndFirmwareTool(u.state));  // nothing started yet
  ASSERT_TRUE(u.Launch());
  const auto process = u.m.launcher.lastTracked;
  // A second start would leave the first tool without an owner.
  EXPECT_FALSE(u.Launch());
  EXPECT_EQ(u.m.launcher.started.size(), 1u);
  EXPECT_TRUE(EndFirmwareTool(u.state));
  EXPECT_EQ(process->endTreeCalls, 1);
  EXPECT_FALSE(process->running);
}

// Every file and folder owned by `owner`, with SYSTEM's full control only.
class UniformSecurity : public FileSecurityReader {
 public:
  explicit UniformSecurity(std::string owner) : owner_(std::move(owner)) {}
  std::optional<ObjectSecurity> Read(const std::u16string&) override {
    return ObjectSecurity{owner_, true, {{true, "S-1-5-18", 0x1F01FF, false, false}}};
  }

 private:
  std::string owner_;
};

TEST(InheritedWorkingDirectory, ProgramsOthersCouldHaveSwappedAreNotStarted) {
  const std::string acpiInstaller = kWork + "\\DRIVER\\ACPI\\dpinst.exe ";
  const std::string toolStart =
      kWork + "\\DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe " +
      Utf16ToUtf8(FirmwareToolParameters(std::u16string(EngineMachine::kWork) + u"\\DRIVER\\FIRMWARE",
                                         EngineMachine::kFirmwareFile));
  struct Case {
    const char* what;
    const char* owner;  // of everything in the inherited directory; null: start-up's own directory
    bool starts;
  } cases[] = {
      {"own working directory", nullptr, true},
      {"inherited, only administrators can change it", "S-1-5-32-544", true},
      {"inherited, a user's folder", "S-1-5-21-1004336348-1177238915-682003330-1001", false},
  };
  for (const auto& c : cases) {
    UpgradeMachine u;
    std::optional<UniformSecurity> security;
    if (c.owner) u.engine->TrustOnlyAdministrators(security.emplace(c.owner));
    EXPECT_EQ(InstallDriver(DriverKind::Acpi, *u.engine, kPackagedAcpi), c.starts) << c.what;
    EXPECT_EQ(u.Launch(), c.starts) << c.what;
    EXPECT_EQ(u.state.ToolStarted(), c.starts) << c.what;
    const auto started = c.starts ? std::vector<std::string>{acpiInstaller, toolStart} : std::vector<std::string>{};
    EXPECT_EQ(u.m.launcher.started, started) << c.what;
  }
}

// The events, with the drivers-done flag as each step starts.
class FlagRecordingView : public testing::RecordingView {
 public:
  const WorkerState* state = nullptr;
  std::vector<int> driversDoneAtStepStart;
  void StepStarted() override {
    driversDoneAtStepStart.push_back(state->DriversDone() ? 1 : 0);
    RecordingView::StepStarted();
  }
};

TEST(UpgradeWorker, RunsTheStepsTheChecksFoundNecessary) {
  const std::string acpiTitle = "log:Upgrading Varnek\u00AE Brevix ACPI Driver";
  const std::string sttubeTitle = "log:Upgrading Varnek\u00AE Brevix STTube Driver";
  const std::string done = "end: . . . Done.\r\n";
  const std::string failed = "end: . . . Failed!\r\n";
  const std::string acpiFailedLine = "2014/01/02 09:05:03:007 ACPI driver upgrade failed (0xEE030001)\r\n";
  const std::string sttubeFailedLine = "2014/01/02 09:05:03:007 STTube driver upgrade failed (0xEE030002)\r\n";
  struct Case {
    const char* what;
    int acpi, sttube, firmware;
    std::intptr_t startResult;
    InstallDelay sttubeDelay;
    std::vector<std::string> calls;
    std::vector<int> driversDoneAtStepStart;
    std::vector<std::string> logLines;
    int driversDone;
    bool toolStarted, failed;
  } cases[] = {
      {"all three", 1, 1, 1, 42, 0,
       {acpiTitle, "step", done, sttubeTitle, "step", done, "log:Finding device", "step"}, {0, 0, 1}, {}, 1, true,
       false},
      {"STTube only", 0, 1, 0, 42, 0, {sttubeTitle, "step", done}, {0}, {}, 1, false, false},
      {"ACPI and drivers only", 1, 0, 0, 42, 0, {acpiTitle, "step", done}, {0}, {}, 1, false, false},
      {"firmware only", 0, 0, 1, 42, 0, {"log:Finding device", "step"}, {0}, {}, 0, true, false},
      // A failed driver does not stop the run: the firmware tool is started all the same.
      {"installers missing", 1, 1, 1, 2, 0,
       {acpiTitle, "step", failed, sttubeTitle, "step", failed, "log:Finding device", "step"}, {0, 0, 1},
       {acpiFailedLine, sttubeFailedLine}, 1, true, true},
      {"STTube never confirmed", 0, 1, 0, 42, kNever, {sttubeTitle, "step", failed}, {0}, {sttubeFailedLine}, 1,
       false, true},
  };
  for (const auto& c : cases) {
    UpgradeMachine u;
    FlagRecordingView view;
    view.state = &u.state;
    u.engine->Attach(&view);
    u.report.acpiNeedsUpgrade = c.acpi;
    u.report.sttubeNeedsUpgrade = c.sttube;
    u.report.firmwareNeedsUpgrade = c.firmware;
    u.m.launcher.startResult = c.startResult;
    u.sttubeDelay = c.sttubeDelay;

    UpgradeWorker(*u.engine, u.report, u.state);
    EXPECT_EQ(view.calls, c.calls) << c.what;
    EXPECT_EQ(view.driversDoneAtStepStart, c.driversDoneAtStepStart) << c.what;
    EXPECT_EQ(u.m.logFile.lines, c.logLines) << c.what;
    EXPECT_EQ(u.state.DriversDone() ? 1 : 0, c.driversDone) << c.what;
    EXPECT_EQ(u.state.ToolStarted(), c.toolStarted) << c.what;
    EXPECT_EQ(u.state.StepFailed(), c.failed) << c.what;
    EXPECT_TRUE(u.state.Finished()) << c.what;
  }
}

// A file changed or planted after extraction: that component is never started, its step fails
// with the component's "integrity check failed!" line, the table's log line is written, and the
// other steps go on.
TEST(UpgradeWorker, AComponentWhoseFilesChangedIsNotStartedAndItsStepFails) {
  const std::string acpiTitle = "log:Upgrading Varnek\u00AE Brevix ACPI Driver";
  const std::string sttubeTitle = "log:Upgrading Varnek\u00AE Brevix STTube Driver";
  const std::string done = "end: . . . Done.\r\n";
  const std::string failed = "end: . . . Failed!\r\n";
  const std::string acpiInstaller = kWork + "\\DRIVER\\ACPI\\dpinst.exe ";
  const std::string sttubeInstaller = kWork + "\\DRIVER\\STTUBE\\dpinst.exe ";
  struct Case {
    const char* what;
    std::u16string file;  // below the working directory: written after extraction
    bool changes;         // an existing file changed; else a new one planted
    std::vector<std::string> calls;
    std::string logLine;
    std::vector<std::string> started;
  } cases[] = {
      {"a DLL planted beside the ACPI installer", u"DRIVER\\ACPI\\version.dll", false,
       {acpiTitle, "step", failed, "log:Varnek\u00AE Brevix ACPI Driver integrity check failed!\r\n", sttubeTitle, "step",
        done, "log:Finding device", "step"},
       "ACPI driver integrity verification failed (0xEE020001)", {sttubeInstaller, "tool"}},
      {"the STTube INF changed", u"DRIVER\\STTUBE\\STtube.inf", true,
       {acpiTitle, "step", done, sttubeTitle, "step", failed,
        "log:Varnek\u00AE Brevix STTube Driver integrity check failed!\r\n", "log:Finding device", "step"},
       "STTube driver integrity verification failed (0xEE020002)", {acpiInstaller, "tool"}},
      {"the firmware file changed", u"DRIVER\\FIRMWARE\\File\\" + std::u16string(EngineMachine::kFirmwareFile), true,
       {acpiTitle, "step", done, sttubeTitle, "step", done, "log:Finding device", "step", failed,
        "log:Varnek\u00AE Brevix Firmware integrity check failed!\r\n"},
       "Firmware integrity verification failed (0xEE020003)", {acpiInstaller, sttubeInstaller}},
  };
  for (const auto& c : cases) {
    UpgradeMachine u;
    u.report.acpiNeedsUpgrade = u.report.sttubeNeedsUpgrade = u.report.firmwareNeedsUpgrade = true;
    Bytes& file = u.m.files.files[EngineMachine::Path(c.file)];
    file.push_back(c.changes ? 0x42 : 0x4D);
    UpgradeWorker(*u.engine, u.report, u.state);
    EXPECT_EQ(u.m.view.calls, c.calls) << c.what;
    ASSERT_EQ(u.m.logFile.lines.size(), 1u) << c.what;
    EXPECT_NE(u.m.logFile.lines[0].find(c.logLine), std::string::npos) << u.m.logFile.lines[0];
    std::vector<std::string> started;
    for (const std::string& s : u.m.launcher.started) started.push_back(s.find("VarnekDFU.exe") != std::string::npos ? "tool" : s);
    EXPECT_EQ(started, c.started) << c.what;
    EXPECT_TRUE(u.state.StepFailed()) << c.what;
    EXPECT_EQ(u.state.FirmwareStepClosed(), c.file.find(u"FIRMWARE") != std::u16string::npos) << c.what;
  }
}

// Without the package's digests (a record that could not be read) nothing is started at all.
TEST(UpgradeWorker, WithoutDigestsNoComponentIsStarted) {
  UpgradeMachine u;
  u.engine->SetPackageDigests(DigestRecord{});
  u.report.acpiNeedsUpgrade = u.report.sttubeNeedsUpgrade = u.report.firmwareNeedsUpgrade = true;
  UpgradeWorker(*u.engine, u.report, u.state);
  EXPECT_TRUE(u.m.launcher.started.empty());
  ASSERT_EQ(u.m.logFile.lines.size(), 3u);
  EXPECT_NE(u.m.logFile.lines[0].find("MD5 string of upgrading ACPI driver (0xEE010004)"), std::string::npos);
  EXPECT_NE(u.m.logFile.lines[2].find("(0xEE010008)"), std::string::npos);
}

TEST(UpgradeWorker, FirmwareStepStartsTwoSecondsAfterTheDriverSteps) {
  UpgradeMachine u;
  u.report.firmwareNeedsUpgrade = true;
  std::uint64_t launchedAt = 0;
  struct TimedView : testing::RecordingView {
    testing::FakeClock* clock = nullptr;
    std::uint64_t* at = nullptr;
    void StepStarted() override { *at = clock->elapsed; }
  } view;
  view.clock = &u.m.clock;
  view.at = &launchedAt;
  u.engine->Attach(&view);
  UpgradeWorker(*u.engine, u.report, u.state);
  EXPECT_EQ(launchedAt, kFirmwareStepDelayMs);
}

TEST(UpgradeWorker, WithoutAFrontEndTheStepsStillRun) {
  UpgradeMachine u;
  u.engine->Attach(nullptr);
  u.report.acpiNeedsUpgrade = true;
  u.report.firmwareNeedsUpgrade = true;
  u.acpiDelay = kNever;
  UpgradeWorker(*u.engine, u.report, u.state);
  EXPECT_TRUE(u.state.StepFailed());
  EXPECT_TRUE(u.state.ToolStarted());
  EXPECT_EQ(u.m.logFile.lines.size(), 1u);
}

}  // namespace
}  // namespace brevix
