#pragma once
// The firmware read back after the flashing tool reported success: the hub restarts into the
// new firmware and re-enumerates, so its version is read again through the same sensor search
// as the checking phase's, every kReadBackPeriodMs, until it reads as the packaged version or
// kReadBackTimeoutMs have passed. While the hub is away the search finds no sensor or cannot
// read it, and it may still report the old firmware for a while: each of these is "not yet",
// only the deadline decides failure.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/SensorQuery.h"
#include "platform/Clock.h"
#include "platform/Console.h"

namespace brevix {

constexpr std::uint64_t kReadBackTimeoutMs = 30000;
constexpr std::uint32_t kReadBackPeriodMs = 1000;

// Whether a version read from the hub ("221212-": its serial number up to the first "-") is
// the packaged one ("221212", from the firmware file's name). "N/A" and "" never are; nor is
// a different version, newer or not: the hub must run what was flashed.
bool IsPackagedFirmware(std::u16string_view read, std::u16string_view packaged);

// The decisions, without the reads or the waits: fed each version read with the time it was
// taken, says whether the read-back is over and how. Time comes in from outside, so the
// deadline is tested in microseconds.
class FirmwareReadBack {
 public:
  enum class State { Reading, Matches, TimedOut };

  FirmwareReadBack(std::u16string packaged, std::uint64_t startMs, std::uint64_t timeoutMs = kReadBackTimeoutMs,
                   std::uint32_t periodMs = kReadBackPeriodMs);

  // One read taken at `nowMs`. Matches as soon as a read is the packaged version; TimedOut
  // when a read that is not comes at or after the deadline; else Reading, and the next read
  // is due at NextReadAt().
  State Take(std::u16string version, std::uint64_t nowMs);

  State Current() const { return state_; }
  std::uint64_t NextReadAt() const { return nextReadAt_; }
  const std::u16string& LastRead() const { return lastRead_; }
  int Reads() const { return reads_; }

 private:
  std::u16string packaged_;
  std::uint64_t deadline_;
  std::uint32_t period_;
  std::uint64_t nextReadAt_;
  State state_ = State::Reading;
  std::u16string lastRead_;
  int reads_ = 0;
};

struct ReadBackResult {
  bool matches = false;
  std::u16string lastRead;  // what the hub reported last ("N/A" when it could not be read)
  int reads = 0;
};

// The whole read-back on the calling thread (a worker, never the UI thread: it waits up to
// kReadBackTimeoutMs): reads through QueryFirmwareVersion, sleeps on `clock` between reads.
// Only the last read's diagnostic lines reach `out`, not one set per poll.
ReadBackResult ReadBackFirmware(SensorSource& sensors, Clock& clock, StandardOutput& out, std::u16string packaged);

}  // namespace brevix
