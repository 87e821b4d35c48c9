#!/usr/bin/env bash
# What a whole conversion costs against one FFmpeg command as a user would type it: a noisy,
# moving PAL 16:9 title of SECONDS_LONG seconds converted by the program (quarnel --convert,
# streamed, "MP4 - H.264 Video": H.264 at 1000 kbit/s, 640x480 letterboxed), by
# ffmpeg -i "concat:VTS_01_1.VOB|..." with the same scale, pad, codec, rates and sound coder,
# and by HandBrakeCLI when Debian has it (its 640x360 picture without bars). ROUNDS rounds,
# the order turned every round (A B C, C B A, ...). Prints each round's processor time (user +
# system of the whole process tree) and wall time as ratios to the FFmpeg command's in the
# same round, their median and spread, and each output's PSNR-Y against the source with
# frames matched by decode order (the VOB's time stamps start again in every cell).
# Usage: bench/conversion_bench.sh [ROUNDS]   (default 2; BUILD=folder picks another build,
#        SECONDS_LONG=60 a shorter title, SCAN=interlaced an interlaced title)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${BUILD:-$root/build}
rounds=${1:-2}
length=${SECONDS_LONG:-120}
scan=${SCAN:-progressive}
profile="MP4 - H.264 Video"
W=640 H=480 h=360 kbps=1000

die() { echo "conversion_bench.sh: $*" >&2; exit 1; }
[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || die "ROUNDS must be a positive number"
[ -x "$build/bin/quarnel" ] || die "no program in $build/bin; build first (scripts/build.sh)"
for tool in ffmpeg ffprobe; do command -v "$tool" >/dev/null || die "'$tool' is not installed (scripts/setup.sh)"; done
# The user's command deinterlaces as the program does for the same kind of title.
case $scan in
  progressive) deinterlace="" disc=$build/bench-dvds/quality$length ;;
  interlaced) deinterlace="estdif=mode=frame:deint=interlaced," disc=$build/bench-dvds/interlaced$length ;;
  *) die "SCAN must be progressive or interlaced" ;;
esac

# The same title as bench/quality_bench.sh makes (reused when it is there).
args=(-o "$disc" -s pal -a 16:9 -t 1 -n 1 -c 4 -d "$length" -A en --noise --exact-audio)
[ "$scan" = progressive ] || args+=(--scan "$scan")
stamp="$(cksum <"$root/tests/dvds/make-dvd.sh") ${args[*]}"
if [ -s "$disc/VIDEO_TS/VIDEO_TS.IFO" ] && [ "$(cat "$disc/.make-dvd" 2>/dev/null)" = "$stamp" ]; then
  echo "Reusing $disc"
else
  echo "Making a $length-second noisy $scan DVD in $disc..."
  "$root/tests/dvds/make-dvd.sh" "${args[@]}" >/dev/null
fi
work=$build/bench-convert
rm -rf "$work"
mkdir -p "$work/program"
vobs=$(cd "$disc/VIDEO_TS" && ls VTS_01_[1-9].VOB | sed "s|^|$disc/VIDEO_TS/|" | paste -sd'|')

candidate=$(apt-cache policy handbrake-cli 2>/dev/null || true) # not piped into grep -q: pipefail
if ! command -v HandBrakeCLI >/dev/null && [ "$(id -u)" = 0 ] && [[ "$candidate" == *"Candidate: "[0-9]* ]]; then
  echo "Installing HandBrakeCLI (Debian's handbrake-cli) for the comparison..."
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq handbrake-cli >/dev/null 2>&1 || true
fi

run_program() {
  "$build/bin/quarnel" --convert "$disc" --output "$work/program/" --profile "$profile" --entries Title01 \
    --if-exists overwrite --intermediate streamed
}
run_ffmpeg() {
  ffmpeg -nostdin -y -i "concat:$vobs" \
    -vf "${deinterlace}scale=$W:$h,pad=$W:$H:(ow-iw)/2:(oh-ih)/2:color=black,setsar=1" \
    -c:v libx264 -b:v ${kbps}k -preset medium -pix_fmt yuv420p -c:a aac -b:a 128k -ar 44100 -ac 2 \
    -movflags +faststart "$work/ffmpeg.mp4"
}
run_handbrake() {
  HandBrakeCLI -i "$disc/VIDEO_TS" -t 1 -o "$work/handbrake.mp4" -e x264 -b $kbps -w $W -l $h --crop 0:0:0:0 \
    --non-anamorphic ${deinterlace:+--deinterlace} -E av_aac -B 128 -R 44.1
}
names=(program ffmpeg)
command -v HandBrakeCLI >/dev/null && names+=(handbrake)
declare -A file=([program]=$work/program/Title01.mp4 [ffmpeg]=$work/ffmpeg.mp4 [handbrake]=$work/handbrake.mp4)
declare -A crop=([program]="crop=$W:$h:0:$(((H - h) / 2))," [ffmpeg]="crop=$W:$h:0:$(((H - h) / 2))," [handbrake]="")

# One run: "wall cpu" seconds, cpu being user + system of the command and every process it
# waited for. /usr/bin/time runs a program, not a function: each run goes through bash.
export -f run_program run_ffmpeg run_handbrake
export build disc work profile vobs deinterlace W H h kbps
measure() {
  /usr/bin/time -f '%e %U %S' -o "$work/$1.time" bash -c "run_$1" >"$work/$1.log" 2>&1 ||
    { tail -5 "$work/$1.log" >&2; die "$1 failed (see $work/$1.log)"; }
  awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/$1.time"
}

declare -A walls cpus
for ((r = 0; r < rounds; r++)); do
  order=("${names[@]}")
  ((r % 2 == 0)) || order=($(printf '%s\n' "${names[@]}" | tac))
  for n in "${order[@]}"; do
    spent=$(measure "$n")
    read -r w c <<<"$spent"
    walls[$n]+=" $w" cpus[$n]+=" $c"
    echo "round $((r + 1)): $n wall $w s, cpu $c s"
  done
done

# psnr FILE CROP: PSNR-Y of the output's picture area against the source, frames counted in
# decode order (the VOB's clock starts again in every cell). A picture repeated or left out by
# a converter (FFmpeg's constant rate repeats one where the cells' clocks jump) would shift
# every later one: each output picture is matched with the source's at the same count, or up
# to two before or after, whichever is nearest (on this noise a wrong one is some 10 dB off).
psnr() {
  local n="setpts=N/25/TB" k a b
  for k in -2 -1 0 1 2; do
    a="[0:v]$n,$2$n" b="[1:v]$n,scale=$W:$h,$n"
    if [ $k -gt 0 ]; then a="[0:v]$n,trim=start_frame=$k,$2$n"; fi
    if [ $k -lt 0 ]; then b="[1:v]$n,trim=start_frame=$((-k)),scale=$W:$h,$n"; fi
    ffmpeg -v error -nostdin -i "$1" -i "concat:$vobs" -filter_complex \
      "$a,format=yuv420p[a];$b,format=yuv420p[b];[a][b]psnr=stats_file=$work/psnr$k.txt" -f null -
  done
  # Per output picture o the least error over k (source picture o - k), then the mean error.
  for k in -2 -1 0 1 2; do
    sed -n "s/^n:\([0-9]*\) mse_avg:[0-9.]* mse_y:\([0-9.]*\).*/\1 \2/p" "$work/psnr$k.txt" |
      awk -v k=$k '{ print ($1 - 1) + (k > 0 ? k : 0), $2 }'
  done | awk '!($1 in e) || $2 < e[$1] { e[$1] = $2 } END { for (o in e) { s += e[o]; c++ }
                                                         printf "%.2f", 10 * log(255 * 255 / (s / c)) / log(10) }'
}
frames() {
  ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of default=nw=1:nk=1 "$1" | head -1
}
source_frames=$(frames "concat:$vobs")

printf "\n%s s noisy %s PAL title to \"%s\" (%d kbit/s, %dx%d), %d rounds, order turned every round\n" \
  "$length" "$scan" "$profile" $kbps $W $H "$rounds"
printf "%-10s %8s %10s %22s %22s\n" "" "PSNR-Y" "frames" "cpu / ffmpeg" "wall / ffmpeg"
printf "%-10s %8s %10s %22s %22s\n" "" "dB" "" "median (min-max)" "median (min-max)"
# ratios A B: each round's A over its B, then "median (min-max)".
ratios() {
  paste <(tr ' ' '\n' <<<"$1" | sed '/^$/d') <(tr ' ' '\n' <<<"$2" | sed '/^$/d') |
    awk '{ print $1 / $2 }' | sort -g |
    awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
                              printf "%.3f (%.3f-%.3f)", m, v[1], v[NR] }'
}
for n in "${names[@]}"; do
  p=$(psnr "${file[$n]}" "${crop[$n]}")
  printf "%-10s %8s %10s %22s %22s\n" "$n" "$p" "$(frames "${file[$n]}")/$source_frames" \
    "$(ratios "${cpus[$n]}" "${cpus[ffmpeg]}")" "$(ratios "${walls[$n]}" "${walls[ffmpeg]}")"
done
for n in "${names[@]}"; do
  echo "$n seconds, cpu:${cpus[$n]}; wall:${walls[$n]}"
done
