#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine (run as root).
# Safe to run again: apt skips what is already there.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
if [ "$need_i386" = 1 ]; then dpkg --add-architecture i386; fi
pkgs=(cmake g++ make googletest libgtest-dev clang-14 libclang-rt-14-dev zlib1g-dev
      g++-mingw-w64-i686 mingw-w64-tools
      g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
      wine wine64 wine32:i386 fonts-wine
      xvfb xauth xdotool imagemagick x11-utils xcompmgr
      fonts-noto-cjk fonts-dejavu-core locales
      debootstrap)  # the i686 lane's emulated root (scripts/i686-root.sh)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes the user interface language from LANG; the locales must exist for that.
wanted="de_DE.UTF-8 fr_FR.UTF-8 ja_JP.UTF-8 ru_RU.UTF-8 zh_CN.UTF-8 el_GR.UTF-8"
have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z')
regen=0
for l in $wanted; do
  short=$(echo "$l" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
  if ! grep -qx "$short" <<<"$have"; then
    sed -i "s/^# *$l UTF-8/$l UTF-8/" /etc/locale.gen
    grep -q "^$l UTF-8" /etc/locale.gen || echo "$l UTF-8" >> /etc/locale.gen
    regen=1
  fi
done
if [ "$regen" = 1 ]; then locale-gen >/dev/null; fi
