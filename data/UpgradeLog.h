#pragma once
// The upgrade log ".\UpgradeTool.log": one 8-bit, time-stamped line per reported error code.
// Every call builds its lookup result, message and line in storage of its own and appends the
// line with a single write, so lines from the UI thread and the worker never interleave.
#include <cstdarg>
#include <string>

#include "platform/Clock.h"
#include "platform/Profile.h"

namespace brevix {

constexpr char kLogFileName[] = ".\\UpgradeTool.log";
constexpr char kErrorCodeFile[] = ".\\ErrorCode.ini";
constexpr char kIllegalErrorCodeText[] = "Illegal \"ErrorCode\" Key Value";
constexpr std::size_t kMaxLogMessageBytes = 511;
constexpr std::size_t kMaxLogLineBytes = 4095;  // CR LF included

// Appends whole lines to the log file; each call is one write of the given bytes.
class LogFile {
 public:
  virtual ~LogFile() = default;
  // Returns false when the line was lost (no file, no rights, disk full).
  virtual bool AppendLine(const std::string& bytes) = 0;
};

// "YYYY/MM/DD hh:mm:ss:mmm"
std::string MakeLogTimestamp(const LocalTime& time);
// Stamp, blank, text and CR LF, cut to kMaxLogLineBytes with the CR LF kept.
std::string FormatLogLine(const LocalTime& time, const std::string& text);
// printf-style, cut to kMaxLogMessageBytes.
std::string FormatLogMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

class UpgradeLog {
 public:
  UpgradeLog(ProfileReader& profile, Clock& clock, LogFile& file) : profile_(profile), clock_(clock), file_(file) {}

  void AppendLogLine(const std::string& text);
  // Looks `code` up in section `section` of ".\ErrorCode.ini" and logs the message,
  // or the not-found form with the code.
  void ReportError(const std::string& code, const std::string& section);

 private:
  ProfileReader& profile_;
  Clock& clock_;
  LogFile& file_;
};

}  // namespace brevix
