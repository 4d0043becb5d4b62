#include "app/win32/Application.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "app/CommandLine.h"
#include "app/ConsoleFrontEnd.h"
#include "app/ExitCode.h"
#include "app/StartupGates.h"
#include "app/win32/Win32StartupShell.h"
#include "data/LanguageTable.h"
#include "data/TextKeys.h"
#include "data/TextTable.h"
#include "data/UpgradeLog.h"
#include "data/win32/Win32LogFile.h"
#include "engine/RunRecord.h"
#include "engine/UpgradeRun.h"
#include "engine/win32/Win32DeviceControl.h"
#include "engine/win32/Win32Mailslot.h"
#include "engine/win32/Win32Sensors.h"
#include "platform/Text.h"
#include "platform/win32/StartupTrace.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinText.h"
#include "ui/wizard/win32/VarnekDFUDlg.h"

namespace brevix::win32 {
namespace {

// The arguments after the program name, as the system splits the command line.
std::size_t ArgumentCount() {
  int count = 0;
  LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!args) return 0;
  ::LocalFree(args);
  return count > 1 ? static_cast<std::size_t>(count - 1) : 0;
}

// A file, pipe or device ("nul") the process inherited as a standard handle, or null. A
// console handle is none: the console the process allocates takes its place.
HANDLE InheritedRedirection(DWORD which) {
  HANDLE h = ::GetStdHandle(which);
  if (!h || h == INVALID_HANDLE_VALUE || ::GetFileType(h) == FILE_TYPE_UNKNOWN) return nullptr;
  DWORD mode = 0;
  return ::GetConsoleMode(h, &mode) ? nullptr : h;
}

// The console of a command-line mode. A redirection the caller set up stays where it points,
// even where allocating a console would take the standard handles over.
void PrepareConsole() {
  HANDLE output = InheritedRedirection(STD_OUTPUT_HANDLE);
  HANDLE input = InheritedRedirection(STD_INPUT_HANDLE);
  ::AllocConsole();  // fails when there is a console already; then the standard handles stay
  if (output) ::SetStdHandle(STD_OUTPUT_HANDLE, output);
  if (input) ::SetStdHandle(STD_INPUT_HANDLE, input);
}

// A silent run has nobody to press OK on a refusal: the text goes where its output goes, and
// the run ends as it would after the box.
class UnattendedStartupShell : public StartupShell {
 public:
  UnattendedStartupShell(StartupShell& inner, Console& console) : inner_(inner), console_(console) {}
  void ShowRefusal(const std::u16string& text) override {
    PrepareConsole();
    console_.Write(ConsoleSafe(text) + u"\r\n");
  }
  bool ClaimSingleInstance() override { return inner_.ClaimSingleInstance(); }
  void BringExistingInstanceForward() override { inner_.BringExistingInstanceForward(); }
  bool RegisterWindowClass() override { return inner_.RegisterWindowClass(); }

 private:
  StartupShell& inner_;
  Console& console_;
};

ExitCode Run() {
  Win32SystemFacts system;
  Win32Registry registry;
  Win32Resources resources;
  Win32FileSystem files;
  // The first lookup fixes the language table for the whole run.
  LanguageTable language(resources);
  const std::uint16_t langId = system.GetUserDefaultUILanguage();
  const std::uint16_t tableId = SelectLanguageTableId(langId);
  // The text lives in section "Popup"; the search starts at "Checking" and runs on past it.
  const StartupTexts startupTexts{
      language.Lookup(u"Checking", tableId, text::kRefusal).value_or(text::kRefusal),
      language.Lookup(u"Checking", tableId, text::kNoSafeFolder).value_or(text::kNoSafeFolder)};

  // What the command line asks for decides how a refusal is shown; everything else of it is
  // carried out after the gates.
  const RunMode mode = ParseCommandLine(U16(::GetCommandLineW()), ArgumentCount()).mode;
  UniqueHandle instanceMutex;  // held until the process ends
  const std::u16string className = kWindowClassName;
  Win32StartupShell windowShell(instanceMutex, className);
  Win32Console console;
  UnattendedStartupShell unattendedShell(windowShell, console);
  StartupShell& shell = IsUnattended(mode) ? static_cast<StartupShell&>(unattendedShell) : windowShell;
  Win32FileSecurity fileSecurity;
  StartupEnvironment env{system, registry, resources, files, fileSecurity, shell};
  StartupResult startup = RunStartupGates(env, startupTexts);
  StartupMark("start-up gates passed");
  if (startup.outcome != StartupOutcome::Ready) return DecideExitCode(mode, startup.outcome, std::nullopt);
  // Settled once, by the gates, and current from here on.
  const WorkingFolder folder = std::move(startup.folder);

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = 0xFF;
  ::InitCommonControlsEx(&controls);
  // Restartable by the restart manager, without recovery or autosave.
  ::RegisterApplicationRestart(L"", 0);

  if (ReportsToConsole(mode)) {
    PrepareConsole();
    const std::u16string_view text = RunRequest{mode}.Text();
    if (!text.empty()) {
      console.Write(std::u16string(text));
      console.WaitForEnter();
    }
  }

  Win32Profile profile;
  Win32SensorSource sensors;
  Win32DeviceControl devices;
  Win32ProcessLauncher launcher;
  Win32Clock clock;
  Win32StandardOutput standardOutput;
  Win32LogFile logFile;
  Win32FileDigester digests;
  Win32SleepGuard sleepGuard;
  Win32PowerStatus power;
  Win32RegistryWriter record(kRunRecordKey);
  UpgradeLog log(profile, clock, logFile);
  if (folder.passedOver) log.AppendLogLine(WorkingFolderLogLine(folder));
  const TextTable texts = TextTable::Load(language, tableId, LoadLicenceText(resources, langId));
  const RunServices services{
      EngineServices{files, profile, registry, sensors, devices, launcher, clock, standardOutput, log, digests},
      resources,
      fileSecurity,
      []() -> std::unique_ptr<MailslotReader> { return Win32Mailslot::Create().mailslot; },
      system.SystemDirectory(),
      folder,
      ThreadLimits{},
      &sleepGuard,
      &power,
      &record};
  const std::u16string applicationName = ApplicationName();
  UpgradeRun run(services, texts, mode);

  if (ReportsToConsole(mode)) {
    ConsoleFrontEnd front(console, clock, [&applicationName](const std::u16string& text) {
      ::MessageBoxW(nullptr, W(text), W(applicationName), MB_OK);
    });
    if (IsTextOnly(mode)) {
      front.RunTextOnly(run);
    } else {
      front.RunSilent(run);
    }
  } else {
    StartupMark("texts and run ready");
    const std::uint16_t loaded = language.LoadedTableId();
    CVarnekDFUDlg dialog(WizardServices{run, log, loaded ? loaded : tableId, applicationName});
    dialog.DoModal();
  }
  // Each front end has ended the run before it went; this only waits should one not have.
  run.Detach();
  const ExitCode code = DecideExitCode(mode, StartupOutcome::Ready, run.Ending());
  if (!IsTextOnly(mode)) {
    // What deployment tools read instead of the log: how the last run ended and what it left
    // installed. Writing it never changes the run's outcome.
    const InstalledVersions installed = run.VersionsAtEnd();
    const RecordWriteResult written = WriteRunSummary(
        record, RunSummary{static_cast<std::uint32_t>(code), clock.UtcNow(), installed.firmware, installed.acpiDriver,
                           installed.sttubeDriver, folder.path});
    if (!written.Ok()) log.AppendLogLine("Could not keep the run record");
  }
  return code;
}

}  // namespace

int RunApplication() noexcept {
  try {
    return ExitCodeValue(Run());
  } catch (...) {
    return 1;
  }
}

}  // namespace brevix::win32
