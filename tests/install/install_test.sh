#!/usr/bin/env bash
# Installs the build into a fresh prefix, then builds the host program in host/ outside the tree
# against it, once through find_package(Zentrik) and once through pkg-config, and runs both and
# the installed `zentrik` program on the virtual camera.
# Arguments: BUILD_DIR WORK_DIR LIBDIR CXX LAUNCHER FLAGS
set -euo pipefail
build=$1 work=$2 libdir=$3 cxx=$4 launcher=$5 flags=$6
host="$(cd "$(dirname "$0")" && pwd)/host"
prefix="$work/prefix"
rm -rf "$work"
mkdir -p "$work"

cmake --install "$build" --prefix "$prefix" >"$work/install.log"
for file in bin/zentrik include/zentrik/control/orvex.h "$libdir/libzentrik_control.a" \
  "$libdir/cmake/Zentrik/ZentrikConfig.cmake" "$libdir/pkgconfig/zentrik.pc"; do
  [[ -e "$prefix/$file" ]] || { echo "not installed: $file"; exit 1; }
done
# Only what a host uses is installed: no header of the speed-up internals.
if find "$prefix/include" -name 'ClosestIndexMap.h' -o -name 'ZoneCounter.h' | grep -q .; then
  echo "internal headers installed"; exit 1
fi

cmake -S "$host" -B "$work/host" -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >"$work/configure.log"
cmake --build "$work/host" >"$work/build.log"
"$work/host/zentrik_host"

export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
# shellcheck disable=SC2046,SC2086
$launcher "$cxx" -std=c++20 $flags "$host/main.cpp" -o "$work/zentrik_host_pc" \
  $(pkg-config --cflags --libs zentrik)
"$work/zentrik_host_pc"

"$prefix/bin/zentrik" watch --frames 3 --fast --quiet-fps >/dev/null
