#!/usr/bin/env bash
# The package producer as release engineers use it: build from a list, list and verify, and
# refuse a missing component, a name the reader would refuse and a damaged package.
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

# Names the package reader refuses are refused when the list is read, with the reader's words;
# each case: the list's lines after a good first entry, and what the message says was expected.
refused=(
  'sub\NUL.txt|no device name'
  'COM1|no device name'
  'PidVid.|end in a dot or a blank'
  'PidVid |end in a dot or a blank'
  '. .|dots and blanks only'
  $'a\xc2\x85b|control characters'
  'DRIVER/ACPI/x.inf|without "/"'
  'ERRORC~1.INI|short 8.3 alias'
  'ERRORCODE.INI|not already used by entry 1'
  'errorcode.ini\x|entry 1 does not use as its file name'
)
for c in "${refused[@]}"; do
  name=${c%%|*} words=${c#*|}
  printf 'ErrorCode.ini\ttext8\n%s\traw\n' "$name" > "$dir/bad.txt"
  rm -f "$dir/q.dat"
  err=$("$packager" build --list "$dir/bad.txt" --components "$dir/c" --out "$dir/q.dat" 2>&1)
  check "entry name '$name' is refused: $words" \
    '[ $? -ne 0 ] && [ ! -e "$dir/q.dat" ] && grep -qF "bad.txt:2: entry name" <<<"$err" && grep -qF "expected" <<<"$err" && grep -qF "$words" <<<"$err"'
done
printf '# nothing but comments\n' > "$dir/empty.txt"
rm -f "$dir/q.dat"
err=$("$packager" build --list "$dir/empty.txt" --components "$dir/c" --out "$dir/q.dat" 2>&1)
check "a list without entries is refused" '[ $? -ne 0 ] && [ ! -e "$dir/q.dat" ] && grep -qF "expected at least one entry" <<<"$err"'
# The same name in other case is refused also when the list is the expectation of a listing.
printf 'PidVid\ttext16\npidvid\ttext16\n' > "$dir/twice.txt"
"$packager" list "$dir/p.dat" --expect "$dir/twice.txt" >/dev/null 2>&1
check "a list naming one file twice is no expectation" '[ $? -ne 0 ]'

# The digest record: written from the entries as packed, readable by sha256sum, verified by list.
mkdir -p "$dir/c/DRIVER/FIRMWARE/Tool" "$dir/c/DRIVER/STTUBE/x64"
printf 'tool' > "$dir/c/DRIVER/FIRMWARE/Tool/VarnekDFU.exe"
printf 'sys' > "$dir/c/DRIVER/STTUBE/x64/STTub30.sys"
printf 'DRIVER\\ACPI\\dpinst.exe\traw\nDRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe\traw\nDRIVER\\STTUBE\\x64\\STTub30.sys\traw\nPidVid\ttext16\nDRIVER\\SHA256SUMS\tsha256\n' > "$dir/sums.txt"
"$packager" build --list "$dir/sums.txt" --components "$dir/c" --out "$dir/s.dat"
check "a package with a digest record builds" '[ $? -eq 0 ]'
out=$("$packager" list "$dir/s.dat" --expect "$dir/sums.txt")
check "list verifies the record" '[ $? -eq 0 ] && grep -q "^digest record: 3 files" <<<"$out" && grep -q "^matches" <<<"$out"'
size=$(grep -P '\tDRIVER\\SHA256SUMS$' <<<"$out" | cut -f2)
head -c -16 "$dir/s.dat" | tail -c "$size" > "$dir/c/SHA256SUMS"
check "the record is sha256sum's binary form with CR LF" \
  '[ "$(head -n1 "$dir/c/SHA256SUMS")" = "$(cd "$dir/c" && sha256sum -b DRIVER/ACPI/dpinst.exe)"$'"'"'\r'"'"' ]'
check "sha256sum -c checks the components against it" '(cd "$dir/c" && sha256sum --quiet -c SHA256SUMS)'
record_at=$(( $(stat -c %s "$dir/s.dat") - 16 - size ))
cp "$dir/s.dat" "$dir/r.dat"
printf 'x' | dd of="$dir/r.dat" bs=1 seek="$record_at" conv=notrunc status=none
err=$("$packager" list "$dir/r.dat" 2>&1 >/dev/null)
check "a record that does not read is refused with where and what" '[ $? -ne 0 ] && grep -q "digest record, byte 0: expected line 1: a digest of 64 lower-case hex digits" <<<"$err"'
first=$(head -c 1 "$dir/c/SHA256SUMS")
cp "$dir/s.dat" "$dir/r.dat"
printf '%x' $(( (0x$first + 1) % 16 )) | dd of="$dir/r.dat" bs=1 seek="$record_at" conv=notrunc status=none
err=$("$packager" list "$dir/r.dat" 2>&1 >/dev/null)
check "a record with another digest is refused" '[ $? -ne 0 ] && grep -qF "expected the digest of entry \"DRIVER\\ACPI\\dpinst.exe\"" <<<"$err"'
printf 'DRIVER\\ACPI\\dpinst.exe\traw\nSUMS\tsha256\n' > "$dir/bad.txt"
err=$("$packager" build --list "$dir/bad.txt" --components "$dir/c" --out "$dir/q.dat" 2>&1)
check "the record has its one name" '[ $? -ne 0 ] && grep -qF "form sha256: expected one entry named" <<<"$err"'
printf 'PidVid\ttext16\nDRIVER\\SHA256SUMS\tsha256\n' > "$dir/bad.txt"
rm -f "$dir/q.dat"
err=$("$packager" build --list "$dir/bad.txt" --components "$dir/c" --out "$dir/q.dat" 2>&1)
check "a record of nothing is refused" '[ $? -ne 0 ] && [ ! -e "$dir/q.dat" ] && grep -qF "expected entries below the digested folders" <<<"$err"'

head -c 40 "$dir/p.dat" > "$dir/cut.dat"
err=$("$packager" list "$dir/cut.dat" 2>&1 >/dev/null)
check "a damaged package is refused with where and what" '[ -n "$err" ] && grep -q "byte .*: expected" <<<"$err"'
exit $fail
