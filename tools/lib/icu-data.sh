# ICU's data for the stick, cut down with ICU's own tools (icupkg and
# genccode from icu-devtools). Debian's Qt links ICU, whose data library
# (libicudata) is one array, icudtNN_dat, holding every converter, locale,
# collation and break rule ICU has: 31 MB, of which the tool reads a few
# items. Source with `die` defined.
# shellcheck shell=bash

icu_data_lib_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# The items the stick keeps, one a line (tools/icu-items lists what a run
# reads).
icu_data_keep=$icu_data_lib_top/tools/lib/icu-data.txt
# icu_data_kept: the items kept, sorted, one a line.
icu_data_kept() { grep -v -e '^#' -e '^$' "$icu_data_keep" | LC_ALL=C sort -u; }

# icu_data_extract LIB DAT: the ICU data package inside LIB (a libicudata)
# written to DAT, the file icupkg reads: the bytes of the icudtNN_dat symbol.
icu_data_extract() {
  local lib=$1 dat=$2 value size ndx address offset
  read -r value size ndx < <(readelf -sW --dyn-syms "$lib" |
    awk '$8 ~ /^icudt[0-9]+_dat$/ && !n++ { print $2, $3, $7 }')
  [ -n "${value:-}" ] || die "$lib holds no ICU data symbol"
  read -r address offset < <(readelf -SW "$lib" | sed 's/^ *\[ *\([0-9]*\)\]/\1/' |
    awk -v n="$ndx" '$1 == n { print $4, $5 }')
  [ -n "${address:-}" ] || die "no section $ndx in $lib"
  dd if="$lib" of="$dat" bs=64K iflag=skip_bytes,count_bytes status=none \
    skip=$(( 16#$value - 16#$address + 16#$offset )) count=$(( size ))
}

# icu_data_entry LIB: the entry point of LIB's data (icudt72).
icu_data_entry() {
  readelf -sW --dyn-syms "$1" | awk '$8 ~ /^icudt[0-9]+_dat$/ && !n++ { sub(/_dat$/, "", $8); print $8 }'
}

# icu_data_items LIB: the items of LIB's data, sorted, one a line.
icu_data_items() {
  local work package
  work=$(mktemp -d "${TMPDIR:-/tmp}/icu-data.XXXXXX")
  # icupkg reads a package only from a file of its name: the entry point
  # and l, the little-endian ASCII family of every target here.
  package=$(icu_data_entry "$1")l
  icu_data_extract "$1" "$work/$package.dat"
  icupkg -l "$work/$package.dat" 2>/dev/null | LC_ALL=C sort
  rm -rf "$work"
}

# icu_data_trim LIB CC OUT: OUT becomes a libicudata of the same name and
# entry point as LIB, built by the target's C compiler CC, holding only
# the items icu-data.txt names. Fails when LIB lacks one of them.
icu_data_trim() {
  local lib=$1 cc=$2 out=$3 work entry package soname missing
  work=$(mktemp -d "${TMPDIR:-/tmp}/icu-data.XXXXXX")
  entry=$(icu_data_entry "$lib")
  soname=$(readelf -dW "$lib" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
  [ -n "$entry" ] && [ -n "$soname" ] || { rm -rf "$work"; die "$lib is not an ICU data library"; }
  package=${entry}l
  icu_data_extract "$lib" "$work/$package.dat"
  icupkg -l "$work/$package.dat" 2>/dev/null | LC_ALL=C sort > "$work/all"
  [ -s "$work/all" ] || { rm -rf "$work"; die "icupkg cannot read the ICU data of $lib"; }
  icu_data_kept > "$work/keep"
  missing=$(LC_ALL=C comm -13 "$work/all" "$work/keep")
  [ -z "$missing" ] || { rm -rf "$work"; die "the ICU data of $lib lacks $(echo $missing)"; }
  LC_ALL=C comm -23 "$work/all" "$work/keep" > "$work/remove.txt"
  (cd "$work" && icupkg -r remove.txt "$package.dat" >/dev/null &&
    genccode -q -a gcc -e "$entry" -f data "$package.dat" >/dev/null) ||
    { rm -rf "$work"; die "icupkg could not cut down the ICU data of $lib"; }
  # A C unit beside the data gives the library the target's ABI marks (an
  # ARM hard-float loader refuses a library without them).
  echo 'extern const char icu_data_unused;' > "$work/abi.c"
  # Relative names and no symbol table: the same library from every build.
  (cd "$work" && "$cc" -shared -nostdlib -s -Wl,-soname,"$soname" -Wl,--build-id=none -o lib.so data.S abi.c) &&
    mv "$work/lib.so" "$out" ||
    { rm -rf "$work"; die "linking the cut-down ICU data with $cc failed"; }
  rm -rf "$work"
}
