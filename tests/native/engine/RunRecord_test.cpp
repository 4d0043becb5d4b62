#include "engine/RunRecord.h"

#include <gtest/gtest.h>

#include "Fakes.h"
#include "data/IniProfile.h"

namespace brevix {
namespace {

using testing::FakeRegistry;
using testing::FakeRegistryWriter;
using Values = std::map<std::u16string, std::u16string>;

constexpr UtcTime kStarted{2026, 12, 11, 6, 15, 3, 999};

TEST(RunRecord, FormatsUtcAsIso8601OrNothing) {
  const struct {
    UtcTime time;
    std::optional<std::u16string> text;
  } cases[] = {
      {kStarted, u"2026-12-11T06:15:03Z"},  // milliseconds dropped, not rounded
      {{1, 1, 1, 0, 0, 0, 0}, u"0001-01-01T00:00:00Z"},
      {{9999, 12, 31, 23, 59, 59, 0}, u"9999-12-31T23:59:59Z"},
      {{2024, 2, 29, 10, 9, 8, 0}, u"2024-02-29T10:09:08Z"},
      {{2023, 2, 29, 10, 9, 8, 0}, std::nullopt},
      {{2026, 4, 31, 0, 0, 0, 0}, std::nullopt},
      {{2026, 13, 1, 0, 0, 0, 0}, std::nullopt},
      {{2026, 0, 1, 0, 0, 0, 0}, std::nullopt},
      {{2026, 1, 0, 0, 0, 0, 0}, std::nullopt},
      {{2026, 1, 1, 24, 0, 0, 0}, std::nullopt},
      {{2026, 1, 1, 0, 60, 0, 0}, std::nullopt},
      {{2026, 1, 1, 0, 0, 60, 0}, std::nullopt},
      {{2026, 1, 1, -1, 0, 0, 0}, std::nullopt},
      {{10000, 1, 1, 0, 0, 0, 0}, std::nullopt},
      {{-1, 1, 1, 0, 0, 0, 0}, std::nullopt},
      {{}, std::nullopt},  // a clock that failed and left zeroes
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatUtcIso8601(c.time), c.text) << c.time.year << "-" << c.time.month << "-" << c.time.day << " "
                                                << c.time.hour << ":" << c.time.minute << ":" << c.time.second;
  }
}

// Written in the 64-bit view and read back by the 32-bit program on 64-bit Windows, where a
// plain read would look below Wow6432Node and miss it.
TEST(RunRecord, FlashInProgressIsWrittenReadBackAndCleared) {
  FakeRegistry registry;
  registry.redirected32 = true;
  FakeRegistryWriter writer(registry, kRunRecordKey);
  EXPECT_EQ(ReadFlashInProgress(registry), std::nullopt);  // no key yet

  EXPECT_TRUE(WriteFlashInProgress(writer, u"221212", kStarted).Ok());
  EXPECT_EQ(registry.keys[kRunRecordKey].values,
            (Values{{u"FlashInProgressVersion", u"221212"}, {u"FlashStartedTime", u"2026-12-11T06:15:03Z"}}));
  EXPECT_EQ(ReadFlashInProgress(registry), (FlashInProgress{u"221212", u"2026-12-11T06:15:03Z"}));

  // A later flash replaces the record whole.
  EXPECT_TRUE(WriteFlashInProgress(writer, u"230101", {2027, 1, 2, 3, 4, 5, 0}).Ok());
  EXPECT_EQ(ReadFlashInProgress(registry), (FlashInProgress{u"230101", u"2027-01-02T03:04:05Z"}));

  registry.keys[kRunRecordKey].values[u"Other"] = u"kept";
  EXPECT_TRUE(ClearFlashInProgress(writer).Ok());
  EXPECT_EQ(ReadFlashInProgress(registry), std::nullopt);
  EXPECT_EQ(registry.keys[kRunRecordKey].values, (Values{{u"Other", u"kept"}}));
  EXPECT_TRUE(ClearFlashInProgress(writer).Ok());  // nothing left to clear is cleared
}

// Power lost after each number of registry calls, during the write and during the clear: a
// later run finds either no record or the whole of it, and the record stands while the flash
// may have run. Failures of single values are returned, and the mark does not wait on the time.
TEST(RunRecord, CutOffOrFailedWritesLeaveNoHalfRecord) {
  const FlashInProgress whole{u"221212", u"2026-12-11T06:15:03Z"};
  for (std::size_t cut = 0; cut <= 2; ++cut) {
    SCOPED_TRACE(cut);
    FakeRegistry registry;
    FakeRegistryWriter writer(registry, kRunRecordKey);
    writer.cutAfter = cut;
    WriteFlashInProgress(writer, u"221212", kStarted);
    EXPECT_EQ(ReadFlashInProgress(registry), cut < 2 ? std::nullopt : std::optional(whole));

    FakeRegistryWriter clearer(registry, kRunRecordKey);
    ASSERT_TRUE(WriteFlashInProgress(clearer, u"221212", kStarted).Ok());
    clearer.cutAfter = 2 + cut;
    ClearFlashInProgress(clearer);
    EXPECT_EQ(ReadFlashInProgress(registry), cut == 0 ? std::optional(whole) : std::nullopt);
  }

  const struct {
    const char* what;
    std::set<std::u16string> failing;
    UtcTime started;
    std::vector<std::u16string> failed;
    std::optional<FlashInProgress> read;
  } cases[] = {
      {"the time's write fails", {u"FlashStartedTime"}, kStarted, {u"FlashStartedTime"},
       FlashInProgress{u"221212", u""}},
      // Written empty: the time a clear cut off halfway left never passes for this flash's.
      {"the time cannot be formatted", {}, {2026, 2, 30, 0, 0, 0, 0}, {u"FlashStartedTime"},
       FlashInProgress{u"221212", u""}},
      {"the mark's write fails", {u"FlashInProgressVersion"}, kStarted, {u"FlashInProgressVersion"}, std::nullopt},
      {"the key cannot be made", {u"FlashStartedTime", u"FlashInProgressVersion"}, kStarted,
       {u"FlashStartedTime", u"FlashInProgressVersion"}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeRegistry registry;
    FakeRegistryWriter writer(registry, kRunRecordKey);
    if (c.failing.empty()) registry.keys[kRunRecordKey].values[u"FlashStartedTime"] = u"2020-01-01T00:00:00Z";
    writer.failing = c.failing;
    EXPECT_EQ(WriteFlashInProgress(writer, u"221212", c.started).failed, c.failed);
    EXPECT_EQ(ReadFlashInProgress(registry), c.read);
  }
}

TEST(RunRecord, ReadFindsNoRecordWithoutItsMark) {
  FakeRegistry registry;
  registry.keys[kRunRecordKey].values = {{u"FlashStartedTime", u"2026-12-11T06:15:03Z"}, {u"LastRunTime", u"x"}};
  EXPECT_EQ(ReadFlashInProgress(registry), std::nullopt);
  registry.keys[kRunRecordKey].values[u"FlashInProgressVersion"] = std::u16string(kRunRecordValueBytes, u'9');
  EXPECT_EQ(ReadFlashInProgress(registry), std::nullopt);  // too long to be ours
  registry.keys[kRunRecordKey].openable = false;
  EXPECT_EQ(ReadFlashInProgress(registry), std::nullopt);
}

TEST(RunRecord, RunSummaryWritesEveryValueAndReportsEachFailure) {
  const RunSummary run{3010, kStarted, u"221212", u"2.0.0.1", u"3.0.0.2", u"C:\\Program Files\\Upgrade Tool"};
  FakeRegistry registry;
  FakeRegistryWriter writer(registry, kRunRecordKey);
  EXPECT_TRUE(WriteRunSummary(writer, run).Ok());
  EXPECT_EQ(writer.dwords, (std::map<std::u16string, std::uint32_t>{{u"LastExitCode", 3010}}));
  EXPECT_EQ(registry.keys[kRunRecordKey].values,
            (Values{{u"LastRunTime", u"2026-12-11T06:15:03Z"},
                    {u"FirmwareVersion", u"221212"},
                    {u"AcpiDriverVersion", u"2.0.0.1"},
                    {u"SttubeDriverVersion", u"3.0.0.2"},
                    {u"WorkingFolder", u"C:\\Program Files\\Upgrade Tool"}}));
  EXPECT_EQ(ReadFlashInProgress(registry), std::nullopt);  // a summary is no flash in progress

  FakeRegistry failing;
  FakeRegistryWriter partial(failing, kRunRecordKey);
  partial.failing = {u"LastExitCode", u"AcpiDriverVersion"};
  EXPECT_EQ(WriteRunSummary(partial, {1603, {2026, 1, 1, 25, 0, 0, 0}, u"N/A", u"1", u"2", u"C:\\w"}).failed,
            (std::vector<std::u16string>{u"LastExitCode", u"LastRunTime", u"AcpiDriverVersion"}));
  EXPECT_EQ(failing.keys[kRunRecordKey].values, (Values{{u"LastRunTime", u""},
                                                        {u"FirmwareVersion", u"N/A"},
                                                        {u"SttubeDriverVersion", u"2"},
                                                        {u"WorkingFolder", u"C:\\w"}}));
}

TEST(RunRecord, UnfinishedFlashNamesTheShippedErrorLineAndText) {
  const std::u16string ini = Utf8ToUtf16(testing::ShippedErrorCodeIni());
  EXPECT_EQ(LookupIniValue(ini, Utf8ToUtf16(kUnfinishedFlashSection), Utf8ToUtf16(kUnfinishedFlashCode), u"", 4096),
            u"The previous firmware upgrade did not finish");
  EXPECT_EQ(testing::ShippedEnglishTexts().Text(kUnfinishedFlashTextKey),
            u"The last firmware upgrade did not finish; the firmware will be upgraded again.");
}

}  // namespace
}  // namespace brevix
