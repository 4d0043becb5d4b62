#include "data/UpgradeLog.h"

#include <cstdio>

namespace brevix {

std::string MakeLogTimestamp(const LocalTime& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %02d:%02d:%02d:%03d", t.year, t.month, t.day, t.hour,
                t.minute, t.second, t.millisecond);
  return buffer;
}

std::string FormatLogLine(const LocalTime& time, const std::string& text) {
  std::string line = MakeLogTimestamp(time) + " " + text;
  if (line.size() > kMaxLogLineBytes - 2) line.resize(kMaxLogLineBytes - 2);
  line += "\r\n";
  return line;
}

std::string FormatLogMessage(const char* format, ...) {
  char buffer[kMaxLogMessageBytes + 1];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return std::string();
  return buffer;
}

void UpgradeLog::AppendLogLine(const std::string& text) { file_.AppendLine(FormatLogLine(clock_.Now(), text)); }

void UpgradeLog::ReportError(const std::string& code, const std::string& section) {
  const std::string found = profile_.GetStringA(kErrorCodeFile, section, code, kIllegalErrorCodeText, 4096);
  const std::string message = found == kIllegalErrorCodeText
                                  ? FormatLogMessage("[ERROR | %s = %s]", found.c_str(), code.c_str())
                                  : FormatLogMessage("%s (%s)", found.c_str(), code.c_str());
  AppendLogLine(message);
}

}  // namespace brevix
