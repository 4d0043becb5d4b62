#include "engine/RunRecord.h"

#include <chrono>

namespace brevix {
namespace {

void Digits(std::u16string& out, int value, int width) {
  std::u16string digits(static_cast<std::size_t>(width), u'0');
  for (auto i = digits.size(); i-- > 0; value /= 10) digits[i] = static_cast<char16_t>(u'0' + value % 10);
  out += digits;
}

// A time that cannot be formatted is written empty, so that no older time stays beside a new
// value, and still counts as failed.
void SetTime(RegistryWriter& registry, const char16_t* name, const UtcTime& time, RecordWriteResult& result) {
  const auto text = FormatUtcIso8601(time);
  if (!registry.SetString(name, text.value_or(u"")) || !text) result.failed.emplace_back(name);
}

void SetString(RegistryWriter& registry, const char16_t* name, const std::u16string& value, RecordWriteResult& result) {
  if (!registry.SetString(name, value)) result.failed.emplace_back(name);
}

void Delete(RegistryWriter& registry, const char16_t* name, RecordWriteResult& result) {
  if (!registry.DeleteValue(name)) result.failed.emplace_back(name);
}

}  // namespace

std::optional<std::u16string> FormatUtcIso8601(const UtcTime& t) {
  using namespace std::chrono;
  const bool inRange = t.year >= 0 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
                       t.day <= 31 && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
                       t.second >= 0 && t.second <= 59;
  if (!inRange) return std::nullopt;
  if (!year_month_day{year{t.year}, month{static_cast<unsigned>(t.month)}, day{static_cast<unsigned>(t.day)}}.ok()) {
    return std::nullopt;  // 31 April, 29 February of a common year
  }
  // "YYYY-MM-DDThh:mm:ssZ": each field with its width and what follows it.
  const struct {
    int value, width;
    char16_t after;
  } fields[] = {{t.year, 4, u'-'},   {t.month, 2, u'-'},  {t.day, 2, u'T'},
                {t.hour, 2, u':'},   {t.minute, 2, u':'}, {t.second, 2, u'Z'}};
  std::u16string text;
  for (const auto& field : fields) {
    Digits(text, field.value, field.width);
    text += field.after;
  }
  return text;
}

RecordWriteResult WriteFlashInProgress(RegistryWriter& registry, const std::u16string& firmwareVersion,
                                       const UtcTime& started) {
  RecordWriteResult result;
  SetTime(registry, kFlashStartedTimeValue, started, result);
  SetString(registry, kFlashInProgressVersionValue, firmwareVersion, result);
  return result;
}

RecordWriteResult ClearFlashInProgress(RegistryWriter& registry) {
  RecordWriteResult result;
  Delete(registry, kFlashInProgressVersionValue, result);
  Delete(registry, kFlashStartedTimeValue, result);
  return result;
}

std::optional<FlashInProgress> ReadFlashInProgress(RegistryReader& registry) {
  const auto key = registry.OpenLocalMachineKey64(kRunRecordKey);
  if (!key) return std::nullopt;
  auto version = key->QueryString(kFlashInProgressVersionValue, kRunRecordValueBytes);
  if (!version) return std::nullopt;
  return FlashInProgress{std::move(*version),
                         key->QueryString(kFlashStartedTimeValue, kRunRecordValueBytes).value_or(u"")};
}

RecordWriteResult WriteRunSummary(RegistryWriter& registry, const RunSummary& run) {
  RecordWriteResult result;
  if (!registry.SetDword(kLastExitCodeValue, run.exitCode)) result.failed.emplace_back(kLastExitCodeValue);
  SetTime(registry, kLastRunTimeValue, run.ended, result);
  SetString(registry, kFirmwareVersionValue, run.firmwareVersion, result);
  SetString(registry, kAcpiDriverVersionValue, run.acpiDriverVersion, result);
  SetString(registry, kSttubeDriverVersionValue, run.sttubeDriverVersion, result);
  SetString(registry, kWorkingFolderValue, run.workingFolder, result);
  return result;
}

}  // namespace brevix
