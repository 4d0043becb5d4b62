#!/usr/bin/env bash
# The checking phase in console mode on the simulated notebook, through the real registry,
# INF files, file search, console output and Sensor API path:
#  - older drivers installed and an older firmware on the test sensor server: the full report;
#  - everything current: the report ends with the console's "all latest" line;
#  - no sensor server (as Wine itself has none): the firmware line is "(Not Applicable)".
# Registry fixtures are added here and removed again; the prefix is left as it was found.
#   engine_console_test.sh <engine_console_check.exe> <BrevixSensorServer.dll> <prefix>
set -uo pipefail
check_exe=$1 server_dll=$2 prefix=$3
run="$(dirname "$0")/../../../scripts/wine-run.sh"
. "$(dirname "$0")/../architecture.sh"
export LANG=en_US.UTF-8
fail=0
reg() { "$run" "$prefix" 60 reg "$@" >/dev/null 2>&1; }

. "$(dirname "$0")/../fixtures.sh"
instance=9990  # an instance number of our own, removed again at the end
# COM looks the class up in the registry view of the program's own bitness.
case "$(pe_machine "$check_exe")" in
  i386) view=/reg:32 ;;
  x86_64) view=/reg:64 ;;
  *) echo "FAIL: $check_exe is neither i386 nor x86_64"; exit 1 ;;
esac
[ "$(pe_machine "$server_dll")" = "$(pe_machine "$check_exe")" ] ||
  { echo "FAIL: the sensor server's architecture differs from the check's"; exit 1; }

scratch=$(mktemp -d /tmp/brevix-engine-console.XXXXXX)
fixture="$scratch/sensors.txt"
win_path() { "$run" "$prefix" 30 winepath -w "$1" 2>/dev/null | tr -d '\r'; }

cleanup() {
  reg delete "$system_class\\$instance" /f
  reg delete "$usb_class\\$instance" /f
  if [ "${registered:-0}" = 1 ]; then reg delete "$clsid" "$view" /f; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 1' INT TERM  # a time-out still runs the clean-up

if reg query "$system_class\\$instance" || reg query "$usb_class\\$instance"; then
  echo "FAIL: instance $instance exists already; not touching it"; exit 1
fi
# A registration of our own server left by an interrupted run is taken back first.
if "$run" "$prefix" 60 reg query "$clsid\\InprocServer32" "$view" 2>/dev/null | grep -q BrevixSensorServer.dll; then
  reg delete "$clsid" "$view" /f
fi
if reg query "$clsid" "$view"; then
  echo "FAIL: a sensor manager is registered already; not touching it"; exit 1
fi


register_server() {
  reg add "$clsid\\InprocServer32" /ve /t REG_SZ /d "$(win_path "$server_dll")" "$view" /f &&
    reg add "$clsid\\InprocServer32" /v ThreadingModel /t REG_SZ /d Both "$view" /f
  registered=1
}

# Runs the check and compares its whole output (CR LF read as LF) with the expected text.
expect_output() {  # <name> <expected text>
  local out rc
  out=$(BREVIX_SENSOR_FIXTURE="$(win_path "$fixture")" "$run" "$prefix" 120 "$check_exe" | tr -d '\r')
  rc=${PIPESTATUS[0]}
  if [ "$rc" -eq 0 ] && [ "$out" = "$2" ]; then
    echo "ok: $1"
  else
    echo "FAIL: $1 (exit $rc)"
    diff <(echo "$2") <(echo "$out")
    fail=1
  fi
}

# 1. Older drivers and firmware; the protractor sensor comes first and is passed over.
printf '%s\n' 'sensor=Accelerometer 3D|other|1' 'sensor=HID Sensor Collection V2|custom|9999' \
  'sensor=HID Sensor Collection V2|custom|221211-0' >"$fixture"
install_drivers 6-21-2013 1.0.0.5 1-2-2012 3.0.2.0
register_server
expect_output "older drivers and firmware: full report" "$(cat <<'TEXT'
Installed Varnek(R) Brevix Firmware Version 221211-
Installed Varnek(R) Brevix ACPI Driver Version 06/21/2013,1.0.0.5
Installed Varnek(R) Brevix STTube Driver Version 01/02/2012,3.0.2.0

Upgrading Varnek(R) Brevix Firmware Version 221212
Upgrading Varnek(R) Brevix ACPI Driver Version 08/06/2013,1.1.0
Upgrading Varnek(R) Brevix STTube Driver Version 07/05/2012,3.0.4.0

Old drivers are as below
Varnek(R) Brevix Firmware
Varnek(R) Brevix ACPI Driver
Varnek(R) Brevix STTube Driver
[decisions firmware=1 acpi=1 sttube=1 allLatest=0 file=found]
[log]
TEXT
)"

# 2. Everything current (a later ACPI date counts as current too).
printf '%s\n' 'sensor=HID Sensor Collection|custom|221212-5' >"$fixture"
install_drivers 9-1-2013 1.0.0 7-5-2012 3.0.4.0
expect_output "everything current: all latest" "$(cat <<'TEXT'
Installed Varnek(R) Brevix Firmware Version 221212-
Installed Varnek(R) Brevix ACPI Driver Version 09/01/2013,1.0.0
Installed Varnek(R) Brevix STTube Driver Version 07/05/2012,3.0.4.0

Upgrading Varnek(R) Brevix Firmware Version 221212
Upgrading Varnek(R) Brevix ACPI Driver Version 08/06/2013,1.1.0
Upgrading Varnek(R) Brevix STTube Driver Version 07/05/2012,3.0.4.0

Installed drivers are all latest, press Enter key to quit.
[decisions firmware=0 acpi=0 sttube=0 allLatest=1 file=found]
[log]
TEXT
)"

# 3. No sensor server: the Sensor API is missing, as under plain Wine.
reg delete "$clsid" "$view" /f
registered=0
expect_output "no sensor server: firmware not applicable" "$(cat <<'TEXT'
Failed to get sensor manager
Installed Varnek(R) Brevix Firmware Version (Not Applicable)
Installed Varnek(R) Brevix ACPI Driver Version 09/01/2013,1.0.0
Installed Varnek(R) Brevix STTube Driver Version 07/05/2012,3.0.4.0

Upgrading Varnek(R) Brevix Firmware Version 221212
Upgrading Varnek(R) Brevix ACPI Driver Version 08/06/2013,1.1.0
Upgrading Varnek(R) Brevix STTube Driver Version 07/05/2012,3.0.4.0

Old drivers are as below
Varnek(R) Brevix Firmware
[decisions firmware=1 acpi=0 sttube=0 allLatest=0 file=found]
[log]
TEXT
)"

exit $fail
