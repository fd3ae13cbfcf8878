#!/usr/bin/env bash
# CPU of `zentrik watch` on a live stream, in real time beside --fast. ffmpeg serves a stream on
# 127.0.0.1 at 25 frames a second, over TCP and over HTTP; zentrik watches it with four zones and
# the script prints, for each run, the share of one core zentrik takes, its threads' wake-ups per
# second and the frames it watched per second. A live stream comes at its own pace in either
# mode, so --fast can only wait for its frames: it should cost what real time costs.
#
#   bench/live_stream_cpu.sh [ZENTRIK] [SECONDS]
#
# ZENTRIK defaults to build/apps/zentrik; SECONDS (default 15) is how long each run is measured,
# after 3 seconds of start-up. Two streams: a 320 x 240 FFV1 picture, cheap to decode, so that
# what shows is the cost of waiting; and a 640 x 480 H.264 test picture, as a camera sends.
set -euo pipefail

ZENTRIK=${1:-build/apps/zentrik}
SECONDS_MEASURED=${2:-15}
WARM=3
RATE=25
HZ=$(getconf CLK_TCK)
WORK=$(mktemp -d /tmp/zentrik-live-cpu.XXXXXX)
SERVER=
WATCHER=
cleanup() {
  [ -n "$WATCHER" ] && kill "$WATCHER" 2>/dev/null || true
  [ -n "$SERVER" ] && kill "$SERVER" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

cat >"$WORK/zones.zentrik" <<'EOF'
add_motion_detection 1, 1, 0, 0, 160, 120, 5
add_motion_detection 1, 2, 160, 120, 160, 120, 5
add_color_detection 1, 3, 0, 120, 160, 120, &H0000FF, 10
add_color_detection 1, 4, 160, 0, 160, 120, &HFFFFFF, 10
layer = 1
EOF

free_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# True once something listens on 127.0.0.1:PORT (the ffmpeg server is ready for its client).
listening() {  # PORT
  local wanted
  wanted=$(printf '0100007F:%04X' "$1")
  awk -v w="$wanted" '$2 == w && $4 == "0A" { found = 1 } END { exit !found }' /proc/net/tcp
}

# Starts ffmpeg serving STREAM ("ffv1" or "h264") at URL in the background.
serve() {  # STREAM URL
  local length=$((WARM + SECONDS_MEASURED + 30))
  local input codec
  if [ "$1" = ffv1 ]; then
    input="testsrc=size=320x240:rate=$RATE"
    codec=(-c:v ffv1 -f nut)
  else
    input="testsrc2=size=640x480:rate=$RATE"
    codec=(-c:v libx264 -preset veryfast -tune zerolatency -bf 0 -g $((2 * RATE)) -pix_fmt yuv420p
      -f mpegts)
  fi
  local target=("$2?listen=1")
  [[ $2 == http:* ]] && target=(-listen 1 "$2")
  ffmpeg -hide_banner -loglevel error -nostdin -re -f lavfi -i "$input" -t "$length" \
    "${codec[@]}" "${target[@]}" >/dev/null 2>&1 &
  SERVER=$!
}

# CPU seconds (user + system) a running process has used so far.
cpu_seconds() { awk -v hz="$HZ" '{ printf "%.3f", ($14 + $15) / hz }' "/proc/$1/stat"; }

# Context switches of all the process's threads so far: how often they went to sleep and woke.
switches() {
  cat /proc/"$1"/task/*/status 2>/dev/null |
    awk '/^(non)?voluntary_ctxt_switches/ { n += $2 } END { print n + 0 }'
}

# Frames watched so far, from the last once-a-second line of the run's JSON output.
frames_so_far() {
  sed -n 's/.*"frame":\([0-9]*\),"fps".*/\1/p' "$WORK/out.log" | tail -1 | awk '{ print $1 + 0 }'
}

# One run: prints "cpu% wakeups/s frames/s".
measure() {  # STREAM SCHEME [--fast]
  local port url
  port=$(free_port)
  url="$2://127.0.0.1:$port"
  [ "$2" = http ] && url="$url/live"
  serve "$1" "$url"
  for _ in $(seq 200); do listening "$port" && break; sleep 0.05; done
  "$ZENTRIK" watch --source "$url" --script "$WORK/zones.zentrik" --format json \
    ${3:-} >"$WORK/out.log" 2>"$WORK/err.log" &
  WATCHER=$!
  sleep "$WARM"
  local cpu0 sw0 t0 f0 cpu1 sw1 t1 f1
  cpu0=$(cpu_seconds "$WATCHER")
  sw0=$(switches "$WATCHER")
  t0=$(date +%s.%N)
  f0=$(frames_so_far)
  sleep "$SECONDS_MEASURED"
  cpu1=$(cpu_seconds "$WATCHER")
  sw1=$(switches "$WATCHER")
  t1=$(date +%s.%N)
  f1=$(frames_so_far)
  kill -INT "$WATCHER"
  wait "$WATCHER" || true
  WATCHER=
  kill "$SERVER" 2>/dev/null || true
  wait "$SERVER" 2>/dev/null || true
  SERVER=
  awk -v c0="$cpu0" -v c1="$cpu1" -v s0="$sw0" -v s1="$sw1" -v t0="$t0" -v t1="$t1" \
    -v f0="$f0" -v f1="$f1" \
    'BEGIN { d = t1 - t0; printf "%.1f %% | %.0f | %.1f", 100 * (c1 - c0) / d, (s1 - s0) / d,
             (f1 - f0) / d }'
}

printf '| stream at %d fps | protocol | real time: CPU of a core | wake-ups/s | frames/s | --fast: CPU of a core | wake-ups/s | frames/s |\n' "$RATE"
printf '|---|---|---|---|---|---|---|---|\n'
for stream in ffv1 h264; do
  name="320 x 240 FFV1"
  [ "$stream" = h264 ] && name="640 x 480 H.264"
  for scheme in tcp http; do
    real=$(measure "$stream" "$scheme")
    fast=$(measure "$stream" "$scheme" --fast)
    printf '| %s | %s | %s | %s |\n' "$name" "$scheme" "$real" "$fast"
  done
done
