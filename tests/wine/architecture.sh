# Sourced by the Wine test scripts whose expectations follow the architecture under test.
# pe_machine <file.exe|dll>: i386 or x86_64, read from the PE header's Machine field.
pe_machine() {
  local pe machine
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx1 -j$((pe + 4)) -N2 "$1" | tr -d ' ')
  case "$machine" in
    4c01) echo i386 ;;
    6486) echo x86_64 ;;
    *) echo "unknown-$machine" ;;
  esac
}
# prefix_arch <prefix-dir>: win32 or win64, as Wine made the prefix.
prefix_arch() { sed -n 's/^#arch=//p' "$1/system.reg" | head -1; }
# runs_under_wow64 <file.exe> <prefix-dir>: a 32-bit program on 64-bit Windows.
runs_under_wow64() { [ "$(pe_machine "$1")" = i386 ] && [ "$(prefix_arch "$2")" = win64 ]; }
