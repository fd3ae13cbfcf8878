#!/bin/sh
# Makes gimp_rle4.bmp (a 4-bit run-length encoded bitmap as GIMP's BMP export writes it) and
# gimp_rle4.png (GIMP's own PNG export of the same indexed picture) in this folder.
# Needs Debian's gimp; run from anywhere: sh tests/apps/files/make_gimp_rle4.sh
set -e
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# 45 x 19 (odd width, so rows end mid-byte), 16 colours: long runs, rows without runs (absolute
# mode), pairs, and short runs broken by single pixels.
/usr/bin/python3 - <<'PY'
w, h = 45, 19
pal = [(0, 0, 0), (255, 255, 255), (200, 30, 40), (20, 160, 60), (30, 60, 200), (250, 220, 10),
       (120, 120, 120), (90, 40, 10), (0, 200, 200), (230, 100, 180), (60, 0, 90),
       (140, 200, 255), (255, 140, 0), (40, 80, 40), (180, 180, 140), (10, 20, 30)]
data = bytearray()
for y in range(h):
    for x in range(w):
        if y < 4:
            c = (x // 9) % 16
        elif y < 10:
            c = (x * 7 + y * 3) % 16
        elif y < 14:
            c = (x // 2 + y) % 16
        else:
            c = ((x >> 3) + (y & 1) * 5) % 16 if x % 5 else 15
        data += bytes(pal[c])
open("source.ppm", "wb").write(b"P6\n%d %d\n255\n" % (w, h) + data)
PY
gimp-console-2.10 -i -d -f -b '
(let* ((image (car (gimp-file-load RUN-NONINTERACTIVE "source.ppm" "source.ppm")))
       (drawable 0))
  (gimp-image-convert-indexed image CONVERT-DITHER-NONE CONVERT-PALETTE-GENERATE 16 FALSE FALSE "")
  (set! drawable (car (gimp-image-get-active-drawable image)))
  (file-bmp-save2 RUN-NONINTERACTIVE image drawable "gimp_rle4.bmp" "gimp_rle4.bmp" 1 1 0)
  (file-png-save-defaults RUN-NONINTERACTIVE image drawable "gimp_rle4.png" "gimp_rle4.png"))' \
  -b '(gimp-quit 0)' </dev/null
# Compression 2 (4-bit runs) at byte 30 of the header.
/usr/bin/python3 -c 'import sys; b = open("gimp_rle4.bmp", "rb").read(); sys.exit(b[30] != 2 or b[28] != 4)'
cp gimp_rle4.bmp gimp_rle4.png "$here/"
