#pragma once
// Stand-ins for the engine's seams (sensors, devices, view) and a whole engine on fakes.
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "Fakes.h"
#include "data/DigestRecord.h"
#include "data/IniProfile.h"
#include "data/ResourcePackage.h"
#include "data/LanguageTable.h"
#include "data/UpgradeLog.h"
#include "data/TextTable.h"
#include "engine/UpgradeEngine.h"
#include "platform/Mailslot.h"
#include "platform/ProcessLauncher.h"

namespace brevix::testing {

// ---- sensors ---------------------------------------------------------------------------

// Everything the fake sensor source is asked, in order, for checks of order and release.
using EventLog = std::vector<std::string>;

struct SensorSetup {
  SensorText friendlyName = SensorText::Of(u"HID Sensor Collection V2");
  std::optional<bool> custom = true;
  // Successive serial-number reads take these in turn; the last one repeats.
  std::vector<SensorText> serialReads{SensorText::Of(u"1.0.2-17")};
  bool fetchFails = false;
};

inline SensorSetup HubSensor(std::u16string serial) {
  SensorSetup s;
  s.serialReads = {SensorText::Of(std::move(serial))};
  return s;
}
inline SensorSetup OtherSensor(std::u16string name = u"Accelerometer 3D", bool custom = false) {
  SensorSetup s;
  s.friendlyName = SensorText::Of(std::move(name));
  s.custom = custom;
  s.serialReads = {SensorText::Of(u"1234")};
  return s;
}

class FakeSensorSource : public SensorSource {
 public:
  std::int32_t managerStatus = kSensorStatusOk;
  bool managerCreated = true;
  std::int32_t allSensorsStatus = kSensorStatusOk;
  bool collectionReturned = true;
  bool countFails = false;
  std::vector<SensorSetup> sensors;
  EventLog events;
  int liveObjects = 0;  // sensors, collections and managers not yet released

  std::function<void()> onOpenSession;  // runs first, on the thread that opens the session

  std::unique_ptr<SensorSession> OpenSession() override {
    if (onOpenSession) onOpenSession();
    events.push_back("session");
    return std::make_unique<Session>(*this);
  }

 private:
  struct Counted {
    FakeSensorSource& src;
    std::string name;
    Counted(FakeSensorSource& s, std::string n) : src(s), name(std::move(n)) { ++src.liveObjects; }
    ~Counted() {
      --src.liveObjects;
      src.events.push_back("release " + name);
    }
  };
  struct FakeSensor : Sensor, Counted {
    FakeSensor(FakeSensorSource& s, std::uint32_t i)
        : Counted(s, "sensor " + std::to_string(i)), setup(s.sensors[i]) {}
    SensorText FriendlyName() override {
      src.events.push_back("name " + std::to_string(&setup - src.sensors.data()));
      return setup.friendlyName;
    }
    SensorText SerialNumber() override {
      src.events.push_back("serial " + std::to_string(&setup - src.sensors.data()));
      const SensorText r = setup.serialReads.at(std::min(reads, setup.serialReads.size() - 1));
      ++reads;
      return r;
    }
    std::optional<bool> IsCustomType() override { return setup.custom; }
    const SensorSetup& setup;
    std::size_t reads = 0;
  };
  struct Collection : SensorCollection, Counted {
    explicit Collection(FakeSensorSource& s) : Counted(s, "collection") {}
    std::optional<std::uint32_t> Count() override {
      if (src.countFails) return std::nullopt;
      return static_cast<std::uint32_t>(src.sensors.size());
    }
    std::unique_ptr<Sensor> At(std::uint32_t i) override {
      src.events.push_back("at " + std::to_string(i));
      if (i >= src.sensors.size() || src.sensors[i].fetchFails) return nullptr;
      return std::make_unique<FakeSensor>(src, i);
    }
  };
  struct Manager : SensorManager, Counted {
    explicit Manager(FakeSensorSource& s) : Counted(s, "manager") {}
    AllSensorsResult AllSensors() override {
      src.events.push_back("all sensors");
      AllSensorsResult r;
      r.status = src.allSensorsStatus;
      if (src.collectionReturned) r.collection = std::make_unique<Collection>(src);
      return r;
    }
    void RequestPermissions(SensorCollection* c) override {
      src.events.push_back(c ? "permissions with collection" : "permissions without collection");
    }
  };
  struct Session : SensorSession {
    explicit Session(FakeSensorSource& s) : src(s) {}
    ~Session() override {
      src.events.push_back("end session");
      src.liveAtSessionEnd = src.liveObjects;
    }
    ManagerResult CreateManager() override {
      ManagerResult r;
      r.status = src.managerStatus;
      if (src.managerCreated) r.manager = std::make_unique<Manager>(src);
      return r;
    }
    FakeSensorSource& src;
  };

 public:
  int liveAtSessionEnd = -1;
};

// ---- devices ---------------------------------------------------------------------------

struct FakeDeviceEntry {
  DeviceInfoSet::Fetch fetch = DeviceInfoSet::Fetch::Found;
  std::optional<std::string> instanceId;
  std::optional<DevNodeStatus> status = DevNodeStatus{0x0180200A, 0};
};

class FakeDeviceControl : public DeviceControl {
 public:
  bool controlOpens = true;
  bool enterAccepted = true;
  bool leaveAccepted = true;
  std::vector<std::uint32_t> sent;
  int controlOpen = 0;  // handles open right now

  // The DFU interface: readable once this many presence checks have been made (-1: never).
  int interfaceAfterChecks = -1;
  bool interfaceSetOpens = true;
  int presenceChecks = 0;

  // Install waits: these results in turn, then Settled.
  std::deque<PendingInstalls> waits;
  int waitCalls = 0;

  bool allDevicesOpen = true;
  std::vector<FakeDeviceEntry> devices;  // after them: NoMoreItems
  bool endlessFailures = false;          // the set never reports its end
  std::uint32_t fetches = 0;

  std::unique_ptr<ControlDevice> OpenControlDevice() override {
    if (!controlOpens) return nullptr;
    return std::make_unique<Control>(*this);
  }
  std::unique_ptr<DfuInterfaceSet> OpenPresentDfuInterfaces() override {
    const bool readable = interfaceAfterChecks >= 0 && presenceChecks >= interfaceAfterChecks;
    ++presenceChecks;
    if (!interfaceSetOpens) return nullptr;
    return std::make_unique<Interfaces>(readable);
  }
  std::unique_ptr<DeviceInfoSet> OpenAllDevices() override {
    if (!allDevicesOpen) return nullptr;
    return std::make_unique<Devices>(*this);
  }
  PendingInstalls WaitForPendingInstalls() override {
    ++waitCalls;
    if (waits.empty()) return PendingInstalls::Settled;
    const auto r = waits.front();
    waits.pop_front();
    return r;
  }

 private:
  struct Control : ControlDevice {
    explicit Control(FakeDeviceControl& d) : dc(d) { ++dc.controlOpen; }
    ~Control() override { --dc.controlOpen; }
    bool Send(std::uint32_t code) override {
      dc.sent.push_back(code);
      return code == kEnterHardDfuCode ? dc.enterAccepted : dc.leaveAccepted;
    }
    FakeDeviceControl& dc;
  };
  // An unreadable interface first, then the readable one when it is up.
  struct Interfaces : DfuInterfaceSet {
    explicit Interfaces(bool r) : readable(r) {}
    bool Exists(std::uint32_t i) override { return i < (readable ? 2u : 1u); }
    bool ReadDetail(std::uint32_t i) override { return i == 1; }
    bool readable;
  };
  struct Devices : DeviceInfoSet {
    explicit Devices(FakeDeviceControl& d) : dc(d) {}
    Fetch FetchDevice(std::uint32_t i) override {
      ++dc.fetches;
      if (i < dc.devices.size()) return dc.devices[i].fetch;
      return dc.endlessFailures ? Fetch::Failed : Fetch::NoMoreItems;
    }
    std::optional<std::string> InstanceId(std::uint32_t i) override { return dc.devices.at(i).instanceId; }
    std::optional<DevNodeStatus> Status(std::uint32_t i) override { return dc.devices.at(i).status; }
    FakeDeviceControl& dc;
  };
};

// ---- the dialog and the rest -----------------------------------------------------------

// Records the run's events: "log:<text>", "step", "end:<text>", "progress:<n>",
// "checked:latest|older", "stage end", "run end", "box:<text>"; the texts also as one log.
class RecordingView : public EventSink {
 public:
  std::vector<std::string> calls;
  std::u16string log;
  void Emit(SessionEvent event) override {
    using Kind = SessionEvent::Kind;
    switch (event.kind) {
      case Kind::Text:
        log += event.text;
        calls.push_back("log:" + Utf16ToUtf8(event.text));
        break;
      case Kind::StepStarted:
        StepStarted();
        break;
      case Kind::StepEnded:
        calls.push_back("end:" + Utf16ToUtf8(event.text));
        break;
      case Kind::Progress:
        calls.push_back("progress:" + std::to_string(event.percent));
        break;
      case Kind::ChecksDone:
        calls.push_back(event.allLatest ? "checked:latest" : "checked:older");
        break;
      case Kind::StageEnded:
        calls.push_back("stage end");
        break;
      case Kind::RunEnded:
        calls.push_back("run end");
        break;
      case Kind::StageStarted:
        calls.push_back("stage start");
        break;
      case Kind::FailureBox:
        calls.push_back("box:" + Utf16ToUtf8(event.text));
        break;
    }
  }
  virtual void StepStarted() { calls.push_back("step"); }
};

class RecordingLogFile : public LogFile {
 public:
  std::vector<std::string> lines;
  bool AppendLine(const std::string& bytes) override {
    lines.push_back(bytes);
    return true;
  }
};

// Records what is started. Plain starts give the shell's "file not found" unless a test says
// otherwise; tracked starts succeed unless told not to.
class FakeLauncher : public ProcessLauncher {
 public:
  struct Process {
    bool running = true;
    bool resumed = false;
    int endTreeCalls = 0;
    std::u16string file;
  };
  // Runs as the tracked program is let run: what the program does the moment it starts.
  std::function<void()> onResume;
  bool resumeWorks = true;
  std::intptr_t startResult = 2;
  bool trackedStartWorks = true;
  // A driver installer (a tracked "dpinst.exe") does its work as it is let run (onStart) and
  // then ends by itself, unless it is one that never ends. It cannot be started where
  // startResult says no program can (below 32).
  bool installerNeverEnds = false;
  std::vector<std::string> started;  // "<file> <parameters>", plain and tracked starts in order
  std::function<void(const std::u16string& file)> onStart;
  std::shared_ptr<Process> lastTracked;
  std::shared_ptr<Process> lastInstaller;

  std::intptr_t Start(const std::u16string& file, const std::u16string& parameters, void*) override {
    started.push_back(Utf16ToUtf8(file + u" " + parameters));
    if (onStart && startResult >= 32) onStart(file);
    return startResult;
  }
  std::unique_ptr<LaunchedProcess> StartTracked(const std::u16string& file, const std::u16string& parameters) override {
    started.push_back(Utf16ToUtf8(file + u" " + parameters));
    const bool installer = file.ends_with(u"\\dpinst.exe");
    if (!trackedStartWorks || (installer && startResult < 32)) return nullptr;
    auto process = std::make_shared<Process>();
    process->file = file;
    (installer ? lastInstaller : lastTracked) = process;
    return std::make_unique<Tracked>(this, process);
  }

 private:
  struct Tracked : LaunchedProcess {
    Tracked(FakeLauncher* o, std::shared_ptr<Process> p) : owner(o), process(std::move(p)) {}
    bool Resume() override {
      if (!owner->resumeWorks) return false;
      process->resumed = true;
      if (process->file.ends_with(u"\\dpinst.exe")) {
        if (owner->onStart) owner->onStart(process->file);
        process->running = owner->installerNeverEnds;
        return true;
      }
      if (owner->onResume) owner->onResume();
      return true;
    }
    std::optional<std::uint32_t> ExitCode() override {
      if (process->running) return std::nullopt;
      return process->endTreeCalls ? 1u : 0u;
    }
    bool Running() override { return process->running; }
    bool EndTree() override {
      ++process->endTreeCalls;
      process->running = false;
      return true;
    }
    FakeLauncher* owner;
    std::shared_ptr<Process> process;
  };
};

// A mailslot holding these messages, read one whole message at a time.
class FakeMailslot : public MailslotReader {
 public:
  std::deque<Bytes> messages;
  int reads = 0;
  std::optional<Bytes> ReadMessage() override {
    ++reads;
    if (messages.empty()) return std::nullopt;
    Bytes m = std::move(messages.front());
    messages.pop_front();
    return m;
  }
};

inline Bytes DfuMessage(std::uint16_t status, std::uint16_t type, std::uint16_t value = 0) {
  return Bytes{static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(status >> 8),
               static_cast<std::uint8_t>(type),   static_cast<std::uint8_t>(type >> 8),
               static_cast<std::uint8_t>(value),  static_cast<std::uint8_t>(value >> 8)};
}

// A file system whose first-match search understands "*" and "?" (ASCII case-insensitive),
// among the files of the pattern's directory in name order.
class SearchableFileSystem : public FakeFileSystem {
 public:
  // As on a disk: a relative path names a file below the current directory, and the folders a
  // file's path passes through are there.
  std::u16string Resolve(const std::u16string& path) const {
    const std::u16string p = Norm(path);
    if (p.find(u':') != std::u16string::npos || (!p.empty() && p[0] == u'\\') || p == u".") return p;
    return Norm(current) + u"\\" + p;
  }
  // Told of every attributes query, with the resolved path (from any thread).
  std::function<void(const std::u16string&)> onQuery;
  std::uint32_t GetAttributes(const std::u16string& path) override {
    if (onQuery) onQuery(Resolve(path));
    const std::uint32_t attributes = FakeFileSystem::GetAttributes(Resolve(path));
    if (attributes != kInvalidAttributes) return attributes;
    const std::u16string prefix = Resolve(path) + u"\\";
    for (const auto& [file, bytes] : files) {
      if (file.compare(0, prefix.size(), prefix) == 0) return kDirectoryAttribute;
    }
    return kInvalidAttributes;
  }
  bool MakeDirectory(const std::u16string& path) override {
    const std::u16string p = Resolve(path);
    // The folders above a file that is there are there too.
    const auto parent = p.rfind(u'\\');
    if (parent != std::u16string::npos && GetAttributes(p.substr(0, parent)) == kDirectoryAttribute &&
        !directories.count(p.substr(0, parent))) {
      directories[p.substr(0, parent)] = kDirectoryAttribute;
    }
    if (GetAttributes(p) == kDirectoryAttribute && !directories.count(p)) directories[p] = kDirectoryAttribute;
    createCalls.push_back(Norm(path));
    if (createFails || directories.count(p) || files.count(p)) return false;
    if (parent != std::u16string::npos && !directories.count(p.substr(0, parent))) return false;
    directories[p] = kDirectoryAttribute;
    return true;
  }
  bool WriteWholeFile(const std::u16string& path, ByteView bytes) override {
    const std::u16string p = Resolve(path);
    const auto parent = p.rfind(u'\\');
    if (parent != std::u16string::npos && GetAttributes(p.substr(0, parent)) != kDirectoryAttribute) return false;
    if (auto a = fileAttributes.find(p); a != fileAttributes.end() && (a->second & 1)) return false;
    if (directories.count(p) || files.count(p)) return false;  // new files only
    files[p] = Bytes(bytes.begin(), bytes.end());
    return true;
  }
  std::optional<std::uint32_t> LinkCount(const std::u16string& path) override {
    return FakeFileSystem::LinkCount(Resolve(path));
  }
  std::optional<Bytes> ReadWholeFile(const std::u16string& path) override {
    return FakeFileSystem::ReadWholeFile(Resolve(path));
  }
  bool RemoveFile(const std::u16string& path) override { return FakeFileSystem::RemoveFile(Resolve(path)); }
  bool RemoveEmptyDirectory(const std::u16string& path) override {
    const std::u16string p = Resolve(path), prefix = p + u"\\";
    for (const auto& [file, bytes] : files) {
      if (file.compare(0, prefix.size(), prefix) == 0) return false;
    }
    for (const auto& [dir, attributes] : directories) {
      if (dir.compare(0, prefix.size(), prefix) == 0) return false;
    }
    return directories.erase(p) > 0 || true;
  }
  static bool Matches(std::u16string_view mask, std::u16string_view name) {
    auto fold = [](char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; };
    if (mask.empty()) return name.empty();
    if (mask[0] == u'*') {
      for (std::size_t skip = 0; skip <= name.size(); ++skip) {
        if (Matches(mask.substr(1), name.substr(skip))) return true;
      }
      return false;
    }
    if (name.empty()) return false;
    if (mask[0] != u'?' && fold(mask[0]) != fold(name[0])) return false;
    return Matches(mask.substr(1), name.substr(1));
  }
  std::optional<std::u16string> FindFirstMatch(const std::u16string& pattern) override {
    const auto cut = pattern.rfind(u'\\');
    const std::u16string dir = Norm(pattern.substr(0, cut));
    const std::u16string mask = pattern.substr(cut + 1);
    for (const auto& [path, bytes] : files) {
      const auto slash = path.rfind(u'\\');
      if (slash == std::u16string::npos || path.substr(0, slash) != dir) continue;
      const std::u16string name = path.substr(slash + 1);
      if (Matches(mask, name)) return name;
    }
    return std::nullopt;
  }
};

// The English language table as the build ships it (UTF-16LE, BOM, CR LF).
inline Bytes ShippedLanguageTable(const char* file = "212_en.ini") {
  std::ifstream in(std::string(BREVIX_SOURCE_DIR) + "/resources/lang/" + file, std::ios::binary);
  const std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::u16string text;
  for (char16_t c : Utf8ToUtf16(utf8)) {
    if (c == u'\r') continue;
    if (c == u'\n') text += u'\r';
    text += c;
  }
  return Utf16File(text);
}


inline Bytes Ansi(std::string_view text) { return Bytes(text.begin(), text.end()); }

inline Bytes InfWithDriverVer(std::string_view driverVer) {
  return Ansi("[Version]\r\nSignature=\"$WINDOWS NT$\"\r\nDriverVer=" + std::string(driverVer) + "\r\n");
}

// A machine the engine runs on: the working directory holds the unpacked package, the
// registry holds the class keys, the sensors hold a hub whose serial gives the firmware.
struct EngineMachine {
  static constexpr char16_t kWork[] = u"C:\\Program Files\\Varnek";
  static constexpr char16_t kFirmwareFile[] =
      u"Varnek(R)_Sensor_Hub_Firmware_Sensors_1.0.221212_221212.css_signed.dfu.encrypted";

  SearchableFileSystem files;
  IniProfileReader profile{files};
  FakeRegistry registry;
  FakeSensorSource sensors;
  FakeDeviceControl devices;
  FakeLauncher launcher;
  FakeClock clock;
  FakeConsole console;  // for the console front end
  FakeStandardOutput standardOutput;
  RecordingLogFile logFile;
  UpgradeLog log{profile, clock, logFile};
  FakeResources resources;
  LanguageTable language{resources};
  FakeSystem system;
  RecordingView view;
  TextTable texts;
  FakeDigester digests{files};

  EngineMachine() {
    files.current = kWork;
    files.directories[kWork] = FileSystem::kDirectoryAttribute;
    resources.items[{u"INI", kEnglishTableId}] = ShippedLanguageTable();
    files.files[Path(u"ErrorCode.ini")] = Ansi(ShippedErrorCodeIni());
    SetPackage(u"08/06/2013,1.1.0", u"07/05/2012,3.0.4.0", kFirmwareFile);
    registry.keys[kSystemClassKey] = {};
    registry.keys[kUsbClassKey] = {};
    sensors.sensors = {HubSensor(u"221212-0")};
  }

  static std::u16string Path(std::u16string_view tail) { return std::u16string(kWork) + u"\\" + std::u16string(tail); }

  // Empty texts leave the item out of the package.
  void SetPackage(std::u16string_view acpi, std::u16string_view sttube, std::u16string_view firmwareFile) {
    std::erase_if(files.files, [](const auto& f) { return f.first.find(u"\\DRIVER\\") != std::u16string::npos; });
    if (!acpi.empty()) files.files[Path(u"DRIVER\\ACPI\\VarnekBrevixAcpi.inf")] = InfWithDriverVer(Utf16ToUtf8(acpi));
    if (!sttube.empty()) files.files[Path(u"DRIVER\\STTUBE\\STtube.inf")] = InfWithDriverVer(Utf16ToUtf8(sttube));
    if (!firmwareFile.empty()) files.files[Path(u"DRIVER\\FIRMWARE\\File\\" + std::u16string(firmwareFile))] = Bytes{1};
  }

  // Installs a driver instance "0000" (or the next number) with a DriverDate such as "6-21-2013".
  void InstallDriver(DriverKind kind, std::u16string desc, std::u16string date, std::u16string version) {
    const std::u16string classKey(DriverClassKey(kind));
    auto& subkeys = registry.keys[classKey].subkeys;
    const std::u16string name = u"000" + std::u16string(1, static_cast<char16_t>(u'0' + subkeys.size()));
    subkeys.push_back(name);
    registry.keys[classKey + u"\\" + name].values = {
        {u"DriverDesc", std::move(desc)}, {u"DriverDate", std::move(date)}, {u"DriverVersion", std::move(version)}};
  }

  EngineServices Services() {
    return EngineServices{files, profile, registry, sensors, devices, launcher, clock, standardOutput, log, digests};
  }

  // The package of what lies below the working directory's "DRIVER" folder now, with the
  // digest record the packager writes for it, as the program's own resource; returns the
  // record as the program reads it back.
  DigestRecord PackDriverFolder() {
    std::vector<std::pair<std::u16string, Bytes>> entries;
    const std::u16string prefix = Path(u"");
    for (const auto& [path, bytes] : files.files) {
      if (path.rfind(prefix + u"DRIVER\\", 0) == 0 || path == prefix + u"ErrorCode.ini") {
        entries.emplace_back(path.substr(prefix.size()), bytes);
      }
    }
    const Bytes unrecorded = BuildPackage(entries);  // the entries below point into it
    const auto contents = ReadPackage(unrecorded).contents;
    entries.emplace_back(kDigestRecordEntry, WriteDigestRecord(contents->entries));
    const Bytes package = BuildPackage(entries);
    resources.items[{kPackageResourceType, kPackageResourceId}] = package;
    return ReadPackagedDigestRecord(package).record.value_or(DigestRecord{});
  }
  // The texts of the user's language (system.uiLanguage), as the program loads them.
  const TextTable& Texts() {
    texts = TextTable::Load(language, SelectLanguageTableId(system.uiLanguage), u"licence");
    return texts;
  }
};

}  // namespace brevix::testing
