#pragma once
#include "data/UpgradeLog.h"

namespace brevix::win32 {

// ".\UpgradeTool.log" opened for appending only, per line: each line is one WriteFile on a
// FILE_APPEND_DATA handle, which the system appends atomically, so lines from two threads or
// two processes never interleave. No handle is held between lines, and the file is locked
// only for the duration of the write. The name is opened without following a link, and a line
// is refused (lost) when the name is a link, a junction, a folder or a file with more than one
// name: the log is never written into a file somebody else pointed it at.
class Win32LogFile : public LogFile {
 public:
  bool AppendLine(const std::string& bytes) override;
};

// The process's upgrade log on the real profile functions, log file and clock.
UpgradeLog& ProcessUpgradeLog();

}  // namespace brevix::win32
