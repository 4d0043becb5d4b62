#pragma once
// The command line: any argument at all makes the program a console program. The raw tail
// (everything after the program name and the blanks that follow it) is compared as one whole
// string, so "/S /V", "/S " and "-S" all ask for the usage text.
#include <string>
#include <string_view>

#include <cstddef>

#include "engine/RunMode.h"

namespace brevix {

constexpr char16_t kUsageText[] =
    u"Usage:\r\n"
    u"Varnek(R) Brevix Firmware Upgrade Tool.exe /S Silent install\r\n"
    u"Varnek(R) Brevix Firmware Upgrade Tool.exe /V Tool Version\r\n"
    u"Varnek(R) Brevix Firmware Upgrade Tool.exe /? Help\r\n";
// A fixed text that follows the executable's file version; the version resource is not read.
constexpr char16_t kVersionText[] = u"The tool version is 1.0.20.2699\r\n";

// Whole string, case-sensitive: "/S" or "/s", "/V" or "/v"; "/?" and anything else is usage.
RunMode ClassifyCommandTail(std::u16string_view tail);

// The tail of a full command line as the process got it: the program name (up to its closing
// quote when quoted, else up to the first blank) and the blanks after it are skipped. Like the
// C runtime's WinMain argument, every unit up to U+0020 counts as a blank.
std::u16string_view RawCommandTail(std::u16string_view commandLine);

// What the command line asks for. Any argument at all makes the program a console program.
struct RunRequest {
  RunMode mode = RunMode::Wizard;
  bool NeedsConsole() const { return ReportsToConsole(mode); }
  // The text written before the wait for Enter; empty for the wizard and the silent run.
  std::u16string_view Text() const;
  friend bool operator==(const RunRequest&, const RunRequest&) = default;
};

// The request of a full command line. `argumentCount` is the number of arguments after the
// program name as the system splits the line (CommandLineToArgvW): with none the wizard runs,
// whatever blanks follow the name; with any, the raw tail decides as one whole string.
RunRequest ParseCommandLine(std::u16string_view commandLine, std::size_t argumentCount);

}  // namespace brevix
