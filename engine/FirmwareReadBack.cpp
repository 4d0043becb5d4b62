#include "engine/FirmwareReadBack.h"

#include <algorithm>

#include "engine/VersionText.h"

namespace brevix {
namespace {

// Keeps a read's diagnostic lines so that only the last read's are passed on.
class HeldOutput : public StandardOutput {
 public:
  void Print(const std::string& text) override { held += text; }
  std::string held;
};

}  // namespace

bool IsPackagedFirmware(std::u16string_view read, std::u16string_view packaged) {
  if (packaged.empty() || read.empty() || packaged == kNotAvailable || read == kNotAvailable) return false;
  if (read.back() == u'-') read.remove_suffix(1);
  return read == packaged;
}

FirmwareReadBack::FirmwareReadBack(std::u16string packaged, std::uint64_t startMs, std::uint64_t timeoutMs,
                                   std::uint32_t periodMs)
    : packaged_(std::move(packaged)), deadline_(startMs + timeoutMs), period_(periodMs), nextReadAt_(startMs) {}

FirmwareReadBack::State FirmwareReadBack::Take(std::u16string version, std::uint64_t nowMs) {
  if (state_ != State::Reading) return state_;
  ++reads_;
  lastRead_ = std::move(version);
  if (IsPackagedFirmware(lastRead_, packaged_)) return state_ = State::Matches;
  if (nowMs >= deadline_) return state_ = State::TimedOut;
  // The last read falls on the deadline itself, so the hub gets the whole time.
  nextReadAt_ = std::min<std::uint64_t>(nowMs + period_, deadline_);
  return state_;
}

ReadBackResult ReadBackFirmware(SensorSource& sensors, Clock& clock, StandardOutput& out, std::u16string packaged) {
  FirmwareReadBack readBack(std::move(packaged), clock.Milliseconds());
  HeldOutput held;
  while (true) {
    held.held.clear();
    const std::u16string version = QueryFirmwareVersion(sensors, held);
    if (readBack.Take(version, clock.Milliseconds()) != FirmwareReadBack::State::Reading) break;
    const std::uint64_t now = clock.Milliseconds();
    if (readBack.NextReadAt() > now) clock.Sleep(static_cast<std::uint32_t>(readBack.NextReadAt() - now));
  }
  if (!held.held.empty()) out.Print(held.held);
  return {readBack.Current() == FirmwareReadBack::State::Matches, readBack.LastRead(), readBack.Reads()};
}

}  // namespace brevix
