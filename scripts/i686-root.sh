#!/usr/bin/env bash
# Makes (once per machine) the Debian root in which the shipped i686 executable runs on a host
# whose kernel refuses 32-bit code: Debian's 32-bit Wine, started through qemu user-mode
# emulation (bookworm-backports' qemu 10; bookworm's 7.2 is ~100x slower for Wine). The host
# itself is not changed beyond the debootstrap package: no foreign architecture, no binfmt
# handler (scripts/i686-enter.sh registers one inside a user namespace for each run).
#   i686-root.sh            root in $BREVIX_I686_ROOT, default /var/cache/brevix/i686-root
# Made in "<root>.partial" and renamed when complete, so an interrupted set-up is recognised
# (and thrown away) by the next run; "<root>/.brevix-i686-root" names the set-up version.
set -euo pipefail
version=1
dir=${BREVIX_I686_ROOT:-/var/cache/brevix/i686-root}
stamp="$dir/.brevix-i686-root"
mirror=http://deb.debian.org/debian
if [ "$(cat "$stamp" 2>/dev/null)" = "version=$version" ]; then exit 0; fi

start=$(date +%s)
export DEBIAN_FRONTEND=noninteractive
if ! command -v debootstrap >/dev/null; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
fi
work="$dir.partial"
rm -rf "$work" "$dir"
mkdir -p "$(dirname "$dir")"
echo "i686 root: debootstrap into $work"
debootstrap --variant=minbase --arch=amd64 bookworm "$work" "$mirror" >"$work.log" 2>&1 ||
  { tail -20 "$work.log" >&2; exit 1; }

cat >"$work/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $mirror bookworm-backports main
deb http://deb.debian.org/debian-security bookworm-security main
EOF
cp /etc/resolv.conf "$work/etc/resolv.conf"
# Package scripts inside see a /proc and /dev of their own; the mounts end with the namespace.
inside() {
  unshare --mount --fork sh -ec '
    mount -t proc proc "$1/proc"; mount --rbind /dev "$1/dev"; r=$1; shift
    exec chroot "$r" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
      DEBIAN_FRONTEND=noninteractive "$@"' sh "$work" "$@"
}
echo "i686 root: Wine (32 and 64-bit), X tools and qemu-user from bookworm-backports"
inside dpkg --add-architecture i386
inside apt-get update -qq
# What the Wine test scripts use, as scripts/install-deps.sh installs it on the host.
inside apt-get install -y -qq --no-install-recommends \
  wine wine32:i386 wine64 fonts-wine xvfb xauth xdotool imagemagick x11-utils xcompmgr \
  fonts-noto-cjk fonts-dejavu-core locales python3 procps >"$work.log" 2>&1 ||
  { tail -20 "$work.log" >&2; exit 1; }
inside apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user >"$work.log" 2>&1 ||
  { tail -20 "$work.log" >&2; exit 1; }
# The languages the start-up test's refusals are shown in.
for l in en_US de_DE fr_FR ja_JP ru_RU zh_CN el_GR; do
  sed -i "s/^# *$l.UTF-8 UTF-8/$l.UTF-8 UTF-8/" "$work/etc/locale.gen"
done
inside locale-gen >/dev/null
inside apt-get clean
rm -f "$work.log"
echo "version=$version" >"$work/.brevix-i686-root"
mv "$work" "$dir"
echo "i686 root: made in $(( $(date +%s) - start )) s ($(du -sh "$dir" | cut -f1))"
