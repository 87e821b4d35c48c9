#!/usr/bin/env bash
# Picture quality per bit and what it costs: one 120-second noisy, moving PAL 16:9 title
# converted by the program (quarnel --convert, "MP4 - H.264 Video": H.264 at 1000 kbit/s,
# 640x480 letterboxed) streamed (both tools at once) and through a high-quality intermediate
# file, by one FFmpeg command from the title's VOB with the same geometry, codec and bitrate,
# and by HandBrakeCLI (installed here when Debian offers it). Each output's frames are matched
# to the source's in decode order (the best offset of up to two frames), its picture area
# compared with the source scaled to the same size: PSNR-Y and SSIM-Y, size, frames against
# the source's, sound length, and wall and processor time as ratios to the FFmpeg command,
# side by side in one run.
# Usage: bench/quality_bench.sh   (BUILD=folder picks another build, default build/;
#        SECONDS_LONG=60 for a shorter title)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${BUILD:-$root/build}
length=${SECONDS_LONG:-120}
disc=$build/bench-dvds/quality$length
work=$build/bench-quality
profile="MP4 - H.264 Video"
W=640 H=480 h=360 kbps=1000

die() { echo "quality_bench.sh: $*" >&2; exit 1; }
[ -x "$build/bin/quarnel" ] || die "no program in $build/bin; build first (scripts/build.sh)"
for tool in ffmpeg ffprobe mplayer; do command -v "$tool" >/dev/null || die "'$tool' is not installed (scripts/setup.sh)"; done

args=(-o "$disc" -s pal -a 16:9 -t 1 -n 1 -c 4 -d "$length" -A en --noise --exact-audio)
stamp="$(cksum <"$root/tests/dvds/make-dvd.sh") ${args[*]}"
if [ -s "$disc/VIDEO_TS/VIDEO_TS.IFO" ] && [ "$(cat "$disc/.make-dvd" 2>/dev/null)" = "$stamp" ]; then
  echo "Reusing $disc"
else
  echo "Making a $length-second noisy DVD in $disc..."
  "$root/tests/dvds/make-dvd.sh" "${args[@]}" >/dev/null
fi
rm -rf "$work"
mkdir -p "$work/out"

# The title as it is on the disc, for the one-command conversion and as the reference. Its
# time stamps start again in every cell, so frames are counted, not timed (setpts=N/...).
mplayer dvd://1 -dvd-device "$disc/VIDEO_TS" -dumpstream -dumpfile "$work/source.vob" >/dev/null 2>&1 ||
  die "mplayer could not read the title"

declare -A wall cpu file crop
# measure NAME COMMAND...: wall and processor seconds (user + system, the command's children
# included) of one run.
measure() {
  local name=$1 spent
  shift
  spent=$( { TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>"$work/$name.log"; } 2>&1 ) ||
    die "$name failed (see $work/$name.log)"
  read -r w u s <<<"$spent"
  wall[$name]=$w
  cpu[$name]=$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')
}
letterbox="crop=$W:$h:0:$(((H - h) / 2))"
for mode in streamed high; do
  mkdir -p "$work/$mode"
  measure "$mode" "$build/bin/quarnel" --convert "$disc" --output "$work/$mode/" --profile "$profile" \
    --entries Title01 --if-exists overwrite --intermediate "$mode"
  file[$mode]=$work/$mode/Title01.mp4
  crop[$mode]=$letterbox
done

measure ffmpeg ffmpeg -v error -y -i "$work/source.vob" -map 0:v -map 0:a \
  -vf "setpts=N/FRAME_RATE/TB,scale=$W:$h,pad=$W:$H:(ow-iw)/2:(oh-ih)/2:color=black,setsar=1" \
  -fps_mode passthrough -c:v libx264 -b:v ${kbps}k -c:a aac -b:a 128k "$work/ffmpeg.mp4"
file[ffmpeg]=$work/ffmpeg.mp4
crop[ffmpeg]=$letterbox

names=(streamed high ffmpeg)
candidate=$(apt-cache policy handbrake-cli 2>/dev/null || true) # not piped into grep -q: pipefail
if ! command -v HandBrakeCLI >/dev/null && [ "$(id -u)" = 0 ] && [[ "$candidate" == *"Candidate: "[0-9]* ]]; then
  echo "Installing HandBrakeCLI (Debian's handbrake-cli) for the comparison..."
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq handbrake-cli >/dev/null 2>&1 || true
fi
if command -v HandBrakeCLI >/dev/null; then
  # HandBrake does not pad: its picture is the picture area of the others.
  measure handbrake HandBrakeCLI -i "$disc/VIDEO_TS" -t 1 -o "$work/handbrake.mp4" -e x264 -b $kbps -w $W -l $h \
    --crop 0:0:0:0 --non-anamorphic -E av_aac -B 128
  file[handbrake]=$work/handbrake.mp4
  crop[handbrake]=null
  names+=(handbrake)
fi

source_frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of default=nw=1:nk=1 "$work/source.vob")

# compare FILE CROP OFFSET FRAMES: "psnr_y ssim_y" of the output (from frame OFFSET on, or the
# source from frame -OFFSET on) against the source, over FRAMES frames at most.
compare() {
  local n="setpts=N/FRAME_RATE/TB"
  local a="[0:v]$n,${2},$n" b="[1:v]$n,scale=$W:$h,$n"
  if [ "$3" -ge 0 ]; then a="[0:v]$n,trim=start_frame=$3,${2},$n"; else b="[1:v]$n,trim=start_frame=$((-$3)),scale=$W:$h,$n"; fi
  local out
  out=$(ffmpeg -hide_banner -nostdin -i "$1" -i "$work/source.vob" -frames:v "$4" -filter_complex \
    "$a,format=yuv420p,split[a1][a2];$b,format=yuv420p,split[b1][b2];[a1][b1]psnr;[a2][b2]ssim" -f null - 2>&1)
  local p s
  p=$(grep -o 'PSNR y:[0-9.inf]*' <<<"$out" | tail -1 | cut -d: -f2)
  s=$(grep -o 'SSIM Y:[0-9.]*' <<<"$out" | tail -1 | cut -d: -f2)
  echo "${p:-0} ${s:-0}"
}

printf "\n%s s title; streamed and high: the program with --intermediate streamed / high\n" "$length"
printf "%-10s %8s %8s %10s %13s %12s %8s %8s\n" "" "PSNR-Y" "SSIM-Y" "size" "frames" "sound" "wall" "cpu"
printf "%-10s %8s %8s %10s %13s %12s %8s %8s\n" "" "dB" "" "bytes" "" "" "/ffmpeg" "/ffmpeg"
for n in "${names[@]}"; do
  f=${file[$n]}
  # The offset at which the output's frames meet the source's: the best PSNR over 100 frames.
  best=0 bestp=-1
  for off in -2 -1 0 1 2; do
    p=$(compare "$f" "${crop[$n]}" "$off" 100 | cut -d' ' -f1)
    if awk -v p="$p" -v b="$bestp" 'BEGIN { exit !(p > b) }'; then best=$off bestp=$p; fi
  done
  read -r psnr ssim < <(compare "$f" "${crop[$n]}" "$best" 100000)
  frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of default=nw=1:nk=1 "$f")
  sound=$(ffmpeg -nostdin -i "$f" -map 0:a:0 -f null - 2>&1 | grep -o 'time=[0-9:.]*' | tail -1 | cut -d= -f2)
  size=$(stat -c %s "$f")
  wr=$(awk -v a="${wall[$n]}" -v b="${wall[ffmpeg]}" 'BEGIN { printf "%.3f", a / b }')
  cr=$(awk -v a="${cpu[$n]}" -v b="${cpu[ffmpeg]}" 'BEGIN { printf "%.3f", a / b }')
  printf "%-10s %8.2f %8.4f %10d %6d / %-5d %12s %8s %8s   (frame offset %d)\n" "$n" "$psnr" "$ssim" "$size" "$frames" \
    "$source_frames" "$sound" "$wr" "$cr" "$best"
done
