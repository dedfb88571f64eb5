#!/usr/bin/env bash
# Checks of tools/make-package: the sample source, building a package from
# it, and `check` telling good packages from broken ones.
# Exit 0 on pass, 77 when zip, unzip or sqlite3 are missing, 1 on failure.
set -uo pipefail
root=$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)
# shellcheck source=lib/tally.sh
. "$root/tests/e2e/lib/tally.sh"
# shellcheck source=../../tools/lib/required-tables.sh
. "$root/tools/lib/required-tables.sh"
mp=$root/tools/make-package
for tool in zip unzip sqlite3; do
  command -v "$tool" >/dev/null || skip_all "$tool is not installed"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/package_test.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# check_pkg NAME ZIP : runs `make-package check`; report in NAME.report, status in NAME.rc
check_pkg() { local rc=0; "$mp" check "$2" > "$1.report" 2>&1 || rc=$?; echo "$rc" > "$1.rc"; }
# repack NAME : zips the folder NAME/ (holding tesma/ and maybe more) into NAME.zip
repack() { (cd "$1" && zip -qrXy "../$1.zip" .); }

expect "tables: the shared list names 31 distinct tables, sqlite_sequence among them" \
  test "$(printf '%s\n' "${REQUIRED_TABLES[@]}" | sort -u | wc -l)" -eq 31 -a "${#REQUIRED_TABLES[@]}" -eq 31 -a -n "$(printf '%s\n' "${REQUIRED_TABLES[@]}" | grep -x sqlite_sequence)"

# ---- the sample source
"$mp" sample src > /dev/null
expect "sample: holds the HMI program, controller programs and database" \
  test -x src/Zivad-ADE/Zivad-ADE -a -f src/Zivad-ADE/Upgrade -a -x src/RC/dravon -a -x src/RC/dravon_4 -a -f src/dravon.db
expect "sample: HMI_Lib holds library files" test "$(find src/HMI_Lib -maxdepth 1 -type f | wc -l)" -ge 2
tables=$(sqlite3 src/dravon.db "SELECT name FROM sqlite_master WHERE type = 'table';")
lacking=""
for t in "${REQUIRED_TABLES[@]}"; do grep -qxF "$t" <<<"$tables" || lacking+=" $t"; done
expect "sample: dravon.db holds all ${#REQUIRED_TABLES[@]} required tables${lacking:+ (lacks$lacking)}" test -z "$lacking"
expect "sample: dravon.db holds rows" test "$(sqlite3 src/dravon.db 'SELECT count(*) FROM system_log_t;')" -gt 0
expect "sample: dravon.db is larger than 100000 bytes" test "$(stat -c %s src/dravon.db)" -gt 100000
expect "sample: dravon.db passes the integrity check" equals "$(sqlite3 src/dravon.db 'PRAGMA integrity_check;')" ok
expect "sample: optional parts are present" \
  test -x src/db_upgrade.sh -a -d src/pictures -a -x src/sqlite3 -a -f src/robot_model.zip
expect "sample: pictures holds files" test "$(find src/pictures -type f | wc -l)" -ge 2
expect "sample: robot_model.zip entries lie under robot_model/" \
  test -z "$(unzip -Z1 src/robot_model.zip | grep -v '^robot_model/')" -a -n "$(unzip -Z1 src/robot_model.zip)"
expect "sample: the bundled sqlite3 runs" equals "$(src/sqlite3 src/dravon.db 'SELECT 6 * 7;')" 42
"$mp" sample min --minimal > /dev/null
expect "sample --minimal: has no optional parts" \
  test ! -e min/db_upgrade.sh -a ! -e min/pictures -a ! -e min/sqlite3 -a ! -e min/robot_model.zip
expect "sample --minimal: still has the required parts" test -f min/Zivad-ADE/Zivad-ADE -a -f min/RC/dravon_4 -a -f min/dravon.db
"$mp" sample src > /dev/null 2>&1; rc=$?
expect "sample: refuses to write into a folder that is not empty" test "$rc" -ne 0

# ---- building
mkdir -p src/HMI_Lib/nested && echo nested > src/HMI_Lib/nested/ignored.so
"$mp" build src good.zip > build.log 2>&1; rc=$?
expect "build: succeeds on the sample" equals "$rc" 0
entries=$(unzip -Z1 good.zip 2>/dev/null)
expect "build: every entry lies under tesma/" test -n "$entries" -a -z "$(grep -v '^tesma/' <<<"$entries")"
expect "build: HMI_Lib files are packed" grep -qx tesma/HMI_Lib/libhmi_core.so.2 <<<"$entries"
expect "build: HMI_Lib subfolders are left out" test -z "$(grep -E "nested|ignored.so" <<<"$entries")"
expect "build: optional parts are packed" \
  test "$(grep -cxE 'tesma/(db_upgrade.sh|sqlite3|robot_model.zip|pictures/logo.png|Zivad-ADE/Upgrade)' <<<"$entries")" -eq 5
mkdir x && unzip -q good.zip -d x
expect "build: programs keep their execute bits" test -x x/tesma/RC/dravon -a -x x/tesma/Zivad-ADE/Zivad-ADE
expect "build: the packed database is the source's" cmp -s x/tesma/dravon.db src/dravon.db
"$mp" build min min.zip > /dev/null 2>&1
expect "build: a minimal source builds" test -s min.zip

cp -a min nodravon4 && rm nodravon4/RC/dravon_4
"$mp" build nodravon4 nodravon4.zip > nodravon4.log 2>&1; rc=$?
expect "build: refuses a source without RC/dravon_4" test "$rc" -ne 0
expect "build: says RC/dravon_4 is missing" has_line nodravon4.log "RC/dravon_4 is missing"
expect "build: writes no package from a bad source" test ! -e nodravon4.zip
# Each entry the source brings must be of the kind the install plan
# installs; HMI_Lib/ is optional there, as it is to the tool.
while IFS='|' read -r name change says; do
  cp -a min "$name" && (cd "$name" && eval "$change")
  "$mp" build "$name" "$name.zip" > "$name.log" 2>&1; rc=$?
  if [ -z "$says" ]; then
    expect "build: $name: built" equals "$rc" 0
  else
    expect "build: $name: refused, saying '$says'" bash -c "[ $rc -ne 0 ] && [ ! -e $name.zip ] && grep -qF '$says' $name.log"
  fi
done <<'ROWS'
nolib|rm -r HMI_Lib|
picturesfile|echo x > pictures|pictures is not a folder
scriptdir|mkdir db_upgrade.sh|db_upgrade.sh is not a file
badmodels|echo x > robot_model.zip|robot_model.zip is not a readable zip archive
rcfile|mv RC rc && echo x > RC|RC/dravon is missing
ROWS
cp -a min textdb && echo "not a database" > textdb/dravon.db
"$mp" build textdb textdb.zip > textdb.log 2>&1; rc=$?
expect "build: refuses a dravon.db that is not a database" test "$rc" -ne 0 -a ! -e textdb.zip
expect "build: says why the database is refused" has_line textdb.log "dravon.db is not a usable SQLite database"

# ---- checking a good package
check_pkg good good.zip
expect "check: a good package passes" equals "$(cat good.rc)" 0
expect "check: reports every check OK" equals "$(grep -c '^OK ' good.report)" 9
expect "check: reports no FAIL" lacks_line good.report FAIL
order=$(grep -oE 'tesma/(Zivad-ADE/Zivad-ADE|RC/dravon_4|RC/dravon|dravon\.db) present' good.report | cut -d' ' -f1 | tr '\n' ' ')
expect "check: lists the required entries in order" equals "$order" "tesma/Zivad-ADE/Zivad-ADE tesma/RC/dravon tesma/RC/dravon_4 tesma/dravon.db "

# ---- each required entry missing
for entry in tesma/Zivad-ADE/Zivad-ADE tesma/RC/dravon tesma/RC/dravon_4 tesma/dravon.db; do
  name=missing_$(basename "$entry")
  cp good.zip "$name.zip" && zip -qd "$name.zip" "$entry"
  check_pkg "$name" "$name.zip"
  expect "missing $entry: check fails" test "$(cat "$name.rc")" -ne 0
  expect "missing $entry: reported as the tool words it" has_line "$name.report" "FAIL $entry present: Can not find file $(basename "$entry") in zip files!"
  expect "missing $entry: the other required entries are OK" equals "$(grep -c '^OK   tesma/.* present$' "$name.report")" 3
done
expect "missing tesma/dravon.db: the database check fails too" has_line missing_dravon.db.report "FAIL tesma/dravon.db is an SQLite database: entry missing"

# ---- broken archives
head -c "$(( $(stat -c %s good.zip) / 2 ))" good.zip > truncated.zip
check_pkg truncated truncated.zip
expect "corrupt: a truncated archive fails" test "$(cat truncated.rc)" -ne 0
expect "corrupt: reported as unreadable" has_line truncated.report "FAIL archive readable"
cp good.zip flipped.zip
# Overwrite bytes inside the first entry's data so its CRC no longer matches.
printf 'XXXXXXXXXXXXXXXX' | dd of=flipped.zip bs=1 seek=200 conv=notrunc status=none
check_pkg flipped flipped.zip
expect "corrupt: damaged entry data fails" has_line flipped.report "FAIL archive readable"
check_pkg absent no_such.zip
expect "corrupt: a package that does not exist fails" test "$(cat absent.rc)" -ne 0

# ---- a dravon.db that is not a database
mkdir -p textpkg && cp -a x/tesma textpkg/ && echo "just text" > textpkg/tesma/dravon.db && repack textpkg
check_pkg textpkg textpkg.zip
expect "not a database: check fails" test "$(cat textpkg.rc)" -ne 0
expect "not a database: reported" has_line textpkg.report "FAIL tesma/dravon.db is not a usable SQLite database"
expect "not a database: the entry itself is present" has_line textpkg.report "OK   tesma/dravon.db present"
mkdir -p damaged && cp -a x/tesma damaged/
# Keep the header, overwrite pages in the middle of the file.
head -c 16384 /dev/urandom | dd of=damaged/tesma/dravon.db bs=4096 seek=20 conv=notrunc status=none
repack damaged
check_pkg damaged damaged.zip
expect "damaged database: check fails" test "$(cat damaged.rc)" -ne 0
expect "damaged database: reported" has_line damaged.report "FAIL tesma/dravon.db is not a usable SQLite database"

# ---- harmless entries beside tesma/ (what some zip tools add) pass
mkdir -p outside/__MACOSX/tesma && cp -a x/tesma outside/ && echo stray > outside/README.txt &&
  echo meta > outside/__MACOSX/tesma/._dravon.db && repack outside
check_pkg outside outside.zip
expect "beside tesma/: a README.txt and __MACOSX/ pass the check" equals "$(cat outside.rc)" 0

# Packages that would reach outside their targets are fed to the tool and
# to this check alike in faults_test.sh.

# ---- the benchmark size
"$mp" sample big --size-mb 6 > /dev/null && "$mp" build big big.zip > /dev/null
size=$(stat -c %s big.zip 2>/dev/null || echo 0)
expect "size: --size-mb 6 gives a package of about 6 MiB ($size bytes)" between "$size" 5700000 6600000

finish
