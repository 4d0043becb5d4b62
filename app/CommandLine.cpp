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

std::u16string_view RunRequest::Text() const {
  switch (mode) {
    case RunMode::Version:
      return CommandTailText(CommandTail::Version);
    case RunMode::Usage:
      return CommandTailText(CommandTail::Usage);
    case RunMode::Wizard:
    case RunMode::Silent:
      break;
  }
  return {};
}

RunRequest ParseCommandLine(std::u16string_view commandLine, std::size_t argumentCount) {
  if (argumentCount == 0) return {RunMode::Wizard};
  switch (ClassifyCommandTail(RawCommandTail(commandLine))) {
    case CommandTail::Silent:
      return {RunMode::Silent};
    case CommandTail::Version:
      return {RunMode::Version};
    case CommandTail::Usage:
      break;
  }
  return {RunMode::Usage};
}

}  // namespace brevix
