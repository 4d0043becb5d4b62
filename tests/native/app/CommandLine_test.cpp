#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include "Fakes.h"
#include "platform/Text.h"

namespace brevix {
namespace {

using testing::FakeConsole;

const std::u16string kUsage =
    u"Usage:\r\n"
    u"Varnek(R) Brevix Firmware Upgrade Tool.exe /S Silent install\r\n"
    u"Varnek(R) Brevix Firmware Upgrade Tool.exe /V Tool Version\r\n"
    u"Varnek(R) Brevix Firmware Upgrade Tool.exe /? Help\r\n";
const std::u16string kVersion = u"The tool version is 1.0.20.2699\r\n";

TEST(CommandLine, FirstHookCallByTail) {
  const struct {
    std::u16string tail;
    std::u16string written;  // then Enter is awaited, unless nothing was written
    bool silent;
  } cases[] = {
      {u"/S", u"", true},
      {u"/s", u"", true},
      {u"/V", kVersion, false},
      {u"/v", kVersion, false},
      {u"/?", kUsage, false},
      {u"/S ", kUsage, false},  // the whole tail counts, blanks included
      {u"/S /V", kUsage, false},
      {u"-S", kUsage, false},
      {u"/Silent", kUsage, false},
      {u"/X", kUsage, false},
      {u"\"\"", kUsage, false},  // an empty quoted argument
      {u"/\u00AE", kUsage, false},
  };
  for (const auto& c : cases) {
    FakeConsole console;
    CommandLineFlags flags;
    int handled = 0;
    RunArgumentHook(c.tail, flags, handled, console);
    const std::string what = Utf16ToUtf8(c.tail);
    EXPECT_EQ(console.written, c.written) << what;
    EXPECT_EQ(console.enterWaits, c.written.empty() ? 0 : 1) << what;
    EXPECT_TRUE(flags.consoleRequested) << what;
    EXPECT_EQ(flags.silentRequested, c.silent) << what;
    EXPECT_EQ(handled, 1) << what;
  }
}

TEST(CommandLine, OnlyTheFirstCallOfTheProcessActs) {
  // Two arguments: the hook runs twice on the same tail; the usage text appears once.
  FakeConsole console;
  CommandLineFlags flags;
  int handled = 0;
  RunArgumentHook(u"/V /S", flags, handled, console);
  RunArgumentHook(u"/V /S", flags, handled, console);
  EXPECT_EQ(console.written, kUsage);
  EXPECT_EQ(console.enterWaits, 1);

  // A mark left by an earlier parse stops even the silent switch, but the console still counts.
  FakeConsole quiet;
  CommandLineFlags later;
  RunArgumentHook(u"/S", later, handled, quiet);
  EXPECT_TRUE(quiet.written.empty());
  EXPECT_EQ(quiet.enterWaits, 0);
  EXPECT_TRUE(later.consoleRequested);
  EXPECT_FALSE(later.silentRequested);
}

TEST(CommandLine, HandOverGivesSilentOnlyWithTheConsole) {
  EXPECT_EQ(HandOverModes({false, false}), (ConsoleModes{false, false}));
  EXPECT_EQ(HandOverModes({true, false}), (ConsoleModes{true, false}));
  EXPECT_EQ(HandOverModes({true, true}), (ConsoleModes{true, true}));
  EXPECT_EQ(HandOverModes({false, true}), (ConsoleModes{false, false}));
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
