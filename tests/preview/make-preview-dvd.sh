#!/usr/bin/env bash
# Makes the preview's test disc, DEST/preview-dvd/VIDEO_TS: one title set with
#   Title01  12 s, chapters at 0, 4 and 8 s
#   Title02   6 s, chapters at 0 and 3 s
# Unlike the discs of tests/dvds (one file per chapter, time stamps restarting in every
# cell), each title here is one continuous MPEG stream, as authoring tools usually write
# them: mpv's DVD seeking and position depend on that. Every picture shows its time.
# Usage: make-preview-dvd.sh DEST
set -Eeuo pipefail
me=make-preview-dvd.sh
[ $# -eq 1 ] || { echo "usage: $me DEST" >&2; exit 2; }
out=$1/preview-dvd
stamp="$(cksum <"$0")"
if [ -f "$out/.made" ] && [ "$(cat "$out/.made")" = "$stamp" ] && [ -s "$out/VIDEO_TS/VIDEO_TS.IFO" ]; then
  echo "preview-dvd: already made"
  exit 0
fi
for tool in ffmpeg dvdauthor; do
  command -v $tool >/dev/null || { echo "$me: error: $tool is missing" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# title seconds; a GOP of 5 pictures (0.2 s) puts a navigation unit on every chapter start
make_title() {
  local vf="testsrc=size=720x576:rate=25"
  [ -f "$font" ] && vf="$vf,drawtext=fontfile=$font:text='Title $1   %{pts\:hms}':fontsize=44:fontcolor=white:box=1:boxcolor=black@0.6:x=(w-tw)/2:y=80"
  ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "$vf" \
    -f lavfi -i "sine=frequency=500:sample_rate=48000:duration=$2" -map 0:v -map 1:a \
    -frames:v $(($2 * 25)) -target pal-dvd -aspect 16:9 -g 5 -sc_threshold 1000000000 -flags +cgop \
    -b:v 2500k -ac 2 -b:a 192k "$work/t$1.mpg"
}
make_title 1 12
make_title 2 6
cat >"$work/dvd.xml" <<XML
<dvdauthor dest="$work/disc">
 <vmgm><fpc>jump title 1;</fpc></vmgm>
 <titleset>
  <titles>
   <video format="pal" aspect="16:9"/>
   <audio lang="en"/>
   <pgc><vob file="$work/t1.mpg" chapters="0,4,8"/></pgc>
   <pgc><vob file="$work/t2.mpg" chapters="0,3"/></pgc>
  </titles>
 </titleset>
</dvdauthor>
XML
if ! VIDEO_FORMAT=PAL dvdauthor -x "$work/dvd.xml" >"$work/dvdauthor.log" 2>&1; then
  echo "$me: error: dvdauthor failed" >&2
  tail -n 20 "$work/dvdauthor.log" >&2
  exit 1
fi
rm -rf "$out"
mkdir -p "$out"
mv "$work/disc/VIDEO_TS" "$out/VIDEO_TS"
echo "$stamp" >"$out/.made"
echo "preview-dvd: made in $out"
