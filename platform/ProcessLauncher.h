#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace brevix {

// A program this program started, together with the processes it starts in turn. Destroying
// the object only lets go of it: the processes run on.
class LaunchedProcess {
 public:
  virtual ~LaunchedProcess() = default;
  // Lets the program run: a tracked start holds it until its owner has recorded the start, so
  // that nothing the program does at once can come before that record. True when it runs.
  virtual bool Resume() = 0;
  // True while the started program itself has not ended.
  virtual bool Running() = 0;
  // Ends the started program and every process it started, and nothing else; true when the
  // program has ended.
  virtual bool EndTree() = 0;
  // The program's exit code once it has ended; nothing while it runs or when it cannot be read.
  virtual std::optional<std::uint32_t> ExitCode() { return std::nullopt; }
};

class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  // Starts a program with the "open" verb, hidden, without waiting for it.
  // The result is the shell's value: 32 or more means started.
  virtual std::intptr_t Start(const std::u16string& file, const std::u16string& parameters, void* ownerWindow) = 0;
  // Starts the program at the full path `file` directly, hidden and without a window of its
  // own (a system program such as cmd.exe), without waiting for it; true when it started.
  virtual bool StartSystemProgram(const std::u16string& file, const std::u16string& parameters) {
    return Start(file, parameters, nullptr) >= 32;
  }
  // Makes the process of the program at the full path `file`, hidden, in this program's working
  // directory, so that it and what it starts can be ended later; it runs once Resume() is
  // called. nullptr when it could not be made.
  virtual std::unique_ptr<LaunchedProcess> StartTracked(const std::u16string& file, const std::u16string& parameters) {
    (void)file;
    (void)parameters;
    return nullptr;
  }
};

}  // namespace brevix
