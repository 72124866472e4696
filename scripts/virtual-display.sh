#!/usr/bin/env bash
# Runs a command on a virtual X display of its own (Xvfb, one 1280x1024 screen of 24 bits), which
# only holders of its cookie reach, and ends the server after it.
#   scripts/virtual-display.sh COMMAND [ARGUMENT ...]
# The server takes a free display number itself and says which once it accepts connections, so
# runs started side by side never race for a number. (xvfb-run -a picks the lowest number without
# a lock file; when ten of its servers in a row lose their number to servers started at the same
# moment, it runs the command anyway, on a display where none of its servers is.)
# Exits with the command's status, or 1 when the server does not start.
set -euo pipefail
folder=$(mktemp -d -t virtual-display.XXXXXX)
server=
cleanup() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$folder"
}
trap cleanup EXIT

export XAUTHORITY=$folder/Xauthority
: >"$XAUTHORITY"
cookie=$(mcookie)
# The server takes each cookie of its file whatever display the entry names; the command's X
# library looks its cookie up by the display's number, added once the server has told it.
xauth -q add :0 . "$cookie"
mkfifo "$folder/number"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -auth "$XAUTHORITY" 3>"$folder/number" 2>"$folder/server.log" &
server=$!
if ! read -r number <"$folder/number"; then
  echo "The virtual X server did not start:" >&2
  cat "$folder/server.log" >&2
  exit 1
fi
xauth -q add ":$number" . "$cookie"
DISPLAY=:$number "$@"
