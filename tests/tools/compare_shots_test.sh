#!/usr/bin/env bash
# tools/compare-shots judges pictures by their pixels, not their bytes: the
# same image written another way (RGB or RGBA, other row filters and
# compression) is equal; one changed pixel, another size, a picture missing
# from one run is not, and the exit status says so.
set -uo pipefail
top=$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)
. "$top/tests/e2e/lib/tally.sh"
work=$(mktemp -d /tmp/compare-shots-test.XXXXXX)
trap 'rm -rf "$work"' EXIT

# png FILE VARIANT: a 40x30 picture; variants: rgb (filter 0), rgba (the
# same pixels, opaque, filter 1, other compression), pixel (one pixel
# changed), wide (41 pixels wide).
png() {
  python3 - "$@" <<'PY'
import struct, sys, zlib
path, variant = sys.argv[1:]
w, h = (41 if variant == 'wide' else 40), 30
px = [[((x * 7) % 256, (y * 9) % 256, 128) for x in range(w)] for y in range(h)]
if variant == 'pixel':
    px[12][3] = (0, 0, 0)
rows = []
for line in px:
    if variant == 'rgba':
        raw = bytes(c for p in line for c in p + (255,))
        rows.append(b'\1' + bytes((raw[i] - (raw[i - 4] if i >= 4 else 0)) & 255 for i in range(len(raw))))
    else:
        rows.append(b'\0' + bytes(c for p in line for c in p))
chunk = lambda k, d: struct.pack('>I', len(d)) + k + d + struct.pack('>I', zlib.crc32(k + d))
head = struct.pack('>IIBBBBB', w, h, 8, 6 if variant == 'rgba' else 2, 0, 0, 0)
data = zlib.compress(b''.join(rows), 1 if variant == 'rgba' else 9)
open(path, 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', head) + chunk(b'IDAT', data) + chunk(b'IEND', b''))
PY
}

# case NAME AFTER-VARIANT STATUS LINE: box.png (rgb) before, AFTER-VARIANT
# after (none: no picture after).
while IFS='|' read -r name variant status line; do
  mkdir -p "$work/$name/before/run" "$work/$name/after/run"
  png "$work/$name/before/run/box.png" rgb
  [ "$variant" = none ] || png "$work/$name/after/run/box.png" "$variant"
  rc=0; out=$("$top/tools/compare-shots" "$work/$name/before" "$work/$name/after") || rc=$?
  expect "$name: exit status $status" equals "$rc" "$status"
  expect "$name: says '$line'" grep -qF -- "$line" <<<"$out"
done <<'CASES'
same bytes|rgb|0|run/box.png: same
same pixels, written another way|rgba|0|1 pictures, 1 pixel-equal, 0 not
one pixel changed|pixel|1|run/box.png: differs: 1 pixels in (3,12)-(3,12)
another size|wide|1|run/box.png: differs: 40x30, then 41x30
missing after|none|1|run/box.png: only before
CASES

finish
