// The flashing tool's mailslot messages, decoded and fed to the firmware poll in any sequence:
// any sizes, any fields, bursts, any facts of the worker and the tool, any clock steps. The
// poll ends its stage at most once, acts on nothing after that, and moves the bar only up.
#include <deque>

#include "FuzzSupport.h"
#include "engine/FirmwarePoll.h"

using namespace brevix;

namespace {

class Mailslot : public MailslotReader {
 public:
  std::deque<Bytes> messages;
  std::optional<Bytes> ReadMessage() override {
    if (messages.empty()) return std::nullopt;
    Bytes m = std::move(messages.front());
    messages.pop_front();
    return m;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const RunMode output = in.Flag() ? RunMode::Silent : RunMode::Wizard;
  FirmwarePoll poll(output, PollTexts{u"Firmware", u"Upgrade firmware failed!", u" . . . Done.\r\n", u" . . . Failed!\r\n"});
  Mailslot mailslot;
  std::uint64_t now = 1000;
  int lastPercent = 0;
  int stageEnds = 0;

  while (!in.Empty()) {
    const std::uint8_t flags = in.Byte();
    PollFacts facts;
    facts.firmwareNeedsUpgrade = flags & 1;
    facts.workerFinished = flags & 2;
    facts.toolStarted = flags & 4;
    facts.toolRunning = (flags & 8) && facts.toolStarted;
    const std::uint8_t messages = in.Byte() % 8;
    for (std::uint8_t i = 0; i < messages; ++i) {
      const ByteView message = in.Bytes(9);
      const auto decoded = DecodeDfuMessage(message);
      FUZZ_CHECK(decoded.has_value() == (message.size() == kDfuMessageBytes));
      if (decoded) FUZZ_CHECK(decoded->status == (message[0] | message[1] << 8) && decoded->value == (message[4] | message[5] << 8));
      mailslot.messages.emplace_back(message.begin(), message.end());
    }
    // Bursts: the same message many times over.
    if (flags & 0x10) {
      const Bytes repeated = mailslot.messages.empty() ? Bytes(6, 0) : mailslot.messages.back();
      for (int i = 0; i < 100; ++i) mailslot.messages.push_back(repeated);
    }
    now += in.U16();

    const bool endedBefore = poll.Ended();
    const PollStep step = poll.Tick(facts, now, mailslot);
    if (endedBefore) FUZZ_CHECK(step.events.empty() && step.logReports.empty() && !step.closeFlash);
    for (const SessionEvent& e : step.events) {
      if (e.kind != SessionEvent::Kind::Progress) continue;
      FUZZ_CHECK(e.percent > lastPercent && e.percent <= 100);
      lastPercent = e.percent;
    }
    for (const PollStep::LogReport& r : step.logReports) {
      FUZZ_CHECK(r.code.size() == 10 && r.code.rfind("0xEE0", 0) == 0);
    }
    // A success report ends the poll and hands the step's close to the read-back.
    if (step.closeFlash) FUZZ_CHECK(poll.Outcome() == PollOutcome::Succeeded);
    if (!endedBefore && poll.Ended()) ++stageEnds;
    FUZZ_CHECK(poll.Ended() == (stageEnds == 1));
    FUZZ_CHECK(poll.BestPercent() == lastPercent);
  }
  FUZZ_CHECK(stageEnds <= 1);
  return 0;
}
