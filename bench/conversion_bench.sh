#!/usr/bin/env bash
# Converts the same DVD title through the program's engine (bench/conversion_bench.cpp: the
# pre-pass, the encoder pass and the transcoder pass as Start runs them) and by hand with the
# very same two tool command lines (MEncoder, then FFmpeg), ROUNDS times each, interleaved
# with the order swapped every round, and prints the mean times and their ratio. For context
# it also times HandBrakeCLI making a similar MP4 of the same title (installed here, and only
# here, when Debian offers it) and reports the engine's peak memory.
# Usage: bench/conversion_bench.sh [ROUNDS]   (default 3; BUILD=folder picks another build, default build/)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${BUILD:-$root/build}
rounds=${1:-3}
profile="MP4 - H.264 Video"
disc=$build/bench-dvds/convert60
work=$build/bench-convert

die() { echo "conversion_bench.sh: $*" >&2; exit 1; }
[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || die "ROUNDS must be a positive number"
[ -f "$build/CMakeCache.txt" ] || die "no build in $build; build first (scripts/build.sh)"
cmake --build "$build" --target conversion_bench program_folder >/dev/null
driver=$build/bench/conversion_bench
program=$build/bin
[ -e "$program/asapi.dll" ] && [ -e "$program/wmaspi.dll" ] || die "no tool links in $program"
[ -f "$program/Profiles/$profile.apf" ] || die "no profile '$profile' in $program/Profiles"

# One PAL title of 60 s with four chapters and two audio languages.
args=(-o "$disc" -s pal -a 16:9 -t 1 -n 1 -c 4 -d 60 -A en,fr)
stamp="$(cksum <"$root/tests/dvds/make-dvd.sh") ${args[*]}"
if [ -s "$disc/VIDEO_TS/VIDEO_TS.IFO" ] && [ "$(cat "$disc/.make-dvd" 2>/dev/null)" = "$stamp" ]; then
  echo "Reusing $disc"
else
  echo "Making a 60-second DVD in $disc..."
  "$root/tests/dvds/make-dvd.sh" "${args[@]}" >/dev/null
fi

rm -rf "$work"
mkdir -p "$work/out" "$work/tmp" "$work/hand" "$work/cmd"

now() { date +%s%N; }
run_engine() {
  "$driver" "$program" "$disc" 1 "$profile" "$work/out" "$work/tmp" "$work/cmd" >"$work/engine.log" \
    || { cat "$work/engine.log" >&2; die "the engine's run failed"; }
}
run_hand() {
  local -a enc trans
  mapfile -t enc <"$work/cmd/encoder.args"
  mapfile -t trans <"$work/cmd/transcoder.args"
  "${enc[@]}" </dev/null >/dev/null 2>&1 || die "MEncoder failed by hand"
  "${trans[@]}" </dev/null >/dev/null 2>&1 || die "FFmpeg failed by hand"
  rm -f "$work/tmp/temp.avi"
}

# A first engine run writes the command lines; the hand runs use exactly those.
run_engine
cat "$work/engine.log"

engine_ns=0
hand_ns=0
for ((i = 0; i < rounds; i++)); do
  if ((i % 2 == 0)); then
    t0=$(now); run_engine; t1=$(now); run_hand; t2=$(now)
    engine_ns=$((engine_ns + t1 - t0)); hand_ns=$((hand_ns + t2 - t1))
  else
    t0=$(now); run_hand; t1=$(now); run_engine; t2=$(now)
    hand_ns=$((hand_ns + t1 - t0)); engine_ns=$((engine_ns + t2 - t1))
  fi
done

# Peak memory: the engine alone (its own high-water mark) and, from /usr/bin/time, the
# largest process of its run, which is one of the tools.
peak_engine=$(sed -n 's/^engine_peak_rss_kb=//p' "$work/engine.log")
peak_tree=-1
if [ -x /usr/bin/time ]; then
  /usr/bin/time -v "$driver" "$program" "$disc" 1 "$profile" "$work/out" "$work/tmp" "$work/cmd" >"$work/engine.log" 2>"$work/time.log"
  peak_engine=$(sed -n 's/^engine_peak_rss_kb=//p' "$work/engine.log")
  peak_tree=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.log")
fi

# HandBrakeCLI for context: x264 at 1000 kbit/s, 640x480, AAC 128 kbit/s, like the profile.
hb_ns=-1
candidate=$(apt-cache policy handbrake-cli 2>/dev/null || true) # not piped into grep -q: pipefail
if ! command -v HandBrakeCLI >/dev/null && [ "$(id -u)" = 0 ] && [[ "$candidate" == *"Candidate: "[0-9]* ]]; then
  echo "Installing handbrake-cli for the comparison..."
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq handbrake-cli >/dev/null 2>&1 || true
fi
if command -v HandBrakeCLI >/dev/null; then
  t0=$(now)
  HandBrakeCLI -i "$disc" -t 1 -o "$work/hand/handbrake.mp4" -e x264 --encoder-preset medium -b 1000 \
    -w 640 -l 480 -E av_aac -B 128 -R 44.1 >/dev/null 2>&1 || die "HandBrakeCLI failed"
  t1=$(now)
  hb_ns=$((t1 - t0))
fi

awk -v e="$engine_ns" -v h="$hand_ns" -v n="$rounds" -v hb="$hb_ns" -v pe="$peak_engine" -v pt="$peak_tree" 'BEGIN {
  printf "60 s PAL title to MP4 (H.264 640x480, AAC), %d rounds each, interleaved\n", n
  printf "engine (pre-pass + MEncoder + FFmpeg)  mean %8.0f ms\n", e / n / 1e6
  printf "same two tool lines by hand            mean %8.0f ms\n", h / n / 1e6
  printf "ratio (engine / by hand): %.3f (overhead %+.1f %%)\n", e / h, (e / h - 1) * 100
  if (hb >= 0) printf "HandBrakeCLI, similar MP4, one run          %8.0f ms (ratio engine / HandBrakeCLI: %.2f)\n", hb / 1e6, (e / n) / hb
  else print "HandBrakeCLI: not available"
  printf "peak memory: engine process %d KiB; largest process of its run (/usr/bin/time -v) %d KiB\n", pe, pt
}'
