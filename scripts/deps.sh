#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Zentrik need, if missing.
set -euo pipefail
packages=(
  cmake g++ make pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libavdevice-dev ffmpeg
  clang libclang-rt-14-dev python3 python3-pil
  libspng-dev imagemagick pngquant opencv-doc
  libcpp-httplib-dev nlohmann-json3-dev libyaml-cpp-dev
  libmosquitto-dev mosquitto mosquitto-clients openssl
  chromium chromium-driver python3-selenium
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
