#!/usr/bin/env bash
# The product carries every resource it relies on: the package, 26 language tables and
# licences, the skin, icon, dialogs, the about string, manifest and version.
set -uo pipefail
exe=$1 resinfo=$2 prefix=$3
run="$(dirname "$0")/../../scripts/wine-run.sh"
out=$("$run" "$prefix" 60 "$resinfo" "$("$run" "$prefix" 20 winepath -w "$exe" 2>/dev/null | tr -d '\r')" | tr -d '\r')
echo "$out"
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
count() { grep -c "^$1 " <<<"$out"; }
check "file version 1.0.20.2699" 'grep -qx "version 1.0.20.2699" <<<"$out"'
check "manifest: administrator, common controls 6, DPI aware" 'grep -qx "manifest requireAdministrator comctl6=1 dpiAware=1" <<<"$out"'
. "$(dirname "$0")/architecture.sh"
case "$(pe_machine "$exe")" in i386) arch=x86 ;; *) arch=amd64 ;; esac
check "manifest: the program's own architecture ($arch), common controls of any" \
  'grep -qx "manifest-arch $arch \*" <<<"$out"'
check "package DAT 186" 'grep -q "^DAT 186 [1-9]" <<<"$out"'
check "26 language tables INI 187-212" '[ "$(count INI)" = 26 ] && [ "$(grep "^INI " <<<"$out" | cut -d" " -f2 | sort -n | sed -n "1p;\$p" | tr "\n" " ")" = "187 212 " ]'
check "26 licences TXT 215-240" '[ "$(count TXT)" = 26 ] && [ "$(grep "^TXT " <<<"$out" | cut -d" " -f2 | sort -n | sed -n "1p;\$p" | tr "\n" " ")" = "215 240 " ]'
# The skin: the big pictures as 8-bit RGB PNG of their size (skin::LoadSkinBitmap decodes
# them), the others as bitmaps; every image in one form only.
for picture in 143:733x549 171:733x549 157:430x253; do
  id=${picture%%:*}
  check "picture $id: PNG, ${picture#*:}, 8-bit RGB, no bitmap besides" \
    'grep -q "^PNG $id [1-9][0-9]* ${picture#*:} 8/2\$" <<<"$out" && ! grep -q "^BITMAP $id " <<<"$out"'
done
for id in 154 155 162 163 164 165 166 168 169 170 174 176 177 178 182 183 184 206 207 208 209 210; do
  grep -q "^BITMAP $id " <<<"$out" && ! grep -q "^PNG $id " <<<"$out" || { echo "FAIL: bitmap $id"; fail=1; }
done
check "icon 128" 'grep -q "^ICON 128 " <<<"$out"'
check "dialogs 102 and 137" 'grep -q "^DIALOG 102 " <<<"$out" && grep -q "^DIALOG 137 " <<<"$out"'
check "about string 101" 'grep -qx "string 101 About VarnekDFU(&A)..." <<<"$out"'
exit $fail
