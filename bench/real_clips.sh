#!/usr/bin/env bash
# Detection on real clips (Debian package opencv-doc): per zone the passages of people in the
# hand-labelled truth of tests/filters/real_clips, how many `zentrik watch --fast` sees, misses
# and how often a zone switches on again within a passage or with nobody there, with
# `--steady` (its defaults, or SETTINGS) and without it, every frame analysed or ANALYSE_FPS a
# second.
#
#   bench/real_clips.sh [ZENTRIK] [SETTINGS] [ANALYSE_FPS]
#
# ZENTRIK defaults to build/apps/zentrik. Installs opencv-doc if the clips are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
zentrik="${1:-build/apps/zentrik}"
if [ ! -e /usr/share/doc/opencv-doc/examples/data/vtest.avi ]; then
  apt-get install -y opencv-doc >/dev/null
fi
exec /usr/bin/python3 tests/filters/real_clips/score.py --zentrik "$zentrik" --steady "${2:-}" \
  --analyse-fps "${3:-0}"
