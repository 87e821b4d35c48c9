#!/usr/bin/env bash
# Times `quarnel --scan` against `lsdvd -x` on the same 99-title DVD folder, runs of the two
# interleaved (the order swapped every round), and prints both means and their ratio. The
# program's bare start (`quarnel --help`, which loads its libraries, QtCore first, and returns)
# is timed in the same rounds, to tell start-up from reading the disc.
# Usage: bench/scan_bench.sh [RUNS]   (default 100; BUILD=folder picks another build, default build/)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${BUILD:-$root/build}
runs=${1:-100}
warmup=5
quarnel=$build/bin/quarnel
disc=$build/bench-dvds/titles99

die() { echo "scan_bench.sh: $*" >&2; exit 1; }
[ -x "$quarnel" ] || die "no $quarnel; build first (scripts/build.sh)"
command -v lsdvd >/dev/null || die "lsdvd is not installed (scripts/setup.sh installs it)"
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || die "RUNS must be a positive number"

# 3 title sets of 33 titles, 1 to 3 chapters each, two audio languages and a subtitle.
args=(-o "$disc" -s pal -a 16:9 -t 3 -n 33 -c 2,3,1 -d 2,3,4 -A en,fr -S en)
stamp="$(cksum <"$root/tests/dvds/make-dvd.sh") ${args[*]}"
if [ -s "$disc/VIDEO_TS/VIDEO_TS.IFO" ] && [ "$(cat "$disc/.make-dvd" 2>/dev/null)" = "$stamp" ]; then
  echo "Reusing $disc"
else
  echo "Making the 99-title DVD in $disc (a few minutes)..."
  "$root/tests/dvds/make-dvd.sh" "${args[@]}"
fi

# Both must read the whole disc before their times mean anything.
ours_titles=$("$quarnel" --scan "$disc" | grep -c '"ShortName"')
lsdvd_titles=$(lsdvd -x "$disc" 2>/dev/null | grep -c '^Title: ')
[ "$ours_titles" = 99 ] || die "quarnel --scan reports $ours_titles titles, expected 99"
[ "$lsdvd_titles" = 99 ] || die "lsdvd reports $lsdvd_titles titles, expected 99"

run_ours() { "$quarnel" --scan "$disc" >/dev/null; }
run_lsdvd() { lsdvd -x "$disc" >/dev/null 2>&1; }
run_start() { "$quarnel" --help >/dev/null; }

for ((i = 0; i < warmup; i++)); do run_ours; run_lsdvd; run_start; done

ours_ns=0
lsdvd_ns=0
start_ns=0
for ((i = 0; i < runs; i++)); do
  if ((i % 2 == 0)); then
    t0=$(date +%s%N); run_ours; t1=$(date +%s%N); run_lsdvd; t2=$(date +%s%N)
    ours_ns=$((ours_ns + t1 - t0)); lsdvd_ns=$((lsdvd_ns + t2 - t1))
  else
    t0=$(date +%s%N); run_lsdvd; t1=$(date +%s%N); run_ours; t2=$(date +%s%N)
    lsdvd_ns=$((lsdvd_ns + t1 - t0)); ours_ns=$((ours_ns + t2 - t1))
  fi
  t0=$(date +%s%N); run_start; t1=$(date +%s%N)
  start_ns=$((start_ns + t1 - t0))
done

awk -v o="$ours_ns" -v l="$lsdvd_ns" -v s="$start_ns" -v n="$runs" 'BEGIN {
  printf "99 titles, %d runs each, interleaved\n", n
  printf "quarnel --scan            mean %8.2f ms\n", o / n / 1e6
  printf "lsdvd -x                  mean %8.2f ms\n", l / n / 1e6
  printf "quarnel --help (start-up) mean %8.2f ms\n", s / n / 1e6
  printf "ratio (quarnel / lsdvd): %.2f\n", o / l
}'
