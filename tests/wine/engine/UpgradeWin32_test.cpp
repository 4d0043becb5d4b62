// The upgrade's Windows side against the real API under Wine: the firmware mailslot and its
// descriptor, the tracked start and end of the flashing tool's process tree, and the worker
// with the firmware poll end to end on the package's stand-ins (driver installer, flashing
// tool), with the registry of the test prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "../WineTestSupport.h"
#include "data/LanguageTable.h"
#include "data/ResourcePackage.h"
#include "engine/Extraction.h"
#include "data/UpgradeLog.h"
#include "data/win32/Win32LogFile.h"
#include "engine/FirmwareMailslot.h"
#include "engine/FirmwarePoll.h"
#include "data/TextTable.h"
#include "engine/UpgradeEngine.h"
#include "engine/UpgradeWorker.h"
#include "engine/win32/Win32DeviceControl.h"
#include "engine/win32/Win32Mailslot.h"
#include "engine/win32/Win32Sensors.h"
#include "platform/Text.h"
#include "platform/win32/Win32Platform.h"

namespace brevix {
namespace {

using win32::W;

constexpr wchar_t kClassKeys[][80] = {
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e97d-e325-11ce-bfc1-08002be10318}",
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{36fc9e60-c465-11cf-8056-444553540000}",
};

Bytes Message(std::initializer_list<std::uint8_t> bytes) { return Bytes(bytes); }

// A writer of the mailslot, as the flashing tool opens it.
class MailslotClient {
 public:
  explicit MailslotClient(const std::u16string& name)
      : h_(CreateFileW(W(name), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  bool Write(const Bytes& bytes) {
    DWORD written = 0;
    return WriteFile(h_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  }
  bool Open() const { return static_cast<bool>(h_); }

 private:
  win32::UniqueHandle h_;
};

std::u16string TestMailslotName() {
  return u"\\\\.\\Mailslot\\BrevixTest" + Utf8ToUtf16(std::to_string(GetCurrentProcessId()));
}

// ---- the mailslot ------------------------------------------------------------------------

TEST(Win32Mailslot, MadeWithOurDescriptorWhichReadsBackFromTheHandle) {
  auto created = win32::Win32Mailslot::Create(TestMailslotName());
  ASSERT_TRUE(created.mailslot) << created.error;
  const std::u16string ours = win32::CanonicalDaclSddl(kFirmwareMailslotSddl);
  ASSERT_FALSE(ours.empty());
  EXPECT_EQ(created.mailslot->DaclSddl(), ours);

  // Any message size, and reads that never wait.
  DWORD maxSize = 1, readTimeout = 1;
  ASSERT_TRUE(GetMailslotInfo(created.mailslot->handle(), &maxSize, nullptr, nullptr, &readTimeout));
  EXPECT_EQ(maxSize, 0u);
  EXPECT_EQ(readTimeout, 0u);

  // The name is taken now: a second mailslot of that name is reported as a failure.
  auto second = win32::Win32Mailslot::Create(TestMailslotName());
  EXPECT_FALSE(second.mailslot);
  EXPECT_NE(second.error, static_cast<DWORD>(ERROR_SUCCESS));

  auto unparsable = win32::Win32Mailslot::Create(TestMailslotName() + u"x", u"D:(Q;;;)");
  EXPECT_FALSE(unparsable.mailslot);
}

TEST(Win32Mailslot, EachMessageComesWholeWithItsTrueSize) {
  auto created = win32::Win32Mailslot::Create(TestMailslotName());
  ASSERT_TRUE(created.mailslot) << created.error;
  win32::Win32Mailslot& mailslot = *created.mailslot;
  EXPECT_EQ(mailslot.ReadMessage(), std::nullopt);  // empty: at once, nothing

  MailslotClient client(TestMailslotName());
  ASSERT_TRUE(client.Open());
  const std::vector<Bytes> sent = {
      Message({0, 0, 4, 0, 20, 0}),
      Message({0, 0, 4, 0, 30, 0, 0, 0, 0, 0}),  // longer than a report: Wine would cut it
      Message({1, 0, 2}),
      Bytes(400, 0x5A),
      Message({0, 0, 5, 0, 0, 0}),
  };
  for (const auto& m : sent) ASSERT_TRUE(client.Write(m));
  for (const auto& m : sent) EXPECT_EQ(mailslot.ReadMessage(), std::optional<Bytes>(m)) << m.size() << " bytes";
  EXPECT_EQ(mailslot.ReadMessage(), std::nullopt);
}

// ---- the flashing tool's process tree ----------------------------------------------------

// The package unpacked into a fresh current directory, with the stand-ins' scenarios and
// record in it.
class UnpackedPackage {
 public:
  UnpackedPackage() {
    win32::Win32Resources resources;
    const auto package = resources.Find(kPackageResourceType, kPackageResourceId);
    unpacked_ = package && ExtractPackage(*package, files_).Whole();
    SetEnvironmentVariableW(L"BREVIX_STANDIN_LOG", Path(L"standin.log").c_str());
    SetEnvironmentVariableW(L"BREVIX_DPINST_SCENARIO", Path(L"dpinst.scenario").c_str());
    SetEnvironmentVariableW(L"BREVIX_DFU_SCENARIO", Path(L"dfu.scenario").c_str());
  }
  ~UnpackedPackage() {
    for (const wchar_t* name : {L"BREVIX_STANDIN_LOG", L"BREVIX_DPINST_SCENARIO", L"BREVIX_DFU_SCENARIO"}) {
      SetEnvironmentVariableW(name, nullptr);
    }
  }
  bool Unpacked() const { return unpacked_; }
  std::wstring Path(const std::wstring& tail) const { return scratch_.Path() + L"\\" + tail; }
  void Write(const std::wstring& tail, const std::string& text) const {
    win32::Win32FileSystem files;
    files.WriteWholeFile(win32::U16(Path(tail).c_str()),
                         ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  }
  std::string Record() const { return testing::ReadAll(Path(L"standin.log")); }
  // Waits until the stand-ins' record holds `text`; false after `seconds`.
  bool AwaitRecord(const std::string& text, int seconds = 20) const {
    for (int i = 0; i < seconds * 10; ++i) {
      if (Record().find(text) != std::string::npos) return true;
      Sleep(100);
    }
    return false;
  }
  std::u16string ToolPath() const { return win32::U16(Path(L"DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe").c_str()); }
  std::u16string FirmwareDirectory() const { return win32::U16(Path(L"DRIVER\\FIRMWARE").c_str()); }

 private:
  testing::ScratchDirectory scratch_{L"brevix-upgrade"};
  win32::Win32FileSystem files_;
  bool unpacked_ = false;
};

std::u16string FirmwareFile(const UnpackedPackage& package) {
  win32::Win32FileSystem files;
  return files.FindFirstMatch(package.FirmwareDirectory() + u"\\File\\*dfu*").value_or(u"");
}

TEST(Win32ProcessLauncher, EndingTheToolEndsWhatItStartedAndNothingElseOfItsName) {
  UnpackedPackage package;
  ASSERT_TRUE(package.Unpacked());
  package.Write(L"dfu.scenario", "spawn\nsleep 60000\n");

  // Another VarnekDFU.exe on the machine, not ours.
  std::wstring bystanderCommand = L"\"" + std::wstring(W(package.ToolPath())) + L"\" -hold 60000";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessW(nullptr, bystanderCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &info));
  win32::UniqueHandle bystander(info.hProcess);
  CloseHandle(info.hThread);

  win32::Win32ProcessLauncher launcher;
  const auto tool =
      launcher.StartTracked(package.ToolPath(), FirmwareToolParameters(package.FirmwareDirectory(), FirmwareFile(package)));
  ASSERT_TRUE(tool);
  Sleep(300);
  EXPECT_EQ(package.Record().find("VarnekDFU"), std::string::npos) << "held until resumed";
  EXPECT_TRUE(tool->Running());
  ASSERT_TRUE(tool->Resume());
  ASSERT_TRUE(package.AwaitRecord("VarnekDFU: spawned ")) << package.Record();
  const std::string record = package.Record();
  const DWORD childId = std::stoul(record.substr(record.find("spawned ") + 8));
  win32::UniqueHandle child(OpenProcess(SYNCHRONIZE, FALSE, childId));
  ASSERT_TRUE(child);
  EXPECT_TRUE(tool->Running());

  EXPECT_TRUE(tool->EndTree());
  EXPECT_FALSE(tool->Running());
  EXPECT_EQ(WaitForSingleObject(child.get(), 5000), WAIT_OBJECT_0) << "the tool's own helper ends with it";
  EXPECT_EQ(WaitForSingleObject(bystander.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "another of its name runs on";
  TerminateProcess(bystander.get(), 0);
}

TEST(Win32ProcessLauncher, AProgramThatCannotStartGivesNothing) {
  win32::Win32ProcessLauncher launcher;
  EXPECT_FALSE(launcher.StartTracked(u"C:\\nowhere\\VarnekDFU.exe", u"-sync"));
}

// ---- the worker and the poll end to end --------------------------------------------------

// Instances of our drivers in the prefix's class keys.
std::vector<std::pair<std::wstring, std::wstring>> OurDriverInstances() {
  std::vector<std::pair<std::wstring, std::wstring>> found;
  for (const wchar_t* classKey : kClassKeys) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, classKey, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    for (DWORD i = 0;; ++i) {
      wchar_t name[260] = {};
      DWORD length = 260;
      if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      wchar_t desc[260] = {};
      DWORD size = sizeof desc - sizeof(wchar_t);
      if (RegGetValueW(key, name, L"DriverDesc", RRF_RT_REG_SZ, nullptr, desc, &size) == ERROR_SUCCESS &&
          std::wstring(desc).rfind(L"Varnek(R) Brevix", 0) == 0) {
        found.push_back({classKey, name});
      }
    }
    RegCloseKey(key);
  }
  return found;
}

void RemoveOurDriverInstances() {
  for (const auto& [classKey, name] : OurDriverInstances()) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (classKey + L"\\" + name).c_str());
  }
}

// Instances of our drivers that were there before a test (another run's), with their values,
// put aside while the test runs and back afterwards.
class SetAsideDriverInstances {
 public:
  SetAsideDriverInstances() {
    for (const auto& [classKey, name] : OurDriverInstances()) {
      Instance instance{classKey + L"\\" + name, {}};
      HKEY key = nullptr;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, instance.path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
      for (DWORD i = 0;; ++i) {
        wchar_t valueName[260] = {};
        DWORD nameLength = 260, type = 0, size = 0;
        std::vector<BYTE> data(4096);
        size = static_cast<DWORD>(data.size());
        if (RegEnumValueW(key, i, valueName, &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) break;
        data.resize(size);
        instance.values.push_back({std::wstring(valueName, nameLength), type, std::move(data)});
      }
      RegCloseKey(key);
      instances_.push_back(std::move(instance));
    }
    RemoveOurDriverInstances();
  }
  ~SetAsideDriverInstances() {
    RemoveOurDriverInstances();
    for (const auto& instance : instances_) {
      HKEY key = nullptr;
      if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, instance.path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                          nullptr) != ERROR_SUCCESS) {
        continue;
      }
      for (const auto& v : instance.values) {
        RegSetValueExW(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
      }
      RegCloseKey(key);
    }
  }

 private:
  struct Value {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
  };
  struct Instance {
    std::wstring path;
    std::vector<Value> values;
  };
  std::vector<Instance> instances_;
};

// The session's events, from the worker thread and the test's own, in order.
class RecordingView : public EventSink {
 public:
  std::atomic<std::uint32_t>* pauses = nullptr;
  std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
  }
  std::uint32_t pausesAtFirstStepEnd = 0;
  void Emit(SessionEvent event) override {
    using Kind = SessionEvent::Kind;
    switch (event.kind) {
      case Kind::Text: Add("log:" + Utf16ToUtf8(event.text)); break;
      case Kind::StepStarted: Add("step"); break;
      case Kind::StepEnded:
        {
          std::lock_guard<std::mutex> lock(mutex_);
          if (!ended_++ && pauses) pausesAtFirstStepEnd = pauses->load();
        }
        Add("end:" + Utf16ToUtf8(event.text));
        break;
      case Kind::Progress: Add("progress:" + std::to_string(event.percent)); break;
      case Kind::StageEnded: Add("stage end"); break;
      case Kind::ChecksDone: Add(event.allLatest ? "checked:latest" : "checked:older"); break;
      case Kind::RunEnded: Add("run end"); break;
      case Kind::StageStarted: Add("stage start"); break;
      case Kind::FailureBox: Add("box:" + Utf16ToUtf8(event.text)); break;
    }
  }

 private:
  void Add(std::string call) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
  }
  std::mutex mutex_;
  std::vector<std::string> calls_;
  int ended_ = 0;
};

// The real clock, counting the worker's pauses.
class CountingClock : public Clock {
 public:
  std::atomic<std::uint32_t> pauses{0};
  LocalTime Now() override { return real_.Now(); }
  void Sleep(std::uint32_t ms) override {
    ++pauses;
    real_.Sleep(ms);
  }
  std::uint64_t Milliseconds() override { return real_.Milliseconds(); }

 private:
  win32::Win32Clock real_;
};

class UpgradeRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(package_.Unpacked());
    setAside_ = std::make_unique<SetAsideDriverInstances>();
    auto created = win32::Win32Mailslot::Create();
    ASSERT_TRUE(created.mailslot) << "cannot make the firmware mailslot: " << created.error;
    mailslot_ = std::move(created.mailslot);
    texts_ = TextTable::Load(language_, SelectLanguageTableId(system_.GetUserDefaultUILanguage()), u"");
    engine_ = std::make_unique<UpgradeEngine>(
        EngineServices{files_, profile_, registry_, sensors_, devices_, launcher_, clock_, standardOutput_, log_,
                       digests_},
        texts_);
    engine_->Attach(&view_);
    // The digests of the package the test carries, as the program reads its own.
    const auto package = resources_.Find(kPackageResourceType, kPackageResourceId);
    ASSERT_TRUE(package);
    auto digests = ReadPackagedDigestRecord(*package);
    ASSERT_TRUE(digests.record) << digests.error.what;
    engine_->SetPackageDigests(std::move(*digests.record));
    view_.pauses = &clock_.pauses;
    report_ = engine_->RunChecks();
    // The test prefix has none of our drivers and no Sensor API: all three are older.
    ASSERT_TRUE(report_.acpiNeedsUpgrade);
    ASSERT_TRUE(report_.sttubeNeedsUpgrade);
    ASSERT_TRUE(report_.firmwareNeedsUpgrade);
    view_.Clear();  // the checking report is not under test here
  }
  void TearDown() override {
    EndFirmwareTool(state_);
    setAside_.reset();  // this test's drivers go, those of before come back
  }

  // Runs the worker and polls as the front end's timer does, until the stage ends.
  void Run(std::chrono::seconds limit = std::chrono::seconds(90)) {
    std::thread worker([this] { UpgradeWorker(*engine_, report_, state_); });
    FirmwarePoll poll(RunMode::Wizard, PollTextsOf(texts_));
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!poll.Ended() && std::chrono::steady_clock::now() < deadline) {
      Sleep(kPollPeriodMs);
      const PollStep step = PollFirmware(poll, *engine_, report_, state_, *mailslot_);
      for (const SessionEvent& event : step.events) view_.Emit(event);
      // The run's share: the tool ends here; the read-back is the run's test's.
      if (step.closeFlash) {
        EndFirmwareTool(state_);
        view_.Emit(SessionEvent::Of(SessionEvent::Kind::Text, u"(read back)"));
      } else if (poll.Ended()) {
        view_.Emit(SessionEvent::Of(SessionEvent::Kind::StageEnded));
      }
    }
    worker.join();
    outcome_ = poll.Outcome();
  }
  std::vector<std::string> Calls() { return view_.Calls(); }
  std::string LogText() const { return testing::ReadAll(package_.Path(L"UpgradeTool.log")); }

  UnpackedPackage package_;
  win32::Win32FileSystem files_;
  win32::Win32Profile profile_;
  win32::Win32Registry registry_;
  win32::Win32SensorSource sensors_;
  win32::Win32DeviceControl devices_;
  win32::Win32ProcessLauncher launcher_;
  CountingClock clock_;
  win32::Win32StandardOutput standardOutput_;
  win32::Win32FileDigester digests_;
  win32::Win32LogFile logFile_;
  UpgradeLog log_{profile_, clock_, logFile_};
  win32::Win32Resources resources_;
  LanguageTable language_{resources_};
  win32::Win32SystemFacts system_;
  RecordingView view_;
  std::unique_ptr<win32::Win32Mailslot> mailslot_;
  TextTable texts_;
  std::unique_ptr<UpgradeEngine> engine_;
  CheckReport report_;
  WorkerState state_;
  PollOutcome outcome_ = PollOutcome::Running;
  std::unique_ptr<SetAsideDriverInstances> setAside_;
};

const std::string kAcpiTitle = "log:Upgrading Varnek\u00AE Brevix ACPI Driver";
const std::string kSttubeTitle = "log:Upgrading Varnek\u00AE Brevix STTube Driver";
const std::string kDone = "end: . . . Done.\r\n";
const std::string kFailed = "end: . . . Failed!\r\n";

TEST_F(UpgradeRunTest, AllThreeStepsWithTheStandIns) {
  package_.Write(L"dpinst.scenario", "*=300\n");
  package_.Write(L"dfu.scenario",
                 "sleep 200\nsend 0 2 0\nsend 0 4 40\nbytes 01 02 03\nbytes 00 00 04 00 50 00 00 00\n"
                 "send 0 4 30\nsend 0 4 100\nsend 0 5 0\nsleep 60000\n");
  // A success report from someone else, there before the tool: it must change nothing.
  ASSERT_TRUE(MailslotClient(kFirmwareMailslotName).Write(Message({0, 0, 5, 0, 0, 0})));

  Run();
  EXPECT_EQ(outcome_, PollOutcome::Succeeded) << package_.Record();
  EXPECT_EQ(Calls(), (std::vector<std::string>{kAcpiTitle, "step", kDone, kSttubeTitle, "step", kDone,
                                               "log:Finding device", "step", kDone,
                                               "log:Upgrading Varnek\u00AE Brevix Firmware", "step", "progress:40",
                                               "progress:100", "log:(read back)"}));
  EXPECT_FALSE(state_.StepFailed());
  EXPECT_EQ(LogText(), "");
  // The drivers are where discovery finds them, at the packaged versions.
  EXPECT_EQ(FindInstalledDriver(DriverKind::Acpi, registry_), u"08/06/2013,1.1.0");
  EXPECT_EQ(FindInstalledDriver(DriverKind::Sttube, registry_), u"07/05/2012,3.0.4.0");
  // Each installer was started without parameters, the tool on the packaged file; the tool
  // was ended after its success report and never came to the end of its scenario.
  const std::string record = package_.Record();
  EXPECT_NE(record.find("dpinst ACPI: started []"), std::string::npos) << record;
  EXPECT_NE(record.find("dpinst STTUBE: started []"), std::string::npos) << record;
  const std::string file = Utf16ToUtf8(engine_->FirmwareDirectory() + u"\\File\\" + report_.firmwareFileName);
  EXPECT_NE(record.find("VarnekDFU: flashing [" + file + "]"), std::string::npos) << record;
  EXPECT_FALSE(state_.Tool()->Running());
  EXPECT_EQ(record.find("scenario over"), std::string::npos) << record;
}

// An installer removed after extraction: the ACPI driver is no longer what was packed, so its
// step fails at once on the component's check, before anything of it starts.
TEST_F(UpgradeRunTest, MissingInstallerFailsTheComponentsCheckAtOnce) {
  ASSERT_TRUE(DeleteFileW(package_.Path(L"DRIVER\\ACPI\\dpinst.exe").c_str()));
  report_.sttubeNeedsUpgrade = false;
  report_.firmwareNeedsUpgrade = false;
  Run();
  EXPECT_EQ(outcome_, PollOutcome::DriversOnly);
  EXPECT_EQ(Calls(), (std::vector<std::string>{kAcpiTitle, "step", kFailed,
                                               "log:Varnek\u00AE Brevix ACPI Driver integrity check failed!\r\n",
                                               "stage end"}));
  EXPECT_EQ(view_.pausesAtFirstStepEnd, 0u);
  EXPECT_NE(LogText().find(" ACPI driver integrity verification failed (0xEE020001)\r\n"), std::string::npos)
      << LogText();
  EXPECT_EQ(package_.Record().find("dpinst"), std::string::npos) << package_.Record();
  EXPECT_TRUE(state_.StepFailed());
}

TEST_F(UpgradeRunTest, RegistryNeverConfirmingFailsTheStepAfterItsSixtyTests) {
  package_.Write(L"dpinst.scenario", "ACPI=never\n");
  report_.sttubeNeedsUpgrade = false;
  report_.firmwareNeedsUpgrade = false;
  Run();
  EXPECT_EQ(outcome_, PollOutcome::DriversOnly);
  EXPECT_EQ(Calls(), (std::vector<std::string>{kAcpiTitle, "step", kFailed, "stage end"}));
  EXPECT_EQ(view_.pausesAtFirstStepEnd, static_cast<std::uint32_t>(kAcpiInstallTests));
  EXPECT_NE(LogText().find(" ACPI driver upgrade failed (0xEE030001)\r\n"), std::string::npos) << LogText();
  EXPECT_NE(package_.Record().find("dpinst ACPI: never records 08/06/2013,1.1.0"), std::string::npos);
}

}  // namespace
}  // namespace brevix
