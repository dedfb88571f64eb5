#!/usr/bin/env bash
# The stick as a technician gets it: built by tools/make-stick for this
# build's target (PENDANT_TARGET: host, armhf, armel or arm64), checked for
# what it holds, then run on the simulated pendant in each profile of the
# target (the table below): a forced upgrade, a database repair and a
# salvage, from a read-only stick. For an ARM target the simulated pendant
# runs its programs under qemu (tools/emulate) and the workstation's
# libraries for that processor are hidden, so only the stick's runtime can
# satisfy the tool.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
. "$here/lib/tally.sh"
. "$top/tools/lib/damage-db.sh"
. "$here/lib/tool.sh"
e2e_begin stick
. "$here/lib/rescue.sh"
rm -rf "$shots"   # only this run's pictures

target=${PENDANT_TARGET:-host}
hide=()
case $target in
  host) machine=$(readelf -h /bin/sh | sed -n 's/^ *Machine: *//p') ;;
  armhf) machine=ARM
    hide=(--hide /usr/lib/arm-linux-gnueabihf --hide /usr/arm-linux-gnueabihf --hide /lib/ld-linux-armhf.so.3) ;;
  armel) machine=ARM
    hide=(--hide /usr/arm-linux-gnueabi) ;;
  arm64) machine=AArch64
    hide=(--hide /usr/lib/aarch64-linux-gnu --hide /usr/aarch64-linux-gnu --hide /lib/ld-linux-aarch64.so.1) ;;
  *) echo "unknown target $target"; echo "0 passed, 1 failed"; exit 1 ;;
esac
if [ "$target" != host ]; then
  "$top/tools/emulate" "$target" true || skip_all "no emulation of $target here"
  sim_prefix=("$top/tools/emulate" "$target")
fi

# ---- building the stick
stick=$work/stick
if ! "$top/tools/make-stick" --build "${PENDANT_BUILD:-$top/build}/stick-build" "$target" 127.0.0.2 "$stick" \
     > "$work/make-stick.out" 2>&1; then
  cat "$work/make-stick.out"
  expect "make-stick $target succeeds" false
  finish; exit 1
fi
tail -n 1 "$work/make-stick.out"
runtime=$stick/.pendant-tool/$target
expect "top level: the launcher, sqlite3, the text and the runtime" equals \
  "$(cd "$stick" && ls -A | tr '\n' ' ')" ".pendant-tool README.txt pendant-tool sqlite3 "
expect "the launcher and sqlite3 are executable" test -x "$stick/pendant-tool" -a -x "$stick/sqlite3"
expect "no symbolic links (a FAT stick holds none)" equals "$(find "$stick" -type l | wc -l)" 0
readme_ok() {
  grep -q tesma.zip "$stick/README.txt" && grep -q rescue_mode "$stick/README.txt" &&
    grep -q '强制升级' "$stick/README.txt" && grep -q 'Forced upgrade' "$stick/README.txt" &&
    grep -q '127.0.0.2' "$stick/README.txt"
}
expect "README.txt: both languages, tesma.zip, rescue_mode, the address" readme_ok
elf_machine() { readelf -h "$1" | sed -n 's/^ *Machine: *//p'; }
expect "the tool is built for $target" equals "$(elf_machine "$runtime/bin/pendant-tool")" "$machine"
expect "sqlite3 is built for $target" equals "$(elf_machine "$stick/sqlite3")" "$machine"
expect "sqlite3 is linked statically" bash -c "! readelf -l '$stick/sqlite3' | grep -q 'program interpreter'"
for p in platforms/libqlinuxfb.so platforms/libqoffscreen.so \
         generic/libqevdevtouchplugin.so generic/libqevdevmouseplugin.so generic/libqevdevkeyboardplugin.so \
         generic/libqtslibplugin.so sqldrivers/libqsqlite.so; do
  expect "plugin $p" test -f "$runtime/plugins/$p"
done
# X11 only on the workstation's stick: a pendant has no X server.
x11=$(cd "$runtime" && ls plugins/platforms/libqxcb.so lib/libX11.so.* lib/libxcb.so.* 2>/dev/null | tr '\n' ' ')
if [ "$target" = host ]; then
  expect "the workstation's stick carries X11 (xcb)" test -n "$x11"
else
  expect "no X11 platform or libraries in the pendant's runtime" equals "$x11" ""
fi
# The pendant's input goes through the evdev and tslib plugins: the stick's
# linuxfb needs neither libinput nor D-Bus (Debian's pulls in both, and
# with them 4.5 MB), nor does any pendant runtime carry them.
desktop=$(readelf -d "$runtime/plugins/platforms/libqlinuxfb.so" | grep -oE 'lib(input|Qt5DBus|dbus-1)\.so[.0-9]*' | tr '\n' ' ')
[ "$target" = host ] || desktop+=$(cd "$runtime" && ls lib/libinput.so.* lib/libQt5DBus.so.* lib/libdbus-1.so.* 2>/dev/null | tr '\n' ' ')
expect "no libinput or D-Bus for linuxfb" equals "$desktop" ""
# ICU's data: only the items the tool reads, each named in BUILD.txt.
die() { echo "$*"; exit 1; }
. "$top/tools/lib/icu-data.sh"
expect "ICU data: just the kept items" equals "$(icu_data_items "$(ls "$runtime"/lib/libicudata.so.*)" | tr '\n' ' ')" \
  "$(icu_data_kept | tr '\n' ' ')"
expect "ICU data: BUILD.txt names the kept items" \
  grep -q "^    $(icu_data_kept | tail -n 1)\$" "$stick/.pendant-tool/BUILD.txt"
debug=$(find "$runtime" -name '*.so*' -type f -exec readelf -SW {} + | grep -c ' \.debug_')
expect "no debug sections in the runtime" equals "$debug" 0
expect "tslib: its library, modules and settings, and the launcher's input choices" \
  test -f "$runtime/lib/libts.so.0" -a -f "$runtime/ts/input.so" -a -f "$runtime/ts/linear.so" \
    -a -f "$runtime/ts/ts.conf" -a -f "$runtime/panel-input.sh"
expect "tslib's modules are built for $target" equals "$(elf_machine "$runtime/ts/linear.so")" "$machine"
loader=$(readelf -l "$runtime/bin/pendant-tool" | sed -n 's/.*program interpreter: \(.*\)\]/\1/p')
expect "the loader $(basename "$loader") is bundled" test -x "$runtime/lib/$(basename "$loader")"
expect "the launcher checks the kernel floor of the bundled C library, 3.2.0" has_line "$stick/pendant-tool" "kernel_floor=3.2.0"
expect "BUILD.txt and README.txt: this stick trusts no signing key" \
  bash -c "grep -qx 'trusted signing keys: none (packages are not verified)' '$stick/.pendant-tool/BUILD.txt' &&
    grep -q '本U盘不校验升级包的签名' '$stick/README.txt' && grep -q 'does not verify packages' '$stick/README.txt'"
expect "BUILD.txt and README.txt state the kernel floor" \
  bash -c "grep -q 'lowest kernel: 3.2.0' '$stick/.pendant-tool/BUILD.txt' && grep -q 'Linux 3.2.0' '$stick/README.txt'"
for lib in libc.so.6 libstdc++.so.6 libQt5Core.so.5 libQt5Widgets.so.5 libQt5Sql.so.5; do
  expect "$lib is bundled" test -f "$runtime/lib/$lib"
done
# Every library any bundled program or plugin asks for is bundled.
unmet() {
  local f lib
  for f in "$runtime/bin/pendant-tool" $(find "$runtime/lib" "$runtime/plugins" "$runtime/ts" -name '*.so*' -type f); do
    for lib in $(readelf -d "$f" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
      [ -f "$runtime/lib/$lib" ] || echo "$(basename "$f") needs $lib"
    done
  done
}
expect "every needed library is bundled" equals "$(unmet | sort -u | head -n 5)" ""
# And every function or object they import is defined by one of them. Qt
# binds lazily: a function the stick's own ICU did not export would fail
# only when first called, in the middle of a run.
unresolved() {
  local files
  files=("$runtime/bin/pendant-tool" $(find "$runtime/lib" "$runtime/plugins" "$runtime/ts" -name '*.so*' -type f))
  LC_ALL=C comm -23 <(nm -D --undefined-only "${files[@]}" | awk '$1 == "U" { sub(/@.*/, "", $2); print $2 }' | LC_ALL=C sort -u) \
    <(nm -D --defined-only "${files[@]}" | awk 'NF == 3 { sub(/@.*/, "", $3); print $3 }' | LC_ALL=C sort -u)
}
expect "every imported symbol is defined in the runtime" equals "$(unresolved 2>&1 | head -n 5)" ""
# What Qt answers through ICU (case mapping, the order of backup names,
# codecs by name, time-zone names) is the same with the stick's ICU
# libraries as with Debian's, on the stick's ICU data. Debian's lie beside
# the data library the stick's build linked against.
debian_libs=$(dirname "$(sed -n 's/^ICU_DATA_LIBRARY:FILEPATH=//p' "${PENDANT_BUILD:-$top/build}/stick-build/CMakeCache.txt")")
mkdir -p "$work/debian-icu"
expect "Debian's ICU libraries found beside its data ($debian_libs)" \
  cp -L "$debian_libs"/libicuuc.so.[0-9]* "$debian_libs"/libicui18n.so.[0-9]* "$work/debian-icu/"
answers() { "${sim_prefix[@]}" "$runtime/lib/$(basename "$loader")" --library-path "$1" "$PENDANT_ICU_ANSWERS" 2>&1; }
own_answers=$(answers "$runtime/lib")
echo "$own_answers" | sed 's/^/# /'
expect "Qt answers through the stick's ICU as through Debian's" equals "$own_answers" "$(answers "$work/debian-icu:$runtime/lib")"
expect "those answers include the order of backup names and the codecs" \
  bash -c "grep -q '^sorted zh_CN: ' <<< \"\$1\" && grep -q '^codec GB18030: ' <<< \"\$1\"" sh "$own_answers"
fonts=$stick/.pendant-tool/fonts
expect "a CJK font and the font setup are bundled" test -f "$fonts/wqy-microhei.ttc" -a -f "$fonts/fonts.conf"
echo "# $(grep 'lowest kernel' "$stick/.pendant-tool/BUILD.txt"), size $(du -sm "$stick" | cut -f1) MB"

# The font setup: "microsoft_yahei" is the pendant's own font of that name
# when it has one, else the bundled one. Checked with fontconfig's fc-match
# in a private mount namespace whose /usr/share/fonts holds only the
# pendant's fonts.
# font_for CONFIG [FONT...]: the file picked for microsoft_yahei on a
# pendant whose fonts are FONT... (none: no fonts of its own).
font_for() {
  unshare --mount sh -c 'conf=$1; shift; mount -t tmpfs none /usr/share/fonts && mkdir /usr/share/fonts/own &&
    for f in "$@"; do cp "$f" /usr/share/fonts/own/; done &&
    FONTCONFIG_FILE=$conf fc-match -f "%{file}" microsoft_yahei' sh "$@"
}
expect "fonts: a pendant without the font gets the bundled one" equals \
  "$(font_for "$fonts/fonts.conf")" "$fonts/wqy-microhei.ttc"
# A stand-in for the pendant's own microsoft_yahei: a copy of DejaVu Sans
# whose family fontconfig renames when it scans the pendant's folder. The
# config lies beside the stick's, so its relative folder is the same.
cp "$(fc-match -f '%{file}' 'DejaVu Sans')" "$work/"
own_font=$work/$(basename "$(fc-match -f '%{file}' 'DejaVu Sans')")
sed 's|</fontconfig>|<match target="scan"><test name="file" compare="contains"><string>/usr/share/fonts/own/</string></test><edit name="family" mode="assign" binding="same"><string>microsoft_yahei</string></edit></match></fontconfig>|' \
  "$fonts/fonts.conf" > "$fonts/own-font-test.conf"
expect "fonts: the pendant's own microsoft_yahei wins" equals \
  "$(font_for "$fonts/own-font-test.conf" "$own_font")" "/usr/share/fonts/own/$(basename "$own_font")"
rm -f "$fonts/own-font-test.conf"

# ---- on the simulated pendant, the stick read-only, no fonts of its own
runs=("${hide[@]}" --hide /usr/share/fonts)
if [ "$target" != host ]; then
  # Control: with those libraries hidden, a program built against them
  # (this build's own tool, not from the stick) cannot even start.
  sim_start control "确定" "${runs[@]}" -- "$tool" "$work"
  expect "control: a program that needs the workstation's $target libraries fails to start" \
    test "$sim_status" -ne 0 -a ! -s "$work/control.log"
fi

"$top/tools/make-package" sample "$work/src" >/dev/null
"$top/tools/make-package" build "$work/src" "$work/tesma.zip" >/dev/null
"$top/tools/make-package" sample "$work/db-src" --minimal >/dev/null
drawn() { [ -f "$1" ] && [ "$(python3 "$here/lib/dark_pixels.py" "$1")" -gt 100 ]; }

# on_pendant TAG OPTIONS...: the forced upgrade, a database repair and a
# salvage from the stick on a pendant of profile TAG (pendant-sim OPTIONS).
on_pendant() {
  local tag=$1 n; shift
  local profile=("$@") launch=("$stick/pendant-tool")
  # A noexec stick cannot start the launcher itself either: the technician
  # gives it to the shell (here BusyBox's ash where the profile has it).
  [[ " ${profile[*]} " = *" --noexec "* ]] && launch=(sh "$stick/pendant-tool")
  cp "$work/tesma.zip" "$stick/"
  : > "$stick/pendant-tool.log"
  n=$tag-upgrade
  local start first; start=$(date +%s%3N)
  # The stick writable here, so the run log can be read; read-only for the
  # repairs.
  sim_run "$n" "确定" "${runs[@]}" "${profile[@]}" -- "${launch[@]}" "$stick"
  first=$(grep -m1 -o '"epoch_ms":[0-9]*' "$work/$n.log" | cut -d: -f2)
  [ -n "$first" ] && echo "# $tag: first dialog $((first - start)) ms after the start of the simulated pendant ($target)"
  expect "$n: success box" has_box "$n" '升级成功，请手动重启系统！'
  expect "$n: Zivad-ADE installed" cmp -s "$(pendant "$n" /root/workspace/Zivad-ADE)" "$work/src/Zivad-ADE/Zivad-ADE"
  expect "$n: controller database is the package's" cmp -s "$(export_of "$n" /home/ostrel/nfs_space/dravon.db)" "$work/src/dravon.db"
  expect "$n: screenshots saved" test -n "$(ls "$shots/$n" 2>/dev/null)"
  # The text is drawn, with the stick's font alone: its pixels in the
  # upper part of the picture, above the progress bar and the buttons.
  if command -v python3 >/dev/null; then
    expect "$n: the question's text is drawn" drawn "$(ls "$shots/$n/"*-box.png | head -n 1)"
    expect "$n: the progress label is drawn" drawn "$(ls "$shots/$n/"*-progress-[1-9]*.png | head -n 1)"
  fi
  # What lands on the pendant is only what the job writes: nothing of the
  # stick's runtime, no font cache, no settings.
  expect "$n: nothing of the tool's own in /root" equals "$(cd "$(pendant "$n" /root)" && ls -A | tr '\n' ' ')" "workspace "
  stray() { find "$(pendant "$n" /)" -type f \( -name 'libQt5*' -o -name '*.cache-*' -o -name 'ld-linux*' -o -path '*fontconfig*' \); }
  expect "$n: no runtime files or caches on the pendant" equals "$(stray)" ""
  # The launcher's choices and the tool's lines, in one log on the stick.
  expect "$n: the run log names the runtime and the display, then the job and its end" \
    bash -c "grep -q '^launcher: processor: .*: runtime $target\$' '$stick/pendant-tool.log' &&
      grep -q '^launcher: display: offscreen' '$stick/pendant-tool.log' && grep -q '^launcher: screen: ' '$stick/pendant-tool.log' &&
      grep -q 'start: forced upgrade' '$stick/pendant-tool.log' &&
      grep -q 'signature: packages are not verified' '$stick/pendant-tool.log' &&
      tail -n 1 '$stick/pendant-tool.log' | grep -q ' end\$'"
  if [[ " ${profile[*]} " = *" --noexec "* ]]; then
    expect "$n: the noexec stick ran from a RAM folder" has_line "$stick/pendant-tool.log" "runtime and sqlite3 copied to "
    expect "$n: the RAM folder removed afterwards" equals "$(ls -d /dev/shm/pendant-tool.* /tmp/pendant-tool.* 2>/dev/null)" ""
  fi
  rm "$stick/tesma.zip"

  # Database repair: the rescue_mode marker and sqlite3 beside the
  # launcher, whatever folder the loader and the real program lie in.
  : > "$stick/rescue_mode"
  n=$tag-repair
  mkdir -p "$(share "$n")"
  cp "$work/db-src/dravon.db" "$(share "$n" /dravon.db)"
  damage_index "$(share "$n" /dravon.db)" user_t
  sim_run "$n" "修复" "${runs[@]}" "${profile[@]}" --read-only "$stick" -- "${launch[@]}"
  expect "$n: rescue mode chosen by the marker beside the launcher" has_box_starting "$n" 'dravon.db数据库损坏'
  expect "$n: repair report" equals "$(box_texts "$n" | tail -n 1)" \
    'dravon.db数据库损坏 ... 已修复;\n修复完成，请重启机器人。\n！！！请务必确认机型、零点、限位等重要信息。\n！！！本软件无法保证修复后数据的完整性。'
  expect "$n: database sound again" equals "$("${sim_prefix[@]}" "$stick/sqlite3" "$(share "$n" /dravon.db)" 'PRAGMA integrity_check;' 2>&1)" ok
  expect "$n: screenshots saved" test -n "$(ls "$shots/$n" 2>/dev/null)"
  # A damaged table page: the dump fails, the stick's sqlite3 salvages.
  n=$tag-salvage
  mkdir -p "$(share "$n")"
  cp "$work/db-src/dravon.db" "$(share "$n" /dravon.db)"
  damage_page "$(share "$n" /dravon.db)"
  sim_run "$n" "修复" "${runs[@]}" "${profile[@]}" --read-only "$stick" -- "${launch[@]}"
  expect "$n: salvage report" has_box_starting "$n" '<p>dravon.db数据库损坏，无法修复 ... 已抢救部分数据;</p>'
  expect "$n: database sound again" equals "$("${sim_prefix[@]}" "$stick/sqlite3" "$(share "$n" /dravon.db)" 'PRAGMA integrity_check;' 2>&1)" ok
  rm "$stick/rescue_mode"
}

# The pendant profiles of each target: the old pendant is an ARM9 with a
# 3.2 kernel's system calls, BusyBox as its userland and the stick mounted
# noexec. STICK stands for the stick folder.
profiles='host|plain|
host|old|--busybox --kernel 3.2 --noexec STICK
armhf|cortex-a9|--cpu cortex-a9
armel|arm926-old|--cpu arm926 --kernel 3.2 --busybox --noexec STICK
arm64|plain|'
# for_profiles FUNCTION: FUNCTION TAG OPTIONS... for each profile of the target.
for_profiles() {
  local profile_target tag options
  while IFS='|' read -r profile_target tag options; do
    [ "$profile_target" = "$target" ] || continue
    options=${options//STICK/$stick}
    # shellcheck disable=SC2086
    "$1" "$tag" $options
  done <<<"$profiles"
}
# The first profile of the target is the touch runs' pendant too.
first=()
pendant_profile() { on_pendant "$@"; [ ${#first[@]} -gt 0 ] || first=("$@"); }
for_profiles pendant_profile

# Touch alone: every "确定" of the forced upgrade is pressed by a tap on
# the pendant's touch screen, which the launcher finds in the pendant's own
# /proc and /dev: a multi-touch-only panel (Qt's evdev touch), and a
# resistive panel without BTN_TOUCH under its calibration (tslib). The
# screen is a pipe of recorded taps (tests/support/recorded_touch.h) in a
# /dev of its own under /dev/shm (Qt takes device paths under /dev only);
# a tap that presses nothing is recorded as missed.
panels=$(mktemp -d /dev/shm/stick-touch.XXXXXX)
trap 'rm -rf "$work" "$panels"' EXIT
launch=("$stick/pendant-tool")
[[ " ${first[*]} " = *" --noexec "* ]] && launch=(sh "$stick/pendant-tool")
while IFS='|' read -r kind fixture calibration how; do
  p=$panels/$kind n=${first[0]}-touch-$kind
  mkdir -p "$p/proc/bus/input" "$p/dev/input" "$p/etc"
  cp "$top/tests/stick/panels/$fixture.devices" "$p/proc/bus/input/devices"
  # The launcher reads the processor from that /proc too.
  for ((i = 1; i < ${#first[@]} - 1; i++)); do
    [ "${first[i]}" = --cpu ] && "$top/tools/pendant-sim/pendant-sim" cpuinfo "${first[i + 1]}" > "$p/proc/cpuinfo"
  done
  unset PENDANT_ROBOT_CALIBRATION
  if [ -n "$calibration" ]; then
    echo "$calibration" > "$p/etc/pointercal"
    export PENDANT_ROBOT_CALIBRATION=$p/etc/pointercal
  fi
  export PENDANT_PROC=$p/proc PENDANT_DEV=$p/dev PENDANT_ETC=$p/etc PENDANT_ROBOT_TOUCH=$kind:$p/dev/input/event0
  cp "$work/tesma.zip" "$stick/"
  : > "$stick/pendant-tool.log"
  sim_run "$n" "确定" "${runs[@]}" "${first[@]:1}" -- "${launch[@]}" "$stick"
  unset PENDANT_PROC PENDANT_DEV PENDANT_ETC PENDANT_ROBOT_TOUCH PENDANT_ROBOT_CALIBRATION
  rm -f "$stick/tesma.zip"
  expect "$n: the launcher gives the panel to $how" \
    bash -c 'grep -F -- "$1" "$2" | grep -qF -- "$3"' - "input: $p/dev/input/event0 (" "$stick/pendant-tool.log" "$how"
  expect "$n: 确定 pressed by taps, none missed" equals \
    "$(jq -r 'select(.kind == "tap" or .kind == "missed-tap") | "\(.kind) \(.clicked)"' "$work/$n.log" | sort -u | tr '\n' ' ')" "tap 确定 "
  expect "$n: success box" has_box "$n" '升级成功，请手动重启系统！'
done <<'PANELS'
multi|mt-only||Qt's evdev touch (released by tracking id)
single|st-nobtn|12788 0 0 0 -9587 39256064 65536|tslib, calibrated by
PANELS

# Qt aborts when it cannot open the display (here linuxfb on a frame buffer
# that is not there): the launcher, which waits for the tool, still ends
# the run log.
: > "$stick/pendant-tool.log"
cp "$work/tesma.zip" "$stick/"
case $target in armhf) cpu=(--cpu cortex-a9) ;; armel) cpu=(--cpu arm926) ;; *) cpu=() ;; esac
QT_QPA_PLATFORM=linuxfb:fb=/dev/fb9 sim_start abort "确定" "${runs[@]}" "${cpu[@]}" -- "$stick/pendant-tool" "$stick"
rm "$stick/tesma.zip"
expect "abort: the tool's exit status passed on (134)" equals "$sim_status" 134
expect "abort: Qt's reason on the console" has_line "$work/abort.out" "Failed to initialize screen"
expect "abort: the run log ends with the launcher's end line" equals "$(tail -n 1 "$stick/pendant-tool.log")" \
  "launcher: end: the tool was stopped by signal 6 (exit status 134)"

# Building again over a used stick: refused without --force; with it the
# stick's own files are replaced and the technician's are kept.
echo "package of the technician" > "$stick/tesma.zip"
echo stale > "$runtime/lib/libstale.so.1"
rebuild() { "$top/tools/make-stick" --build "${PENDANT_BUILD:-$top/build}/stick-build" "$@" "$target" 127.0.0.2 "$stick" > "$work/rebuild.out" 2>&1; }
status=0; rebuild || status=$?
expect "again: refused without --force" equals "$status" 1
expect "again: the stick untouched when refused" test -f "$runtime/lib/libstale.so.1"
status=0; rebuild --force || status=$?
expect "again: built with --force" equals "$status" 0
expect "again: the technician's tesma.zip kept" equals "$(cat "$stick/tesma.zip")" "package of the technician"
expect "again: the old runtime replaced" test ! -e "$runtime/lib/libstale.so.1" -a -f "$runtime/lib/libc.so.6"

# ---- a stick that trusts a signing key
# One table of packages feeds both the tool on the stick and
# make-package check --key: each must install or refuse them alike.
mp=$top/tools/make-package
"$mp" keygen "$work/keys" >/dev/null
"$mp" keygen "$work/other-keys" >/dev/null
fp=$(openssl pkey -pubin -in "$work/keys/signing.pub" -outform DER | sha256sum | cut -c1-64)
status=0; rebuild --force --trust "$work/keys/signing.pub" || status=$?
expect "trusting: built with --trust" equals "$status" 0
expect "trusting: BUILD.txt and README.txt name the key's fingerprint" \
  bash -c "grep -qx 'trusted signing key: SHA256:$fp (signing.pub)' '$stick/.pendant-tool/BUILD.txt' &&
    [ \$(grep -c 'SHA256:$fp' '$stick/README.txt') = 2 ]"
"$mp" sign "$work/keys/signing.key" "$work/tesma.zip" --version "2.0 sample" >/dev/null
cp "$work/tesma.zip" "$work/changed.zip"
printf 'x' | dd of="$work/changed.zip" bs=1 seek=$(($(stat -c %s "$work/changed.zip") / 2)) conv=notrunc status=none
cp "$work/tesma.zip" "$work/other.zip"
"$mp" sign "$work/other-keys/signing.key" "$work/other.zip" >/dev/null

# place ROW: puts the row's package (and signature) on the stick; the
# script $work/on-mount changes the stick once the shares are mounted.
place() {
  rm -f "$stick/tesma.zip" "$stick/tesma.zip.sig" "$work/swap.zip"
  cp "$work/tesma.zip" "$stick/tesma.zip"
  cp "$work/tesma.zip.sig" "$stick/tesma.zip.sig"
  case $1 in
    unsigned) rm "$stick/tesma.zip.sig" ;;
    other-key) cp "$work/other.zip.sig" "$stick/tesma.zip.sig" ;;
    altered) cp "$work/changed.zip" "$stick/tesma.zip" ;;
    replaced) cp "$work/changed.zip" "$work/swap.zip" ;;
  esac
}
printf 'if [ -e %q ]; then mv %q %q; fi\n' "$work/swap.zip" "$work/swap.zip" "$stick/tesma.zip" > "$work/on-mount"

# trusting TAG OPTIONS...: every row on a pendant of profile TAG.
trusting() {
  local tag=$1 row reason n; shift
  local profile=("$@") launch=("$stick/pendant-tool")
  [[ " ${profile[*]} " = *" --noexec "* ]] && launch=(sh "$stick/pendant-tool")
  while IFS='|' read -r row reason; do
    n=$tag-signed-$row
    place "$row"
    : > "$stick/pendant-tool.log"
    sim_run "$n" "确定" "${runs[@]}" "${profile[@]}" --on-mount "$work/on-mount" -- "${launch[@]}" "$stick"
    local checked=0
    "$mp" check --key "$work/keys/signing.pub" "$stick/tesma.zip" > "$work/$n.check" 2>&1 || checked=$?
    if [ -z "$reason" ]; then
      expect "$n: installed" has_box "$n" '升级成功，请手动重启系统！'
      expect "$n: Zivad-ADE installed" cmp -s "$(pendant "$n" /root/workspace/Zivad-ADE)" "$work/src/Zivad-ADE/Zivad-ADE"
      expect "$n: the run log names the key and the version" \
        has_line "$stick/pendant-tool.log" "signature: tesma.zip verified by key SHA256:$fp, version: 2.0 sample"
      expect "$n: make-package check --key agrees (OK)" equals "$checked" 0
    else
      expect "$n: one box with the reason" equals "$(box_texts "$n" | tail -n +2)" "升级包tesma.zip不可用：$reason。\n未安装任何文件。"
      expect "$n: nothing installed on the pendant" has_line "$(pendant "$n" /root/workspace/Zivad-ADE)" "Zivad-ADE 1.0 (old)"
      expect "$n: the controller untouched" equals "$(find "$work/$n/controller/export" -type f | head -n 3)" ""
      expect "$n: the run log gives the reason" has_line "$stick/pendant-tool.log" "signature: "
      expect "$n: make-package check --key agrees (BAD)" equals "$checked" 1
    fi
  done <<'ROWS'
signed|
unsigned|没有签名文件tesma.zip.sig
other-key|签名不是本U盘信任的密钥所签
altered|tesma.zip内容与签名不符（SHA-256不同）
replaced|拷贝到控制器的tesma.zip内容与签名不符（SHA-256不同）
ROWS
  rm -f "$stick/tesma.zip" "$stick/tesma.zip.sig"
}
for_profiles trusting

finish
