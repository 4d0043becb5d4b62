#include "app/CommandLine.h"

namespace brevix {

RunMode ClassifyCommandTail(std::u16string_view tail) {
  if (tail == u"/V" || tail == u"/v") return RunMode::Version;
  if (tail == u"/S" || tail == u"/s") return RunMode::Silent;
  return RunMode::Usage;
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
      return kVersionText;
    case RunMode::Usage:
      return kUsageText;
    case RunMode::Wizard:
    case RunMode::Silent:
      break;
  }
  return {};
}

RunRequest ParseCommandLine(std::u16string_view commandLine, std::size_t argumentCount) {
  if (argumentCount == 0) return {RunMode::Wizard};
  return {ClassifyCommandTail(RawCommandTail(commandLine))};
}

}  // namespace brevix
