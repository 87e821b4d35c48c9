#!/usr/bin/env bash
# Usage: installed-program.sh BUILD_DIR   (QUARNEL_TEST_DVDS names the test discs)
set -euo pipefail
build=$1
dvds=${QUARNEL_TEST_DVDS:?QUARNEL_TEST_DVDS names the test DVDs}
fail() { echo "FAIL: $*" >&2; exit 1; }

tmp=$(mktemp -d)
root=$tmp/root
cleanup() { chmod -R u+w "$tmp" 2>/dev/null || true; rm -rf "$tmp"; }
trap cleanup EXIT

DESTDIR=$root cmake --install "$build" --prefix /usr >"$tmp/install.log" || { cat "$tmp/install.log"; fail "cmake --install"; }
prog=$root/usr/lib/quarnel
for f in usr/bin/quarnel usr/lib/quarnel/quarnel usr/lib/quarnel/quarnel-window usr/lib/quarnel/Preferences.ini \
         "usr/lib/quarnel/Profiles/MP4 - H.264 Video.apf" usr/lib/quarnel/help/index.html \
         usr/share/applications/quarnel.desktop usr/share/metainfo/io.github.quarnel.Quarnel.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/quarnel.svg usr/share/icons/hicolor/48x48/apps/quarnel.png; do
  [ -e "$root/$f" ] || fail "not installed: $f"
done
[ "$(readlink "$prog/asapi.dll")" = "$(command -v mencoder)" ] || fail "asapi.dll does not link to mencoder"
# Every installed path is in the manifest (an uninstall from it leaves nothing behind), and
# the programs are stripped.
manifest=$build/install_manifest.txt
while IFS= read -r -d '' f; do
  grep -qxF "${f#"$root"}" "$manifest" || fail "not in install_manifest.txt: ${f#"$root"}"
done < <(find "$root" \( -type f -o -type l \) -print0)
for f in "$prog/quarnel" "$prog/quarnel-window"; do
  file "$f" | grep -q "not stripped" && fail "not stripped: $f"
done
[ -f "$root/usr/share/doc/quarnel/copyright" ] || fail "no copyright file"
[ "$(readlink "$prog/wmaspi.dll")" = "$(command -v ffmpeg)" ] || fail "wmaspi.dll does not link to ffmpeg"

desktop-file-validate "$root/usr/share/applications/quarnel.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.quarnel.Quarnel.metainfo.xml" || fail "metainfo"

# Nobody may write into the install tree; root could all the same, so whatever appears
# in it after this point is found by its time.
chmod -R a-w "$root"
touch "$tmp/stamp"
sleep 1

home=$tmp/home
mkdir -p "$home" "$tmp/out"
run() {
  env -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME -u XDG_CONFIG_DIRS -u XDG_DATA_DIRS \
      -u XDG_RUNTIME_DIR HOME="$home" "$root/usr/bin/quarnel" "$@"
}

run --scan "$dvds/pal-simple" >"$tmp/scan.json" || fail "--scan"
grep -q '"chapters"' "$tmp/scan.json" || grep -q -i 'chapter' "$tmp/scan.json" || fail "--scan printed no chapters"

# A watcher notes the intermediate while it is there (it is deleted at the end of the run).
( while :; do
    [ -n "$(ls -A "$home/.cache/quarnel" 2>/dev/null)" ] && { touch "$tmp/saw-intermediate"; break; }
    sleep 0.05
  done ) &
watcher=$!
run --convert "$dvds/pal-simple" --output "$tmp/out" --profile "MP4 - H.264 Video" \
    --entries Title01-Chapter01 --if-exists overwrite 2>"$tmp/convert.log" || { cat "$tmp/convert.log"; fail "--convert"; }
kill "$watcher" 2>/dev/null || true
wait "$watcher" 2>/dev/null || true

[ -s "$tmp/out/Title01-Chapter01.mp4" ] || { ls -la "$tmp/out"; fail "no output file"; }
[ -f "$home/.config/quarnel/Preferences.ini" ] || fail "no Preferences.ini in the config folder"
[ -f "$home/.config/quarnel/Profiles/MP4 - H.264 Video.apf" ] || fail "no profiles in the config folder"
[ -e "$tmp/saw-intermediate" ] || fail "the intermediate was not made in the cache folder"
# The window program starts too (offscreen), on the same disc, and keeps running.
status=0
(cd "$tmp" && QT_QPA_PLATFORM=offscreen timeout 8 bash -c "$(declare -f run); home='$home'; root='$root'; run '$dvds/pal-simple'") \
  >"$tmp/window.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || { cat "$tmp/window.log"; fail "the installed window program ended with status $status"; }

written=$(find "$root" -newer "$tmp/stamp")
[ -z "$written" ] || fail "written into the install tree: $written"
# The .deb: the tools and the libraries it runs with are its dependencies, and it holds the
# same program, which runs from it.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/deb" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; fail "cpack"; }
deb=$(ls "$tmp"/deb/quarnel_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for p in mencoder ffmpeg libqt6widgets6 libqt6core6 libdvdread8 libmpv; do
  [[ "$depends" == *"$p"* ]] || fail "the .deb does not depend on $p: $depends"
done
dpkg-deb -x "$deb" "$tmp/debroot"
for f in usr/bin/quarnel usr/lib/quarnel/quarnel-window usr/share/applications/quarnel.desktop \
         usr/share/icons/hicolor/256x256/apps/quarnel.png usr/share/doc/quarnel/copyright \
         usr/share/doc/quarnel/changelog.gz; do
  [ -e "$tmp/debroot/$f" ] || fail "not in the .deb: $f"
done
[ "$(readlink "$tmp/debroot/usr/lib/quarnel/asapi.dll")" = "$(command -v mencoder)" ] || fail "the .deb's asapi.dll"
"$tmp/debroot/usr/bin/quarnel" --scan "$dvds/pal-simple" >/dev/null || fail "--scan from the .deb"
echo "installed program: ok"
