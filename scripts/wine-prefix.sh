#!/usr/bin/env bash
# Makes (once) the Wine prefix the Windows tests run in: a Windows 7 client notebook with a
# supported sensor hub. A prefix takes ~20 s and 1.3 GB, so each build folder keeps one.
#   wine-prefix.sh <prefix-dir>
set -euo pipefail
prefix=$(realpath -m "$1")
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
stamp="$prefix/.brevix-ready"
# With WINEARCH given (64-bit tests, scripts/wine-arch.sh) a prefix of the other kind is made anew.
made_as=$(sed -n "s/^#arch=//p" "$prefix/system.reg" 2>/dev/null | head -1 || true)
if [ -f "$stamp" ] && { [ -z "${WINEARCH:-}" ] || [ "$made_as" = "$WINEARCH" ]; }; then exit 0; fi

rm -rf "$prefix"
mkdir -p "$prefix"
timeout 180 wineboot --init >/dev/null 2>&1 || true
timeout 120 wineserver -w || true

# Tahoma is the skin's face; Wine ships it in fonts-wine.
fonts="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp /usr/share/wine/fonts/tahoma*.ttf "$fonts/" 2>/dev/null || true

reg() { timeout 60 wine reg "$@" >/dev/null 2>&1; }
# A supported hub: a USB device key named like an entry of the package's "PidVid" list.
reg add 'HKLM\SYSTEM\CurrentControlSet\Enum\USB\VID_7A1D&PID_0A04\5&2A3B4C5D&0&1' /v DeviceDesc /t REG_SZ /d "Varnek(R) Brevix Sensor Hub" /f
# Windows links Tahoma to the CJK faces it lacks (MS UI Gothic, SimSun, PMingLiU, Gulim), so the
# skin's Tahoma texts show Chinese, Japanese and Korean; Wine has the same links and finds those
# faces here as Noto CJK (fonts-noto-cjk).
for pair in "MS UI Gothic:Noto Sans CJK JP" "SimSun:Noto Sans CJK SC" "PMingLiU:Noto Sans CJK TC" \
            "Gulim:Noto Sans CJK KR"; do
  reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%:*}" /t REG_SZ /d "${pair#*:}" /f
done
timeout 120 wineserver -w || true

# Windows 7 client (6.1, workstation) is what a fresh prefix reports; check it stays so.
touch "$stamp"
