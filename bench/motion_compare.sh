#!/usr/bin/env bash
# Cost per camera of `zentrik watch` beside Debian's motion daemon, on the same H.264 clips, both
# in real time at 15 frames a second. For each clip it prints the CPU time per frame of each
# program, the cameras one core could carry (1 / CPU seconds per second), and the limits that
# decoding alone (with and without the loop filter) and decoding plus scaling to 320 x 240 on one
# thread set.
#
#   bench/motion_compare.sh [--still] [ZENTRIK] [SECONDS] [REPEATS]
#
# --still measures only the still picture (what a camera costs while nothing happens).
# ZENTRIK defaults to build/apps/zentrik; SECONDS (default 20) is how long each program is
# measured, after 3 seconds of start-up. Each measurement is taken REPEATS times (default 2),
# the programs taking turns, and the lowest CPU time counts: other work on the machine only ever
# adds to it. Everything runs on 127.0.0.1 / local files; motion's pictures, films, stream and
# web control are off. Installs motion if it is missing (Debian).
#
# What each analyses: motion decodes every frame at full size and, above 5 frames a second, runs
# its detection on 3 of them a second (its built-in rate limit); zentrik hands every frame to the
# control at 320 x 240 unless --analyse-fps says fewer.
set -euo pipefail

STILL_ONLY=0
if [ "${1:-}" = --still ]; then
  STILL_ONLY=1
  shift
fi
ZENTRIK=${1:-build/apps/zentrik}
SECONDS_MEASURED=${2:-20}
REPEATS=${3:-2}
WARM=3
RATE=15
HERE=$(cd "$(dirname "$0")/.." && pwd)
WORK=$(mktemp -d /tmp/zentrik-motion-compare.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

if ! command -v motion >/dev/null; then
  apt-get install -y motion >/dev/null
fi
HZ=$(getconf CLK_TCK)

# A camera-like clip: a moving test picture with sensor noise, key frame every 2 s, no B-frames
# (as IP cameras send), long enough for the whole measurement.
make_clip() {  # WIDTH HEIGHT FILE
  local length=$((WARM + SECONDS_MEASURED + 10))
  ffmpeg -loglevel error -y -f lavfi \
    -i "testsrc2=size=$1x$2:rate=$RATE,noise=alls=6:allf=t+u" -t "$length" \
    -c:v libx264 -preset veryfast -bf 0 -g $((2 * RATE)) -pix_fmt yuv420p "$3"
}

# CPU seconds (user + system) a running process has used so far.
cpu_seconds() {
  awk -v hz="$HZ" '{ printf "%.3f", ($14 + $15) / hz }' "/proc/$1/stat"
}

# Starts a program in the background, measures its CPU over SECONDS_MEASURED after WARM seconds
# and stops it; prints CPU seconds per second.
measure() {  # COMMAND...
  "$@" >"$WORK/out.log" 2>&1 &
  local pid=$!
  sleep "$WARM"
  local before
  before=$(cpu_seconds "$pid")
  sleep "$SECONDS_MEASURED"
  local after
  after=$(cpu_seconds "$pid")
  kill -INT "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  awk -v a="$after" -v b="$before" -v s="$SECONDS_MEASURED" 'BEGIN { printf "%.5f", (a - b) / s }'
}

# The lower of two CPU figures; the second may be empty (none yet).
lower() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }

motion_config() {  # CLIP
  cat >"$WORK/motion.conf" <<EOF
daemon off
setup_mode off
log_level 4
target_dir $WORK/motion
netcam_url file://$1
framerate $RATE
picture_output off
movie_output off
stream_port 0
webcontrol_port 0
threshold 1500
noise_level 32
EOF
}

# Decoding alone on one thread, or with a scale to 320 x 240 or other decoder options: CPU
# seconds per frame.
decode_cost() {  # CLIP [FILTER] [DECODER OPTION...]
  local clip=$1 filter=()
  [ -n "${2:-}" ] && filter=(-vf "$2")
  shift 2 || shift $#
  local frames
  frames=$(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=nb_read_frames -of csv=p=0 "$clip")
  /usr/bin/time -f "%U %S" -o "$WORK/time" \
    ffmpeg -loglevel error -threads 1 "$@" -i "$clip" "${filter[@]}" -f null - 2>/dev/null
  awk -v n="$frames" '{ printf "%.5f", ($1 + $2) / n }' "$WORK/time"
}

per_frame_ms() { awk -v c="$1" -v r="$RATE" 'BEGIN { printf "%.2f", 1000 * c / r }'; }
per_core() { awk -v c="$1" 'BEGIN { if (c > 0) printf "%.1f", 1 / c; else print "-" }'; }
limit() { awk -v c="$1" -v r="$RATE" 'BEGIN { printf "%.1f", 1 / (c * r) }'; }

cp "$HERE/examples/camera.zentrik" "$WORK/zones.zentrik"
sed -i '/save_picture/d' "$WORK/zones.zentrik"

# The moving clips, one row of the table each.
moving_clips() {
  printf '%s\n' "| stream, $RATE fps | zentrik ms/frame | zentrik cameras/core | with --full-decode | with --steady --analyse-fps 5 | motion ms/frame | motion cameras/core | decoding alone (limit) | decoding, loop filter skipped (limit) | decoding + scaling to 320 x 240 (limit) |"
  printf '%s\n' "|---|---|---|---|---|---|---|---|---|---|"
  for size in 1920x1080 1280x720 640x480; do
    width=${size%x*}
    height=${size#*x}
    clip="$WORK/clip-$size.mp4"
    make_clip "$width" "$height" "$clip"
    watch=("$ZENTRIK" watch --source "$clip" --script "$WORK/zones.zentrik" --quiet-fps)
    motion_config "$clip"
    z="" zf="" zs="" m=""
    for _ in $(seq "$REPEATS"); do
      z=$(lower "$(measure "${watch[@]}")" "$z")
      m=$(lower "$(measure motion -n -c "$WORK/motion.conf")" "$m")
      zf=$(lower "$(measure "${watch[@]}" --full-decode)" "$zf")
      zs=$(lower "$(measure "${watch[@]}" --steady --analyse-fps 5)" "$zs")
    done
    d="" dl="" ds=""
    for _ in $(seq "$REPEATS"); do
      d=$(lower "$(decode_cost "$clip")" "$d")
      dl=$(lower "$(decode_cost "$clip" "" -skip_loop_filter all)" "$dl")
      ds=$(lower "$(decode_cost "$clip" "scale=320:240,format=bgr24")" "$ds")
    done
    printf '| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n' "${width} x ${height}" \
      "$(per_frame_ms "$z")" "$(per_core "$z")" "$(per_core "$zf")" "$(per_core "$zs")" \
      "$(per_frame_ms "$m")" "$(per_core "$m")" "$(limit "$d")" "$(limit "$dl")" "$(limit "$ds")"
  done
}

echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
[ "$STILL_ONLY" = 1 ] || moving_clips

# A still picture: what a camera costs while nothing happens.
still="$WORK/still.mp4"
ffmpeg -loglevel error -y -f lavfi -i "color=c=gray:size=640x480:rate=$RATE" \
  -t $((WARM + SECONDS_MEASURED + 10)) -c:v libx264 -preset veryfast -bf 0 -g $((2 * RATE)) \
  -pix_fmt yuv420p "$still"
motion_config "$still"
z="" m=""
for _ in $(seq "$REPEATS"); do
  z=$(lower "$(measure "$ZENTRIK" watch --source "$still" --script "$WORK/zones.zentrik" \
    --quiet-fps)" "$z")
  m=$(lower "$(measure motion -n -c "$WORK/motion.conf")" "$m")
done
printf '\nstill 640 x 480 picture, CPU per second: zentrik %.2f %%, motion %.2f %% of a core\n' \
  "$(awk -v c="$z" 'BEGIN { print 100 * c }')" "$(awk -v c="$m" 'BEGIN { print 100 * c }')"
