#pragma once
// The upgrade itself, run on a worker thread that the front end owns: the ACPI driver, the
// STTube driver (each installed by the package's dpinst.exe and confirmed in the registry),
// then the start of the firmware flashing tool, whose progress the firmware poll follows.
#include <cstdint>
#include <string>

#include "engine/InstalledDrivers.h"

namespace brevix {

class UpgradeEngine;

constexpr char16_t kInstallerName[] = u"\\dpinst.exe";
constexpr char16_t kFirmwareToolPattern[] = u"\\Tool\\Varnek*.exe";

// Registry tests while an installer runs.
constexpr int kAcpiInstallTests = 60;
constexpr std::uint32_t kInstallPauseMs = 500;
constexpr int kSttubeInstallTests = 10;
// The STTube test runs the hard DFU switch first, which waits on a machine with the control
// device; where it comes back at once, the installer still gets this long in all.
constexpr std::uint64_t kSttubeInstallMinimumMs = 30000;
constexpr std::uint32_t kFirmwareStepDelayMs = 2000;

// Whether the installed driver of the kind is at least the packaged one, by the install keys
// (for STTube a different cut than the checking phase's).
bool IsInstalledDriverCurrent(DriverKind kind, UpgradeEngine& engine);

// Starts the kind's dpinst.exe and waits until the registry confirms the packaged driver.
// False when the installer cannot be started or the registry never confirms it.
bool InstallDriver(DriverKind kind, UpgradeEngine& engine);

// "-file "<firmware directory>\File\<file>" -sync"
std::u16string FirmwareToolParameters(const std::u16string& firmwareDirectory, const std::u16string& fileName);

// Finds "Varnek*.exe" in the firmware directory's Tool folder and starts it on the packaged
// firmware file, keeping hold of it in engine.firmwareTool. False when there is no firmware
// file or no tool, or the tool cannot be started.
bool LaunchFirmwareTool(UpgradeEngine& engine);

// Ends the flashing tool this run started and the processes it started; false when there is
// none or it would not end.
bool EndFirmwareTool(UpgradeEngine& engine);

// The worker's whole run: the steps the checking phase found necessary, each reported to the
// engine's view (or console), failures to the upgrade log and to engine.anyStepFailed. Sets
// engine.driversDone after the last driver step and engine.workerFinished when it returns.
// Never throws. Returns 1.
int UpgradeWorker(UpgradeEngine& engine) noexcept;

}  // namespace brevix
