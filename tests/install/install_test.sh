#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks the desktop entries,
# AppStream metainfo and man pages there with the tools desktops and
# software centres use, and runs the installed programs as a user would:
# --version without a display, then each program on port 1 given with
# --port, against the installed simulator. A program that reaches its line
# check (the simulator counts its version request) has found and loaded its
# panels in <prefix>/share/tavix.
#   install_test.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d)"
prefix="$work/prefix"
cleanup() {
  local code=$?
  if [ -n "${app:-}" ]; then kill "$app" 2>/dev/null || true; fi
  if [ -n "${sim:-}" ]; then kill "$sim" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$work"
  exit "$code"
}
trap cleanup EXIT
fail() { echo "install test: $*" >&2; exit 1; }
# The programs remember the device that answered: in the run's own settings.
export XDG_CONFIG_HOME="$work/config"

cmake --install "$build" --prefix "$prefix" >/dev/null

programs=(TavixScope TavixCalib tavix-sensor-sim tavix)
for f in bin/{TavixScope,TavixCalib,tavix-sensor-sim,tavix} \
         share/man/man1/{TavixScope,TavixCalib,tavix-sensor-sim,tavix}.1 \
         share/tavix/TavixScope.uir share/tavix/TavixCalib.uir \
         share/tavix/tavix-logo{,-dark}{,@2x,@3x}.png \
         share/applications/tavix-scope.desktop share/applications/tavix-calib.desktop \
         share/metainfo/com.example.tavixscope.metainfo.xml \
         share/metainfo/com.example.tavixcalib.metainfo.xml \
         share/icons/hicolor/scalable/apps/tavix-scope.svg \
         share/icons/hicolor/scalable/apps/tavix-calib.svg \
         share/doc/tavix/LICENSE share/doc/tavix/README.md; do
  [ -e "$prefix/$f" ] || fail "$f was not installed"
done
for entry in "$prefix"/share/applications/tavix-*.desktop; do
  exec_name="$(sed -n 's/^Exec=//p' "$entry")"
  icon="$(sed -n 's/^Icon=//p' "$entry")"
  [ -x "$prefix/bin/$exec_name" ] || fail "$entry starts $exec_name, which is not installed"
  [ -e "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$entry names icon $icon"
done

desktop-file-validate "$prefix"/share/applications/tavix-*.desktop ||
  fail "a desktop entry is not valid"
# The metainfo files, each with the desktop entry it launches.
appstreamcli validate-tree --no-net "$prefix" >"$work/appstream.out" ||
  fail "the metainfo is not valid: $(cat "$work/appstream.out")"
for info in "$prefix"/share/metainfo/*.metainfo.xml; do
  binary="$(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$info")"
  [ -x "$prefix/bin/$binary" ] || fail "$info provides $binary, which is not installed"
done
# Each man page formats without a warning and names every option of --help.
for p in "${programs[@]}"; do
  page="$prefix/share/man/man1/$p.1"
  warnings="$(groff -man -Tascii -ww -z "$page" 2>&1)"
  [ -z "$warnings" ] || fail "$page: $warnings"
  text="$(groff -man -Tascii -P-cbou "$page" 2>/dev/null)"
  grep -q "^NAME" <<<"$text" && grep -q "^OPTIONS" <<<"$text" || fail "$page has no NAME or OPTIONS"
  for option in $(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/$p" --help | grep -o -- '--[a-z-]*' | sort -u); do
    grep -q -- "$option" <<<"$text" || fail "$page does not name $option"
  done
done

# --version needs no display.
for p in TavixScope TavixCalib; do
  v="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/$p" --version)"
  [ "$v" = "$p 1.0" ] || fail "$p --version printed '$v'"
done

# The simulator, taking commands through a FIFO this script keeps open.
mkfifo "$work/sim.in"
exec 3<>"$work/sim.in"
"$prefix/bin/tavix-sensor-sim" --no-pacing <"$work/sim.in" >"$work/sim.out" &
sim=$!
for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
device="$(head -n1 "$work/sim.out")"
[ -n "$device" ] || fail "the simulator did not start"

# Version requests (order 7) the simulator has counted.
version_requests() {
  echo counters >&3
  sleep 0.1
  local n
  n="$(grep '^frames' "$work/sim.out" | tail -n1 | sed -n 's/.*[ ,]7:\([0-9]*\).*/\1/p')"
  echo "${n:-0}"
}
# Starts installed program $1 on the simulator and waits (5 s at most) until
# its version request has come; then ends it.
start_and_check() {
  local program="$1" before="$2"
  QT_QPA_PLATFORM=offscreen "$prefix/bin/$program" --port "$device" >/dev/null 2>&1 &
  app=$!
  for _ in $(seq 50); do
    [ "$(version_requests)" -gt "$before" ] && break
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app" 2>/dev/null || { wait "$app" || true; app=; fail "$program ended during start-up"; }
  [ "$(version_requests)" -gt "$before" ] || fail "$program sent no version request to --port"
  kill "$app"
  wait "$app" 2>/dev/null || true
  app=
}

start_and_check TavixScope 0
start_and_check TavixCalib 1
# Without the logo bitmaps the header is drawn without its picture.
rm "$prefix"/share/tavix/tavix-logo*.png
start_and_check TavixCalib 2
# Without its layout bundle the program ends at once with -1.
rm "$prefix/share/tavix/TavixCalib.uir"
set +e
QT_QPA_PLATFORM=offscreen timeout 10 "$prefix/bin/TavixCalib" --port "$device" >/dev/null 2>&1
code=$?
set -e
[ "$code" -eq 255 ] || fail "TavixCalib without its bundle ended with $code, not -1"
# The command-line program needs no display and no files of its own.
v="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/tavix" --version)"
[ "$v" = "tavix 1.0" ] || fail "tavix --version printed '$v'"
v="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/tavix" --port "$device" version)"
[ "$v" = "TAVIX SENSOR SIMULATOR V1.0" ] || fail "tavix version printed '$v'"
echo quit >&3
echo "install test: passed"
