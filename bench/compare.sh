#!/usr/bin/env bash
# charplay's CPU cost per frame beside the decoder's own, measured side by
# side on the same clips, runs alternating, medians printed.
#
#   bench/compare.sh [BUILD_DIR] [RUNS]
#
# Compares, per clip (1080p25, 720p29.97, 360p25; 300 frames each):
#   ffmpeg      ffmpeg -i clip -f null -            (decode only)
#   read_loop   OpenCV: open and read every frame   (the floor)
#   paced_read  the same, sleeping between frames as charplay does
#   charplay    the whole program, frames to /dev/null
#   mpv, timg   at 160 x 90, when installed
# CPU time is user + system of the whole process, start-up included:
# charplay waits between frames, so wall time says nothing here. Also counts
# charplay's write(2) calls with strace, when installed: one per frame.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for clip in 1920x1080:25 1280x720:30000/1001 640x360:25; do
  size=${clip%%:*} rate=${clip#*:}
  ffmpeg -nostdin -loglevel error -y -f lavfi -i "testsrc2=s=$size:r=$rate" -frames:v 300 \
    -c:v libx264 -pix_fmt yuv420p "$work/$size.mp4"
done

# Prints the CPU seconds (user + system) that running "$@" took.
cpu() {
  python3 - "$@" <<'PY'
import os, subprocess, sys
env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
subprocess.run(sys.argv[1:], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
               stderr=subprocess.DEVNULL, env=env, check=True)
usage = os.times()
print(f"{usage.children_user + usage.children_system:.4f}")
PY
}

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

tools=(ffmpeg read_loop paced_read charplay)
command -v mpv > /dev/null && tools+=(mpv)
command -v timg > /dev/null && tools+=(timg)

run_tool() {
  local tool=$1 clip=$2
  case $tool in
    ffmpeg) cpu ffmpeg -nostdin -loglevel error -i "$clip" -f null - ;;
    read_loop) cpu "$build/bench/read_loop" "$clip" ;;
    paced_read) cpu "$build/bench/read_loop" --paced "$clip" ;;
    charplay) cpu "$build/charplay" "$clip" ;;
    mpv) cpu mpv --no-config --really-quiet --no-audio --vo=tct --vo-tct-width=160 \
           --vo-tct-height=90 "$clip" ;;
    timg) cpu timg -g160x90 --frames=300 "$clip" ;;
  esac
}

echo "CPU milliseconds per frame, median of $runs runs ($(nproc) cores, $(uname -m))"
printf '%-10s' clip; printf ' %10s' "${tools[@]}"
printf ' %12s %12s %12s\n' charplay/read charplay/paced charplay/mpv
for clip in "$work"/1920x1080.mp4 "$work"/1280x720.mp4 "$work"/640x360.mp4; do
  declare -A samples=()
  for ((i = 0; i < runs; i++)); do
    for tool in "${tools[@]}"; do
      samples[$tool]+="$(run_tool "$tool" "$clip") "
    done
  done
  declare -A ms=()
  printf '%-10s' "$(basename "$clip" .mp4)"
  for tool in "${tools[@]}"; do
    ms[$tool]=$(tr ' ' '\n' <<< "${samples[$tool]}" | grep . | median | awk '{printf "%.2f", $1 * 1000 / 300}')
    printf ' %10s' "${ms[$tool]}"
  done
  ratio_read=$(awk -v a="${ms[charplay]}" -v b="${ms[read_loop]}" 'BEGIN {printf "%.3f", a / b}')
  ratio_paced=$(awk -v a="${ms[charplay]}" -v b="${ms[paced_read]}" 'BEGIN {printf "%.3f", a / b}')
  ratio_mpv=-
  [ -n "${ms[mpv]:-}" ] && ratio_mpv=$(awk -v a="${ms[charplay]}" -v b="${ms[mpv]}" 'BEGIN {printf "%.3f", a / b}')
  printf ' %12s %12s %12s\n' "$ratio_read" "$ratio_paced" "$ratio_mpv"
  unset samples ms
done

if command -v strace > /dev/null; then
  writes=$(strace -f -e trace=write -o "$work/strace" "$build/charplay" "$work/640x360.mp4" \
             < /dev/null > /dev/null 2>&1; grep -c 'write(1,' "$work/strace" || true)
  echo "write(2) calls to standard output for 300 frames: $writes"
fi
