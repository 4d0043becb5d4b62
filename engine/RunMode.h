#pragma once
// What a run is asked to be, decided once by the command line and carried from there: the
// front end, how the checking report closes, how the firmware progress reads, whether a box
// may wait for someone, and the exit code all follow from it.
namespace brevix {

enum class RunMode {
  Wizard,   // no argument: the skinned wizard
  Silent,   // "/S": the upgrade on a console, nobody to answer a box
  Version,  // "/V": the version text, then a wait for Enter
  Usage,    // any other argument: the usage text, then a wait for Enter
};

// Any argument makes the program a console program: no window exists.
constexpr bool ReportsToConsole(RunMode mode) { return mode != RunMode::Wizard; }
// Deployment scripts run it: no box, no question waits for an answer.
constexpr bool IsUnattended(RunMode mode) { return mode == RunMode::Silent; }
// The version and usage modes write their text and end; no upgrade runs.
constexpr bool IsTextOnly(RunMode mode) { return mode == RunMode::Version || mode == RunMode::Usage; }

}  // namespace brevix
