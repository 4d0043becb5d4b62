#pragma once
// The values a front end and the run exchange besides events: what the user consents to and
// how the run came out.

namespace brevix {

// What the user consents to, in the order the run asks.
enum class RunConsent {
  Licence,  // the licence is accepted: the package is unpacked
  Checks,   // the checking phase may run
  Upgrade,  // the older items are upgraded
};

// How the run came out; the exit code is decided from it and the run mode.
enum class RunEnding {
  Quit,            // left before the work was done
  Current,         // the checks found everything current
  Upgraded,        // the upgrading stage ran and nothing failed
  RestartStarted,  // ... and the restart was started
  Failed,          // a step failed, the tool reported a failure or timed out
};

}  // namespace brevix
