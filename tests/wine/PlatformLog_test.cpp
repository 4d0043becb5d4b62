// The upgrade log on the real file API: lines appended by two threads and by two processes at
// once come out whole, an unwritable log loses the line quietly, and a log name that also names
// somebody else's file is not written through.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "WineTestSupport.h"
#include "data/UpgradeLog.h"
#include "data/win32/Win32LogFile.h"
#include "platform/win32/Win32Platform.h"

namespace brevix {
namespace {

constexpr int kLines = 3000;

// Child mode of this test program: appends kLines reports of one code, then exits.
int AppendAsChild(const char* code, const char* section) {
  for (int i = 0; i < kLines; ++i) win32::ProcessUpgradeLog().ReportError(code, section);
  return 0;
}

void CheckWholeLines(const std::string& log, const std::vector<std::string>& messages, int each) {
  std::vector<int> counts(messages.size(), 0);
  std::size_t pos = 0;
  while (pos < log.size()) {
    const std::size_t end = log.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos) << "unterminated tail";
    const std::string line = log.substr(pos, end - pos);
    ASSERT_GT(line.size(), 24u);
    EXPECT_EQ(line[4], '/');
    EXPECT_EQ(line[19], ':');
    bool known = false;
    for (std::size_t i = 0; i < messages.size(); ++i) {
      if (line.substr(24) == messages[i]) {
        ++counts[i];
        known = true;
      }
    }
    EXPECT_TRUE(known) << "torn line: " << line;
    pos = end + 2;
  }
  for (int c : counts) EXPECT_EQ(c, each);
}

void PutErrorCodeTable() {
  const std::string ini = "[Upgrading]\r\n0xEE030001=ACPI driver upgrade failed\r\n0xEE030002=STTube driver upgrade failed";
  win32::Win32FileSystem().WriteWholeFile(u"ErrorCode.ini",
                                          ByteView(reinterpret_cast<const std::uint8_t*>(ini.data()), ini.size()));
}

TEST(Win32Log, TwoThreadsAppendWholeLines) {
  testing::ScratchDirectory dir(L"brevix-log-threads");
  PutErrorCodeTable();
  std::thread a([] { AppendAsChild("0xEE030001", "Upgrading"); });
  std::thread b([] { AppendAsChild("0xEE030002", "Upgrading"); });
  a.join();
  b.join();
  CheckWholeLines(testing::ReadAll(L"UpgradeTool.log"),
                  {"ACPI driver upgrade failed (0xEE030001)", "STTube driver upgrade failed (0xEE030002)"}, kLines);
}

TEST(Win32Log, TwoProcessesAppendWholeLinesAfterEarlierRuns) {
  testing::ScratchDirectory dir(L"brevix-log-processes");
  PutErrorCodeTable();
  win32::ProcessUpgradeLog().ReportError("0xEE010001", "Preparing");  // an earlier run's line stays first
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  PROCESS_INFORMATION children[2] = {};
  const wchar_t* codes[2] = {L"0xEE030001", L"0xEE030002"};
  for (int i = 0; i < 2; ++i) {
    std::wstring command = L"\"" + std::wstring(self) + L"\" --append-log-child " + codes[i];
    STARTUPINFOW si{};
    si.cb = sizeof si;
    ASSERT_TRUE(CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &children[i]));
  }
  for (auto& child : children) {
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 120000), WAIT_OBJECT_0);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
  }
  const std::string log = testing::ReadAll(L"UpgradeTool.log");
  const std::string first = "[ERROR | Illegal \"ErrorCode\" Key Value = 0xEE010001]\r\n";
  ASSERT_GT(log.size(), 24 + first.size());
  EXPECT_EQ(log.substr(24, first.size()), first);
  CheckWholeLines(log.substr(24 + first.size()),
                  {"ACPI driver upgrade failed (0xEE030001)", "STTube driver upgrade failed (0xEE030002)"}, kLines);
}

// A log that cannot be opened loses the line quietly. (A directory in its place: Wine running
// as root ignores the read-only attribute.)
TEST(Win32Log, UnopenableLogLosesTheLineQuietly) {
  testing::ScratchDirectory dir(L"brevix-log-unopenable");
  ASSERT_TRUE(CreateDirectoryW(L"UpgradeTool.log", nullptr));
  win32::Win32LogFile file;
  EXPECT_FALSE(file.AppendLine("2014/01/02 09:05:03:007 x\r\n"));
  win32::ProcessUpgradeLog().ReportError("0xEE030004", "Upgrading");
  EXPECT_EQ(GetFileAttributesW(L"UpgradeTool.log") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
}

// The line goes only into a plain file of the log's own, new or left by earlier runs; a log name
// that is another name of somebody else's file loses the line and leaves both as they were.
TEST(Win32Log, AppendsOnlyToAPlainFileOfItsOwn) {
  const std::string line = "2014/01/02 09:05:03:007 x\r\n";
  const struct {
    const char* what;
    std::function<void()> prepare;
    bool appended;
    const wchar_t* file;  // what it then holds
    std::string bytes;
  } cases[] = {
      {"no log yet", [] {}, true, L"UpgradeTool.log", line},
      {"a log of an earlier run",
       [] { ASSERT_TRUE(win32::Win32FileSystem().WriteWholeFile(u"UpgradeTool.log", Bytes{'e', '\r', '\n'})); },
       true, L"UpgradeTool.log", "e\r\n" + line},
      {"a second name of another file",
       [] {
         ASSERT_TRUE(win32::Win32FileSystem().WriteWholeFile(u"other.txt", Bytes{'t', 'h', 'e', 'i', 'r', 's'}));
         ASSERT_TRUE(CreateHardLinkW(L"UpgradeTool.log", L"other.txt", nullptr));
       },
       false, L"other.txt", "theirs"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::ScratchDirectory dir(L"brevix-log-own");
    c.prepare();
    EXPECT_EQ(win32::Win32LogFile().AppendLine(line), c.appended);
    EXPECT_EQ(testing::ReadAll(c.file), c.bytes);
  }
}

}  // namespace

// Used by main() for the child processes of the two-process test.
int RunLogChild(const char* code) { return AppendAsChild(code, "Upgrading"); }

}  // namespace brevix
