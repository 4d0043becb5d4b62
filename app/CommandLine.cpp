#include "app/CommandLine.h"

namespace brevix {

CommandTail ClassifyCommandTail(std::u16string_view tail) {
  if (tail == u"/V" || tail == u"/v") return CommandTail::Version;
  if (tail == u"/S" || tail == u"/s") return CommandTail::Silent;
  return CommandTail::Usage;
}

std::u16string_view CommandTailText(CommandTail tail) {
  switch (tail) {
    case CommandTail::Version:
      return kVersionText;
    case CommandTail::Usage:
      return kUsageText;
    case CommandTail::Silent:
      break;
  }
  return {};
}

std::u16string_view RawCommandTail(std::u16string_view commandLine) {
  auto isBlank = [](char16_t c) { return c <= u' '; };
  std::size_t i = 0;
  if (!commandLine.empty() && commandLine[0] == u'"') {
    const std::size_t close = commandLine.find(u'"', 1);
    i = close == std::u16string_view::npos ? commandLine.size() : close + 1;
  } else {
    while (i < commandLine.size() && !isBlank(commandLine[i])) ++i;
  }
  while (i < commandLine.size() && isBlank(commandLine[i])) ++i;
  return commandLine.substr(i);
}

ConsoleModes HandOverModes(const CommandLineFlags& flags) {
  return {flags.consoleRequested, flags.consoleRequested && flags.silentRequested};
}

void RunArgumentHook(std::u16string_view rawTail, CommandLineFlags& flags, int& commandLineHandled,
                     Console& console) {
  flags.consoleRequested = true;
  if (commandLineHandled > 0) return;
  const CommandTail tail = ClassifyCommandTail(rawTail);
  commandLineHandled = 1;
  if (tail == CommandTail::Silent) {
    flags.silentRequested = true;
    return;
  }
  console.Write(std::u16string(CommandTailText(tail)));
  console.WaitForEnter();
}

}  // namespace brevix
