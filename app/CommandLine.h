#pragma once
// The command line: any argument at all makes the program a console program. The raw tail
// (everything after the program name and the blanks that follow it) is compared as one whole
// string, so "/S /V", "/S " and "-S" all ask for the usage text.
#include <string>
#include <string_view>

#include "platform/Console.h"

namespace brevix {

constexpr char16_t kUsageText[] =
    u"Usage:\r\n"
    u"Varnek(R) Brevix Firmware Upgrade Tool.exe /S Silent install\r\n"
    u"Varnek(R) Brevix Firmware Upgrade Tool.exe /V Tool Version\r\n"
    u"Varnek(R) Brevix Firmware Upgrade Tool.exe /? Help\r\n";
// A fixed text that follows the executable's file version; the version resource is not read.
constexpr char16_t kVersionText[] = u"The tool version is 1.0.20.2699\r\n";

enum class CommandTail { Silent, Version, Usage };

// Whole string, case-sensitive: "/S" or "/s", "/V" or "/v"; "/?" and anything else is usage.
CommandTail ClassifyCommandTail(std::u16string_view tail);

// The text a tail writes before the wait for Enter; empty for the silent switch.
std::u16string_view CommandTailText(CommandTail tail);

// The tail of a full command line as the process got it: the program name (up to its closing
// quote when quoted, else up to the first blank) and the blanks after it are skipped. Like the
// C runtime's WinMain argument, every unit up to U+0020 counts as a blank.
std::u16string_view RawCommandTail(std::u16string_view commandLine);

// What the command line leaves for start-up.
struct CommandLineFlags {
  bool consoleRequested = false;  // the argument hook ran, so a console was allocated
  bool silentRequested = false;   // the tail was exactly the silent switch
};

// The modes start-up hands to the wizard dialog: silent only together with the console.
struct ConsoleModes {
  bool consoleMode = false;
  bool silentMode = false;
  friend bool operator==(const ConsoleModes&, const ConsoleModes&) = default;
};
ConsoleModes HandOverModes(const CommandLineFlags& flags);

// One call of the argument hook, after the caller has allocated the console. Only the first
// call of the process acts (`commandLineHandled` is the process-wide mark): the silent switch
// sets its flag quietly; every other tail writes its text and waits for Enter.
void RunArgumentHook(std::u16string_view rawTail, CommandLineFlags& flags, int& commandLineHandled,
                     Console& console);

}  // namespace brevix
