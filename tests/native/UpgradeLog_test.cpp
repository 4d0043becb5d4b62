#include "data/UpgradeLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "Fakes.h"
#include "data/IniProfile.h"

namespace brevix {
namespace {

using testing::FakeClock;
using testing::FakeFileSystem;

class RecordingLog : public LogFile {
 public:
  std::vector<std::string> lines;
  bool fail = false;
  bool AppendLine(const std::string& bytes) override {
    if (fail) return false;
    lines.push_back(bytes);
    return true;
  }
};


struct LogFixture {
  FakeFileSystem fs;
  IniProfileReader profile{fs};
  FakeClock clock;
  RecordingLog file;
  UpgradeLog log{profile, clock, file};
  explicit LogFixture(bool withTable = true) {
    if (withTable) {
      const std::string ini = testing::ShippedErrorCodeIni();
      fs.files[u"ErrorCode.ini"] = Bytes(ini.begin(), ini.end());
    }
  }
};

TEST(UpgradeLog, TimestampIsZeroPaddedWithColonBeforeMilliseconds) {
  EXPECT_EQ(MakeLogTimestamp({2014, 1, 2, 9, 5, 3, 7}), "2014/01/02 09:05:03:007");
  EXPECT_EQ(MakeLogTimestamp({2013, 8, 6, 14, 3, 7, 45}).size(), 23u);
}

TEST(UpgradeLog, ReportErrorForms) {
  struct Case {
    const char* code;
    const char* section;
    bool withTable;
    const char* message;
  } cases[] = {
      {"0xEE030004", "Upgrading", true, "Can not find the device (0xEE030004)"},
      {"0xee030004", "upgrading", true, "Can not find the device (0xee030004)"},
      {"0xEE03000E", "Upgrading", true, "Cannot enable device (0xEE03000E)"},
      {"0xEE010001", "Preparing", true, "GUI initiation failed (0xEE010001)"},
      {"0xEE030004", "Checking", true, "[ERROR | Illegal \"ErrorCode\" Key Value = 0xEE030004]"},
      {"0xEE010001", "Preparing", false, "[ERROR | Illegal \"ErrorCode\" Key Value = 0xEE010001]"},
  };
  for (const auto& c : cases) {
    LogFixture f(c.withTable);
    f.log.ReportError(c.code, c.section);
    ASSERT_EQ(f.file.lines.size(), 1u);
    EXPECT_EQ(f.file.lines[0], std::string("2014/01/02 09:05:03:007 ") + c.message + "\r\n") << c.code;
  }
}

TEST(UpgradeLog, LostLineRaisesNothing) {
  LogFixture f;
  f.file.fail = true;
  f.log.ReportError("0xEE030004", "Upgrading");
  EXPECT_TRUE(f.file.lines.empty());
}

TEST(UpgradeLog, MessagesAndLinesAreBounded) {
  const std::string huge(5000, 'x');
  EXPECT_EQ(FormatLogMessage("%s", huge.c_str()).size(), kMaxLogMessageBytes);
  const std::string line = FormatLogLine({2014, 1, 2, 9, 5, 3, 7}, huge);
  EXPECT_EQ(line.size(), kMaxLogLineBytes);
  EXPECT_EQ(line.substr(line.size() - 2), "\r\n");

  LogFixture f;
  const std::string longValue(600, 'm');
  f.fs.files[u"ErrorCode.ini"] = Bytes();
  const std::string ini = "[Upgrading]\r\n0xEE030004=" + longValue;
  f.fs.files[u"ErrorCode.ini"] = Bytes(ini.begin(), ini.end());
  f.log.ReportError("0xEE030004", "Upgrading");
  EXPECT_EQ(f.file.lines.at(0).size(), 24 + kMaxLogMessageBytes + 2);
}

// Appends with one write(2) per line, like the Windows log file does with one WriteFile.
class AppendOnlyFile : public LogFile {
 public:
  explicit AppendOnlyFile(std::string path) : path_(std::move(path)) {}
  bool AppendLine(const std::string& bytes) override {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (fd < 0) return false;
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return ok;
  }

 private:
  std::string path_;
};

// Two threads reporting at once: every line comes out whole.
TEST(UpgradeLog, ConcurrentReportsNeverInterleaveWithinALine) {
  char dir[] = "/tmp/brevix-log-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/UpgradeTool.log";
  FakeFileSystem fs;
  const std::string ini = testing::ShippedErrorCodeIni();
  fs.files[u"ErrorCode.ini"] = Bytes(ini.begin(), ini.end());

  constexpr int kPerThread = 2000;
  auto worker = [&](const char* code, const char* section) {
    IniProfileReader profile(fs);  // the reader reads the file anew on every lookup
    FakeClock clock;
    AppendOnlyFile file(path);
    UpgradeLog log(profile, clock, file);
    for (int i = 0; i < kPerThread; ++i) log.ReportError(code, section);
  };
  std::thread a(worker, "0xEE030001", "Upgrading");
  std::thread b(worker, "0xEE010003", "Preparing");
  a.join();
  b.join();

  std::ifstream in(path, std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int countA = 0, countB = 0;
  std::size_t pos = 0;
  while (pos < all.size()) {
    const std::size_t end = all.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos);
    const std::string line = all.substr(pos, end - pos);
    if (line == "2014/01/02 09:05:03:007 ACPI driver upgrade failed (0xEE030001)") ++countA;
    else if (line == "2014/01/02 09:05:03:007 Can not find upgrading ACPI driver (0xEE010003)") ++countB;
    else FAIL() << "torn line: " << line;
    pos = end + 2;
  }
  EXPECT_EQ(countA, kPerThread);
  EXPECT_EQ(countB, kPerThread);
  std::remove(path.c_str());
  rmdir(dir);
}

}  // namespace
}  // namespace brevix
