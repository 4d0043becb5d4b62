#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine (run as root).
# Safe to run again: apt skips what is already there.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
if [ "$need_i386" = 1 ]; then dpkg --add-architecture i386; fi
pkgs=(cmake g++ make googletest libgtest-dev
      g++-mingw-w64-i686 mingw-w64-tools
      wine wine64 wine32:i386 fonts-wine
      xvfb xauth xdotool imagemagick x11-utils xcompmgr
      fonts-noto-cjk fonts-dejavu-core)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
