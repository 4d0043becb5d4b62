#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include "platform/Text.h"

namespace brevix {
namespace {

const std::u16string kUsage =
    u"Usage:\r\n"
    u"Varnek(R) Brevix Firmware Upgrade Tool.exe /S Silent install\r\n"
    u"Varnek(R) Brevix Firmware Upgrade Tool.exe /V Tool Version\r\n"
    u"Varnek(R) Brevix Firmware Upgrade Tool.exe /? Help\r\n";
const std::u16string kVersion = u"The tool version is 1.0.20.2699\r\n";

TEST(CommandLine, RequestByTheWholeTail) {
  const std::u16string program = u"\"C:\\Program Files\\Tool.exe\" ";
  const struct {
    std::u16string tail;
    RunMode mode;
    std::u16string text;  // written before the wait for Enter
  } cases[] = {
      {u"/S", RunMode::Silent, u""},
      {u"/s", RunMode::Silent, u""},
      {u"/V", RunMode::Version, kVersion},
      {u"/v", RunMode::Version, kVersion},
      {u"/?", RunMode::Usage, kUsage},
      {u"/S ", RunMode::Usage, kUsage},  // the whole tail counts, blanks included
      {u"/S /V", RunMode::Usage, kUsage},
      {u"-S", RunMode::Usage, kUsage},
      {u"/Silent", RunMode::Usage, kUsage},
      {u"/X", RunMode::Usage, kUsage},
      {u"\"\"", RunMode::Usage, kUsage},  // an empty quoted argument
      {u"/\u00AE", RunMode::Usage, kUsage},
  };
  for (const auto& c : cases) {
    const RunRequest request = ParseCommandLine(program + c.tail, 1);
    const std::string what = Utf16ToUtf8(c.tail);
    EXPECT_EQ(request.mode, c.mode) << what;
    EXPECT_TRUE(request.NeedsConsole()) << what;
    EXPECT_EQ(request.Text(), c.text) << what;
  }
}

TEST(CommandLine, WithoutArgumentsTheWizardRunsWhateverFollowsTheName) {
  // The system found no argument: blanks after the name are none.
  for (const char16_t* line : {u"Tool.exe", u"Tool.exe   ", u"\"C:\\a b\\Tool.exe\""}) {
    const RunRequest request = ParseCommandLine(line, 0);
    EXPECT_EQ(request.mode, RunMode::Wizard) << Utf16ToUtf8(line);
    EXPECT_FALSE(request.NeedsConsole());
    EXPECT_TRUE(request.Text().empty());
  }
  // Two arguments ask for the usage text once, as one tail.
  EXPECT_EQ(ParseCommandLine(u"Tool.exe /V /S", 2), RunRequest{RunMode::Usage});
}

TEST(CommandLine, RawTailAfterTheProgramName) {
  const struct {
    std::u16string line, tail;
  } cases[] = {
      {u"\"C:\\Program Files\\Tool.exe\" /S", u"/S"},
      {u"\"C:\\Program Files\\Tool.exe\"   /S  ", u"/S  "},  // trailing blanks stay
      {u"\"C:\\Program Files\\Tool.exe\"\t/V", u"/V"},
      {u"\"C:\\Program Files\\Tool.exe\"/V", u"/V"},  // nothing has to follow the closing quote
      {u"\"C:\\a b\\Tool.exe\"", u""},
      {u"\"C:\\a b\\Tool.exe\" ", u""},
      {u"\"C:\\unclosed /S", u""},  // the name runs to the end
      {u"Tool.exe /S /V", u"/S /V"},
      {u"C:\\Tools\\Tool.exe  \"/S\"", u"\"/S\""},  // quotes in the tail are kept
      {u"Tool.exe", u""},
      {u"Tool.exe\"x y\" /S", u"y\" /S"},  // quotes only count at the start of the name
      {u"", u""},
      {u"   /S", u"/S"},  // an empty program name
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RawCommandTail(c.line), c.tail) << Utf16ToUtf8(c.line);
  }
}

}  // namespace
}  // namespace brevix
