#!/usr/bin/env bash
# Runs a command inside the i686 root (scripts/i686-root.sh), where 32-bit Linux programs (the
# 32-bit Wine) run under qemu user-mode emulation. Each run gets user, mount, PID and network
# namespaces of its own and a binfmt_misc instance private to its user namespace (Linux 6.7 and
# later), so the host's binfmt handlers, and with them its own Wine's choice of win64
# (scripts/wine-arch.sh), stay as they are. The clone is bound at the same path inside, /tmp is
# fresh. When the command ends, or the time limit does, every process of the run ends with it.
#   i686-enter.sh <seconds> <command> [args...]     root in $BREVIX_I686_ROOT
#   i686-enter.sh --probe      says in one line why this host cannot, exits 1; else exits 0
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${BREVIX_I686_ROOT:-/var/cache/brevix/i686-root}

if [ "${1:-}" = --probe ]; then
  if ! command -v unshare >/dev/null; then echo "no unshare (util-linux)"; exit 1; fi
  if ! unshare --user --map-root-user --mount true 2>/dev/null; then
    echo "user namespaces are not available here"; exit 1
  fi
  if ! unshare --user --map-root-user --mount --pid --fork sh -c \
       'mount -t proc proc /proc && mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc' 2>/dev/null; then
    echo "kernel $(uname -r) gives a user namespace no binfmt_misc of its own (needs Linux 6.7 or later)"; exit 1
  fi
  exit 0
fi

seconds=$1
shift
[ -f "$dir/.brevix-i686-root" ] || { echo "no i686 root in $dir (scripts/i686-root.sh makes it)" >&2; exit 1; }
# qemu's usual i386 entry; "F" opens the interpreter now, so the path is the host's view of it.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
exec timeout -k 10 "$seconds" unshare --user --map-root-user --mount --pid --net --fork --kill-child \
  bash -ec '
    r=$1 clone=$2 entry=$3
    shift 3
    mount -t proc proc "$r/proc"
    mount -t binfmt_misc binfmt_misc "$r/proc/sys/fs/binfmt_misc"
    printf "%s" "$entry" >"$r/proc/sys/fs/binfmt_misc/register"
    mount --rbind /dev "$r/dev"
    mount -t tmpfs -o mode=1777 tmpfs "$r/tmp"
    mkdir -p "$r$clone"
    mount --bind "$clone" "$r$clone"
    exec chroot "$r" /usr/bin/env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin HOME=/root \
      LANG=C.UTF-8 bash -c "cd \"\$0\" && exec \"\$@\"" "$PWD" "$@"
  ' enter "$dir" "$here" ":brevix-i386:M::$magic:$mask:$dir/usr/bin/qemu-i386:F" "$@"
