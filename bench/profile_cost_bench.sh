#!/usr/bin/env bash
# What the constant-quality profiles cost against the H.264 one: one noisy, moving PAL 16:9
# title converted by the program (quarnel --convert, streamed) with "MP4 - H.264 Video",
# "MKV - H.265 (HEVC)" and "MKV - AV1" as shipped, each ROUNDS times, the profiles interleaved
# with their order turned every round. Prints, side by side, each profile's processor time
# (user + system, the tools included) and wall time as ratios to the H.264 profile's, and its
# file size.
# Usage: bench/profile_cost_bench.sh [ROUNDS]   (default 2; BUILD=folder picks another build,
#        default build/; SECONDS_LONG=30 for a shorter title)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${BUILD:-$root/build}
rounds=${1:-2}
length=${SECONDS_LONG:-60}
disc=$build/bench-dvds/cost$length
work=$build/bench-cost
profiles=("MP4 - H.264 Video" "MKV - H.265 (HEVC)" "MKV - AV1")

die() { echo "profile_cost_bench.sh: $*" >&2; exit 1; }
[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || die "ROUNDS must be a positive number"
[ -x "$build/bin/quarnel" ] || die "no program in $build/bin; build first (scripts/build.sh)"
for p in "${profiles[@]}"; do [ -f "$build/bin/Profiles/$p.apf" ] || die "no profile '$p' in $build/bin/Profiles"; done

args=(-o "$disc" -s pal -a 16:9 -t 1 -n 1 -c 2 -d "$length" -A en --pan --noise --exact-audio)
stamp="$(cksum <"$root/tests/dvds/make-dvd.sh") ${args[*]}"
if [ -s "$disc/VIDEO_TS/VIDEO_TS.IFO" ] && [ "$(cat "$disc/.make-dvd" 2>/dev/null)" = "$stamp" ]; then
  echo "Reusing $disc"
else
  echo "Making a $length-second noisy, moving DVD in $disc..."
  "$root/tests/dvds/make-dvd.sh" "${args[@]}" >/dev/null
fi
rm -rf "$work"
mkdir -p "$work"

declare -A cpu wall size
for ((r = 0; r < rounds; r++)); do
  for ((k = 0; k < ${#profiles[@]}; k++)); do
    p=${profiles[$(((k + r) % ${#profiles[@]}))]}
    out="$work/$k"
    mkdir -p "$out"
    spent=$( { TIMEFORMAT='%R %U %S'; time "$build/bin/quarnel" --convert "$disc" --output "$out/" --profile "$p" \
      --entries Title01 --if-exists overwrite --intermediate streamed >"$work/log" 2>&1; } 2>&1 ) ||
      { cat "$work/log" >&2; die "'$p' failed"; }
    read -r w u s <<<"$spent"
    wall[$p]=$(awk -v a="${wall[$p]:-0}" -v b="$w" 'BEGIN { print a + b }')
    cpu[$p]=$(awk -v a="${cpu[$p]:-0}" -v b="$u" -v c="$s" 'BEGIN { print a + b + c }')
    size[$p]=$(stat -c %s "$(ls "$out"/Title01.* | head -1)")
  done
done

base=${profiles[0]}
printf "\n%s s title, %d rounds; ratios to \"%s\"\n" "$length" "$rounds" "$base"
printf "%-22s %10s %10s %12s\n" "" "cpu" "wall" "size"
for p in "${profiles[@]}"; do
  printf "%-22s %10.2f %10.2f %12d\n" "$p" "$(awk -v a="${cpu[$p]}" -v b="${cpu[$base]}" 'BEGIN { print a / b }')" \
    "$(awk -v a="${wall[$p]}" -v b="${wall[$base]}" 'BEGIN { print a / b }')" "${size[$p]}"
done
