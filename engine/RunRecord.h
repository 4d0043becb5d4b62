#pragma once
// What the program keeps in the registry about its runs, below kRunRecordKey in the 64-bit
// view (platform/RegistryWriter.h):
//  - while the firmware is flashed, a "flash in progress" record: the version being flashed
//    and when the flash started. It is written right before the flashing tool starts and
//    cleared when the read-back has ended, so a record found by a later run means a flash was
//    cut off (power lost, the machine turned off, the process killed) and the hub may hold
//    half a firmware: it is flashed again;
//  - after every run, its exit code, when it ended and the versions the machine has then, for
//    whoever looks after the machine.
// Writes never throw; what did not take is returned for the caller to log, and the run goes on.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/RegistryWriter.h"

namespace brevix {

constexpr char16_t kRunRecordKey[] = u"SOFTWARE\\Varnek Corporation\\Varnek(R) Brevix\\Upgrade Tool";

constexpr char16_t kFlashInProgressVersionValue[] = u"FlashInProgressVersion";  // marks the record
constexpr char16_t kFlashStartedTimeValue[] = u"FlashStartedTime";
constexpr char16_t kLastExitCodeValue[] = u"LastExitCode";  // REG_DWORD
constexpr char16_t kLastRunTimeValue[] = u"LastRunTime";
constexpr char16_t kFirmwareVersionValue[] = u"FirmwareVersion";
constexpr char16_t kAcpiDriverVersionValue[] = u"AcpiDriverVersion";
constexpr char16_t kSttubeDriverVersionValue[] = u"SttubeDriverVersion";
constexpr char16_t kWorkingFolderValue[] = u"WorkingFolder";  // where the run worked: its log is there

// Our values are versions and times of a few dozen bytes; a longer one is not ours.
constexpr std::size_t kRunRecordValueBytes = 512;

// A record found by a later run is reported with this line of ".\ErrorCode.ini" and this text.
constexpr char kUnfinishedFlashCode[] = "0xEE030010";
constexpr char kUnfinishedFlashSection[] = "Upgrading";
constexpr char16_t kUnfinishedFlashTextKey[] = u"Upgrade26";

// The values a write or a clear could not set or remove, in the order tried; none: all took.
struct RecordWriteResult {
  std::vector<std::u16string> failed;
  bool Ok() const { return failed.empty(); }
};

// "2026-12-11T06:15:03Z": ISO 8601 in UTC, whole seconds (milliseconds dropped). nullopt for
// fields that name no time of the years 0000-9999 (month 13, 29 February 2023, hour 24, ...).
std::optional<std::u16string> FormatUtcIso8601(const UtcTime& time);

// The record of a flash about to start. The time goes first and the version, which marks the
// record, last: a write cut off between the two leaves no record, and the tool has not started
// then. A time that cannot be written (or formatted: written empty) does not hold the mark
// back, which is what a later run needs.
RecordWriteResult WriteFlashInProgress(RegistryWriter& registry, const std::u16string& firmwareVersion,
                                       const UtcTime& started);

// The mark goes first, then the time: a clear cut off between the two leaves no record.
RecordWriteResult ClearFlashInProgress(RegistryWriter& registry);

struct FlashInProgress {
  std::u16string firmwareVersion;
  std::u16string startedTime;  // as written; empty when missing
  friend bool operator==(const FlashInProgress&, const FlashInProgress&) = default;
};
// The record, read in the 64-bit view; nullopt when there is none: no key, or no mark.
std::optional<FlashInProgress> ReadFlashInProgress(RegistryReader& registry);

struct RunSummary {
  std::uint32_t exitCode = 0;
  UtcTime ended;
  std::u16string firmwareVersion, acpiDriverVersion, sttubeDriverVersion;  // as installed after the run
  std::u16string workingFolder;
};
// LastExitCode, LastRunTime, FirmwareVersion, AcpiDriverVersion, SttubeDriverVersion,
// WorkingFolder: each one tried whatever failed before it.
RecordWriteResult WriteRunSummary(RegistryWriter& registry, const RunSummary& run);

}  // namespace brevix
