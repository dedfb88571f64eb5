#!/usr/bin/env bash
# Benchmark: the tool's check of a signed package of about 100 MB (its own
# code, through package-check --verify: the signature, then the SHA-256
# and size of the whole file, read in pieces) against sha256sum of the
# same file in the same round. Prints each round, the medians and the
# ratios check/sha256sum for the time and for the peak memory (RSS).
#   tools/bench-signature.sh [--target armel] [SIZE_MB] [ROUNDS]   (default 100 MB, 5 rounds)
# With --target armel both run under qemu (tools/emulate) from the armel
# build (build-armel, tools/run-tests.sh --target armel makes it) and the
# armel root's sha256sum; qemu's own memory counts in both.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
target=host
if [ "${1:-}" = --target ]; then target=${2:?--target needs armel}; shift 2; fi
size=${1:-100}
rounds=${2:-5}
. "$top/tools/lib/bench.sh"

case $target in
  host) check=$top/build/src/package-check; sha=(sha256sum); run=() ;;
  armel)
    root=$top/.cache/root-armel
    check=$top/build-armel/src/package-check
    sha=("$root/usr/bin/sha256sum")
    run=(env "QEMU_LD_PREFIX=$root" "$top/tools/emulate" armel) ;;
  *) echo "bench-signature: unknown target '$target' (armel)" >&2; exit 2 ;;
esac
[ -x "$check" ] || { echo "build first: $check is missing" >&2; exit 1; }
# make-package checks and builds the package with the workstation's build.
[ -x "$top/build/src/package-check" ] || { echo "build first: tools/setup.sh" >&2; exit 1; }

work=$(mktemp -d /tmp/bench-signature.XXXXXX)
trap 'rm -rf "$work"' EXIT
mp=$top/tools/make-package
"$mp" sample "$work/src" --size-mb "$size" >/dev/null
"$mp" build "$work/src" "$work/tesma.zip" >/dev/null
rm -rf "$work/src"
"$mp" keygen "$work/keys" >/dev/null
"$mp" sign "$work/keys/signing.key" "$work/tesma.zip" --version bench >/dev/null
echo "package: $(du -m "$work/tesma.zip" | cut -f1) MB, target $target"

# timed OUT COMMAND...: "elapsed_ms peak_kb" of one run into OUT; the
# command must succeed.
timed() {
  local out=$1; shift
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$out.kb" "$@" > "$out.stdout" 2>&1 || { cat "$out.stdout" >&2; exit 1; }
  end=$(date +%s%N)
  echo "$(( (end - start) / 1000000 )) $(tail -n 1 "$out.kb")" > "$out"
}
# Both read the file from the page cache: what is compared is the work on it.
cat "$work/tesma.zip" > /dev/null

c_ms=() s_ms=() c_kb=() s_kb=() t_r=() m_r=()
for r in $(seq 1 "$rounds"); do
  # Alternate which runs first, so that neither always finds the other's
  # warm-up.
  if [ $((r % 2)) = 1 ]; then
    timed "$work/c" "${run[@]}" "$check" --verify "$work/keys/signing.pub" "$work/tesma.zip"
    timed "$work/s" "${run[@]}" "${sha[@]}" "$work/tesma.zip"
  else
    timed "$work/s" "${run[@]}" "${sha[@]}" "$work/tesma.zip"
    timed "$work/c" "${run[@]}" "$check" --verify "$work/keys/signing.pub" "$work/tesma.zip"
  fi
  grep -q '^OK ' "$work/c.stdout" || { echo "round $r: the check did not pass: $(cat "$work/c.stdout")" >&2; exit 1; }
  read -r cm ck < "$work/c"; read -r sm sk < "$work/s"
  printf 'round %d: check %d ms, peak %d KB; sha256sum %d ms, peak %d KB\n' "$r" "$cm" "$ck" "$sm" "$sk"
  c_ms+=("$cm"); s_ms+=("$sm"); c_kb+=("$ck"); s_kb+=("$sk")
  t_r+=("$(round_ratio "$cm" "$sm")"); m_r+=("$(round_ratio "$ck" "$sk")")
done
cm=$(median "${c_ms[@]}"); sm=$(median "${s_ms[@]}"); ck=$(median "${c_kb[@]}"); sk=$(median "${s_kb[@]}")
echo "median: check $cm ms, peak $ck KB; sha256sum $sm ms, peak $sk KB"
echo "ratio check/sha256sum: time $(ratio "$cm" "$sm"), peak memory $(ratio "$ck" "$sk")"
echo "median of the rounds' ratios: time $(thousandths "$(median "${t_r[@]}")"), peak memory $(thousandths "$(median "${m_r[@]}")")"
