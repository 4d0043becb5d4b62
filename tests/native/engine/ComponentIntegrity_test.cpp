#include "engine/ComponentIntegrity.h"

#include <gtest/gtest.h>

#include "EngineFakes.h"
#include "engine/UpgradeEngine.h"

namespace brevix {
namespace {

using testing::EngineMachine;
using testing::Ansi;
using testing::FakeDigester;

// The unpacked package on the simulated notebook, and the record the packager wrote for it.
struct Unpacked {
  EngineMachine machine;
  FakeDigester digests{machine.files};
  DigestRecord record;

  Unpacked() {
    for (const char16_t* name : {u"DRIVER\\ACPI\\dpinst.exe", u"DRIVER\\ACPI\\VarnekBrevixAcpi.sys",
                                 u"DRIVER\\STTUBE\\dpinst.exe", u"DRIVER\\STTUBE\\x64\\STTub30.sys",
                                 u"DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe", u"DRIVER\\FIRMWARE\\Tool\\STDFU.dll"}) {
      machine.files.files[EngineMachine::Path(name)] = Ansi(Utf16ToUtf8(name) + " bytes");
    }
    record = RecordOf(machine);
  }

  static DigestRecord RecordOf(EngineMachine& machine) {
    DigestRecord record = machine.PackDriverFolder();
    EXPECT_FALSE(record.lines.empty());
    return record;
  }

  IntegrityResult Check(Component component) {
    return CheckComponentIntegrity(record, component, EngineMachine::kWork, machine.files, digests);
  }
  Bytes& File(std::u16string_view name) { return machine.files.files[EngineMachine::Path(name)]; }
  void Remove(std::u16string_view name) { machine.files.files.erase(EngineMachine::Path(name)); }
  void DropLinesBelow(std::u16string_view folder) {
    std::erase_if(record.lines, [&](const DigestLine& line) { return IsBelowFolder(line.entry, folder); });
  }
};

constexpr char16_t kFirmwareFile[] =
    u"DRIVER\\FIRMWARE\\File\\Varnek(R)_Sensor_Hub_Firmware_Sensors_1.0.221212_221212.css_signed.dfu.encrypted";

TEST(ComponentIntegrity, UntouchedComponentsPassAndEveryFileOfTheirFoldersIsHashed) {
  Unpacked u;
  for (Component c : {Component::Acpi, Component::Sttube, Component::Firmware}) {
    u.digests.asked.clear();
    const IntegrityResult result = u.Check(c);
    EXPECT_TRUE(result.Ok()) << DescribeIntegrityFailure(result);
    std::size_t expected = 0;
    for (auto folder : ComponentFolders(c)) {
      for (const auto& line : u.record.lines) expected += IsBelowFolder(line.entry, folder) ? 1 : 0;
    }
    EXPECT_EQ(u.digests.asked.size(), expected);
  }
  EXPECT_EQ(u.digests.asked.size(), 3u);  // the firmware file and the tool's two files
}

// What can happen to the files between extraction and use, and what the check says; the
// other components stay as they are and pass.
TEST(ComponentIntegrity, ChangedAddedRemovedOrUnreadableFilesFailTheirComponentOnly) {
  const struct {
    const char* label;
    std::function<void(Unpacked&)> change;
    Component failing;
    IntegrityStatus status;
    std::u16string path;
    const char* reason;
  } cases[] = {
      {"a changed byte", [](Unpacked& u) { u.File(u"DRIVER\\ACPI\\dpinst.exe")[0] ^= 1; }, Component::Acpi,
       IntegrityStatus::Mismatch, u"DRIVER\\ACPI\\dpinst.exe", "differs"},
      {"a file cut short", [](Unpacked& u) { u.File(u"DRIVER\\STTUBE\\x64\\STTub30.sys").pop_back(); },
       Component::Sttube, IntegrityStatus::Mismatch, u"DRIVER\\STTUBE\\x64\\STTub30.sys", "differs"},
      {"a DLL planted beside the installer", [](Unpacked& u) { u.File(u"DRIVER\\ACPI\\version.dll") = {1}; },
       Component::Acpi, IntegrityStatus::Mismatch, u"DRIVER\\ACPI\\version.dll", "not in the digest record"},
      {"a file planted in a subfolder", [](Unpacked& u) { u.File(u"DRIVER\\STTUBE\\x64\\new\\a.sys") = {1}; },
       Component::Sttube, IntegrityStatus::Mismatch, u"DRIVER\\STTUBE\\x64\\new\\a.sys", "not in the digest record"},
      {"a DLL planted beside the tool", [](Unpacked& u) { u.File(u"DRIVER\\FIRMWARE\\Tool\\dbghelp.dll") = {1}; },
       Component::Firmware, IntegrityStatus::Mismatch, u"DRIVER\\FIRMWARE\\Tool\\dbghelp.dll", "not in the digest record"},
      {"a second firmware file", [](Unpacked& u) { u.File(u"DRIVER\\FIRMWARE\\File\\old.dfu") = {1}; },
       Component::Firmware, IntegrityStatus::Mismatch, u"DRIVER\\FIRMWARE\\File\\old.dfu", "not in the digest record"},
      {"the firmware file changed", [](Unpacked& u) { u.File(kFirmwareFile).push_back(0); }, Component::Firmware,
       IntegrityStatus::Mismatch, kFirmwareFile, "differs"},
      {"a removed INF", [](Unpacked& u) { u.Remove(u"DRIVER\\ACPI\\VarnekBrevixAcpi.inf"); }, Component::Acpi,
       IntegrityStatus::Mismatch, u"DRIVER\\ACPI\\VarnekBrevixAcpi.inf", "missing on disk"},
      {"the tool removed", [](Unpacked& u) { u.Remove(u"DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe"); },
       Component::Firmware, IntegrityStatus::Mismatch, u"DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe", "missing on disk"},
      {"an unreadable file",
       [](Unpacked& u) { u.digests.unreadable.insert(EngineMachine::Path(u"DRIVER\\STTUBE\\dpinst.exe")); },
       Component::Sttube, IntegrityStatus::Mismatch, u"DRIVER\\STTUBE\\dpinst.exe", "cannot be read"},
      {"a folder that cannot be listed",
       [](Unpacked& u) { u.machine.files.unlistable.insert(EngineMachine::Path(u"DRIVER\\STTUBE\\x64")); },
       Component::Sttube, IntegrityStatus::Mismatch, u"DRIVER\\STTUBE\\x64", "cannot be listed"},
      {"a junction in the folder",
       [](Unpacked& u) {
         u.machine.files.directories[EngineMachine::Path(u"DRIVER\\ACPI\\link")] =
             FileSystem::kDirectoryAttribute | FileSystem::kReparsePointAttribute;
       },
       Component::Acpi, IntegrityStatus::Mismatch, u"DRIVER\\ACPI\\link", "link or junction"},
      {"the whole folder gone",
       [](Unpacked& u) {
         std::erase_if(u.machine.files.files, [](const auto& f) { return f.first.find(u"\\ACPI\\") != std::u16string::npos; });
       },
       Component::Acpi, IntegrityStatus::Mismatch, u"DRIVER\\ACPI", "cannot be listed"},
      {"no digest of the ACPI driver", [](Unpacked& u) { u.DropLinesBelow(u"DRIVER\\ACPI"); }, Component::Acpi,
       IntegrityStatus::MissingDigest, u"DRIVER\\ACPI", "no digest"},
      {"no digest of the tool's folder", [](Unpacked& u) { u.DropLinesBelow(u"DRIVER\\FIRMWARE\\Tool"); },
       Component::Firmware, IntegrityStatus::MissingDigest, u"DRIVER\\FIRMWARE\\Tool", "no digest"},
  };
  for (const auto& c : cases) {
    Unpacked u;
    c.change(u);
    for (Component component : {Component::Acpi, Component::Sttube, Component::Firmware}) {
      const IntegrityResult result = u.Check(component);
      if (component != c.failing) {
        EXPECT_TRUE(result.Ok()) << c.label << ": " << DescribeIntegrityFailure(result);
        continue;
      }
      EXPECT_EQ(result.status, c.status) << c.label;
      EXPECT_EQ(result.path, c.path) << c.label << ": " << DescribeIntegrityFailure(result);
      EXPECT_NE(result.reason.find(c.reason), std::string::npos) << c.label << ": " << result.reason;
    }
  }
}

TEST(ComponentIntegrity, AddedOrMissingFilesFailBeforeAnythingIsHashed) {
  Unpacked u;
  u.File(u"DRIVER\\ACPI\\zz.dll") = {1};
  EXPECT_FALSE(u.Check(Component::Acpi).Ok());
  u.Remove(u"DRIVER\\ACPI\\zz.dll");
  u.Remove(u"DRIVER\\FIRMWARE\\Tool\\STDFU.dll");
  EXPECT_FALSE(u.Check(Component::Firmware).Ok());
  EXPECT_TRUE(u.digests.asked.empty());
}

// Windows opens a file whatever the case of its name, and an empty folder holds nothing that
// could be run: neither fails the check.
TEST(ComponentIntegrity, NamesInOtherCaseAndEmptyFoldersPass) {
  Unpacked u;
  const Bytes tool = u.File(u"DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe");
  u.Remove(u"DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe");
  u.File(u"DRIVER\\FIRMWARE\\Tool\\VARNEKDFU.EXE") = tool;
  u.machine.files.directories[EngineMachine::Path(u"DRIVER\\ACPI\\empty")] = FileSystem::kDirectoryAttribute;
  EXPECT_TRUE(u.Check(Component::Firmware).Ok()) << DescribeIntegrityFailure(u.Check(Component::Firmware));
  EXPECT_TRUE(u.Check(Component::Acpi).Ok()) << DescribeIntegrityFailure(u.Check(Component::Acpi));
}

TEST(ComponentIntegrity, WithoutARecordEveryComponentMissesItsDigest) {
  Unpacked u;
  u.record = {};
  for (Component c : {Component::Acpi, Component::Sttube, Component::Firmware}) {
    EXPECT_EQ(u.Check(c).status, IntegrityStatus::MissingDigest);
  }
  EXPECT_TRUE(u.digests.asked.empty());
}

// The reports name lines that exist in the shipped error table and texts of the right
// component in the shipped language table.
TEST(ComponentIntegrity, ReportsUseTheShippedTablesLinesAndTexts) {
  EngineMachine machine;
  const TextTable& texts = machine.Texts();
  const struct {
    Component component;
    IntegrityStatus status;
    const char* code;
    const char* message;
    const char* textMentions;
  } cases[] = {
      {Component::Acpi, IntegrityStatus::Mismatch, "0xEE020001", "ACPI driver integrity verification failed", "ACPI"},
      {Component::Sttube, IntegrityStatus::Mismatch, "0xEE020002", "STTube driver integrity verification failed", "STTube"},
      {Component::Firmware, IntegrityStatus::Mismatch, "0xEE020003", "Firmware integrity verification failed", "Firmware"},
      {Component::Acpi, IntegrityStatus::MissingDigest, "0xEE010004", "MD5 string of upgrading ACPI driver", "ACPI"},
      {Component::Sttube, IntegrityStatus::MissingDigest, "0xEE010006", "MD5 string of upgrading STTube driver", "STTube"},
      {Component::Firmware, IntegrityStatus::MissingDigest, "0xEE010008", "MD5 string of upgrading firmware", "Firmware"},
  };
  for (const auto& c : cases) {
    const IntegrityFailureReport report = ReportFor(c.component, c.status);
    EXPECT_STREQ(report.code, c.code);
    machine.log.ReportError(report.code, report.section);
    ASSERT_FALSE(machine.logFile.lines.empty());
    EXPECT_NE(machine.logFile.lines.back().find(c.message), std::string::npos) << machine.logFile.lines.back();
    const std::string text = Utf16ToUtf8(texts.Text(report.textKey));
    EXPECT_NE(text.find(std::string(c.textMentions) + " "), std::string::npos) << text;
    EXPECT_NE(text.find("integrity check failed!"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace brevix
