#!/usr/bin/env bash
# tools/make-stick refuses bad input with a clear message and writes
# nothing: a missing or malformed controller address, an unknown target, a
# target whose packages cannot be installed, a stick folder that is not
# empty, is a file or is read-only, and a sqlite3 source whose checksum does
# not match. Its ICU parts: the data cut down, the code's exports. (Building
# a stick is tests/e2e/stick_test.sh.)
set -uo pipefail
top=$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)
. "$top/tests/e2e/lib/tally.sh"
work=$(mktemp -d /tmp/make-stick-test.XXXXXX)
trap 'rm -rf "$work"' EXIT

# refused NAME STATUS MESSAGE ARGS...: make-stick ARGS exits with STATUS,
# says MESSAGE, and leaves the stick folder (the last of ARGS) as it was.
refused() {
  local name=$1 status=$2 message=$3 rc=0 before after out
  shift 3
  out=${*: -1}
  before=$(find "$out" -exec stat -c '%n %s %Y' {} + 2>/dev/null | sort | md5sum)
  "$top/tools/make-stick" "$@" > "$work/$name.txt" 2>&1 || rc=$?
  after=$(find "$out" -exec stat -c '%n %s %Y' {} + 2>/dev/null | sort | md5sum)
  expect "$name: exit status $status" equals "$rc" "$status"
  expect "$name: says '$message'" has_line "$work/$name.txt" "$message"
  expect "$name: stick folder untouched" equals "$after" "$before"
}

refused no-arguments 2 "make-stick [--force]"
refused two-arguments 2 "make-stick [--force]" armhf "$work/out"
refused unknown-target 2 "unknown target 'mips'" mips 192.168.1.10 "$work/out"
refused unknown-option 2 "unknown option '--quick'" --quick armhf 192.168.1.10 "$work/out"

# Addresses: the rule of cmake/controller_address.cmake, checked before
# anything is built.
while IFS='|' read -r address reason; do
  refused "address '$address'" 1 "$reason" --build "$work/build" host "$address" "$work/out"
done <<'CASES'
|no address given
192.168.1|not four numbers
192.168.1.10.1|not four numbers
192.168.01.10|leading zero in '01'
256.1.1.1|'256' is above 255
controller.local|not four numbers
192.168.1.10;reboot|not four numbers
CASES
expect "address: no build folder made for a refused address" test ! -e "$work/build"

# Trusted keys: only Ed25519 public keys, each once; nothing is built first.
openssl genpkey -algorithm RSA -out "$work/rsa.key" 2>/dev/null && openssl pkey -in "$work/rsa.key" -pubout -out "$work/rsa.pub"
openssl genpkey -algorithm ED25519 -out "$work/ed.key" && openssl pkey -in "$work/ed.key" -pubout -out "$work/ed.pub"
refused trust-missing 1 "the key $work/none.pub does not exist" --build "$work/build" --trust "$work/none.pub" host 192.168.1.10 "$work/out"
refused trust-rsa 1 "is not an Ed25519 public key" --build "$work/build" --trust "$work/rsa.pub" host 192.168.1.10 "$work/out"
refused trust-private 1 "is not an Ed25519 public key" --build "$work/build" --trust "$work/ed.key" host 192.168.1.10 "$work/out"
refused trust-twice 1 "is given twice" --build "$work/build" --trust "$work/ed.pub" --trust "$work/ed.pub" host 192.168.1.10 "$work/out"
expect "trust: no build folder made for a refused key" test ! -e "$work/build"

# The stick folder.
mkdir -p "$work/out"
echo "technician's file" > "$work/out/notes.txt"
refused not-empty 1 "is not empty (give --force" host 192.168.1.10 "$work/out"
expect "not-empty: the technician's file kept" equals "$(cat "$work/out/notes.txt")" "technician's file"
: > "$work/file"
refused a-file 1 "exists and is not a folder" host 192.168.1.10 "$work/file"
mkdir -p "$work/ro"
# A stick mounted read-only: the folder itself, and a folder to make on it.
ro_out=$(unshare --mount sh -c 'mount -t tmpfs -o ro none "$1" && "$2" host 192.168.1.10 "$1" 2>&1; echo "status $?";
  "$2" host 192.168.1.10 "$1/stick" 2>&1; echo "status $?"' sh "$work/ro" "$top/tools/make-stick")
expect "read-only stick: both refused" equals "$(grep -c '^status 1$' <<<"$ro_out")" 2
expect "read-only stick: says so both times" equals "$(grep -c '(a read-only stick?)' <<<"$ro_out")" 2

# A target whose packages cannot be installed: apt finds nothing (the
# package tools are replaced by ones that fail).
mkdir -p "$work/no-apt"
for t in apt-get dpkg-query dpkg; do
  printf '#!/bin/sh\necho "E: unable to fetch (simulated)" >&2\nexit 100\n' > "$work/no-apt/$t"
  chmod +x "$work/no-apt/$t"
done
PATH=$work/no-apt:$PATH refused no-packages 1 "the packages for armhf could not be installed" \
  --build "$work/build" armhf 192.168.1.10 "$work/fresh"
expect "no-packages: no build folder made" test ! -e "$work/build"

# A sqlite3 source that does not match its .dsc: refused, nothing generated.
source=${PENDANT_SQLITE3_SOURCE:-$top/.cache/sqlite3}
if [ -d "$source/download" ]; then
  mkdir -p "$work/sqlite3"
  cp -r "$source/download" "$work/sqlite3/"
  orig=$(ls "$work/sqlite3/download/"*.orig.tar.* | head -n 1)
  printf 'X' | dd of="$orig" bs=1 seek=1000 conv=notrunc status=none
  rc=0; "$top/tools/sqlite3/fetch-source" "$work/sqlite3" > "$work/mismatch.txt" 2>&1 || rc=$?
  expect "checksum mismatch: refused" equals "$rc" 1
  expect "checksum mismatch: names the file" has_line "$work/mismatch.txt" "checksum mismatch: $(basename "$orig")"
  expect "checksum mismatch: nothing generated" test ! -e "$work/sqlite3/amalgamation"
  rc=0; cmake -S "$top" -B "$work/mismatch-build" -DPENDANT_SQLITE3_SOURCE="$work/sqlite3" \
    > "$work/mismatch-cmake.txt" 2>&1 || rc=$?
  expect "checksum mismatch: the build refuses to configure" test "$rc" -ne 0
  expect "checksum mismatch: no build files" test ! -e "$work/mismatch-build/Makefile"
  rm "$work/sqlite3/download/"*.dsc
  cp "$source/download/"*.dsc "$work/sqlite3/download/"
  sed -i '/^Checksums-Sha256:/,/^[^ ]/ s/^ [0-9a-f]\{64\} \(.*debian.tar.*\)$/ 0000000000000000000000000000000000000000000000000000000000000000 \1/' \
    "$work/sqlite3/download/"*.dsc
  cp "$source/download/"*.orig.tar.* "$work/sqlite3/download/"
  rc=0; "$top/tools/sqlite3/fetch-source" "$work/sqlite3" > "$work/mismatch2.txt" 2>&1 || rc=$?
  expect "checksum mismatch in the .dsc's list: refused" equals "$rc" 1
  expect "checksum mismatch in the .dsc's list: names the file" has_line "$work/mismatch2.txt" "checksum mismatch: sqlite3_"
else
  echo "skipped: no sqlite3 source fetched yet in $source"
fi

# ICU's data cut down: a program linked against ICU finds the kept items in
# the library and nothing else; a keep list naming an item the data lacks
# (ICU upgraded, say) is refused.
# (ICU_DATA, set when tools/icu-items traces the tests, would serve every item.)
unset ICU_DATA
die() { echo "$*"; exit 1; }
. "$top/tools/lib/icu-data.sh"
icu=$(ls /usr/lib/"$(gcc -print-multiarch)"/libicudata.so.[0-9]* | head -n 1)
mkdir -p "$work/icu"
printf '# converters\ncnvalias.icu\ngb18030.cnv\n' > "$work/keep.txt"
icu_data_keep=$work/keep.txt
icu_data_trim "$icu" gcc "$work/icu/$(basename "$icu")"
expect "ICU data: the kept items, no others" equals "$(icu_data_items "$work/icu/$(basename "$icu")" | tr '\n' ' ')" \
  "cnvalias.icu gb18030.cnv "
icu_data_trim "$icu" gcc "$work/icu/again.so"
expect "ICU data: the same library from a second build" cmp -s "$work/icu/again.so" "$work/icu/$(basename "$icu")"
convert() { printf '备份\n' | LD_LIBRARY_PATH=$work/icu uconv -f utf-8 -t "$1" 2>&1 | od -An -tx1 | tr -d ' \n'; }
expect "ICU data: a kept converter converts" equals "$(convert gb18030)" "b1b8b7dd0a"
expect "ICU data: a removed one is not there" bash -c "! printf 'a' | LD_LIBRARY_PATH='$work/icu' uconv -f utf-8 -t big5 >/dev/null 2>&1"
echo "zh.res" >> "$work/keep.txt"; echo "no-such-item.res" >> "$work/keep.txt"
expect "ICU data: an item the data lacks is refused" equals \
  "$( (icu_data_trim "$icu" gcc "$work/icu/stale.so") 2>&1; echo "status $?")" \
  "the ICU data of $icu lacks no-such-item.res"$'\n'"status 1"

# ICU's code: each library exports what Qt calls of it, libicuuc also what
# libicui18n calls of it, and nothing else; an ICU source that lacks a
# function Qt calls (another version than Qt's) is refused. Objects that
# stand for ICU's: i18n.o defines Qt's collation and calendar calls, each
# calling helper_NN in uc.o; uc.o defines Qt's other ICU calls, the helper
# and a function nobody calls.
qtcore=$(readlink -f "/usr/lib/$(gcc -print-multiarch)/libQt5Core.so.5")
calls=$(nm -D --undefined-only "$qtcore" | awk '$2 ~ /^(u[a-z]*|UCNV)_.*_[0-9]+$/ { print $2 }')
major=$(sed -n '1s/.*_//p' <<< "$calls")
mkdir -p "$work/exports"
{ grep -E '^(ucal|ucol)_' <<< "$calls" | sed "s/.*/void helper_$major(void); void &(void) { helper_$major(); }/"; } > "$work/exports/i18n.c"
{ grep -vE '^(ucal|ucol)_' <<< "$calls" | sed 's/.*/void &(void) {}/'
  echo "void helper_$major(void) {} void unused_$major(void) {}"; } > "$work/exports/uc.c"
gcc -w -fPIC -c -o "$work/exports/i18n.o" "$work/exports/i18n.c" && gcc -w -fPIC -c -o "$work/exports/uc.o" "$work/exports/uc.c"
"$top/tools/icu/exports" nm "$qtcore" "$work/exports" "$work/exports/uc.o" -- "$work/exports/i18n.o"
exported() { grep -c "^  $1;" "$work/exports/$2.map"; }
expect "ICU exports: collation from libicui18n, converters from libicuuc, the helper, not the unused function" \
  equals "$(exported ucol_open_$major icui18n) $(exported ucnv_open_$major icuuc) $(exported helper_$major icuuc) $(exported ucol_open_$major icuuc) $(exported unused_$major icuuc)" "1 1 1 0 0"
rm "$work/exports/"*.map
sed -i "/ucol_open_$major/d" "$work/exports/i18n.c" && gcc -w -fPIC -c -o "$work/exports/i18n.o" "$work/exports/i18n.c"
expect "ICU exports: a function Qt calls that the source lacks is refused, no map written" equals \
  "$("$top/tools/icu/exports" nm "$qtcore" "$work/exports" "$work/exports/uc.o" -- "$work/exports/i18n.o" 2>&1; echo "status $? $(ls "$work/exports" | grep -c map)")" \
  "exports: Qt calls ICU functions this ICU source does not define: ucol_open_$major"$'\n'"status 1 0"

finish
