#pragma once
// A whole run on the engine's fake machine, for the run's and the console's tests.
#include <atomic>
#include <deque>
#include <mutex>

#include "app/ConsoleFrontEnd.h"
#include "engine/EngineFakes.h"
#include "engine/RunRecord.h"
#include "engine/UpgradeRun.h"

namespace brevix::testing {

constexpr char16_t kLicence[] = u"Varnek\u00AE licence\r\nterms";

// The worker sleeps on its thread while the console's loop waits on its own: one clock, safe
// for both, that moves on by every sleep.
class SharedClock : public Clock {
 public:
  LocalTime Now() override { return LocalTime{2014, 1, 2, 9, 5, 3, 7}; }
  void Sleep(std::uint32_t ms) override { elapsed_ += ms; }
  std::uint64_t Milliseconds() override { return elapsed_.load(); }

 private:
  std::atomic<std::uint64_t> elapsed_{0};
};

class NoSecurity : public FileSecurityReader {
 public:
  std::optional<ObjectSecurity> Read(const std::u16string&) override { return std::nullopt; }
};

// A mailslot the flashing tool's stand-in writes to from the worker thread.
class SharedMailslot : public MailslotReader {
 public:
  void Write(Bytes message) {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(std::move(message));
  }
  std::optional<Bytes> ReadMessage() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (messages_.empty()) return std::nullopt;
    Bytes m = std::move(messages_.front());
    messages_.pop_front();
    return m;
  }

 private:
  std::mutex mutex_;
  std::deque<Bytes> messages_;
};

// A silent run on the engine's fake machine, in start-up's own working directory: the package
// holds what the disk holds, the installers record the packaged drivers at once, and the
// flashing tool reports what `flash` holds once it runs.
struct RunMachine {
  EngineMachine m;
  SharedClock clock;
  testing::RecordingLogFile logFile;
  UpgradeLog log{m.profile, clock, logFile};
  NoSecurity security;  // start-up's own directory: nothing is asked
  FakeRegistryWriter record{m.registry, kRunRecordKey};
  bool mailslotMade = true;
  SharedMailslot* mailslot = nullptr;
  std::vector<Bytes> flash;
  bool flashTakes = true;  // the hub runs the packaged firmware once the tool has run
  std::vector<std::u16string> boxes;
  bool packed = false;

  RunMachine() {
    m.launcher.startResult = 42;
    m.devices.controlOpens = false;
    // The installer updates the driver's instance key ("0000", which the test installed).
    m.launcher.onStart = [this](const std::u16string& file) {
      const bool sttube = file.find(u"\\STTUBE\\dpinst.exe") != std::u16string::npos;
      const DriverKind kind = sttube ? DriverKind::Sttube : DriverKind::Acpi;
      auto& values = m.registry.keys[std::u16string(DriverClassKey(kind)) + u"\\0000"].values;
      values[u"DriverDate"] = sttube ? u"7-5-2012" : u"8-6-2013";
      values[u"DriverVersion"] = sttube ? u"3.0.4.0" : u"1.1.0";
    };
    m.launcher.onResume = [this] {
      if (flashTakes) m.sensors.sensors = {testing::HubSensor(u"221212-0")};
      for (const Bytes& message : flash) mailslot->Write(message);
    };
    m.files.files[EngineMachine::Path(u"DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe")] = Bytes{1};
    // Each clean-up looks once at the status file, and only the clean-up does.
    m.files.onQuery = [this](const std::u16string& path) {
      if (!path.ends_with(u"\\StatusInformation.dat")) return;
      ++cleanUps;
      if (onCleanUp) onCleanUp();
    };
  }

  // The run's services on this machine.
  RunServices Services() {
    // The program's package: what the disk held when it was first asked for, with its digests (a
    // second run is the same program, after the first one's clean-up emptied the disk).
    if (!packed) m.PackDriverFolder();
    packed = true;
    m.texts = TextTable::Load(m.language, kEnglishTableId, kLicence);
    return RunServices{
        EngineServices{m.files, m.profile, m.registry, m.sensors, m.devices, m.launcher, clock, m.standardOutput, log,
                       m.digests},
        m.resources,
        security,
        [this]() -> std::unique_ptr<MailslotReader> {
          if (!mailslotMade) return nullptr;
          auto made = std::make_unique<SharedMailslot>();
          mailslot = made.get();
          return made;
        },
        u"C:\\Windows\\system32",
        WorkingFolder{m.files.CurrentDirectory(), FolderKind::Own, std::nullopt},
        ThreadLimits{},
        nullptr,
        nullptr,
        &record};
  }

  // Runs a silent run through the console front end; returns the console's text.
  std::u16string RunSilent(RunEnding& ending) {
    UpgradeRun run(Services(), m.texts, RunMode::Silent);
    ConsoleFrontEnd front(m.console, clock, [this](const std::u16string& text) { boxes.push_back(text); });
    front.RunSilent(run);
    ending = run.Ending();
    return m.console.written;
  }

  int CleanUps() const { return cleanUps.load(); }
  std::atomic<int> cleanUps{0};
  std::function<void()> onCleanUp;  // as a clean-up begins, on its thread
};

}  // namespace brevix::testing
