#!/usr/bin/env bash
# Makes one small DVD-Video folder (OUT/VIDEO_TS) from generated test video:
# ffmpeg test pictures and tones, subtitle pictures muxed in with spumux, authored
# with dvdauthor. Every audio language has its own tone, so a test can tell from a
# converted file which track it got.
set -Eeuo pipefail

me=make-dvd.sh
trap 'echo "$me: error: unexpected failure at line $LINENO" >&2' ERR
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

usage() {
  cat <<EOF
Usage: $me -o OUT [options]
Makes OUT/VIDEO_TS. Lists are comma-separated and used round-robin.
  -o, --out DIR            output folder (replaced when it holds an earlier disc of this script)
  -s, --standard pal|ntsc  TV standard (default pal)
  -a, --aspect 4:3|16:9    display aspect (default 16:9)
  -t, --titlesets N        number of title sets (default 1)
  -n, --titles LIST        titles per title set, e.g. 3,2 (default 1)
  -c, --chapters LIST      chapters per title, counted over all titles (default 3)
  -d, --seconds LIST       seconds per title, counted over all titles (default 6)
  -A, --audio LANGS        audio languages of every title set, e.g. en,fr (default en; "" for none)
  -S, --subs LANGS         subtitle languages of every title set, e.g. en,de (default none)
  -x, --chain-audio S.T=LANGS
                           the chain of title T of title set S declares only these of the
                           title set's audio languages (repeatable), e.g. 1.2=en
  -y, --title-subs S.T=LANGS
                           title T of title set S carries only these subtitle languages
                           (repeatable; "" for none), e.g. 2.1=de
      --noise              noisy moving picture coded near the DVD's highest bit rate
                           (default: clean test picture at 2.5 Mbit/s)
      --channels LIST      AC3 channels per audio language, 1, 2 or 6 (5.1), e.g. 2,6
                           (default 2)
      --level DB           peak of the tone in dBFS in every channel that carries it, e.g. -1
                           (default: about -18, or -21 in each channel of a stereo track)
      --exact-audio        every cell's audio lasts as long as its pictures, to the nearest
                           AC3 frame (default: 0.05 s shorter, and cut early by the encoder)
      --mpeg-audio         MPEG audio (MP2, stereo) instead of AC3
      --scan KIND          how the pictures are made: progressive (default), interlaced (PAL:
                           50 pictures a second woven into 25 interlaced frames, top field
                           first), hard-telecine or soft-telecine (NTSC: film at 23.976 a
                           second with 3:2 pulldown in the stored fields, or as repeat flags)
      --pan                a fast sideways pan without captions, the same picture for the same
                           frame of a title whatever its chapters; OUT/sources.txt tells a test
                           how to make the title's clean progressive picture again
      --program-only S.T=LIST
                           chapters (1-based) of title T of title set S that are programs but
                           no DVD chapters, as on discs whose programs start no chapter
                           (repeatable), e.g. 1.1=2
      --letterbox RATIO    the picture a film of that display aspect (e.g. 2.35) in the middle
                           of the frame, black bars above and below it; with --pan, sources.txt
                           makes the film without its bars
      --flash              a dark picture with a white frame at 1 s, 3 s, 5 s ... and a 1 kHz
                           beep starting on that frame in every audio track, silence otherwise
  -h, --help               this text
Tone of each audio language (Hz): $(tone_table)
EOF
}

die() {
  echo "$me: error: $*" >&2
  exit 1
}

# Audio tones, far enough apart to tell from each other after lossy coding.
tone_of() {
  case "$1" in
    en) echo 500 ;; fr) echo 1000 ;; de) echo 1500 ;; es) echo 2000 ;;
    it) echo 2500 ;; ja) echo 3000 ;; nl) echo 3500 ;; sv) echo 4000 ;;
    *) echo 4500 ;;
  esac
}
tone_table() { echo "en 500, fr 1000, de 1500, es 2000, it 2500, ja 3000, nl 3500, sv 4000, others 4500"; }

lang_name() {
  case "$1" in
    en) echo English ;; fr) echo French ;; de) echo German ;; es) echo Spanish ;;
    it) echo Italian ;; ja) echo Japanese ;; nl) echo Dutch ;; sv) echo Swedish ;;
    *) echo "$1" ;;
  esac
}

# nth LIST INDEX: the INDEX-th (0-based) item of a comma list, round-robin.
nth() {
  local -a items
  IFS=, read -r -a items <<<"$1"
  echo "${items[$(($2 % ${#items[@]}))]}"
}

# run WHAT LOG CMD...: runs a tool with its output in LOG; on failure says which step
# failed and shows the end of the log.
run() {
  local what=$1 log=$2
  shift 2
  if ! "$@" >"$log" 2>&1; then
    echo "$me: error: $what failed; command: $*" >&2
    tail -n 25 "$log" >&2
    exit 1
  fi
}

# Big-endian reads and byte writes on an IFO file, for the chain patch below.
read_be() { # FILE OFFSET COUNT
  local v=0 b
  for b in $(od -An -v -tu1 -j "$2" -N "$3" "$1"); do v=$((v * 256 + b)); done
  echo "$v"
}
zero_bytes() { # FILE OFFSET COUNT
  head -c "$3" /dev/zero | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

all_args=("$@")
out=""
standard=pal
aspect=16:9
titlesets=1
titles=1
chapters=3
seconds=6
audio=en
subs=""
declare -A chain_audio=()
declare -A title_subs=()
declare -A program_only=()
noise=0
channels=2
level=""
exact_audio=0
mpeg_audio=0
scan=progressive
pan=0
flash=0
letterbox=""

while [ $# -gt 0 ]; do
  opt=$1
  case "$opt" in
    --noise) noise=1; shift; continue ;;
    --exact-audio) exact_audio=1; shift; continue ;;
    --mpeg-audio) mpeg_audio=1; shift; continue ;;
    --pan) pan=1; shift; continue ;;
    --flash) flash=1; shift; continue ;;
  esac
  [ $# -ge 2 ] || case "$opt" in -h | --help) ;; *) die "option $opt needs a value (see --help)" ;; esac
  case "$opt" in
    -o | --out) out=$2 ;;
    -s | --standard) standard=$2 ;;
    -a | --aspect) aspect=$2 ;;
    -t | --titlesets) titlesets=$2 ;;
    -n | --titles) titles=$2 ;;
    -c | --chapters) chapters=$2 ;;
    -d | --seconds) seconds=$2 ;;
    -A | --audio) audio=$2 ;;
    -S | --subs) subs=$2 ;;
    --channels) channels=$2 ;;
    --level) level=$2 ;;
    --scan) scan=$2 ;;
    --letterbox) letterbox=$2 ;;
    -x | --chain-audio)
      [[ $2 =~ ^([0-9]+)\.([0-9]+)=(.*)$ ]] || die "--chain-audio wants S.T=LANGS, got '$2'"
      chain_audio["${BASH_REMATCH[1]}.${BASH_REMATCH[2]}"]=${BASH_REMATCH[3]} ;;
    --program-only)
      [[ $2 =~ ^([0-9]+)\.([0-9]+)=([0-9]+(,[0-9]+)*)$ ]] || die "--program-only wants S.T=LIST, got '$2'"
      program_only["${BASH_REMATCH[1]}.${BASH_REMATCH[2]}"]=${BASH_REMATCH[3]} ;;
    -y | --title-subs)
      [[ $2 =~ ^([0-9]+)\.([0-9]+)=(.*)$ ]] || die "--title-subs wants S.T=LANGS, got '$2'"
      title_subs["${BASH_REMATCH[1]}.${BASH_REMATCH[2]}"]=${BASH_REMATCH[3]} ;;
    -h | --help) usage; exit 0 ;;
    *) die "unknown option '$opt' (see --help)" ;;
  esac
  shift 2
done

[ -n "$out" ] || die "no output folder given (-o OUT)"
case "$standard" in
  pal) size=720x576 rate=25 fmt=PAL ;;
  ntsc) size=720x480 rate=30000/1001 fmt=NTSC ;;
  *) die "standard must be pal or ntsc, got '$standard'" ;;
esac
case "$scan" in
  progressive) ;;
  interlaced) [ "$standard" = pal ] || die "--scan interlaced is made for PAL" ;;
  hard-telecine | soft-telecine) [ "$standard" = ntsc ] || die "--scan $scan is made for NTSC" ;;
  *) die "--scan must be progressive, interlaced, hard-telecine or soft-telecine, got '$scan'" ;;
esac
[ $((pan + flash)) -le 1 ] || die "--pan and --flash exclude each other"
[ $flash -eq 0 ] || [ "$scan" = progressive ] || die "--flash is made progressive"
# The rate the pictures are made at: film is made at its own and given 3:2 pulldown.
src_rate=$rate
case "$scan" in interlaced) src_rate=50 ;; *telecine) src_rate=24000/1001 ;; esac
[ "$scan" != soft-telecine ] || command -v mencoder >/dev/null || die "--scan soft-telecine needs mencoder"
case "$aspect" in 4:3) sub_mode=normal ;; 16:9) sub_mode=widescreen ;; *) die "aspect must be 4:3 or 16:9, got '$aspect'" ;; esac
[[ $titlesets =~ ^[1-9][0-9]*$ ]] || die "title sets must be a positive number, got '$titlesets'"
for l in titles chapters seconds; do
  [[ ${!l} =~ ^[1-9][0-9]*(,[1-9][0-9]*)*$ ]] || die "--$l wants a list of positive numbers, got '${!l}'"
done
langs_re='^([a-z][a-z](,[a-z][a-z])*)?$'
[[ $audio =~ $langs_re ]] || die "--audio wants two-letter codes such as en,fr; got '$audio'"
[[ $subs =~ $langs_re ]] || die "--subs wants two-letter codes such as en,de; got '$subs'"
IFS=, read -r -a audio_langs <<<"$audio"
IFS=, read -r -a sub_langs <<<"$subs"
[ ${#audio_langs[@]} -le 8 ] || die "a title set holds at most 8 audio streams"
[ ${#sub_langs[@]} -le 32 ] || die "a title set holds at most 32 subtitle streams"
[[ $channels =~ ^[126](,[126])*$ ]] || die "--channels wants a list of 1, 2 or 6, got '$channels'"
if [ -n "$level" ]; then
  [[ $level =~ ^-?[0-9]+(\.[0-9]+)?$ ]] && awk -v l="$level" 'BEGIN { exit !(l <= 0 && l >= -60) }' ||
    die "--level wants dBFS from -60 to 0, e.g. -1; got '$level'"
fi

# in_list ITEM LIST: whether ITEM is one of the comma list's items.
in_list() { [[ ,$2, == *",$1,"* ]]; }
for key in "${!chain_audio[@]}" "${!title_subs[@]}"; do
  s=${key%.*} t=${key#*.}
  if ! { [ "$s" -ge 1 ] && [ "$s" -le "$titlesets" ] && [ "$t" -ge 1 ] && [ "$t" -le "$(nth "$titles" $((s - 1)))" ]; }; then
    die "title $key does not exist on this disc"
  fi
done
for key in "${!chain_audio[@]}"; do
  IFS=, read -r -a wanted <<<"${chain_audio[$key]}"
  for l in "${wanted[@]}"; do in_list "$l" "$audio" || die "--chain-audio $key: '$l' is not one of the audio languages ($audio)"; done
done
for key in "${!title_subs[@]}"; do
  IFS=, read -r -a wanted <<<"${title_subs[$key]}"
  for l in "${wanted[@]}"; do in_list "$l" "$subs" || die "--title-subs $key: '$l' is not one of the subtitle languages ($subs)"; done
done

for tool in ffmpeg dvdauthor spumux od dd; do
  command -v "$tool" >/dev/null || die "'$tool' is not installed (scripts/setup.sh installs it)"
done
have_font=0
[ -f "$font" ] && have_font=1

# Refuse to replace a folder this script did not make.
if [ -e "$out" ]; then
  [ -d "$out" ] || die "'$out' exists and is not a folder"
  if [ -n "$(ls -A "$out")" ] && [ ! -e "$out/.make-dvd" ]; then
    die "'$out' is not empty and holds no disc made by $me; not replacing it"
  fi
fi
mkdir -p "$(dirname "$out")"
work=$(mktemp -d "$(dirname "$out")/.make-dvd.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src"

# Subtitle pictures: one per chapter, white text with a black edge on transparent,
# cut to three colours because a DVD subpicture has at most four.
make_sub_pictures() { # PREFIX TEXT COUNT
  local bin="if(gt(alpha(X,Y),127),if(gt(CH(X,Y),127),255,0),0)"
  local text=$2
  [ $have_font -eq 1 ] || die "subtitles need the font $font (package fonts-dejavu-core)"
  run "making subtitle pictures" "$work/src/log.txt" \
    ffmpeg -nostdin -hide_banner -y -f lavfi \
    -i "color=c=black@0.0:s=$size:r=1:d=$3,format=rgba,drawtext=fontfile=$font:text='$text %{eif\:n+1\:d}':fontsize=36:fontcolor=white:borderw=3:bordercolor=black:x=(w-tw)/2:y=h-110,geq=r='${bin//CH/r}':g='${bin//CH/g}':b='${bin//CH/b}':a='if(gt(alpha(X,Y),127),255,0)'" \
    -frames:v "$3" "$1_%d.png"
}

xml=$work/dvd.xml
{
  echo "<dvdauthor dest=\"$work/disc\">"
  echo " <vmgm><fpc>jump title 1;</fpc></vmgm>"
} >"$xml"

global=0 # title index over the whole disc
for ((s = 1; s <= titlesets; s++)); do
  n=$(nth "$titles" $((s - 1)))
  {
    echo " <titleset>"
    echo "  <titles>"
    echo "   <video format=\"${standard}\" aspect=\"$aspect\"/>"
    for l in "${audio_langs[@]}"; do echo "   <audio lang=\"$l\"/>"; done
    # Naming the stream ids keeps a title that carries only some subtitle streams
    # from having them moved up into the first slots of its chain.
    for ((k = 0; k < ${#sub_langs[@]}; k++)); do
      echo "   <subpicture lang=\"${sub_langs[$k]}\"><stream id=\"$k\" mode=\"$sub_mode\"/></subpicture>"
    done
  } >>"$xml"
  for ((t = 1; t <= n; t++)); do
    secs=$(nth "$seconds" $global)
    chaps=$(nth "$chapters" $global)
    global=$((global + 1))
    [ "$chaps" -le "$secs" ] || die "title $s.$t: $chaps chapters do not fit in $secs seconds"
    base=$work/src/ts${s}_t${t}
    key="$s.$t"
    carried=$subs
    [ -z "${title_subs[$key]+x}" ] || carried=${title_subs[$key]}
    for ((k = 0; k < ${#sub_langs[@]}; k++)); do
      l=${sub_langs[$k]}
      in_list "$l" "$carried" || continue
      make_sub_pictures "$base.sub_$l" "$(lang_name "$l") subtitle, title $global, chapter" "$chaps"
    done

    # One file per chapter: a chapter then starts exactly where its file does,
    # instead of at whichever picture group dvdauthor finds nearest to a time.
    # Frames are counted at the rate the pictures are made at; a chapter holds whole frames
    # of the disc: pairs of pictures woven together, groups of four film frames with their
    # pulldown.
    sframes=$(awk -v s="$secs" -v r="$src_rate" 'BEGIN { split(r, q, "/"); if (!q[2]) q[2] = 1; printf "%d", s * q[1] / q[2] + 0.5 }')
    group=1
    case "$scan" in interlaced) group=2 ;; *telecine) group=4 ;; esac
    sframes=$((sframes / group * group))
    w=${size%x*} h=${size#*x}
    # The film's lines, even, in the middle of the frame.
    film=""
    if [ -n "$letterbox" ]; then
      fh=$(awk -v h="$h" -v a="$aspect" -v r="$letterbox" 'BEGIN { split(a, q, ":"); printf "%d", 2 * int(h * q[1] / q[2] / r / 2 + 0.5) }')
      film=",scale=$w:$fh,pad=$w:$h:0:$(((h - fh) / 2)):black"
    fi
    if [ $pan -eq 1 ]; then
      # About 400 pixels a second whatever the rate; the picture is three frames wide.
      step=$(awk -v r="$src_rate" 'BEGIN { split(r, q, "/"); if (!q[2]) q[2] = 1; printf "%d", 400 / (q[1] / q[2]) + 0.5 }')
      graph="testsrc2=size=$((3 * w))x$h:rate=$src_rate,crop=$w:$h:x='mod(n*$step\,$((2 * w)))':y=0"
      echo "TITLE $global RATE $src_rate FRAMES $sframes GRAPH $graph${film%%,pad=*}" >>"$work/sources.txt"
    fi
    echo "   <pgc>" >>"$xml"
    sfirst=0
    # A sync picture is one file, so that its sound's time stamps run on without a step at a
    # cell (a separate file per chapter starts its sound on a whole AC3 frame); dvdauthor
    # puts the chapters at the nearest group of pictures.
    files=$chaps marks=0
    if [ $flash -eq 1 ]; then
      files=1
      for ((c = 1; c < chaps; c++)); do
        marks="$marks,$(awk -v a="$((sframes * c / chaps))" -v r="$rate" 'BEGIN { split(r, q, "/"); if (!q[2]) q[2] = 1; printf "%.3f", a * q[2] / q[1] }')"
      done
    fi
    for ((c = 1; c <= files; c++)); do
      slast=$((sframes * c / files / group * group))
      scount=$((slast - sfirst))
      # The same span in frames of the disc.
      case "$scan" in
        interlaced) first=$((sfirst / 2)) last=$((slast / 2)) ;;
        *telecine) first=$((sfirst * 5 / 4)) last=$((slast * 5 / 4)) ;;
        *) first=$sfirst last=$slast ;;
      esac
      count=$((last - first))
      read -r cstart clen < <(awk -v a="$first" -v n="$count" -v r="$rate" \
        'BEGIN { split(r, q, "/"); if (!q[2]) q[2] = 1; printf "%.4f %.4f\n", a * q[2] / q[1], n * q[2] / q[1] }')
      file=$base.c$c.mpg
      vf="drawtext=fontfile=$font:text='Title $global  (set $s, title $t)':fontsize=40:fontcolor=white:box=1:boxcolor=black@0.6:x=(w-tw)/2:y=60"
      vf="$vf,drawtext=fontfile=$font:text='Chapter $c   %{pts\:hms\:$cstart}':fontsize=32:fontcolor=yellow:box=1:boxcolor=black@0.6:x=(w-tw)/2:y=120"
      [ $have_font -eq 1 ] || vf=null
      if [ $noise -eq 1 ]; then
        # Film grain style noise that changes every picture defeats motion prediction, so
        # the encoder runs at the bit rate ceiling as a busy real film does.
        src="testsrc2=size=$size:rate=$src_rate,noise=alls=25:allf=t+u"
        vrate=(-b:v 7500k -maxrate 9000k -bufsize 1835k -threads 2)
      else
        src="testsrc=size=$size:rate=$src_rate"
        vrate=(-b:v 2500k -maxrate 5000k)
      fi
      if [ $pan -eq 1 ]; then
        # The title's frames from this chapter's first on; no captions, so a test can make
        # the same picture again from sources.txt.
        src="$graph"
        [ $noise -eq 0 ] || src="$src,noise=alls=25:allf=t+u"
        src="$src,trim=start_frame=$sfirst,setpts=PTS-STARTPTS"
        vf=null
        vrate=(-b:v 7500k -maxrate 9000k -bufsize 1835k -threads 2)
      elif [ $flash -eq 1 ]; then
        # A white frame every other second of the disc's frames (every 60 frames on NTSC, 2.002 s).
        period=$(awk -v r="$rate" 'BEGIN { split(r, q, "/"); if (!q[2]) q[2] = 1; printf "%d", 2 * q[1] / q[2] + 0.5 }')
        rate_num=${rate%/*} rate_den=1
        [ "$rate" = "${rate#*/}" ] || rate_den=${rate#*/}
        src="color=c=0x202020:s=$size:r=$src_rate,format=yuv420p,geq=lum='if(eq(mod(N+$first-$((period / 2)),$period),0),235,32)':cb=128:cr=128"
        vf=null
      fi
      if [ $exact_audio -eq 1 ]; then
        # -frames:v would close the file while audio still waits in the encoder, so the
        # pictures end by themselves. The audio is cut on whole AC3 frames (32 ms) counted
        # from the title start, so a cell is off by at most one frame and the title's end
        # by at most half of one.
        src="$src,trim=end_frame=$scount"
        vcount=()
        # An MPEG audio frame holds 1152 samples, an AC3 frame 1536.
        fs=1536
        [ $mpeg_audio -eq 0 ] || fs=1152
        adur=$(awk -v a="$((last - count))" -v b="$last" -v r="$rate" -v fs="$fs" 'BEGIN { split(r, q, "/"); if (!q[2]) q[2] = 1
          f = 48000 / fs * q[2] / q[1]; printf "%.3f", (int(b * f + 0.5) - int(a * f + 0.5)) * fs / 48000 }')
      else
        vcount=(-frames:v "$count")
        # Audio a little shorter than the pictures, so the cell ends with the last picture.
        adur=$(awk -v d="$clen" 'BEGIN { printf "%.3f", d - 0.05 }')
      fi
      sfirst=$slast
      # How the fields are stored: woven from 50 pictures, or film given 3:2 pulldown.
      scanf=() vscan=()
      case "$scan" in
        interlaced) scanf=(",interlace=scan=tff:lowpass=0") vscan=(-flags +ilme+ildct -top 1) ;;
        hard-telecine) scanf=(",telecine=first_field=top:pattern=23") vscan=(-flags +ilme+ildct -top 1) ;;
      esac
      vsrc=$src$film,$vf${scanf[*]}
      if [ "$scan" = soft-telecine ]; then
        # MEncoder writes film frames with repeat flags (ffmpeg cannot); the sound is added
        # by ffmpeg without touching the pictures.
        run "making film of title $s.$t chapter $c" "$base.log" \
          ffmpeg -nostdin -hide_banner -y -f lavfi -i "$vsrc" -frames:v "$scount" -c:v ffv1 "$base.c$c.film.mkv"
        run "pulldown flags for title $s.$t chapter $c" "$base.log" \
          mencoder "$base.c$c.film.mkv" -really-quiet -of mpeg -mpegopts format=dvd:tsaf:telecine -ofps 24000/1001 \
          -ovc lavc -lavcopts "vcodec=mpeg2video:vrc_buf_size=1835:vrc_maxrate=9000:vbitrate=6000:keyint=12:aspect=${aspect/:/\/}" \
          -nosound -o "$base.c$c.m2v.mpg"
        vin=(-i "$base.c$c.m2v.mpg")
      else
        vin=(-f lavfi -i "$vsrc")
      fi
      args=(ffmpeg -nostdin -hide_banner -y "${vin[@]}")
      maps=(-map 0:v)
      per_stream=()
      i=1
      for l in "${audio_langs[@]}"; do
        ch=$(nth "$channels" $((i - 1)))
        tone="sine=frequency=$(tone_of "$l"):sample_rate=48000:duration=$adur"
        if [ $flash -eq 1 ]; then
          # A 1 kHz beep from the flash frame's own instant, one frame long.
          tone="aevalsrc='if(lt(mod(t*$rate_num/$rate_den-$((period / 2)),$period),1),0.5*sin(2*PI*1000*t),0)':s=48000:d=$adur"
        fi
        # The sine source peaks at 1/8 of full scale.
        [ -z "$level" ] || tone="$tone,volume=$(awk -v l="$level" 'BEGIN { printf "%.2f", l + 20 * log(8) / log(10) }')dB"
        case $ch in
          1) per_stream+=(-ac:a:$((i - 1)) 1) ;;
          # Without a level the stereo track stays as before: ffmpeg spreads the tone 3 dB lower.
          2) [ -z "$level" ] || tone="$tone,pan=stereo|c0=c0|c1=c0" ;;
          # Surrounds a little quieter, no LFE, as a film mix might have it.
          6)
            tone="$tone,pan=5.1|FL=c0|FR=c0|FC=c0|BL=0.5*c0|BR=0.5*c0"
            per_stream+=(-ac:a:$((i - 1)) 6 -b:a:$((i - 1)) 448k) ;;
        esac
        args+=(-f lavfi -i "$tone")
        maps+=(-map "$i:a")
        i=$((i + 1))
      done
      [ $mpeg_audio -eq 0 ] || per_stream+=(-c:a mp2)
      if [ "$scan" = soft-telecine ]; then
        args+=("${maps[@]}" -c:v copy -c:a ac3 -ac 2 -b:a 192k "${per_stream[@]}" -f dvd -muxrate 10080000 -packetsize 2048 "$file")
      else
        args+=("${maps[@]}" "${vcount[@]}" -target "$standard-dvd" -aspect "$aspect"
          "${vrate[@]}" "${vscan[@]}" -ac 2 -b:a 192k "${per_stream[@]}" "$file")
      fi
      run "encoding title $s.$t chapter $c" "$base.log" "${args[@]}"

      # Subtitle streams keep the title set's stream numbers, so a title that carries
      # only some of them leaves gaps in its own chain.
      for ((k = 0; k < ${#sub_langs[@]}; k++)); do
        l=${sub_langs[$k]}
        in_list "$l" "$carried" || continue
        spu=$base.c$c.$l.xml
        awk -v d="$clen" -v f="$fmt" -v img="$base.sub_${l}_$c.png" 'BEGIN {
          printf "<subpictures format=\"%s\"><stream><spu start=\"00:00:00.20\" end=\"00:00:%05.2f\" image=\"%s\"/></stream></subpictures>\n",
                 f, d - 0.3, img }' >"$spu"
        if ! spumux -s "$k" "$spu" <"$file" >"$file.spu" 2>"$base.spu.log"; then
          echo "$me: error: muxing $l subtitles into title $s.$t chapter $c failed (spumux)" >&2
          tail -n 25 "$base.spu.log" >&2
          exit 1
        fi
        mv "$file.spu" "$file"
      done
      if [ $files -gt 1 ] && in_list "$c" "${program_only[$key]-}"; then
        echo "    <vob file=\"$file\"><cell start=\"0\" chapter=\"0\" program=\"1\"/></vob>" >>"$xml"
      else
        echo "    <vob file=\"$file\" chapters=\"$marks\"/>" >>"$xml"
      fi
    done
    echo "   </pgc>" >>"$xml"
  done
  echo "  </titles>" >>"$xml"
  echo " </titleset>" >>"$xml"
done
echo "</dvdauthor>" >>"$xml"

VIDEO_FORMAT=$fmt run "authoring (dvdauthor)" "$work/dvdauthor.log" dvdauthor -x "$xml"

# dvdauthor marks every audio stream of a title set as present in every chain; clear
# the flags a chain should not have, in the IFO and its backup copy.
for key in "${!chain_audio[@]}"; do
  s=${key%.*} t=${key#*.}
  keep=${chain_audio[$key]}
  for f in "$work"/disc/VIDEO_TS/VTS_$(printf %02d "$s")_0.{IFO,BUP}; do
    [ -f "$f" ] || die "dvdauthor wrote no $(basename "$f")"
    p=$(($(read_be "$f" 204 4) * 2048))
    b=$((p + $(read_be "$f" $((p + 12 + 8 * (t - 1))) 4)))
    for ((k = 0; k < ${#audio_langs[@]}; k++)); do
      in_list "${audio_langs[$k]}" "$keep" || zero_bytes "$f" $((b + 12 + 2 * k)) 2
    done
  done
done

# A disc is complete when the manager and every title set file are there.
v=$work/disc/VIDEO_TS
[ -s "$v/VIDEO_TS.IFO" ] || die "dvdauthor wrote no VIDEO_TS.IFO"
for ((s = 1; s <= titlesets; s++)); do
  ss=$(printf %02d "$s")
  if [ ! -s "$v/VTS_${ss}_0.IFO" ] || [ ! -s "$v/VTS_${ss}_1.VOB" ]; then
    die "dvdauthor wrote no complete title set $ss"
  fi
done

rm -rf "$out"
mv "$work/disc" "$out"
[ ! -f "$work/sources.txt" ] || mv "$work/sources.txt" "$out/sources.txt"
# Records how the disc was made (this script's checksum and the options); the set-up
# compares it to skip discs already made.
echo "$(cksum <"${BASH_SOURCE[0]}") ${all_args[*]}" >"$out/.make-dvd"
