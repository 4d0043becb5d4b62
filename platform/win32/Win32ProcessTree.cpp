// Direct starts: system programs by full path, and tracked starts, where the program runs in a
// job object of its own, so that ending it ends exactly what it started, and nothing else of
// the same name.
#include <windows.h>
#include <tlhelp32.h>

#include <vector>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinText.h"

namespace brevix::win32 {
namespace {

constexpr DWORD kEndWaitMs = 5000;

ULONGLONG CreationTime(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// Where the job could not be had (a system without nested jobs, inside a job that forbids
// it): the processes that name the program, or one of theirs, as parent, and were created
// after their parent (so a reused process id is not taken for a child).
void TerminateDescendants(DWORD rootId, ULONGLONG rootCreated) {
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return;
  std::vector<PROCESSENTRY32W> all;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    all.push_back(entry);
  }
  struct Parent {
    DWORD id;
    ULONGLONG created;
  };
  std::vector<Parent> parents{{rootId, rootCreated}};
  for (std::size_t i = 0; i < parents.size(); ++i) {
    for (const auto& p : all) {
      if (p.th32ParentProcessID != parents[i].id || p.th32ProcessID == parents[i].id) continue;
      UniqueHandle child(::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, p.th32ProcessID));
      if (!child) continue;
      const ULONGLONG created = CreationTime(child.get());
      if (created < parents[i].created) continue;
      parents.push_back({p.th32ProcessID, created});
      ::TerminateProcess(child.get(), 1);
    }
  }
}

class Win32LaunchedProcess : public LaunchedProcess {
 public:
  Win32LaunchedProcess(UniqueHandle process, UniqueHandle thread, DWORD id, UniqueHandle job)
      : process_(std::move(process)), thread_(std::move(thread)), id_(id), job_(std::move(job)) {}

  // A program never let run is ended, not left behind suspended.
  ~Win32LaunchedProcess() override {
    if (thread_) ::TerminateProcess(process_.get(), 1);
  }

  bool Resume() override {
    if (!thread_) return false;
    const bool resumed = ::ResumeThread(thread_.get()) != static_cast<DWORD>(-1);
    thread_.reset();
    return resumed;
  }

  bool Running() override { return ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

  std::optional<std::uint32_t> ExitCode() override {
    DWORD code = 0;
    if (Running() || !::GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
    return static_cast<std::uint32_t>(code);
  }

  bool EndTree() override {
    if (job_) {
      ::TerminateJobObject(job_.get(), 1);
    } else {
      TerminateDescendants(id_, CreationTime(process_.get()));
      ::TerminateProcess(process_.get(), 1);
    }
    return ::WaitForSingleObject(process_.get(), kEndWaitMs) == WAIT_OBJECT_0;
  }

 private:
  UniqueHandle process_;
  UniqueHandle thread_;  // the suspended first thread, until Resume()
  DWORD id_;
  UniqueHandle job_;  // closing it leaves the processes running
};

// CreateProcessW of the program at the full path `file`, hidden, the path quoted as the
// command line's first word.
BOOL CreateHidden(const std::u16string& file, const std::u16string& parameters, DWORD flags,
                  PROCESS_INFORMATION& info) {
  std::u16string commandLine = u"\"" + file + u"\"";
  if (!parameters.empty()) commandLine += u" " + parameters;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  return ::CreateProcessW(W(file), reinterpret_cast<wchar_t*>(commandLine.data()), nullptr, nullptr, FALSE, flags,
                          nullptr, nullptr, &startup, &info);
}

}  // namespace

bool Win32ProcessLauncher::StartSystemProgram(const std::u16string& file, const std::u16string& parameters) {
  PROCESS_INFORMATION info{};
  if (!CreateHidden(file, parameters, CREATE_NO_WINDOW, info)) return false;
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return true;
}

std::unique_ptr<LaunchedProcess> Win32ProcessLauncher::StartTracked(const std::u16string& file,
                                                                    const std::u16string& parameters) {
  PROCESS_INFORMATION info{};
  // Suspended until it is in the job, so that nothing it starts escapes; out of a job this
  // program may be in, where that is allowed.
  BOOL started = CreateHidden(file, parameters, CREATE_SUSPENDED | CREATE_BREAKAWAY_FROM_JOB, info);
  if (!started && ::GetLastError() == ERROR_ACCESS_DENIED) {
    started = CreateHidden(file, parameters, CREATE_SUSPENDED, info);
  }
  if (!started) return nullptr;
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
  if (job && !::AssignProcessToJobObject(job.get(), process.get())) job.reset();
  return std::make_unique<Win32LaunchedProcess>(std::move(process), std::move(thread), info.dwProcessId,
                                                std::move(job));
}

}  // namespace brevix::win32
