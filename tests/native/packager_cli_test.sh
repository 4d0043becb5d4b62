#!/usr/bin/env bash
# The package producer as release engineers use it: build from a list, list and verify, and
# refuse a missing component, an unsafe name and a damaged package.
set -uo pipefail
packager=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }

mkdir -p "$dir/c/DRIVER/ACPI"
printf 'binary\0data' > "$dir/c/DRIVER/ACPI/dpinst.exe"
printf '[A]\nk=v\n' > "$dir/c/ErrorCode.ini"
printf 'VRK33D1|\nVID_7A1D&PID_0A04|\n' > "$dir/c/PidVid"
printf 'DRIVER\\ACPI\\dpinst.exe\traw\nErrorCode.ini\ttext8\nPidVid\ttext16\n' > "$dir/list.txt"

"$packager" build --list "$dir/list.txt" --components "$dir/c" --out "$dir/p.dat"
check "build succeeds" '[ $? -eq 0 ] && [ -s "$dir/p.dat" ]'
out=$("$packager" list "$dir/p.dat" --expect "$dir/list.txt")
check "list verifies against the list" '[ $? -eq 0 ] && grep -q "^matches" <<<"$out"'
check "raw entry is unchanged" 'grep -qP "^1\t11\tDRIVER\\\\ACPI\\\\dpinst.exe$" <<<"$out"'
check "text8 has CR LF and no final line end" 'grep -qP "^2\t8\tErrorCode.ini$" <<<"$out"'
check "text16 has BOM and CR LF after every line" 'grep -qP "^3\t$(( 2 + 2 * (10 + 20) ))\tPidVid$" <<<"$out"'

printf 'PidVid\ttext16\nErrorCode.ini\ttext8\nDRIVER\\ACPI\\dpinst.exe\traw\n' > "$dir/other.txt"
"$packager" list "$dir/p.dat" --expect "$dir/other.txt" >/dev/null 2>&1
check "a different order fails verification" '[ $? -ne 0 ]'

printf 'missing.bin\traw\n' > "$dir/bad.txt"
"$packager" build --list "$dir/bad.txt" --components "$dir/c" --out "$dir/q.dat" 2>/dev/null
check "a missing component fails the build" '[ $? -ne 0 ] && [ ! -e "$dir/q.dat" ]'
printf '..\\evil.dll\traw\n' > "$dir/bad.txt"
"$packager" build --list "$dir/bad.txt" --components "$dir/c" --out "$dir/q.dat" 2>/dev/null
check "an unsafe entry name fails the build" '[ $? -ne 0 ]'

head -c 40 "$dir/p.dat" > "$dir/cut.dat"
err=$("$packager" list "$dir/cut.dat" 2>&1 >/dev/null)
check "a damaged package is refused with where and what" '[ -n "$err" ] && grep -q "byte .*: expected" <<<"$err"'
exit $fail
