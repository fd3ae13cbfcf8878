#!/usr/bin/env bash
# Installs what is missing, builds in Release and runs the main job: `zentrik watch` on the
# built-in virtual camera. Extra arguments go to `zentrik watch`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZENTRIK_TESTS=OFF -DZENTRIK_BENCH=OFF >/dev/null
cmake --build build --target zentrik -j"$(nproc)"
exec build/apps/zentrik serve "$@"
