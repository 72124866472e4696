#!/bin/sh
# Installs the build into a temporary folder and checks what a user gets: the program and its
# data file together in lib/aurelle, the command link in bin, the desktop entry and its icon. Then
# starts the program through the link and waits until it has found its data and opened the
# launcher, and ends it as the session would.
#
#   InstallLayoutTest.sh <build folder>
set -eu
build=$1
stage=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$stage"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*"
  exit 1
}

DESTDIR=$stage/root cmake --install "$build" --prefix /opt/aurelle >/dev/null
prefix=$stage/root/opt/aurelle
folder=$prefix/lib/aurelle
[ -x "$folder/aurelle" ] || fail "no program in lib/aurelle"
[ -s "$folder/glasstide.dat" ] || fail "no data file beside the program"
[ -s "$folder/splash.gif" ] || fail "no loading-screen picture beside the program"
[ "$(readlink "$prefix/bin/aurelle")" = "../lib/aurelle/aurelle" ] || fail "bin/aurelle is not a link to the program"
desktop=$prefix/share/applications/aurelle.desktop
grep -qx "Exec=/opt/aurelle/bin/aurelle" "$desktop" || fail "the desktop entry does not start bin/aurelle"
grep -qx "Icon=aurelle" "$desktop" || fail "the desktop entry names no icon"
# The PNG signature, then the header chunk of a 48 x 48 picture.
icon=$prefix/share/icons/hicolor/48x48/apps/aurelle.png
[ "$(od -An -tx1 -N24 "$icon" | tr -d ' \n')" = "89504e470d0a1a0a0000000d494844520000003000000030" ] \
  || fail "the icon is not a 48 x 48 PNG picture"

if [ -z "${DISPLAY:-}" ]; then
  # Under continuous integration a green run means every test ran.
  [ -z "${CI:-}" ] || fail "no display under CI: the start through the link is not tried"
  echo "No display: the start through the link is not tried"
  exit 77
fi
mkdir -m 700 "$stage/run"
XDG_RUNTIME_DIR=$stage/run XDG_CONFIG_HOME=$stage/config XDG_CACHE_HOME=$stage/cache ALSOFT_DRIVERS=null \
  "$prefix/bin/aurelle" >"$stage/output" 2>&1 &
pid=$!
# The program's folder can be written here, so its log lies beside it.
log=$folder/game.log
tries=0
while kill -0 "$pid" 2>/dev/null && ! grep -q "Creating GameLauncher object" "$log" 2>/dev/null; do
  tries=$((tries + 1))
  [ "$tries" -lt 1200 ] || fail "the launcher did not open within two minutes"
  sleep 0.1
done
# The log shows paths in the program's own form: backslashes, and in lower case.
tr '\\' / <"$log" | grep -qiF "looking for $folder/glasstide.dat" \
  || fail "the data file was not looked for beside the program"
grep -q "Creating GameLauncher object" "$log" || fail "the launcher did not open: $(cat "$stage/output")"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "the program ended with status $status"
grep -q "GameLauncher object created" "$log" || fail "the launcher did not end normally"
