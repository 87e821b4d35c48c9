#!/usr/bin/env bash
# Makes the named test DVDs (DEST/<name>/VIDEO_TS) with make-dvd.sh or, for the discs shaped
# like bought ones, make-real-dvd.py (DEST/<name>/truth.json too). A disc already made by the
# same script with the same options is kept, so a second run takes no time.
# Usage: make-test-dvds.sh DEST [NAME...]   (no names: every test disc, not the sample)
set -Eeuo pipefail
trap 'echo "make-test-dvds.sh: error: unexpected failure at line $LINENO" >&2' ERR

here=$(cd "$(dirname "$0")" && pwd)
me=make-test-dvds.sh

# name | titles lsdvd must report | make-dvd.sh options. tests/dvds/README.md describes them.
discs=(
  "pal-simple|1|-s pal -a 16:9 -t 1 -n 1 -c 3 -d 6 -A en"
  "ntsc-multi|5|-s ntsc -a 4:3 -t 2 -n 3,2 -c 3,2,1 -d 6,4,3 -A en,fr -S en,de"
  "pal-twolang|3|-s pal -a 4:3 -t 1 -n 3 -c 2 -d 4 -A en,fr -S en,de -x 1.2=en -x 1.3=fr -y 1.2=de -y 1.3="
  "pal-threelang|2|-s pal -a 16:9 -t 1 -n 2 -c 1 -d 3 -A en,fr,de -x 1.2=en,de"
  "many-titles|12|-s pal -a 16:9 -t 2 -n 7,5 -c 2,3,1 -d 2,3,4 -A en"
  "pal-long|1|-s pal -a 16:9 -t 1 -n 1 -c 1 -d 30 -A en"
  "pal-real|2|-s pal -a 16:9 -t 1 -n 2 -c 3,2 -d 20,12 -A en --channels 1 --noise --level -1 --exact-audio -S en"
  "ntsc-real|2|-s ntsc -a 4:3 -t 1 -n 2 -c 3,2 -d 15,10 -A en,fr --channels 2,6 --noise --exact-audio -S en,de"
  "pal-mpeg|1|-s pal -a 4:3 -t 1 -n 1 -c 2 -d 10 -A en --mpeg-audio --noise --exact-audio"
  "pal-interlaced|1|-s pal -a 16:9 -t 1 -n 1 -c 3 -d 20 -A en --pan --scan interlaced --exact-audio"
  "ntsc-hard-film|1|-s ntsc -a 4:3 -t 1 -n 1 -c 3 -d 20 -A en --pan --scan hard-telecine --exact-audio"
  "ntsc-soft-film|1|-s ntsc -a 16:9 -t 1 -n 1 -c 3 -d 20 -A en,fr --channels 6,2 --pan --scan soft-telecine --exact-audio"
  "pal-pan|1|-s pal -a 16:9 -t 1 -n 1 -c 3 -d 20 -A en --pan --exact-audio"
  "pal-scope|1|-s pal -a 16:9 -t 1 -n 1 -c 2 -d 8 -A en --pan --letterbox 2.35 --exact-audio"
  "pal-programs|1|-s pal -a 16:9 -t 1 -n 1 -c 3 -d 18 -A en --pan --exact-audio --program-only 1.1=2"
  "pal-sync|1|-s pal -a 4:3 -t 1 -n 1 -c 2 -d 12 -A en --flash --exact-audio"
  "ntsc-sync|1|-s ntsc -a 4:3 -t 1 -n 1 -c 2 -d 12 -A en --flash --exact-audio"
  "sample-dvd|3|-s pal -a 16:9 -t 1 -n 3 -c 4,2,6 -d 24,12,36 -A en,fr -S en,de"
)
# name | titles lsdvd must report. make-real-dvd.py holds their plans.
real_discs=(
  "pal-film-open|1"
  "pal-interlaced-open|1"
  "ntsc-interlaced-open|1"
  "ntsc-hybrid|3"
  "ntsc-soft-open|1"
  "pal-out-of-order|1"
  "pal-loud|2"
)

[ $# -ge 1 ] || { echo "usage: $me DEST [NAME...]" >&2; exit 2; }
dest=$1
shift
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for d in "${discs[@]}" "${real_discs[@]}"; do
    n=${d%%|*}
    [ "$n" = sample-dvd ] || names+=("$n")
  done
fi

mkdir -p "$dest"
for name in "${names[@]}"; do
  entry="" maker=""
  for d in "${discs[@]}"; do [ "${d%%|*}" = "$name" ] && entry=$d maker=make-dvd.sh; done
  for d in "${real_discs[@]}"; do [ "${d%%|*}" = "$name" ] && entry=$d maker=make-real-dvd.py; done
  [ -n "$entry" ] || { echo "$me: error: no test DVD named '$name'" >&2; exit 2; }
  rest=${entry#*|}
  want_titles=${rest%%|*}
  out=$dest/$name
  # The stamp each script leaves in the disc: its own checksum and the options.
  if [ "$maker" = make-dvd.sh ]; then
    read -r -a opts <<<"${rest#*|}"
    args=(-o "$out" "${opts[@]}")
    stamp_file=$out/.make-dvd
    stamp="$(cksum <"$here/make-dvd.sh") ${args[*]}"
  else
    args=("$name" -o "$out")
    stamp_file=$out/.make-real-dvd
    stamp="$(cksum <"$here/make-real-dvd.py") $name"
    args+=(--stamp "$stamp")
  fi

  if [ -f "$stamp_file" ] && [ "$(cat "$stamp_file")" = "$stamp" ] && [ -s "$out/VIDEO_TS/VIDEO_TS.IFO" ]; then
    echo "$name: already made"
    continue
  fi
  start=$SECONDS
  "$here/$maker" "${args[@]}"

  # lsdvd reads the disc independently of our own parser; the title count is a cheap
  # check that dvdauthor wrote what was asked.
  if command -v lsdvd >/dev/null; then
    got=$(lsdvd "$out" 2>/dev/null | grep -c '^Title: ' || true)
    if [ "$got" != "$want_titles" ]; then
      echo "$me: error: $name: lsdvd reports $got titles, expected $want_titles" >&2
      rm -f "$stamp_file"
      exit 1
    fi
  fi
  echo "$name: made in $((SECONDS - start)) s"
done
