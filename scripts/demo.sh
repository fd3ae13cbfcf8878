#!/usr/bin/env bash
# Installs what is missing, builds in Release and runs the main job: `zentrik watch` on the
# built-in virtual camera. Extra arguments go to `zentrik watch`. Sets every option it needs;
# the test command sets its own, so running this first never changes what that one does.
# ZENTRIK_DEMO_CONFIGURE_ONLY=1 stops after configuring (CI checks the order with it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZENTRIK_WERROR=OFF -DZENTRIK_SANITIZE=OFF \
  -DZENTRIK_FUZZ=OFF -DZENTRIK_TESTS=OFF -DZENTRIK_BENCH=OFF >/dev/null
[[ -n "${ZENTRIK_DEMO_CONFIGURE_ONLY:-}" ]] && exit 0
cmake --build build --target zentrik -j"$(nproc)"
exec build/apps/zentrik serve "$@"
